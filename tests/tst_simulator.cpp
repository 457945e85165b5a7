// The simulated line: what its transmitters, reference and chamber hear and answer, at what pace,
// the air they read, the transmitters' kept state, the program. (tst_master meets a line of
// several transmitters over TCP, tst_cli at their speeds on the line.)
#include "batch/profile.h"
#include "chambercontroller.h"
#include "devicerequests.h"
#include "protocol/frame.h"
#include "protocol/linetiming.h"
#include "protocol/registerfield.h"
#include "referenceinstrument.h"
#include "rtureceiver.h"
#include "simulatoroptions.h"
#include "support/programs.h"
#include "support/table.h"
#include "transmittermodel.h"
#include "transmittersimulator.h"

#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>

namespace {

QByteArray request(const char *hex)
{
    return Modbus::withCrc(QByteArray::fromHex(hex));
}

// A profile of two points: 30 degrees and 70 %RH for 10 + 20 s, then -10 and 90 for 0 + 5 s.
const QByteArray TwoPoints = "temperature,humidity,soak,max_wait\n30,70,10,20\n-10,90,0,5\n";

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        // "|" apart: requests (check bytes added here), raw bytes ("!" at the end), "out!" (an echo
        // went out), "tty!" (address and baud code listened with), "time!" (ten minutes on);
        // replies less check bytes.
        const Table<QString, QString> row("heard", "replies");
        row("measurements", "01 03 0000 0004|01 03 0004 0005",
            "01 03 08 09 29 11 D7 04 51 00 00|01 03 0A 00 EB 01 C9 00 6F 00 00 00 00");
        row("identity, heater, channel 2", "01 03 0100 000A|01 03 012B 0001",
            "01 03 14 00 01 00 04 00 00 00 00 26 12 06 03 34 15 FE 70 04 E2 00 00|01 03 02 00 00");
        row("blocks", "01 03 010A 0011|01 03 0200 002D",
            "01 03 22" + QString(" 00").repeated(34) + "|01 03 5A" + QString(" 00").repeated(90));
        row("unknown register, function",
            "01 03 0009 0001|01 03 011B 0001|01 03 022C 0002|01 04 0000 0001|00 2B 0E01 00|02 04 "
            "0000 0001|01 03 0000 007D|01 03 0000 007E",
            "01 83 02|01 83 02|01 83 02|01 84 01|01 AB 01||01 83 02|01 83 03");
        row("bad values", "01 06 0100 0000|01 06 0100 00F8|01 06 0101 0007|01 06 0100 00F7",
            "01 86 03|01 86 03|01 86 03|01 06 01 00 00 F7");
        row("address 0, another device", "00 03 0101 0001|02 03 0101 0001", "01 03 02 00 04|");
        row("write echo", "01 06 0109 0001|01 03 0109 0001", "01 06 01 09 00 01|01 03 02 00 01");
        row("block write", "01 10 0107 0108 04 FF9C 0258|01 03 0107 0002",
            "01 10 01 07 00 02|01 03 04 FF 9C 02 58");
        row("heater on, held readings", "01 06 0109 0001|time!|01 03 0000 0002",
            "01 06 01 09 00 01||01 03 04 09 29 11 D7");
        row("measurement write", "01 06 0000 1234|01 03 0000 0001",
            "01 06 00 00 12 34|01 03 02 09 29");
        row("new address, baud code",
            "00 06 0100 0005|01 06 0101 0006|tty!|05 03 0100 0001|out!|tty!|01 03 0100 0001|05 03 "
            "0100 0001",
            "00 06 01 00 00 05|01 06 01 01 00 06|01 04|||05 06||05 03 02 00 05");
        row("noise in front, pieces",
            "A5 01 03 0101 0001 D4 36!|01 03 0101 0001|01 03 01!|01 00 01 D4 36!",
            "|01 03 02 00 04||");
        // The reference at 0x1E: float32 23.45, 45.67 and dew point 11.054, high word first.
        row("reference",
            "1E 04 0000 0006|1E 04 0003 0002|1E 04 0005 0002|1E 04 0000 0000|1E 04 0000 007E|1E 03 "
            "0000 0002|1E 06 0000 0001|1E 2B 0E01 00|1E 04 0000 0002 00|00 04 0000 0002",
            "1E 04 0C 41 BB 99 9A 42 36 AE 14 41 30 DD 32|1E 04 04 AE 14 41 30|1E 84 02|1E 84 "
            "03|1E "
            "84 03|1E 83 01|1E 86 01|1E AB 01||01 84 01");
        // The chamber controller at 0x1F, in tenths: -70.0 to 180.0 degrees, 0 to 100.0 %RH.
        row("chamber",
            "1F 03 0000 0002|1F 06 0000 FD44|1F 06 0001 03E8|1F 03 0000 0002|1F 03 0001 0001|1F 06 "
            "0000 0708|1F 03 0000 0001",
            "1F 03 04 00 EB 01 C9|1F 06 00 00 FD 44|1F 06 00 01 03 E8|1F 03 04 FD 44 03 E8|1F 03 "
            "02 "
            "03 E8|1F 06 00 00 07 08|1F 03 02 07 08");
        row("chamber refusals",
            "1F 06 0000 FD43|1F 06 0000 0709|1F 06 0001 FFFF|1F 06 0001 03E9|1F 06 0002 0000|1F 03 "
            "0001 0002|1F 03 0000 0000|1F 04 0000 0001|1F 10 0000 0000 02 0001|00 06 0000 012C|1F "
            "03 0000 0002",
            "1F 86 03|1F 86 03|1F 86 03|1F 86 03|1F 86 02|1F 83 02|1F 83 03|1F 84 01|1F 90 01|00 "
            "06 00 00 01 2C|1F 03 04 00 EB 01 C9");
    }

    // A transmitter at address 1, the reference at 0x1E and the chamber at 0x1F in a held air.
    void answers()
    {
        QFETCH(QString, heard);
        AirModel air;
        air.hold({23.45, 45.67});
        Chamber chamber(air);
        TransmitterModel model(air, 1);
        ReferenceInstrument reference(air, 0x1E, 4);
        ChamberController controller(chamber, 0x1F, 4);
        QStringList got;
        for (const QString &step : heard.split('|')) {
            const QByteArray in = QByteArray::fromHex(step.toLatin1());
            if (step == "out!")
                model.applyLineSettings(model.pendingLineSettings());
            if (step == "time!")
                model.setTime(600000);
            const QByteArray bytes = step.endsWith('!') ? in : Modbus::withCrc(in);
            const QByteArray reply =
                model.answer(bytes) + reference.answer(bytes) + controller.answer(bytes);
            got << (step == "tty!"
                        ? QString::asprintf("%02X %02X", model.address(), model.baudCode())
                        : reply.left(reply.size() - 2).toHex(' ').toUpper());
        }
        QTEST(got.join('|'), "replies");
    }

    // While the air is regulated the instruments read it with noise of their own, the reference
    // (decoded here from its registers) with a tenth of a transmitter's; a room's air they read
    // exactly. A transmitter's bias is added to what it reads.
    void sensors()
    {
        AirModel air;
        ReferenceInstrument reference(air, 0x1E, 4);
        Sensor first(air, 1);
        Sensor second(air, 2);
        second.setBias({0.5, -1.25});
        for (const bool regulated : {false, true}) {
            if (regulated)
                air.settle({30, 75}, 10);
            // The largest deviation from the air, in a transmitter's noise.
            double transmitterNoise = 0;
            double referenceNoise = 0;
            bool alike = true;
            for (int step = 0; step < 200; ++step) {
                air.setTime(air.time() + 7);
                const Air now = air.current();
                const QVector<quint16> read =
                    Modbus::readValues(reference.answer(request("1E 04 0000 0004")));
                const Air a = first.reading();
                const Air b = second.reading();
                transmitterNoise =
                    std::max({transmitterNoise, qAbs(a.temperature - now.temperature) / 0.02,
                              qAbs(a.humidity - now.humidity) / 0.1});
                // A field of no other type than float32, high word first, reads them.
                referenceNoise = std::max(
                    {referenceNoise, qAbs(RegisterField().decode(read) - now.temperature) / 0.02,
                     qAbs(RegisterField().decode(read.mid(2)) - now.humidity) / 0.1});
                alike = alike && qAbs(b.temperature - a.temperature - 0.5) < 1e-9
                    && qAbs(b.humidity - a.humidity + 1.25) < 1e-9;
            }
            QCOMPARE(alike, !regulated);
            QVERIFY2(regulated ? transmitterNoise > 0.9 && transmitterNoise <= 1.001
                             && referenceNoise > 0.09 && referenceNoise <= 0.101
                               : transmitterNoise == 0 && referenceNoise < 0.001,
                     qPrintable(QString("%1 %2").arg(transmitterNoise).arg(referenceNoise)));
        }
    }

    // The chamber in model time: its set points (read from its controller) and the air moving
    // to them, from a room's air, a held one (20 degrees, 50 %RH) or one settling from there to
    // 30 and 75 with a time constant of 10 s (or 0: a step); a set point written, a profile run.
    void chamber_data()
    {
        // What is written (at ms, register, value in tenths); the set points and the air then.
        const Table<QString, QByteArray, QString, int, QString> row("air", "profile", "write",
                                                                    "atMs", "set");
        row("where the room is", "room", "", "", 60000, "23.0 48.4, 23.000 48.366");
        row("a step", "step", "", "", 0, "30.0 75.0, 20.000 50.000");
        row("where the air heads", "settling", "", "", 10000, "30.0 75.0, 26.321 65.803");
        row("written, default time constant", "held", "", "0 0 300", 30000,
            "30.0 50.0, 26.321 50.000");
        row("written, the air's time constant", "settling", "", "10000 1 400", 20000,
            "30.0 40.0, 28.647 49.492");
        row("first point", "held", TwoPoints, "", 29999, "30.0 70.0, 26.321 62.642");
        row("next point", "held", TwoPoints, "", 30000, "-10.0 90.0, 26.321 62.642");
        row("last point stays", "held", TwoPoints, "", 100000, "-10.0 90.0, -6.478 87.347");
        row("a write stops the profile", "held", TwoPoints, "1000 0 250", 100000,
            "25.0 70.0, 24.828 69.287");
    }

    void chamber()
    {
        QFETCH(QString, air);
        QFETCH(QByteArray, profile);
        QFETCH(QString, write);
        QFETCH(int, atMs);
        AirModel model;
        if (air != "room")
            model.hold({20, 50});
        if (air == "settling" || air == "step")
            model.settle({30, 75}, air == "step" ? 0 : 10);
        Chamber chamber(model);
        QString error;
        if (!profile.isEmpty())
            chamber.runProfile(*Profile::parse(profile, &error));
        ChamberController controller(chamber, 0x1F, 4);
        const QStringList fields = write.split(' ');
        if (fields.size() == 3) {
            chamber.advance(fields[0].toInt());
            const QByteArray echo =
                Modbus::writeRequest(0x1F, quint16(fields[1].toInt()), quint16(fields[2].toInt()));
            QCOMPARE(controller.answer(echo), echo);
        }
        chamber.advance(atMs);
        const QByteArray reply = controller.answer(Modbus::readRequest(0x1F, 0, 2));
        const Air now = model.current();
        QTEST(QString::asprintf("%.1f %.1f, %.3f %.3f", Modbus::signedWord(reply, 3) / 10.0,
                                Modbus::signedWord(reply, 5) / 10.0, now.temperature, now.humidity),
              "set");
    }

    void numbers_data()
    {
        const Table<QString, QString> row("text", "numbers"); // or why they are not
        const QString why = "\"%1\" is not a number from 1 to 247 nor a range of them going up, "
                            "such as 1-247";
        row("list", "1,17,247", "1,17,247");
        row("ranges and a list", "1-4,9,17-17", "1,2,3,4,9,17");
        for (const QString bad : {"0", "248", "0-2", "246-248", "5-1", "1--2", "1-2-3", "", "x"})
            row(bad, "1," + bad, why.arg(bad));
    }

    void numbers()
    {
        QFETCH(QString, text);
        QString why;
        const std::optional<QList<int>> numbers = SimulatorOptions::numbers(text, 1, 247, &why);
        QStringList got;
        for (const int number : numbers.value_or(QList<int>()))
            got << QString::number(number);
        QTEST(numbers ? got.join(',') : why, "numbers");
    }

    void receiver_data()
    {
        // Reads as "microseconds:hex" at 1200 bit/s (t3.5 29167 us); the requests taken, where R
        // is 01 03 0101 0001 and its check bytes.
        const Table<bool, QString, int, QString> row("atOnce", "reads", "takeAtUs", "requests");
        // Two parts t1.5 (12.5 ms) apart, then a microsecond more.
        row("a pause inside", false, "0:010301;12500:010001D436;50000:010301;62501:010001D436",
            100000, "R");
        row("before the silence", false, "0:R", 29166, "");
        row("after the silence", false, "0:R", 29167, "R");
        row("two in one read", false, "0:RR", 29167, "R|R");
        row("whole at once", true, "0:R", 0, "R");
        row("whole at once in parts", true, "0:010301;5000:010001D436", 5000, "R");
        row("whole at once, then more", true, "0:RA5", 0, "R");
        row("spoilt at once", true, "0:010301;20000:010001D436", 60000, "");
        row("junk in front at once", true, "0:A5R", 29167, "");
    }

    void receiver()
    {
        QFETCH(bool, atOnce);
        QFETCH(QString, reads);
        QFETCH(int, takeAtUs);
        const QString r = "010301010001D436";
        RtuReceiver receiver;
        receiver.setEndByLength(atOnce);
        for (const QString &read : reads.split(';')) {
            receiver.heard(read.section(':', 0, 0).toLongLong(),
                           QByteArray::fromHex(read.section(':', 1).replace("R", r).toLatin1()),
                           1200);
        }
        QStringList requests;
        for (const QByteArray &frame : receiver.takeFrames(takeAtUs)) {
            for (const QByteArray &request : DeviceRequests::in(frame))
                requests << (QString(request.toHex().toUpper()) == r ? "R" : request.toHex());
        }
        QTEST(requests.join('|'), "requests");
    }

    void line()
    {
        // 45 registers at 1200 bit/s: t3.5 (29.2 ms), then 95 bytes of 8.33 ms each, 821 ms in all.
        // Paced, a baud-rate write heard meanwhile is echoed at 1200 after that reply, and only
        // then does the device listen at 2400. A code the device has no speed for is refused.
        // Answering at once, requests the master follows with more bytes at once are answered,
        // still at the line speed: the reference at 1200 in 9 bytes, 75 ms; the chamber at 2400
        // hears nothing, so its air stays where it was.
        for (const QString mode : {"paced", "unpaced", "at once"}) {
            TransmitterSimulator sim;
            sim.setPacing(mode != "unpaced");
            sim.setAnswerAtOnce(mode == "at once");
            QVERIFY(sim.setRegisterValue(0x0101, 1) && !sim.setRegisterValue(0x0101, 9));
            QTemporaryDir dir; // a link of its own: Qt SerialPort locks the path it opens
            QVERIFY(sim.start(dir.filePath("tty")));
            QSerialPort port(sim.portPath());
            QVERIFY(port.open(QIODevice::ReadWrite) && port.setBaudRate(1200));
            QSignalSpy sent(&sim, &TransmitterSimulator::replySent);
            if (mode == "at once") {
                QVERIFY(sim.setReference(0x1E, 1) && sim.setChamber(0x1F, 2));
                const Air start = sim.air();
                const QDeadlineTimer wire(LineTiming::wireUs(9, 1200) / 1000);
                port.write(request("1F 06 0000 012C") + request("1E 04 0000 0002") + '\xA5');
                QByteArray answer;
                QTRY_COMPARE((answer += port.readAll()).size(), 9);
                QVERIFY(wire.hasExpired() && answer.startsWith("\x1E\x04\x04"));
                QCOMPARE(sim.air().temperature, start.temperature);
                continue;
            }
            const QDeadlineTimer wire(820);
            port.write(Modbus::readRequest(1, 0x0200, 45));
            if (mode == "unpaced") {
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
        AirModel air;
        TransmitterModel model(air, 1);
        TransmitterModel copy(air, 1);
        model.answer(Modbus::writeRequest(1, 0x0100, 9));
        QVERIFY(copy.restoreState(model.saveState()) && copy.saveState() == model.saveState());
        QCOMPARE(copy.address(), quint8(9));
        for (const char *bad : {"0300 0001", "0000 0001", "0101 0009", "0109 zz", "0109 1 2"})
            QVERIFY2(!copy.restoreState(bad) && copy.saveState() == model.saveState(), bad);
    }

    // Transmitters, one of them biased, the reference and the chamber on one line (over TCP, as
    // a device server carries it): each answers its own address, a silent one nothing until it
    // speaks again; the air moves towards the set point written, and each transmitter reads it
    // with noise of its own.
    void journey()
    {
        TransmitterSimulator sim;
        sim.setDevices({{1, 4}, {2, 4}});
        sim.setFixedReadings(23.45, 45.67);
        QVERIFY(sim.setBias(2, 0.5, -1.25) && !sim.setBias(3, 0, 0));
        QVERIFY(sim.setReference(0x1E, 4) && !sim.setReference(2, 4) && !sim.setReference(0, 4));
        QVERIFY(sim.setChamber(0x1F, 4) && !sim.setChamber(0x1E, 4) && !sim.setChamber(248, 4));
        QTemporaryDir dir;
        QVERIFY(sim.start(dir.filePath("tty")) && sim.listenTcp(0));
        QTcpSocket client;
        client.connectToHost("127.0.0.1", sim.tcpPort());
        QVERIFY(client.waitForConnected(5000));
        sim.setDeviceSilent(1, true);
        client.write(request("01 03 0000 0002") + request("02 03 0000 0002")
                     + request("1E 04 0000 0002"));
        QByteArray got;
        QTRY_COMPARE(got += client.readAll(),
                     request("02 03 04 095B 115A") + request("1E 04 04 41BB 999A"));
        sim.setDeviceSilent(1, false);
        const QByteArray setPoint = request("1F 06 0000 012C");
        client.write(request("01 03 0000 0001") + setPoint);
        got.clear();
        QTRY_COMPARE(got += client.readAll(), request("01 03 02 0929") + setPoint);
        QTRY_VERIFY(sim.air().temperature > 23.45);
        // In the regulated air each reads its own noise: not always just its bias apart.
        const QByteArray pair = request("01 03 0000 0001") + request("02 03 0000 0001");
        client.write(pair.repeated(20));
        got.clear();
        QTRY_COMPARE((got += client.readAll()).size(), 20 * 14);
        QSet<int> apart;
        for (int at = 0; at < got.size(); at += 14)
            apart << Modbus::signedWord(got, at + 10) - Modbus::signedWord(got, at + 3);
        QVERIFY(apart != QSet<int> {50});
    }

    // pymodbus as an independent master: the reference's floats and the chamber's set points as
    // the standard reads them, and a refusal as it decodes it.
    void peer()
    {
        if (!pythonHas("pymodbus.client"))
            QSKIP("python3-pymodbus is not installed");
        TransmitterSimulator sim;
        sim.setFixedReadings(23.45, 45.67);
        QVERIFY(sim.setReference(30, 4) && sim.setChamber(31, 4));
        QTemporaryDir dir;
        QVERIFY(sim.start(dir.filePath("tty")) && sim.listenTcp(0));
        QProcess peer;
        peer.start("/usr/bin/python3",
                   {INSTRUMENTS_PEER, QString::number(sim.tcpPort()), "30", "31"});
        QTRY_VERIFY_WITH_TIMEOUT(peer.state() == QProcess::NotRunning, 30000);
        QCOMPARE(peer.readAll() + peer.readAllStandardError(), "23.45 45.67 11.05 300 457 1\n");
    }

    void program()
    {
        QVERIFY(dir.isValid());
        const QString link = dir.filePath("tty");
        QFile profile(dir.filePath("profile.csv"));
        QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write(TwoPoints) > 0);
        profile.close();
        QProcess simulator;
        simulator.start(built("tools/tr451-simulator"),
                        {"--link", link, "--address", "1-2", "--baud-code", "6", "--tcp", "0",
                         "--bias", "2:0.5:-1", "--reference", "30", "--chamber", "31", "--program",
                         profile.fileName(), "--answer-at-once"});
        QVERIFY(simulator.waitForReadyRead(10000));
        QCOMPARE(simulator.readLine(), "Simulated transmitter on " + link.toLocal8Bit() + '\n');
        QVERIFY(simulator.canReadLine() || simulator.waitForReadyRead(10000));
        QVERIFY(simulator.readLine().startsWith("Serving the line over TCP on 127.0.0.1:"));
        // The chamber at the profile's first point, the reference at the first transmitter's
        // speed, the second transmitter half a degree above the first.
        QSerialPort port(link);
        QVERIFY(port.open(QIODevice::ReadWrite) && port.setBaudRate(115200));
        port.write(request("1F 03 0000 0002") + request("1E 04 0000 0002")
                   + request("01 03 0000 0001") + request("02 03 0000 0001"));
        QByteArray got;
        QTRY_COMPARE((got += port.readAll()).size(), 9 + 9 + 7 + 7);
        QCOMPARE(got.left(9), request("1F 03 04 012C 02BC"));
        QVERIFY(got.mid(9).startsWith("\x1E\x04\x04"));
        const int above =
            Modbus::signedWord(got, 9 + 9 + 7 + 3) - Modbus::signedWord(got, 9 + 9 + 3);
        QVERIFY2(qAbs(above - 50) <= 6, qPrintable(QString::number(above)));
        port.close();
        simulator.terminate();
        QVERIFY(simulator.waitForFinished(10000) && simulator.exitStatus() == QProcess::NormalExit
                && !QFileInfo(link).isSymLink());
    }

    void refused_data()
    {
        // How stderr begins, after "tr451-simulator: ".
        const Table<QStringList, int, QString> table("arguments", "status", "said");
        const auto row = [&table](const QStringList &arguments, const QString &said,
                                  int status = 2) {
            table(arguments.join(' '), arguments, status, said);
        };
        row({"--address", "248"}, "--address: \"248\" is not a number from 1 to 247");
        row({"--address", "1-4,3"}, "address 3 is given twice");
        row({"--address", "1,2", "--baud-code", "4,4,4"}, "--baud-code takes one code, or one");
        row({"--tcp", "65536"}, "--tcp takes a number from 0 to 65535");
        row({"--settle", "30,101,60"}, "--settle takes T,H,SECONDS");
        row({"--bias", "1:0.5"}, "--bias: \"1:0.5\" is not ADDRESS:T:H");
        row({"--bias", "1:0.5:0", "--bias", "2:nan:0"}, "--bias: \"2:nan:0\" is not ADDRESS:T:H");
        row({"--bias", "2:0.5:1"}, "--bias: there is no transmitter at address 2");
        row({"--reference", "1"}, "--reference: address 1 is another device's");
        row({"--reference", "3", "--chamber", "3"}, "--chamber: address 3 is another device's");
        row({"--chamber", "0"}, "--chamber takes a number from 1 to 247");
        row({"--program", "/nonexistent/profile.csv"}, "cannot read /nonexistent/profile.csv", 1);
        QFile bad(dir.filePath("bad.csv"));
        QVERIFY(bad.open(QIODevice::WriteOnly)
                && bad.write("temperature,humidity,soak,max_wait\n"
                             "20,101,60,60\n")
                    > 0);
        row({"--program", bad.fileName()},
            "--program " + bad.fileName() + ": line 2, column humidity: \"101\" is above 100");
    }

    // Malformed options are refused before the line opens, each with one line on stderr.
    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, said);
        const Run simulator = runProgram(built("tools/tr451-simulator"), arguments);
        QTEST(simulator.status, "status");
        QVERIFY2(simulator.err.startsWith("tr451-simulator: " + said)
                     && simulator.err.count('\n') == 1,
                 qPrintable(simulator.err));
    }

private:
    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
