// The master against simulated transmitters (pty and TCP), a device the test plays where times
// matter, and pymodbus's serial server on a socat pair: outcomes, counters, retries, late and
// foreign frames, answers to address 0, the line's silences, a TCP link that drops.
#include "master/master.h"
#include "master/transport.h"
#include "posixpty.h"
#include "protocol/frame.h"
#include "protocol/linetiming.h"
#include "support/programs.h"
#include "support/table.h"
#include "transmittersimulator.h"

#include <QProcess>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

#include <unistd.h>

// What the played device sends, afterMs after the first request.
struct Play
{
    int afterMs;
    QByteArray bytes;
};
using Script = QVector<Play>;

Q_DECLARE_METATYPE(Master::Result)
Q_DECLARE_METATYPE(Script)

namespace {

const QByteArray Poll = Modbus::readRequest(1, 0x0000, 4);

QString tcpPort(const TransmitterSimulator &sim)
{
    return QStringLiteral("tcp://127.0.0.1:%1").arg(sim.tcpPort());
}

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
        // The counters: sent, answered, timed out, failed check, exceptions.
        const Table<QString, QByteArray, int, int, Master::Result, QString> row(
            "fault", "request", "retries", "timeoutMs", "result", "counters");
        using R = Master::Result;
        row("answered", "", Poll, 2, 0, R::Answered, "1 1 0 0 0");
        // At 9600 bit/s the 39 bytes take 41 ms: they need longer than the timeout once begun.
        row("long answer, short timeout", "", Modbus::readRequest(1, 0x010A, 17), 0, 20,
            R::Answered, "1 1 0 0 0");
        row("in pieces", "split", Poll, 0, 0, R::Answered, "1 1 0 0 0");
        row("refused, not retried", "", Modbus::readRequest(1, 0x0009, 1), 2, 0, R::Refused,
            "1 0 0 0 1");
        row("retried", "silent", Poll, 2, 0, R::TimedOut, "3 0 3 0 0");
        row("corrupted, retried", "corrupt", Poll, 1, 0, R::FailedCheck, "2 0 0 2 0");
        row("stray byte", "stray", Poll, 0, 0, R::Answered, "1 1 0 0 0");
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

    // A slow transmitter's answer that comes after its request timed out, while the next address
    // is asked, says nothing of that address: the scan goes on with no answer there, and the slow
    // one answers its next request.
    void lateReply()
    {
        TransmitterSimulator sim;
        sim.setFixedReadings(23.45, 45.67);
        sim.setFaults({0, 0, 150, false, false, false, false});
        QTemporaryDir dir;
        QVERIFY(sim.start(dir.filePath("tty")));
        QSignalSpy replies(&sim, &TransmitterSimulator::replySent);
        Master master;
        QVERIFY(master.open(sim.portPath(), 9600));
        master.setTimeout(50);
        QCOMPARE(master.ask(Modbus::readRequest(1, 0x0100, 9)).result, Master::Result::TimedOut);
        master.setTimeout(500);
        QCOMPARE(master.ask(Modbus::readRequest(2, 0x0100, 9)).result, Master::Result::TimedOut);
        QCOMPARE(replies.count(), 1); // while address 2 was asked
        const Master::Answer answer = master.ask(Poll);
        QCOMPARE(answer.result, Master::Result::Answered);
        QCOMPARE(answer.frame, Modbus::readReply(1, {2345, 4567, sim.registerValue(2), 0}));
        QCOMPARE(counters(master), QString("3 1 2 0 0"));
    }

    void played_data()
    {
        const Table<QByteArray, int, int, Script, Master::Result, QString, QVector<quint16>, int>
            row("request", "retries", "timeoutMs", "script", "result", "counters", "registers",
                "leastMs");
        using R = Master::Result;
        const QVector<quint16> reference {0x41BB, 0xC28F};
        row("input registers", Modbus::shortFrame(1, Modbus::ReadInputRegisters, 0, 2), 0, 0,
            {{0, Modbus::readReply(1, reference, Modbus::ReadInputRegisters)}}, R::Answered,
            "1 1 0 0 0", reference, 0);
        // The retry hears nothing of what the first attempt heard.
        row("garbage, then silence", Poll, 1, 0, {{0, "\xA5"}}, R::TimedOut, "2 0 1 1 0", {}, 0);
        row("garbage, someone else's frame", Poll, 0, 0,
            {{0, "\xA5\xA5" + Modbus::readReply(2, {1, 2, 3, 4})}}, R::FailedCheck, "1 0 0 1 0", {},
            0);
        const QByteArray toAll = Modbus::readRequest(0, 0x0000, 2);
        const QByteArray seven = Modbus::readReply(7, {1, 2});
        const QByteArray nine = Modbus::readReply(9, {3, 4});
        row("address 0, one answer", toAll, 0, 300, {{0, seven}}, R::Answered, "1 1 0 0 0", {1, 2},
            300);
        row("address 0, two answers at once", toAll, 0, 300, {{0, seven + nine}}, R::Several,
            "1 0 0 1 0", {}, 0);
        row("address 0, two answers apart", toAll, 0, 300, {{0, seven}, {30, nine}}, R::Several,
            "1 0 0 1 0", {}, 0);
    }

