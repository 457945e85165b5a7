// The pure protocol layer: CRC, request frames, the acceptance rule for received bytes, field
// reading and the decision of what an accepted answer means for the pending request.
#include "app/widget.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/replydecoder.h"

#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A read answer carrying words, with a valid check.
QByteArray readAnswer(const QVector<quint16> &words, quint8 address = 1)
{
    QByteArray body;
    body.append(char(address));
    body.append(char(Modbus::ReadRegisters));
    body.append(char(2 * words.size()));
    for (quint16 word : words) {
        body.append(char(word >> 8));
        body.append(char(word & 0xFF));
    }
    return Modbus::withCrc(body);
}

QVector<quint16> counting(int count)
{
    QVector<quint16> words;
    for (int i = 0; i < count; ++i)
        words.append(quint16(0x0100 + i));
    return words;
}

} // namespace

using ReplyDecoder::Row;
Q_DECLARE_METATYPE(Modbus::BufferAction)
Q_DECLARE_METATYPE(ReplyDecoder::Row)

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void crc_data();
    void crc();
    void requests_data();
    void requests();
    void blockHeaders_data();
    void blockHeaders();
    void acceptance_data();
    void acceptance();
    void fields_data();
    void fields();
    void decodeRows_data();
    void decodeRows();
    void readingValues();
    void informationBlock_data();
    void informationBlock();
    void blocksCarryEveryRegister();
};

void TestFrame::crc_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("crc");
    QTest::newRow("check string") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("empty") << QByteArray() << 0xFFFF;
    QTest::newRow("identity read") << hex("01 03 01 00 00 09") << 0x3084;
    QTest::newRow("humidity answer") << hex("01 03 02 00 64") << 0xAFB9;
}

void TestFrame::crc()
{
    QFETCH(QByteArray, data);
    QFETCH(int, crc);
    const auto *bytes = reinterpret_cast<const quint8 *>(data.constData());
    QCOMPARE(int(Modbus::crc16(bytes, std::size_t(data.size()))), crc);
    // The window's form of it is byte-swapped: read high byte first it is the wire order.
    const int swapped = ((crc & 0xFF) << 8) | (crc >> 8);
    QCOMPARE(int(Widget::Crc16(bytes, quint16(data.size()))), swapped);
}

void TestFrame::requests_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("identity read at 1")
        << Modbus::readRequest(1, 0x0100, 9) << hex("01 03 01 00 00 09 84 30");
    QTest::newRow("address read at 0")
        << Modbus::readRequest(0, 0x0100, 1) << hex("00 03 01 00 00 01 84 27");
    QTest::newRow("heater on") << Modbus::writeRequest(1, 0x0109, 1)
                               << hex("01 06 01 09 00 01 99 F4");
    QTest::newRow("address write 5")
        << Modbus::writeRequest(0, 0x0100, 5) << hex("00 06 01 00 00 05 49 E4");
    QTest::newRow("address write 247")
        << Modbus::writeRequest(0, 0x0100, 247) << hex("00 06 01 00 00 F7 C8 61");
    QTest::newRow("all hundredths")
        << Modbus::readRequest(1, 0x0000, 4) << hex("01 03 00 00 00 04 44 09");
    QTest::newRow("humidity tenths")
        << Modbus::readRequest(1, 0x0005, 1) << hex("01 03 00 05 00 01 94 0B");
    QTest::newRow("output data to register 0")
        << Modbus::writeRequest(1, 0x0000, 0) << hex("01 06 00 00 00 00 89 CA");
    QTest::newRow("range -40.0 to 80.0")
        << Modbus::blockWrite(1, Modbus::TemperatureRangeBlock, {0xFE70, 0x0320})
        << hex("01 10 01 07 01 08 04 FE 70 03 20 9E A8");
    QTest::newRow("serial number 261206033415")
        << Modbus::blockWrite(1, Modbus::SerialNumberBlock, {0x2612, 0x0603, 0x3415})
        << hex("01 10 01 04 01 06 06 26 12 06 03 34 15 F6 84");
}

void TestFrame::requests()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, wire);
    QCOMPARE(frame.toHex(' '), wire.toHex(' '));
}

