// The protocol rules as tables: frames, line times, the receive step, field reads, which answer
// fits which request, decoding, what the form's texts mean to the device, the reading arithmetic.
#include "protocol/addresslist.h"
#include "protocol/commandinputs.h"
#include "protocol/exchange.h"
#include "protocol/frame.h"
#include "protocol/linetiming.h"
#include "protocol/readings.h"
#include "protocol/registers.h"
#include "protocol/replydecoder.h"
#include "support/table.h"

#include <QTest>

static QByteArray bytes(const char *hexText)
{
    return QByteArray::fromHex(hexText);
}

static QByteArray reply(QVector<quint16> values)
{
    return Modbus::readReply(1, values);
}

// A decoded reply as one line: the row, then every field it carries.
static QString describe(const ReplyDecoder::Reply &r)
{
    QStringList parts {QString("None Readings Information AddressEcho BaudRate SerialNumber "
                               "OutputBlock CalibrationBlock")
                           .split(' ')
                           .at(int(r.row))};
    if (r.row == ReplyDecoder::Row::Readings)
        parts << QStringLiteral("mode=%1").arg(r.readingMode)
              << (r.scale == Readings::Scale::Tenths ? "tenths" : "hundredths");
    const auto put = [&parts](const char *name, const auto &field) {
        if (field)
            parts << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(*field);
    };
    put("t", r.temperatureRaw), put("h", r.humidityRaw), put("d", r.dewPointRaw);
    put("s", r.statusRaw), put("addr", r.deviceAddress), put("baud", r.baudRateCode);
    put("r102", r.infoReg0102), put("dual", r.dualChannel), put("sn", r.serialNumber);
    put("min", r.tempRangeMin), put("max", r.tempRangeMax);
    if (r.refreshIdentity)
        parts << "refresh";
    if (r.serialNumberWritten)
        parts << "written";
    if (!r.registers.isEmpty())
        parts << QString::asprintf("n=%d first=%d last=%d", int(r.registers.size()),
                                   r.registers.first(), r.registers.last());
    return parts.join(' ');
}