    // What a device played on the pty sends, and when: the registers of a read answer, the
    // verdict on bytes that are no answer, and the answers to address 0.
    void played()
    {
        QFETCH(QByteArray, request);
        QFETCH(Script, script);
        QFETCH(Master::Result, result);
        QFETCH(int, leastMs);
        Device device;
        device.onRequest = [&] {
            for (const Play &play : qAsConst(script)) {
                if (device.requestUs.size() == 1)
                    QTimer::singleShot(play.afterMs, &device,
                                       [&, play] { device.send(play.bytes); });
            }
        };
        Master master;
        QVERIFY(master.open(device.dir.filePath("tty"), 9600));
        QFETCH(int, retries);
        QFETCH(int, timeoutMs);
        master.setRetries(retries);
        master.setTimeout(timeoutMs);
        QElapsedTimer clock;
        clock.start();
        const Master::Answer answer = master.ask(request);
        QCOMPARE(answer.result, result);
        QTEST(counters(master), "counters");
        QTEST(answer.registers, "registers");
        QVERIFY(clock.elapsed() >= leastMs);
    }

    // At 1200 bit/s (t3.5 29.2 ms, a request 66.7 ms on the wire): an answer that begins the
    // instant the request is whole is the answer; a request waits for t3.5 of silence after the
    // last byte on the line, unasked or its own (a retry after a 1 ms timeout: 95.9 ms).
    void spacing()
    {
        constexpr int Rate = 1200;
        const qint64 t35Us = LineTiming::t35Us(Rate);
        Device device;
        Master master;
        QVERIFY(master.open(device.dir.filePath("tty"), Rate));
        master.setTimeout(200);
        const QByteArray request = Modbus::readRequest(1, 0x0101, 1);
        device.onRequest = [&] {
            device.send(Modbus::readReply(1, {4}));
            QTimer::singleShot(10, &device, [&] { device.send("\xA5"); });
        };
        QCOMPARE(master.ask(request).result, Master::Result::Answered);
        QCOMPARE(counters(master), QString("1 1 0 0 0"));
        device.onRequest = nullptr;
        master.setTimeout(1);
        QCOMPARE(master.ask(request).result, Master::Result::TimedOut);
        QVERIFY(device.requestUs.at(1) - device.sentUs.last() >= t35Us);

        QVERIFY(master.pause(100));
        master.setRetries(1);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(master.ask(request).result, Master::Result::TimedOut);
        QCOMPARE(device.requestUs.size(), 4);
        const qint64 wireUs = LineTiming::wireUs(Modbus::RequestSize, Rate);
        QVERIFY(clock.nsecsElapsed() / 1000 >= 2 * wireUs + t35Us + 1000);
    }