void TestFrame::blockHeaders_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<int>("dataBytes");
    QTest::newRow("output") << 0 << hex("01 10 01 1A 17") << 22;
    QTest::newRow("calibration") << 1 << hex("02 04 02 2C 29") << 82;
}

void TestFrame::blockHeaders()
{
    QFETCH(int, block);
    QFETCH(QByteArray, header);
    QFETCH(int, dataBytes);
    const Modbus::BlockLayout &layout = block ? Modbus::CalibrationBlock : Modbus::OutputBlock;
    const QByteArray frame = Modbus::blockWrite(7, layout, counting(layout.registerCount()));
    // Offsets 4-5 hold the last register, not a count; offset 6 the block's fixed value.
    QCOMPARE(frame.mid(2, 5).toHex(' '), header.toHex(' '));
    QCOMPARE(frame.size(), Modbus::BlockHeaderSize + dataBytes + Modbus::CrcSize);
    QCOMPARE(Modbus::word(frame, Modbus::BlockHeaderSize), quint16(0x0100));
    QCOMPARE(Modbus::examine(frame.left(frame.size() - 2) + "xx").action,
             Modbus::BufferAction::Wait);
}

void TestFrame::acceptance_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<Modbus::BufferAction>("action");
    QTest::addColumn<int>("dataLength");
    using A = Modbus::BufferAction;
    const QByteArray humidity = hex("01 03 02 00 64 B9 AF");
    QTest::newRow("humidity answer") << humidity << A::Accept << 2;
    QTest::newRow("one byte changed") << hex("01 03 02 00 65 B9 AF") << A::Wait << 2;
    QTest::newRow("first piece") << humidity.left(3) << A::Wait << 2;
    QTest::newRow("all but the last byte") << humidity.left(6) << A::Wait << 2;
    QTest::newRow("surplus byte") << humidity + hex("00") << A::Wait << 2;
    QTest::newRow("stray byte in front") << hex("55") + humidity << A::Wait << 0;
    QTest::newRow("write echo") << hex("01 06 01 09 00 01 99 F4") << A::Accept << 3;
    QTest::newRow("block echo") << Modbus::withCrc(hex("01 10 01 07 00 02")) << A::Accept << 3;
    QTest::newRow("exception") << Modbus::withCrc(hex("01 83 02")) << A::Accept << 0;
    QTest::newRow("empty") << QByteArray() << A::Wait << 0;
    QTest::newRow("1022 x FF") << QByteArray(1022, char(0xFF)) << A::Wait << 0;
    QTest::newRow("1023 x FF") << QByteArray(1023, char(0xFF)) << A::AdapterFault << 0;
    QTest::newRow("1024 x 00") << QByteArray(1024, char(0x00)) << A::AdapterFault << 0;
    QTest::newRow("1025 x FF") << QByteArray(1025, char(0xFF)) << A::Drop << 0;
    QTest::newRow("1025 bytes of data") << QByteArray(1025, 'a') << A::Drop << 0;
}

void TestFrame::acceptance()
{
    QFETCH(QByteArray, buffer);
    QFETCH(Modbus::BufferAction, action);
    QFETCH(int, dataLength);
    const Modbus::Acceptance result = Modbus::examine(buffer);
    QCOMPARE(result.action, action);
    if (action != Modbus::BufferAction::Drop && action != Modbus::BufferAction::AdapterFault)
        QCOMPARE(result.dataLength, dataLength);
}

void TestFrame::fields_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("size");
    QTest::addColumn<uint>("value");
    // Frame 01 03 02 FF 38 (no check bytes): five bytes.
    QTest::newRow("word inside") << 3 << 2 << 0xFF38u;
    QTest::newRow("word over the end") << 4 << 2 << 0x38u;
    QTest::newRow("word beyond the end") << 5 << 2 << 0u;
    QTest::newRow("far beyond the end") << 1000 << 2 << 0u;
    QTest::newRow("negative offset") << -1 << 2 << 0x01u;
    QTest::newRow("single byte") << 2 << 1 << 0x02u;
}

void TestFrame::fields()
{
    QFETCH(int, offset);
    QFETCH(int, size);
    QFETCH(uint, value);
    const QByteArray frame = hex("01 03 02 FF 38");
    QCOMPARE(Modbus::field(frame, offset, size), quint32(value));
}

