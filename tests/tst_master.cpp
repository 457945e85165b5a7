// The master against simulated transmitters (pty and TCP) and a device the test plays where times
// matter: outcomes, counters, retries, late replies, the line's silences. (pymodbus: tst_cli.)
#include "master/master.h"
#include "posixpty.h"
#include "protocol/frame.h"
#include "protocol/linetiming.h"
#include "transmittersimulator.h"

#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

Q_DECLARE_METATYPE(Master::Result)

namespace {

QString counters(const Master &master)
{
    const Master::Counters &c = master.counters();
    return QString::asprintf("%llu %llu %llu %llu %llu", c.sent, c.answered, c.timedOut,
                             c.failedCheck, c.exceptions);
}

// A transmitter played by the test behind a pseudo-terminal, for the times the simulator keeps to
// itself: when each request came, and what goes back when.
struct Device : QObject
{
    Device()
    {
        fd = PosixPty::openMaster(&pty);
        keeper = PosixPty::openSlaveKeeper(pty);
        // Qt SerialPort locks the name it opens: a link of our own, not a pts another test reuses.
        PosixPty::placeLink(pty, dir.filePath("tty"));
        connect(
            new QSocketNotifier(fd, QSocketNotifier::Read, this), &QSocketNotifier::activated, this,
            [this] {
                char bytes[64];
                heard += QByteArray(bytes, int(qMax<ssize_t>(0, ::read(fd, bytes, sizeof bytes))));
                for (; heard.size() >= Modbus::RequestSize; heard.remove(0, Modbus::RequestSize)) {
                    requestUs << nowUs();
                    if (onRequest)
                        onRequest();
                }
            });
        clock.start();
    }
    ~Device() override { ::close(keeper), ::close(fd); }
    qint64 nowUs() const { return clock.nsecsElapsed() / 1000; }
    void send(const QByteArray &bytes)
    {
        sentUs << nowUs();
        QVERIFY(::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size());
    }

    QTemporaryDir dir;
    QString pty;
    int fd = -1, keeper = -1;
    QByteArray heard;
    QElapsedTimer clock;
    QList<qint64> requestUs, sentUs;
    std::function<void()> onRequest;
};

} // namespace