    // pymodbus's serial server on one end of a socat pair answers the moment a request is whole:
    // the transmitter's measurements (function 3) and a reference instrument's float32 input
    // registers (function 4), at 9600 bit/s.
    void serialPeer()
    {
        const QString socatPath = QStandardPaths::findExecutable("socat");
        if (socatPath.isEmpty())
            QSKIP("socat is not installed");
        if (!pythonHas("pymodbus.server, serial_asyncio"))
            QSKIP("python3-pymodbus and python3-serial-asyncio are not installed");
        QTemporaryDir dir;
        Program socat;
        socat.start(socatPath,
                    {"-d", "-d", "pty,raw,echo=0,link=" + dir.filePath("peer"),
                     "pty,raw,echo=0,link=" + dir.filePath("master")});
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT(
            (said += socat.readAllStandardError()).contains("starting data transfer loop"), 10000);
        Program peer;
        peer.start("/usr/bin/python3", {RTU_SERIAL_PEER, dir.filePath("peer")});
        QTRY_VERIFY_WITH_TIMEOUT(peer.canReadLine(), 10000);
        QCOMPARE(peer.readLine(), QByteArray("ready\n"));
        Master master;
        QVERIFY(master.open(dir.filePath("master"), 9600));
        const Master::Answer measurements = master.ask(Poll);
        QCOMPARE(measurements.result, Master::Result::Answered);
        QCOMPARE(measurements.registers, QVector<quint16>({2345, 4567, 1120, 0}));
        const Master::Answer reference =
            master.ask(Modbus::shortFrame(1, Modbus::ReadInputRegisters, 0, 6));
        QCOMPARE(reference.result, Master::Result::Answered);
        // 23.45, 56.56 and 14.32 in float32, high word first.
        QCOMPARE(reference.registers,
                 QVector<quint16>({0x41BB, 0x999A, 0x4262, 0x3D71, 0x4165, 0x1EB8}));
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
        QVERIFY(master.open(tcpPort(sim), 9600));
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
        // A refused connection fails at once: the link was never up, nothing to make again.
        QElapsedTimer clock;
        clock.start();
        for (const char *refused : {"tcp://127.0.0.1:1", "tcp://127.0.0.1", "tcp://host/path"})
            QVERIFY2(!Master().open(refused, 9600), refused);
        QVERIFY(clock.elapsed() < Master::ConnectTimeoutMs);
    }

    // One port by any of its names: a TCP address as written, a serial port by its listed name,
    // its path or a link to it; two ports are two.
    void samePort()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::link("/dev/null", dir.filePath("null")));
        QVERIFY(Transport::samePort("tcp://h:502", "tcp://h:502")
                && !Transport::samePort("tcp://h:502", "tcp://h:503"));
        QVERIFY(Transport::samePort(dir.filePath("null"), "/dev/null")
                && !Transport::samePort("/dev/null", "/dev/zero"));
        const QList<QSerialPortInfo> listed = QSerialPortInfo::availablePorts();
        if (listed.isEmpty())
            QSKIP("no serial port is listed here");
        QVERIFY(Transport::samePort(listed.first().portName(), listed.first().systemLocation()));
    }

    // A device server that restarts: the transaction under way (here still waiting for the line's
    // silence, 380 ms at 300 bit/s), and one that waits its allowance in vain, end LinkDown, not
    // sent; once it serves again the link is made again within the interval and requests are
    // answered. When nobody serves within the window, that transaction and every later one end
    // Unreachable, not sent, and the error says how long it tried and why it failed.
    void linkDropped()
    {
        TransmitterSimulator sim;
        QTemporaryDir dir;
        QVERIFY(sim.start(dir.filePath("tty")) && sim.listenTcp(0));
        const quint16 port = sim.tcpPort();
        Master master;
        QVERIFY(master.open(tcpPort(sim), 300));
        master.setTimeout(100);
        QCOMPARE(master.ask(Poll).result, Master::Result::Answered);
        const Master::Counters before = master.counters();
        QElapsedTimer sinceDrop;
        sinceDrop.start();
        sim.closeTcp();
        QCOMPARE(master.ask(Poll).result, Master::Result::LinkDown);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(master.ask(Poll).result, Master::Result::LinkDown);
        QVERIFY(clock.elapsed() >= 100);
        QVERIFY(master.counters().notSent == before.notSent + 2
                && master.counters().sent == before.sent);
        QVERIFY(sim.listenTcp(port));
        master.setTimeout(3000);
        QCOMPARE(master.ask(Poll).result, Master::Result::Answered);
        QVERIFY(sinceDrop.elapsed() >= 1000); // once a second: the attempt at once failed
        QCOMPARE(master.counters().reconnects, quint64(1));

        master.setReconnectWindow(300);
        clock.start();
        sim.closeTcp();
        QCOMPARE(master.ask(Poll).result, Master::Result::LinkDown);
        const quint64 notSent = master.counters().notSent;
        // Waiting for the link (up to 3 s) when the master gives up.
        QCOMPARE(master.ask(Poll).result, Master::Result::Unreachable);
        QVERIFY(clock.elapsed() >= 300);
        QCOMPARE(master.errorString(), QString("tried for 0.3 s: Connection refused"));
        QCOMPARE(master.ask(Poll).result, Master::Result::Unreachable);
        QCOMPARE(master.counters().notSent, notSent + 2);
    }
};

QTEST_GUILESS_MAIN(TestMaster)
#include "tst_master.moc"
