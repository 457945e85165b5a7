#include "protocol/replydecoder.h"

#include "protocol/frame.h"
#include "protocol/registers.h"

namespace ReplyDecoder {

namespace {

constexpr int RegisterBytes = Modbus::WordSize;

// Order of the four registers in each measurement run.
enum Measurement { Temperature, Humidity, DewPoint, Status };

// What a single-register poll shows, by the register it read.
constexpr Readings::Mode SingleReadingMode[] = {Readings::ShowTemperature, Readings::ShowHumidity,
                                                Readings::ShowDewPoint, Readings::ShowNone};

// Where register reg starts in the answer to a read from first, and whether count registers
// from there lie wholly inside its data.
int offsetOf(quint16 first, quint16 reg)
{
    return Modbus::DataOffset + RegisterBytes * (reg - first);
}

bool carries(int dataLength, quint16 first, quint16 reg, int count)
{
    return RegisterBytes * (reg - first + count) <= dataLength;
}

bool isRead(const QByteArray &frame)
{
    return Modbus::functionCode(frame) == Modbus::ReadRegisters;
}

QString serialNumberAt(const QByteArray &frame, int offset)
{
    return QString::fromLatin1(
        frame.mid(offset, RegisterBytes * Registers::SerialNumberCount).toHex());
}

Reply readings(quint16 pendingRegister, const QByteArray &frame, int dataLength)
{
    const bool tenths = pendingRegister >= Registers::MeasurementsTenths;
    const quint16 first =
        tenths ? Registers::MeasurementsTenths : Registers::MeasurementsHundredths;
    const int index = pendingRegister - first;
    // The poll reads either one register or, from the temperature, the whole run.
    const int count = dataLength / RegisterBytes;
    const bool whole =
        index == Temperature && dataLength == RegisterBytes * Registers::MeasurementCount;
    if (!isRead(frame) || !(whole || dataLength == RegisterBytes))
        return {};

    Reply reply;
    reply.row = Row::Readings;
    reply.scale = tenths ? Readings::Scale::Tenths : Readings::Scale::Hundredths;
    reply.readingMode = whole ? Readings::ShowAll : SingleReadingMode[index];
    for (int i = 0; i < count; ++i) {
        const int offset = Modbus::DataOffset + RegisterBytes * i;
        switch (index + i) {
        case Temperature:
            reply.temperatureRaw = Modbus::signedWord(frame, offset);
            break;
        case Humidity:
            reply.humidityRaw = Modbus::word(frame, offset);
            break;
        case DewPoint:
            reply.dewPointRaw = Modbus::signedWord(frame, offset);
            break;
        case Status:
            reply.statusRaw = Modbus::word(frame, offset);
            break;
        }
    }
    return reply;
}

Reply information(const QByteArray &frame, int dataLength)
{
    constexpr quint16 first = Registers::DeviceAddress;
    const auto inside = [dataLength](quint16 reg, int count) {
        return carries(dataLength, first, reg, count);
    };
    const auto wordAt = [&frame](quint16 reg) { return Modbus::word(frame, offsetOf(first, reg)); };

    Reply reply;
    if (!inside(Registers::DeviceAddress, 1))
        return reply;
    reply.row = Row::Information;
    reply.deviceAddress = wordAt(Registers::DeviceAddress);
    // The address read asks for one register; anything longer is the identity read.
    reply.refreshIdentity = dataLength > RegisterBytes;
    if (inside(Registers::BaudRateCode, 1))
        reply.baudRateCode = wordAt(Registers::BaudRateCode);
    if (inside(Registers::Info0102, 1))
        reply.infoReg0102 = wordAt(Registers::Info0102);
    if (inside(Registers::DualChannel, 1))
        reply.dualChannel = wordAt(Registers::DualChannel);
    if (inside(Registers::SerialNumber, Registers::SerialNumberCount))
        reply.serialNumber = serialNumberAt(frame, offsetOf(first, Registers::SerialNumber));
    if (inside(Registers::TemperatureRangeMin, 1))
        reply.tempRangeMin = qint16(wordAt(Registers::TemperatureRangeMin));
    if (inside(Registers::TemperatureRangeMax, 1))
        reply.tempRangeMax = qint16(wordAt(Registers::TemperatureRangeMax));
    return reply;
}

Reply deviceAddress(const QByteArray &frame, int dataLength)
{
    switch (Modbus::functionCode(frame)) {
    case Modbus::ReadRegisters:
        return information(frame, dataLength);
    case Modbus::WriteRegister: {
        // The device takes the address from the low byte of the value written.
        Reply reply;
        reply.row = Row::AddressEcho;
        reply.deviceAddress = quint16(Modbus::field(frame, Modbus::OperandOffset + 1, 1));
        return reply;
    }
    default:
        return {};
    }
}

// The baud-rate and serial-number rows refresh their control on every answer; only a read
// that carries the value, or a write echo, changes what the control shows.
Reply baudRate(const QByteArray &frame, int dataLength)
{
    Reply reply;
    reply.row = Row::BaudRate;
    const quint8 function = Modbus::functionCode(frame);
    if (function == Modbus::ReadRegisters && dataLength >= RegisterBytes)
        reply.baudRateCode = Modbus::word(frame, Modbus::DataOffset);
    else if (function == Modbus::WriteRegister)
        reply.baudRateCode = Modbus::word(frame, Modbus::OperandOffset);
    return reply;
}

Reply serialNumber(const QByteArray &frame, int dataLength)
{
    Reply reply;
    reply.row = Row::SerialNumber;
    const quint8 function = Modbus::functionCode(frame);
    if (function == Modbus::ReadRegisters
        && carries(dataLength, Registers::SerialNumber, Registers::SerialNumber,
                   Registers::SerialNumberCount))
        reply.serialNumber = serialNumberAt(frame, Modbus::DataOffset);
    else if (function == Modbus::WriteRegisters)
        reply.serialNumberWritten = true;
    return reply;
}

Reply registerBlock(Row row, int count, const QByteArray &frame, int dataLength)
{
    if (!isRead(frame) || dataLength != RegisterBytes * count)
        return {};
    Reply reply;
    reply.row = row;
    reply.registers.reserve(count);
    for (int i = 0; i < count; ++i)
        reply.registers.append(Modbus::signedWord(frame, Modbus::DataOffset + RegisterBytes * i));
    return reply;
}

} // namespace

Reply decode(quint16 pendingRegister, const QByteArray &frame, int dataLength)
{
    // An exception reply says the request failed; whatever follows its function code is no
    // register value. The baud rate and serial number controls still go back to what the device
    // last reported, so that they never show a value it refused.
    if (Modbus::isException(frame)) {
        Reply refresh;
        if (pendingRegister == Registers::BaudRateCode)
            refresh.row = Row::BaudRate;
        else if (pendingRegister == Registers::SerialNumber)
            refresh.row = Row::SerialNumber;
        return refresh;
    }
    if (pendingRegister < Registers::MeasurementsEnd)
        return readings(pendingRegister, frame, dataLength);
    switch (pendingRegister) {
    case Registers::DeviceAddress:
        return deviceAddress(frame, dataLength);
    case Registers::BaudRateCode:
        return baudRate(frame, dataLength);
    case Registers::SerialNumber:
        return serialNumber(frame, dataLength);
    case Registers::OutputBlockFirst:
        return registerBlock(Row::OutputBlock, Registers::OutputBlockCount, frame, dataLength);
    case Registers::CalibrationBlockFirst:
        return registerBlock(Row::CalibrationBlock, Registers::CalibrationBlockCount, frame,
                             dataLength);
    default:
        return {};
    }
}

} // namespace ReplyDecoder