class TestMaster : public QObject
{
    Q_OBJECT

private slots:
    void outcomes_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("retries");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<Master::Result>("result");
        // The counters: sent, answered, timed out, failed check, exceptions.
        QTest::addColumn<QString>("counters");
        const QByteArray poll = Modbus::readRequest(1, 0x0000, 4);
        using R = Master::Result;
        QTest::newRow("answered") << "" << poll << 2 << 0 << R::Answered << "1 1 0 0 0";
        // At 9600 bit/s the 39 bytes take 41 ms: they need longer than the timeout once begun.
        QTest::newRow("long answer, short timeout")
            << "" << Modbus::readRequest(1, 0x010A, 17) << 0 << 20 << R::Answered << "1 1 0 0 0";
        QTest::newRow("in pieces") << "split" << poll << 0 << 0 << R::Answered << "1 1 0 0 0";
        QTest::newRow("refused, not retried")
            << "" << Modbus::readRequest(1, 0x0009, 1) << 2 << 0 << R::Refused << "1 0 0 0 1";
        QTest::newRow("retried") << "silent" << poll << 2 << 0 << R::TimedOut << "3 0 3 0 0";
        QTest::newRow("corrupted, retried")
            << "corrupt" << poll << 1 << 0 << R::FailedCheck << "2 0 0 2 0";
        QTest::newRow("stray byte") << "stray" << poll << 0 << 0 << R::FailedCheck << "1 0 0 1 0";
    }

    // An attempt without an answer ends after the request's and the answer's wire times and the
    // turnaround allowance, and is counted; the decoded answer or the exception code comes back.
    void outcomes()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, request);
        QFETCH(int, retries);
        QFETCH(int, timeoutMs);
        QFETCH(Master::Result, result);
        TransmitterSimulator sim;
        sim.setFixedReadings(23.45, 45.67);
        sim.setFaults({fault == "split" ? 4 : 0, 2, 0, fault == "corrupt", fault == "stray",
                       fault == "silent", fault == "flood"});
        QTemporaryDir dir;
        QVERIFY(sim.start(dir.filePath("tty")));
        Master master;
        QVERIFY(master.open(sim.portPath(), 9600));
        master.setRetries(retries);
        master.setTimeout(timeoutMs);
        QElapsedTimer clock;
        clock.start();
        const Master::Answer answer = master.ask(request);
        QCOMPARE(answer.result, result);
        QTEST(counters(master), "counters");
        if (result == Master::Result::TimedOut) {
            const qint64 attemptUs = LineTiming::wireUs(8, 9600) + LineTiming::wireUs(13, 9600)
                + Master::TurnaroundMs * 1000;
            QVERIFY(clock.elapsed() >= (retries + 1) * attemptUs / 1000);
        }
        QCOMPARE(answer.reply.row != ReplyDecoder::Row::None, result == Master::Result::Answered);
        QCOMPARE(answer.exceptionCode, quint8(result == Master::Result::Refused ? 2 : 0));
    }

    // An answer that comes after its request timed out is discarded while the next request waits
    // for its own.
    void lateReply()
    {
        TransmitterSimulator sim;
        sim.setFixedReadings(23.45, 45.67);
        sim.setFaults({0, 0, 150, false, false, false, false});
        QTemporaryDir dir;
        QVERIFY(sim.start(dir.filePath("tty")));
        Master master;
        QVERIFY(master.open(sim.portPath(), 9600));
        master.setTimeout(50);
        QCOMPARE(master.ask(Modbus::readRequest(1, 0x0100, 9)).result, Master::Result::TimedOut);
        master.setTimeout(500);
        const Master::Answer answer = master.ask(Modbus::readRequest(1, 0x0000, 4));
        QCOMPARE(answer.result, Master::Result::Answered);
        QCOMPARE(answer.frame, Modbus::readReply(1, {2345, 4567, sim.registerValue(2), 0}));
        QCOMPARE(counters(master), QString("2 1 1 0 0"));
    }

    // At 1200 bit/s (t3.5 29.2 ms, a request 66.7 ms on the wire): an answer begun sooner than t3.5
    // after the request is none, nor the rest of its frame; a request waits for t3.5 of silence
    // after the last byte on the line, unasked or its own (a retry after a 1 ms timeout: 95.9 ms).
    void spacing()
    {
        constexpr int Rate = 1200;
        const qint64 t35Us = LineTiming::t35Us(Rate);
        Device device;
        Master master;
        QVERIFY(master.open(device.dir.filePath("tty"), Rate));
        master.setTimeout(200);
        const QByteArray request = Modbus::readRequest(1, 0x0101, 1);
        const QByteArray answer = Modbus::readReply(1, {4});
        device.onRequest = [&] {
            for (int i = 0; i < answer.size(); ++i)
                QTimer::singleShot(5 * i, &device, [&, i] { device.send(answer.mid(i, 1)); });
        };
        QCOMPARE(master.ask(request).result, Master::Result::TimedOut);
        QCOMPARE(counters(master), QString("1 0 1 0 0"));

        device.onRequest = [&] {
            QTimer::singleShot(40, &device, [&] { device.send(answer); });
            QTimer::singleShot(50, &device, [&] { device.send("\xA5"); });
        };
        QCOMPARE(master.ask(request).result, Master::Result::Answered);
        device.onRequest = nullptr;
        master.setTimeout(1);
        QCOMPARE(master.ask(request).result, Master::Result::TimedOut);
        QVERIFY(device.requestUs.at(2) - device.sentUs.last() >= t35Us);

        QVERIFY(master.pause(100));
        master.setRetries(1);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(master.ask(request).result, Master::Result::TimedOut);
        QCOMPARE(device.requestUs.size(), 5);
        const qint64 wireUs = LineTiming::wireUs(Modbus::RequestSize, Rate);
        QVERIFY(clock.nsecsElapsed() / 1000 >= 2 * wireUs + t35Us + 1000);
    }

    // RTU frames over TCP to a line of three transmitters: each answers its own address with its
    // own serial number and registers; all answer (and obey) address 0 at once, which garbles the
    // answer even when theirs are alike. A port that is no TCP address or refuses the connection is
    // not opened.
    void tcp()
    {
        TransmitterSimulator sim;
        sim.setDevices({{1, 4}, {2, 4}, {17, 6}});
        QTemporaryDir dir;
        QVERIFY(sim.start(dir.filePath("tty")) && sim.listenTcp(0));
        Master master;
        QVERIFY(master.open(QStringLiteral("tcp://127.0.0.1:%1").arg(sim.tcpPort()), 9600));
        const Master::Answer identity = master.ask(Modbus::readRequest(17, 0x0100, 9));
        QCOMPARE(identity.reply.serialNumber, QString("261206033417"));
        for (const QByteArray &toAll :
             {Modbus::readRequest(0, 0x0100, 9), Modbus::writeRequest(0, 0x0109, 1)})
            QCOMPARE(master.ask(toAll).result, Master::Result::FailedCheck);
        QCOMPARE(master.ask(Modbus::writeRequest(2, 0x0109, 0)).result, Master::Result::Answered);
        // Read back by a client whose request comes in pieces.
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, sim.tcpPort());
        const QByteArray heater = Modbus::readRequest(1, 0x0109, 1);
        QVERIFY(client.waitForConnected(5000) && client.write(heater.left(3)) && client.flush());
        QTest::qWait(20);
        client.write(heater.mid(3));
        QByteArray got;
        QTRY_COMPARE(got += client.readAll(), Modbus::readReply(1, {1}));
        for (const char *refused : {"tcp://127.0.0.1:1", "tcp://127.0.0.1", "tcp://host/path"})
            QVERIFY2(!Master().open(refused, 9600), refused);
    }
};

QTEST_GUILESS_MAIN(TestMaster)
#include "tst_master.moc"