void TestFrame::decodeRows_data()
{
    QTest::addColumn<int>("pending");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<Row>("row");
    QTest::addColumn<int>("mode");

    const QByteArray four = readAnswer({2345, 4567, 1050, 7});
    const QByteArray one = readAnswer({0xFF38});
    QTest::newRow("all hundredths") << 0x0000 << four << Row::Readings << int(Widget::ShowAll);
    QTest::newRow("temperature hundredths")
        << 0x0000 << one << Row::Readings << int(Widget::ShowTemperature);
    QTest::newRow("0x0000 with three words") << 0x0000 << readAnswer({1, 2, 3}) << Row::None << 0;
    QTest::newRow("humidity") << 0x0001 << one << Row::Readings << int(Widget::ShowHumidity);
    QTest::newRow("dew point") << 0x0002 << one << Row::Readings << int(Widget::ShowDewPoint);
    QTest::newRow("status") << 0x0003 << one << Row::Readings << int(Widget::ShowNone);
    QTest::newRow("all tenths") << 0x0004 << four << Row::Readings << int(Widget::ShowAll);
    QTest::newRow("humidity tenths") << 0x0005 << one << Row::Readings << int(Widget::ShowHumidity);
    // Mends: an answer must fit the request.
    QTest::newRow("humidity answered by an echo")
        << 0x0001 << hex("01 06 00 01 00 64") + QByteArray() << Row::None << 0;
    QTest::newRow("humidity with four words") << 0x0001 << four << Row::None << 0;
    QTest::newRow("exception to a poll")
        << 0x0000 << Modbus::withCrc(hex("01 83 02")) << Row::None << 0;
    QTest::newRow("exception to the identity read")
        << 0x0100 << Modbus::withCrc(hex("01 83 02")) << Row::None << 0;
    QTest::newRow("empty read answer") << 0x0001 << readAnswer({}) << Row::None << 0;
    QTest::newRow("address echo") << 0x0100 << Modbus::writeRequest(0, 0x0100, 5)
                                  << Row::AddressEcho << 0;
    QTest::newRow("identity read") << 0x0100 << readAnswer(counting(9)) << Row::Information << 0;
    QTest::newRow("identity answered by a block echo")
        << 0x0100 << Modbus::withCrc(hex("01 10 01 00 00 02")) << Row::None << 0;
    QTest::newRow("baud rate echo")
        << 0x0101 << Modbus::writeRequest(1, 0x0101, 4) << Row::BaudRate << 0;
    QTest::newRow("serial number read")
        << 0x0104 << readAnswer({0x2612, 0x0603, 0x3415}) << Row::SerialNumber << 0;
    QTest::newRow("range echo") << 0x0107 << Modbus::withCrc(hex("01 10 01 07 00 02")) << Row::None
                                << 0;
    QTest::newRow("heater echo") << 0x0109 << Modbus::writeRequest(1, 0x0109, 1) << Row::None << 0;
    QTest::newRow("output block") << 0x010A << readAnswer(counting(17)) << Row::OutputBlock << 0;
    QTest::newRow("short output block") << 0x010A << readAnswer(counting(16)) << Row::None << 0;
    QTest::newRow("calibration block")
        << 0x0200 << readAnswer(counting(45)) << Row::CalibrationBlock << 0;
    QTest::newRow("short calibration block")
        << 0x0200 << readAnswer(counting(44)) << Row::None << 0;
    QTest::newRow("calibration answered by an echo")
        << 0x0200 << Modbus::writeRequest(1, 0x0200, 0) << Row::None << 0;
    QTest::newRow("nothing asked yet") << 0xFFFF << four << Row::None << 0;
}

void TestFrame::decodeRows()
{
    QFETCH(int, pending);
    QFETCH(QByteArray, frame);
    QFETCH(Row, row);
    QFETCH(int, mode);
    if (Modbus::examine(frame).action != Modbus::BufferAction::Accept)
        frame = Modbus::withCrc(frame);
    const Modbus::Acceptance accepted = Modbus::examine(frame);
    QCOMPARE(accepted.action, Modbus::BufferAction::Accept);
    const ReplyDecoder::Reply reply =
        ReplyDecoder::decode(quint16(pending), frame, accepted.dataLength);
    QCOMPARE(reply.row, row);
    if (row == Row::Readings)
        QCOMPARE(reply.readingMode, mode);
    if (row == Row::None) {
        QVERIFY(!reply.temperatureRaw && !reply.humidityRaw && !reply.deviceAddress);
        QVERIFY(reply.registers.isEmpty());
    }
}