Q_DECLARE_METATYPE(Modbus::BufferAction)

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    // The check, the baud codes and field reads.
    void codec()
    {
        QCOMPARE(Modbus::crc16(reinterpret_cast<const quint8 *>("123456789"), 9), quint16(0x4B37));
        QCOMPARE(Modbus::crc16(nullptr, 0), quint16(0xFFFF));
        QVERIFY(Registers::baudRateForCode(0) == 0 && Registers::baudRateForCode(4) == 9600
                && Registers::baudRateForCode(7) == 0);
        const QByteArray frame = bytes("0103FF38");
        QCOMPARE(Modbus::field(frame, 1, 1), 0x03u);
        QCOMPARE(Modbus::word(frame, 2), quint16(0xFF38));
        QCOMPARE(Modbus::signedWord(frame, 2), qint16(-200));
        QCOMPARE(Modbus::field(frame, 3, 2), 0x38u); // runs past the end
        QCOMPARE(Modbus::field(frame, 4, 2), 0u); // wholly beyond it
        QVERIFY(Modbus::isException(bytes("0183")) && !Modbus::isException(bytes("01")));
        // Reply lengths and checks at an offset stay inside the bytes; register values inside
        // the data of a read.
        const QByteArray echo = Modbus::writeRequest(1, 0x0109, 1);
        QVERIFY(Modbus::replyLengthAt(echo, 7) == -1
                && Modbus::replyLengthAt(bytes("0103"), 0) == -1
                && Modbus::replyLengthAt(bytes("0603"), -1) == 0);
        QVERIFY(Modbus::intactAt("\xA5" + echo, 1, 8) && !Modbus::intactAt(echo, 1, 8)
                && !Modbus::intactAt(bytes("FFFF"), 0, 2));
        using W = QVector<quint16>;
        QCOMPARE(Modbus::readValues(Modbus::readReply(1, {1, 2}, 0x04)), W({1, 2}));
        QCOMPARE(Modbus::readValues(bytes("0103040001000200")), W({1})); // cut short
        QCOMPARE(Modbus::readValues(echo), W());
        // Character times, frames on the wire (rounded up) and the silences t1.5 and t3.5, which
        // stop shrinking above 19200 bit/s.
        QVERIFY(LineTiming::characterUs(9600) == 1041 && LineTiming::wireUs(8, 9600) == 8334
                && LineTiming::wireUs(23, 115200) == 1997);
        QVERIFY(LineTiming::t15Us(1200) == 12500 && LineTiming::t35Us(1200) == 29167
                && LineTiming::t15Us(19200) == 781 && LineTiming::t35Us(19200) == 1823
                && LineTiming::t15Us(115200) == 750 && LineTiming::t35Us(115200) == 1750);
    }

    void frames_data()
    {
        const Table<QByteArray, QByteArray> row("frame", "wire");
        row("identity read", Modbus::readRequest(1, 0x0100, 9), "01 03 01 00 00 09 84 30");
        row("heater on", Modbus::writeRequest(1, 0x0109, 1), "01 06 01 09 00 01 99 F4");
        row("new address 5", Modbus::writeRequest(0, 0x0100, 5), "00 06 01 00 00 05 49 E4");
        row("range -40.0 to 80.0",
            Modbus::blockWrite(1, Registers::TemperatureRangeBlock, {0xFE70, 0x0320}),
            "01 10 01 07 01 08 04 FE 70 03 20 9E A8");
        row("serial number",
            Modbus::blockWrite(1, Registers::SerialNumberBlock,
                               CommandInputs::serialNumberWords("261206033415")),
            "01 10 01 04 01 06 06 26 12 06 03 34 15 F6 84");
        row("output block", Modbus::blockWrite(1, Registers::OutputWriteBack, {}),
            "01 10 01 10 01 1A 17 " + QByteArray("00 ").repeated(22) + "03 B4");
        row("calibration block", Modbus::blockWrite(1, Registers::CalibrationWriteBack, {}),
            "01 10 02 04 02 2C 29 " + QByteArray("00 ").repeated(82) + "A3 08");
        row("exception", Modbus::exceptionReply(1, 0x03, 2), "01 83 02 C0 F1");
    }

    void frames()
    {
        QFETCH(QByteArray, frame);
        QTEST(frame.toHex(' ').toUpper(), "wire");
    }

    void receive_data()
    {
        const Table<QByteArray, QByteArray, Modbus::BufferAction, int, int> row(
            "kept", "incoming", "action", "keptAfter", "dataLength");
        const QByteArray answer = bytes("0103020064B9AF");
        const auto fill = [](int count, char byte) { return QByteArray(count, byte); };
        using A = Modbus::BufferAction;
        row("whole answer", {}, answer, A::Accept, 0, 2);
        row("last piece", answer.left(3), answer.mid(3), A::Accept, 0, 2);
        row("first piece", {}, answer.left(3), A::Wait, 3, 2);
        row("nothing new", {}, {}, A::Wait, 0, 0);
        row("corrupted", {}, bytes("0103020065B9AF"), A::Wait, 7, 2);
        row("stray byte first", bytes("A5"), answer, A::Wait, 8, 0);
        row("surplus byte", answer, bytes("00"), A::Wait, 8, 2);
        // Still arriving, though the check of what is in happens to match.
        row("early match", {}, bytes("01030412345532"), A::Wait, 7, 4);
        row("write echo", {}, bytes("01060109000199F4"), A::Accept, 0, 3);
        row("block echo", {}, bytes("011001070002F1F5"), A::Accept, 0, 3);
        row("exception", {}, bytes("018302C0F1"), A::Accept, 0, 0);
        row("1022 fill", {}, fill(1022, '\xFF'), A::Wait, 1022, 0);
        row("1023 fill", fill(1000, '\xFF'), fill(23, '\xFF'), A::AdapterFault, 0, 0);
        row("1024 mixed fill", fill(512, '\0'), fill(512, '\xFF'), A::AdapterFault, 0, 0);
        row("1024 other bytes", {}, fill(1024, '\x55'), A::Wait, 1024, 0);
        row("past 1024", fill(1000, '\xFF'), fill(25, '\xFF'), A::Drop, 0, 0);
    }

    void receive()
    {
        QFETCH(QByteArray, kept);
        QFETCH(QByteArray, incoming);
        QFETCH(Modbus::BufferAction, action);
        const Modbus::Receipt receipt = Modbus::receive(kept, incoming);
        QCOMPARE(receipt.action, action);
        QTEST(int(receipt.buffer.size()), "keptAfter");
        QCOMPARE(receipt.frame,
                 action == Modbus::BufferAction::Accept ? kept + incoming : QByteArray());
        if (action == Modbus::BufferAction::Wait || action == Modbus::BufferAction::Accept)
            QTEST(receipt.dataLength, "dataLength");
    }

    void exchange_data()
    {
        const Table<QByteArray, QByteArray, bool, int> row("request", "reply", "fits",
                                                           "expectedSize");
        const QByteArray read = Modbus::readRequest(1, 0x0100, 9);
        const QVector<quint16> nine(9, 0);
        const QByteArray heater = Modbus::writeRequest(1, 0x0109, 1);
        const QByteArray range = Modbus::blockWrite(1, Registers::TemperatureRangeBlock, {1, 2});
        row("read", read, Modbus::readReply(1, nine), true, 23);
        row("read, other address", read, Modbus::readReply(2, nine), false, 23);
        row("address 0, answered by 7", Modbus::readRequest(0, 0x0000, 4),
            Modbus::readReply(7, {1, 2, 3, 4}), true, 13);
        row("read, other count", read, Modbus::readReply(1, nine.mid(1)), false, 23);
        row("read, exception", read, Modbus::exceptionReply(1, 0x03, 2), true, 23);
        row("read, exception of a write", read, Modbus::exceptionReply(1, 0x06, 2), false, 23);
        row("read, write echo", read, Modbus::writeRequest(1, 0x0100, 9), false, 23);
        row("write", heater, heater, true, 8);
        row("write, other value", heater, Modbus::writeRequest(1, 0x0109, 0), false, 8);
        row("write, other register", heater, Modbus::writeRequest(1, 0x0108, 1), false, 8);
        row("block", range, Modbus::shortFrame(1, 0x10, 0x0107, 2), true, 8);
        row("block, last register for count", range, Modbus::shortFrame(1, 0x10, 0x0107, 0x0108),
            false, 8);
        row("block, other first", range, Modbus::shortFrame(1, 0x10, 0x0104, 2), false, 8);
        row("unknown function", Modbus::shortFrame(1, 0x2B, 0, 0), Modbus::withCrc(bytes("012B00")),
            false, 5);
        row("short request", read.left(6), Modbus::readReply(1, nine), false, 23);
        const QByteArray input = Modbus::shortFrame(1, Modbus::ReadInputRegisters, 0, 6);
        const QVector<quint16> six(6, 0);
        row("input read", input, Modbus::readReply(1, six, Modbus::ReadInputRegisters), true, 17);
        row("input read, holding answer", input, Modbus::readReply(1, six), false, 17);
        row("input read, other count", input,
            Modbus::readReply(1, nine, Modbus::ReadInputRegisters), false, 17);
        row("input read, exception", input, Modbus::exceptionReply(1, 0x04, 2), true, 17);
        row("read, input answer", read, Modbus::readReply(1, nine, Modbus::ReadInputRegisters),
            false, 23);
    }

    void exchange()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, reply);
        QVERIFY(Modbus::intactAt(reply, 0, int(reply.size())));
        QTEST(Modbus::fits(request, reply), "fits");
        QTEST(Modbus::expectedReplySize(request), "expectedSize");
        QCOMPARE(Modbus::requestRegister(request), Modbus::word(request, 2));
    }

    // The bytes heard after a request, read as frames: the answer wherever it starts, someone
    // else's intact frames passed over, garbage told apart from a frame still arriving.
    void hear_data()
    {
        const Table<QByteArray, QByteArray, QByteArray, int, int, bool> row(
            "request", "heard", "answer", "answerEnd", "settled", "garbled");
        const QByteArray read = Modbus::readRequest(1, 0x0000, 2);
        const QByteArray answer = reply({0x0102, 0x0304});
        const QByteArray other = Modbus::readReply(2, {0x0102, 0x0304});
        QByteArray corrupted = answer;
        corrupted[8] = char(corrupted.at(8) ^ 1);
        row("answer", read, answer, answer, 9, 9, false);
        row("first piece", read, answer.left(2), {}, 0, 0, false);
        row("all but its last byte", read, answer.left(8), {}, 0, 0, false);
        row("stale byte, answer", read, "\xA5" + answer, answer, 10, 10, true);
        // 01 03 FF would begin a frame of 260 bytes.
        row("long frame begun, answer", read, bytes("0103FF") + answer, answer, 12, 12, true);
        row("other address, answer", read, other + answer, answer, 18, 18, false);
        row("other function, answer", read,
            Modbus::readReply(1, {1, 2}, Modbus::ReadInputRegisters) + answer, answer, 18, 18,
            false);
        row("other count, answer", read, reply({1}) + answer, answer, 16, 16, false);
        row("someone else's frame", read, other, {}, 0, 9, false);
        row("someone else's frame, answer begun", read, other + answer.left(3), {}, 0, 9, false);
        row("garbage, someone else's frame", read, bytes("A5A5") + other, {}, 0, 11, true);
        // From its fifth byte on, 03 04 would begin a frame of 9 bytes.
        row("corrupted", read, corrupted, {}, 0, 4, true);
        row("unknown function", read, Modbus::withCrc(bytes("012B00")), {}, 0, 3, true);
        row("exception", read, Modbus::exceptionReply(1, 0x03, 2),
            Modbus::exceptionReply(1, 0x03, 2), 5, 5, false);
        const QByteArray input = Modbus::readReply(1, {0x41BB, 0xC28F}, Modbus::ReadInputRegisters);
        row("input registers", Modbus::shortFrame(1, Modbus::ReadInputRegisters, 0, 2), input,
            input, 9, 9, false);
        const QByteArray heater = Modbus::writeRequest(1, 0x0109, 1);
        row("write echo", heater, heater, heater, 8, 8, false);
        const QByteArray fromSeven = Modbus::readReply(7, {1, 2});
        row("address 0, two answers", Modbus::readRequest(0, 0x0000, 2),
            fromSeven + Modbus::readReply(9, {3, 4}), fromSeven, 9, 9, false);
    }

    void hear()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, heard);
        const Modbus::Hearing hearing = Modbus::hear(request, heard);
        QTEST(hearing.answer, "answer");
        QTEST(hearing.answerEnd, "answerEnd");
        QTEST(hearing.settled, "settled");
        QTEST(hearing.garbled, "garbled");
    }

    void decode_data()
    {
        const Table<quint16, QByteArray, QString> row("pending", "frame", "decoded");
        const QByteArray info = reply({1, 4, 0, 1, 0x2612, 0x0603, 0x3415, 0xFE70, 0x04E2});
        const QByteArray all = reply({0xFF38, 0xFF38, 0xFF38, 7});
        QVector<quint16> output(17, 0);
        output[1] = 2;
        output[16] = 0xFFFF;
        QVector<quint16> calibration(45, 3);
        calibration[44] = 9;
        const auto exception = [](quint8 function) {
            return Modbus::exceptionReply(1, function, 2);
        };
        const auto echo = [](quint16 reg, quint16 value) {
            return Modbus::writeRequest(1, reg, value);
        };
        const QByteArray blockEcho = Modbus::shortFrame(1, 0x10, 0x0104, 3);
        row("all, hundredths", 0x0000, all, "Readings mode=0 hundredths t=-200 h=65336 d=-200 s=7");
        row("all, tenths", 0x0004, all, "Readings mode=0 tenths t=-200 h=65336 d=-200 s=7");
        row("temperature", 0x0000, reply({0xFF38}), "Readings mode=1 hundredths t=-200");
        row("humidity", 0x0001, reply({4567}), "Readings mode=2 hundredths h=4567");
        row("dew point", 0x0002, reply({0xFFFE}), "Readings mode=3 hundredths d=-2");
        row("status", 0x0003, reply({5}), "Readings mode=4 hundredths s=5");
        row("temperature, tenths", 0x0004, reply({235}), "Readings mode=1 tenths t=235");
        row("humidity, tenths", 0x0005, reply({457}), "Readings mode=2 tenths h=457");
        row("dew point, tenths", 0x0006, reply({80}), "Readings mode=3 tenths d=80");
        row("status, tenths", 0x0007, reply({1}), "Readings mode=4 tenths s=1");
        row("two registers", 0x0000, reply({1, 2}), "None");
        row("all from humidity", 0x0001, all, "None");
        row("echo to a poll", 0x0001, echo(0x0001, 5), "None");
        row("exception to a poll", 0x0000, exception(0x03), "None");
        row("identity", 0x0100, info,
            "Information addr=1 baud=4 r102=0 dual=1 sn=261206033415 min=-400 max=1250 refresh");
        row("address read", 0x0100, reply({5}), "Information addr=5");
        row("short identity", 0x0100, reply({5, 6, 7, 1, 0x2612}),
            "Information addr=5 baud=6 r102=7 dual=1 refresh");
        row("identity to range min", 0x0100, reply({1, 4, 0, 1, 0x2612, 0x0603, 0x3415, 0xFE70}),
            "Information addr=1 baud=4 r102=0 dual=1 sn=261206033415 min=-400 refresh");
        row("empty identity", 0x0100, reply({}), "None");
        row("address echo", 0x0100, echo(0x0100, 0x1207), "AddressEcho addr=7");
        row("exception to identity", 0x0100, exception(0x03), "None");
        row("baud read", 0x0101, reply({6}), "BaudRate baud=6");
        row("empty baud read", 0x0101, reply({}), "BaudRate");
        row("baud echo", 0x0101, echo(0x0101, 3), "BaudRate baud=3");
        row("baud, other function", 0x0101, blockEcho, "BaudRate");
        row("exception to baud", 0x0101, exception(0x06), "BaudRate");
        row("serial read", 0x0104, reply({0x0000, 0x0000, 0x00AB}), "SerialNumber sn=0000000000ab");
        row("serial echo", 0x0104, blockEcho, "SerialNumber written");
        row("serial, other function", 0x0104, echo(0x0104, 1), "SerialNumber");
        row("short serial read", 0x0104, reply({1, 2}), "SerialNumber");
        row("exception to serial", 0x0104, exception(0x10), "SerialNumber");
        row("output block", 0x010A, reply(output), "OutputBlock n=17 first=0 last=-1");
        row("short output block", 0x010A, reply(output.mid(1)), "None");
        row("long output block", 0x010A, reply(output + QVector<quint16> {0}), "None");
        row("calibration", 0x0200, reply(calibration), "CalibrationBlock n=45 first=3 last=9");
        row("short calibration", 0x0200, reply(calibration.mid(1)), "None");
        row("calibration echo", 0x0200, echo(0x0200, 0), "None");
        row("range echo", 0x0107, Modbus::shortFrame(1, 0x10, 0x0107, 2), "None");
        row("heater echo", 0x0109, echo(0x0109, 1), "None");
        row("unit register", 0x0008, reply({1}), "None");
        row("before any request", 0xFFFF, reply({1}), "None");
    }

    void decode()
    {
        QFETCH(quint16, pending);
        QFETCH(QByteArray, frame);
        const Modbus::Receipt receipt = Modbus::receive(QByteArray(), frame);
        QCOMPARE(receipt.action, Modbus::BufferAction::Accept);
        QTEST(describe(ReplyDecoder::decode(pending, frame, receipt.dataLength)), "decoded");
    }

    // The rules by which commands turn the form's texts into register values.
    void commandInputs()
    {
        const std::pair<const char *, int> addresses[] = {{"1", 1}, {"247", 247}, {"248", 0},
                                                          {"0", 0}, {"-5", 0},    {"abc", 0},
                                                          {"", 0},  {"65537", 1}};
        for (const auto &[text, address] : addresses)
            QVERIFY2(CommandInputs::requestAddress(text) == address, text);
        const std::tuple<const char *, bool, int> limits[] = {
            {"25.3", true, 253},  {"-40", true, -400},     {"100.1", true, 1001},
            {"-0.05", true, 0},   {"3276.7", true, 32767}, {"-3276.8", true, -32768},
            {"3276.8", false, 0}, {"-3276.9", false, 0},   {"abc", false, 0},
            {"1e39", false, 0}};
        for (const auto &[text, valid, tenths] : limits) {
            qint16 got = 0;
            QVERIFY2(CommandInputs::rangeLimitInTenths(text, &got) == valid && got == tenths, text);
        }
        using W = QVector<quint16>;
        QCOMPARE(CommandInputs::serialNumberWords("0000000000AB"), W({0, 0, 0x00AB}));
        QCOMPARE(CommandInputs::serialNumberWords("G1aBc2"), W({0x00AB, 0xC200, 0}));
        QVERIFY(CommandInputs::isHexadecimal("09afAF"));
        QVERIFY(!CommandInputs::isHexadecimal("09ag"));
        QVERIFY(!CommandInputs::isHexadecimal(QStringLiteral("\u0661\u0662")));
        for (int quantity = 0; quantity <= 5; ++quantity) {
            const bool single = quantity >= 1 && quantity <= 4;
            for (const auto &[scale, first] :
                 {std::pair {Readings::Scale::Hundredths, 0}, {Readings::Scale::Tenths, 4}}) {
                const auto poll = CommandInputs::pollRequest(scale, quantity);
                QCOMPARE(int(poll.firstRegister), first + (single ? quantity - 1 : 0));
                QCOMPARE(int(poll.count), single ? 1 : 4);
            }
        }
    }

    // A reading and its 4-20 mA, 0-5 V and 0-10 V outputs over its range, in single precision.
    void readings()
    {
        const auto hundredths = [](int raw) {
            return Readings::value(raw, Readings::Scale::Hundredths);
        };
        for (const auto &[min, max, value, outputs] :
             {std::tuple {-40.0f, 125.0f, hundredths(2345), "23.45 10.153 1.923 3.845"},
              {-40.0f, 125.0f, Readings::value(235, Readings::Scale::Tenths),
               "23.50 10.158 1.924 3.848"},
              {0.0f, 100.0f, hundredths(4567), "45.67 11.307 2.283 4.567"},
              {-40.0f, 125.0f, 125.0f, "125.00 20.000 5.000 10.000"},
              {-40.0f, 125.0f, -40.0f, "-40.00 4.000 0.000 0.000"},
              {0.0f, 100.0f, hundredths(0xFF38), "653.36 108.538 32.668 65.336"},
              {-40.0f, 125.0f, Readings::value(-200, Readings::Scale::Tenths),
               "-20.00 5.939 0.606 1.212"},
              {5.0f, 5.0f, 5.0f, "5.00 nan nan nan"},
              {125.0f, -40.0f, hundredths(2345), "23.45 13.847 3.077 6.155"}}) {
            const Readings::AnalogOutputs out = Readings::analogOutputs(min, max, value);
            const auto text = [](float x, int decimals) {
                return QString::number(double(x), 'f', decimals);
            };
            QCOMPARE(text(value, 2) + ' ' + text(out.current, 3) + ' ' + text(out.lowVoltage, 3)
                         + ' ' + text(out.highVoltage, 3),
                     QString(outputs));
        }
        QVERIFY(Readings::decimals(Readings::Scale::Tenths) == 1
                && Readings::decimals(Readings::Scale::Hundredths) == 2);
    }

    void addressLists_data()
    {
        const Table<QString> row("read"); // as format() writes what parse() read of the tag
        row("1-8", "1-8");
        row("1,2,3,17,18", "1-3,17,18");
        row(" 4 - 6 ,247,5,1", "4-6,247,1");
        for (const char *refused : {"0", "248", "1-0", "3-2", "1-2-3", "1,,2", "", "x"})
            row(refused, "refused");
    }

    // The addresses of a batch run's line, each from 1 to 247 and each once, as a Scan writes
    // them back.
    void addressLists()
    {
        const std::optional<QList<int>> read = AddressList::parse(QTest::currentDataTag());
        QTEST(read ? AddressList::format(*read) : QString("refused"), "read");
    }
};

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
