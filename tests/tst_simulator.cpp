// The simulated transmitter: what it hears and answers, at what pace, its kept state, the program.
// (tst_master meets a line of several over TCP, tst_cli at their speeds on the line.)
#include "protocol/frame.h"
#include "rtureceiver.h"
#include "transmittermodel.h"
#include "transmittersimulator.h"

#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        // "|" apart: requests (check bytes added here), raw bytes ("!" at the end), "out!" (an echo
        // went out), "tty!" (address and baud code listened with); replies less check bytes.
        QTest::addColumn<QString>("heard");
        QTest::addColumn<QString>("replies");
        QTest::newRow("measurements")
            << QString("01 03 0000 0004|01 03 0004 0005")
            << "01 03 08 09 29 11 D7 04 51 00 00|01 03 0A 00 EB 01 C9 00 6F 00 00 00 00";
        QTest::newRow("identity, heater, channel 2") << QString("01 03 0100 000A|01 03 012B 0001")
                                                     << "01 03 14 00 01 00 04 00 00 00 00 26 12 06 "
                                                        "03 34 15 FE 70 04 E2 00 00|01 03 02 00 00";
        QTest::newRow("blocks") << QString("01 03 010A 0011|01 03 0200 002D")
                                << "01 03 22" + QString(" 00").repeated(34) + "|01 03 5A"
                + QString(" 00").repeated(90);
        QTest::newRow("unknown register, function")
            << QString("01 03 0009 0001|01 03 011B 0001|01 03 022C 0002|01 04 0000 0001|00 2B 0E01 "
                       "00|02 04 0000 0001|01 03 0000 007D|01 03 0000 007E")
            << "01 83 02|01 83 02|01 83 02|01 84 01|01 AB 01||01 83 02|01 83 03";
        QTest::newRow("bad values")
            << QString("01 06 0100 0000|01 06 0100 00F8|01 06 0101 0007|01 06 0100 00F7")
            << "01 86 03|01 86 03|01 86 03|01 06 01 00 00 F7";
        QTest::newRow("address 0, another device")
            << QString("00 03 0101 0001|02 03 0101 0001") << "01 03 02 00 04|";
        QTest::newRow("write echo")
            << QString("01 06 0109 0001|01 03 0109 0001") << "01 06 01 09 00 01|01 03 02 00 01";
        QTest::newRow("block write") << QString("01 10 0107 0108 04 FF9C 0258|01 03 0107 0002")
                                     << "01 10 01 07 00 02|01 03 04 FF 9C 02 58";
        QTest::newRow("measurement write")
            << QString("01 06 0000 1234|01 03 0000 0001") << "01 06 00 00 12 34|01 03 02 09 29";
        QTest::newRow("new address, baud code")
            << QString("00 06 0100 0005|01 06 0101 0006|tty!|05 03 0100 0001|out!|tty!|01 03 0100 "
                       "0001|05 03 0100 0001")
            << "00 06 01 00 00 05|01 06 01 01 00 06|01 04|||05 06||05 03 02 00 05";
        QTest::newRow("noise in front, pieces")
            << QString("A5 01 03 0101 0001 D4 36!|01 03 0101 0001|01 03 01!|01 00 01 D4 36!")
            << "|01 03 02 00 04||";
    }

    void answers()
    {
        QFETCH(QString, heard);
        TransmitterModel model;
        model.setFixedReadings(23.45, 45.67);
        QStringList got;
        for (const QString &step : heard.split('|')) {
            const QByteArray in = QByteArray::fromHex(step.toLatin1());
            if (step == "out!")
                model.applyLineSettings(model.pendingLineSettings());
            const QByteArray reply = model.answer(step.endsWith('!') ? in : Modbus::withCrc(in));
            got << (step == "tty!"
                        ? QString::asprintf("%02X %02X", model.address(), model.baudCode())
                        : reply.left(reply.size() - 2).toHex(' ').toUpper());
        }
        QTEST(got.join('|'), "replies");
    }

    void line()
    {
        // A request read in two parts at 1200 bit/s, t1.5 (12.5 ms) apart, then a microsecond more.
        const QByteArray request = Modbus::readRequest(1, 0x0101, 1);
        RtuReceiver receiver;
        for (const qint64 at : {0, 12500, 50000, 62501})
            receiver.heard(at, at % 50000 ? request.mid(3) : request.left(3), 1200);
        QCOMPARE(receiver.takeFrames(100000), QByteArrayList {request});
        QCOMPARE(TransmitterModel::requestsIn(request + request),
                 QByteArrayList({request, request}));
        // 45 registers at 1200 bit/s: t3.5 (29.2 ms), then 95 bytes of 8.33 ms each, 821 ms in all.
        // Paced, a baud-rate write heard meanwhile is echoed at 1200 after that reply, and only
        // then does the device listen at 2400. A code the device has no speed for is refused.
        for (const bool paced : {true, false}) {
            TransmitterSimulator sim;
            sim.setPacing(paced);
            QVERIFY(sim.setRegisterValue(0x0101, 1) && !sim.setRegisterValue(0x0101, 9));
            QTemporaryDir dir; // a link of its own: Qt SerialPort locks the path it opens
            QVERIFY(sim.start(dir.filePath("tty")));
            QSerialPort port(sim.portPath());
            QVERIFY(port.open(QIODevice::ReadWrite) && port.setBaudRate(1200));
            QSignalSpy sent(&sim, &TransmitterSimulator::replySent);
            const QDeadlineTimer wire(820);
            port.write(Modbus::readRequest(1, 0x0200, 45));
            if (!paced) {
                QVERIFY(sent.wait(5000) && wire.remainingTime() > 400);
                continue;
            }
            QTest::qWait(60);
            const QByteArray baudWrite = Modbus::writeRequest(1, 0x0101, 2);
            port.write(baudWrite);
            QTRY_COMPARE_WITH_TIMEOUT(port.bytesAvailable(), 95 + 8, 5000);
            QVERIFY(wire.hasExpired());
            QVERIFY(port.readAll().endsWith(baudWrite) && sim.baudCode() == 2);
            port.setBaudRate(2400);
            port.write(Modbus::readRequest(1, 0x0101, 1));
            QByteArray answer;
            QTRY_COMPARE(answer += port.readAll(), Modbus::readReply(1, {2}));
        }
    }

    void state()
    {
        TransmitterModel model, copy;
        model.answer(Modbus::writeRequest(1, 0x0100, 9));
        QVERIFY(copy.restoreState(model.saveState()) && copy.saveState() == model.saveState());
        QCOMPARE(copy.address(), quint8(9));
        for (const char *bad : {"0300 0001", "0000 0001", "0101 0009", "0109 zz", "0109 1 2"})
            QVERIFY2(!copy.restoreState(bad) && copy.saveState() == model.saveState(), bad);
    }

    void program()
    {
        const QString path = QCoreApplication::applicationDirPath() + "/../tools/tr451-simulator";
        const QString link = QCoreApplication::applicationDirPath() + "/tst_simulator.tty";
        QProcess simulator;
        simulator.start(path, {"--link", link, "--address", "1,2", "--tcp", "0"});
        QVERIFY(simulator.waitForReadyRead(10000));
        QCOMPARE(simulator.readLine(), "Simulated transmitter on " + link.toLocal8Bit() + '\n');
        QVERIFY(simulator.canReadLine() || simulator.waitForReadyRead(10000));
        QVERIFY(simulator.readLine().startsWith("Serving the line over TCP on 127.0.0.1:"));
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(10000) && simulator.exitStatus() == QProcess::NormalExit
                && !QFileInfo(link).isSymLink());
        for (const QStringList &bad : {QStringList {"--address", "248"},
                                       {"--address", "1,1"},
                                       {"--address", "1,2", "--baud-code", "4,4,4"},
                                       {"--tcp", "65536"},
                                       {"--settle", "30,101,60"}})
            QVERIFY2(QProcess::execute(path, bad) == 2, qPrintable(bad.join(' ')));
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