void TestFrame::readingValues()
{
    const QByteArray frame = readAnswer({0xFF38, 0xFF38, 0x8000, 0xFFFF});
    const ReplyDecoder::Reply reply = ReplyDecoder::decode(0x0000, frame, 8);
    QCOMPARE(*reply.temperatureRaw, -200);
    QCOMPARE(*reply.humidityRaw, quint16(65336));
    QCOMPARE(*reply.dewPointRaw, -32768);
    QCOMPARE(*reply.statusRaw, quint16(0xFFFF));
    QCOMPARE(reply.scale, Widget::ReadingScale::Hundredths);
    QCOMPARE(ReplyDecoder::decode(0x0004, frame, 8).scale, Widget::ReadingScale::Tenths);
    // A single-register poll carries only its own quantity.
    const ReplyDecoder::Reply dew = ReplyDecoder::decode(0x0006, readAnswer({0xFF38}), 2);
    QCOMPARE(*dew.dewPointRaw, -200);
    QVERIFY(!dew.temperatureRaw && !dew.humidityRaw);
}

void TestFrame::informationBlock_data()
{
    QTest::addColumn<int>("registers");
    QTest::addColumn<QStringList>("present");
    QTest::newRow("address read") << 1 << QStringList {"address"};
    QTest::newRow("three registers") << 3 << QStringList {"address", "baud", "0102"};
    QTest::newRow("up to half the serial number")
        << 5 << QStringList {"address", "baud", "0102", "dual"};
    QTest::newRow("whole block") << 9 << QStringList {"address", "baud", "0102", "dual",
                                                      "serial",  "min",  "max"};
}

void TestFrame::informationBlock()
{
    QFETCH(int, registers);
    QFETCH(QStringList, present);
    const QVector<quint16> words = {7, 4, 0x0102, 1, 0x2612, 0x0603, 0x3415, 0xFE70, 0x0320};
    const QByteArray frame = readAnswer(words.mid(0, registers));
    const ReplyDecoder::Reply reply = ReplyDecoder::decode(0x0100, frame, 2 * registers);
    QCOMPARE(reply.row, Row::Information);
    QCOMPARE(reply.refreshIdentity, registers > 1);
    // Fields outside the data are never filled from the check bytes.
    QCOMPARE(bool(reply.deviceAddress), present.contains("address"));
    QCOMPARE(bool(reply.baudRateCode), present.contains("baud"));
    QCOMPARE(bool(reply.infoReg0102), present.contains("0102"));
    QCOMPARE(bool(reply.dualChannel), present.contains("dual"));
    QCOMPARE(bool(reply.serialNumber), present.contains("serial"));
    QCOMPARE(bool(reply.tempRangeMin), present.contains("min"));
    QCOMPARE(bool(reply.tempRangeMax), present.contains("max"));
    QCOMPARE(*reply.deviceAddress, quint16(7));
    if (reply.serialNumber) {
        QCOMPARE(*reply.serialNumber, QStringLiteral("261206033415"));
        QCOMPARE(*reply.tempRangeMin, qint16(-400));
        QCOMPARE(*reply.tempRangeMax, qint16(800));
    }
}

void TestFrame::blocksCarryEveryRegister()
{
    QVector<quint16> words = counting(45);
    words[3] = 0xFFFE;
    const ReplyDecoder::Reply calibration = ReplyDecoder::decode(0x0200, readAnswer(words), 90);
    QCOMPARE(calibration.registers.size(), 45);
    QCOMPARE(calibration.registers.at(3), qint16(-2));
    QCOMPARE(calibration.registers.at(44), qint16(0x0100 + 44));
    const ReplyDecoder::Reply output = ReplyDecoder::decode(0x010A, readAnswer(counting(17)), 34);
    QCOMPARE(output.registers.size(), 17);
    QCOMPARE(output.registers.at(16), qint16(0x0110));
}

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
