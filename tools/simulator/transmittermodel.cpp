#include "transmittermodel.h"

#include "devicerequests.h"
#include "protocol/frame.h"
#include "protocol/humidity.h"
#include "protocol/registers.h"

#include <QVector>

#include <cmath>
#include <limits>

namespace {

// Request fields: offset 2 holds the (first) register; offset 4 the count of a read, the value
// of a single write, or the last register of a block write, whose values follow its count field.
constexpr int RegisterOffset = 2;
using Modbus::OperandOffset;
constexpr int BlockValuesOffset = Modbus::BlockHeaderSize;

// Within each group of measurement registers: temperature, humidity, dew point, status word.
constexpr quint16 TemperatureIndex = 0;
constexpr quint16 HumidityIndex = 1;
constexpr quint16 DewPointIndex = 2;
constexpr quint16 StatusIndex = 3;
constexpr int Hundredths = 100;
constexpr int TenthsPerHundredth = 10;
constexpr int FullHumidity = 100 * Hundredths;

// As the device leaves the factory: serial number 26 12 06 03 34 15, out-of-range limits
// -40.0 and 125.0 degrees.
constexpr quint16 FactorySerialNumber[Registers::SerialNumberCount] = {0x2612, 0x0603, 0x3415};
constexpr qint16 FactoryRangeMin = -400;
constexpr qint16 FactoryRangeMax = 1250;

// The heater lifts the sensor a few degrees above the room, approaching it exponentially.
constexpr double HeaterRise = 3.0;
constexpr double HeaterTimeConstantS = 60.0;

int roundedDivision(int value, int divisor)
{
    return value >= 0 ? (value + divisor / 2) / divisor : -((-value + divisor / 2) / divisor);
}

// Temperatures travel as signed 16-bit numbers.
int signedHundredths(double value)
{
    const long lowest = std::numeric_limits<qint16>::min();
    const long highest = std::numeric_limits<qint16>::max();
    return int(qBound(lowest, std::lround(value * Hundredths), highest));
}

bool isMeasurement(quint16 reg)
{
    return reg < Registers::MeasurementsEnd;
}

} // namespace

TransmitterModel::TransmitterModel(const AirModel &air, quint64 noiseStream)
    : sensing(air, noiseStream)
{
    stored[Registers::Unit] = 0;
    stored[Registers::DeviceAddress] = DefaultAddress;
    stored[Registers::BaudRateCode] = DefaultBaudCode;
    stored[Registers::Info0102] = 0;
    stored[Registers::DualChannel] = 0;
    for (quint16 i = 0; i < Registers::SerialNumberCount; ++i)
        stored[Registers::SerialNumber + i] = FactorySerialNumber[i];
    stored[Registers::TemperatureRangeMin] = quint16(FactoryRangeMin);
    stored[Registers::TemperatureRangeMax] = quint16(FactoryRangeMax);
    stored[Registers::Heater] = 0;
    for (quint16 reg = Registers::OutputBlockFirst; reg <= Registers::OutputBlockLast; ++reg)
        stored[reg] = 0;
    stored[Registers::OutputDataChannel2] = 0;
    for (quint16 reg = Registers::CalibrationBlockFirst; reg <= Registers::CalibrationBlockLast;
         ++reg)
        stored[reg] = 0;
}

QByteArray TransmitterModel::answer(const QByteArray &request)
{
    if (!DeviceRequests::hasValidCheck(request))
        return {};
    const quint8 to = quint8(request.at(Modbus::AddressOffset));
    if (to != listening.address && to != BroadcastAddress)
        return {};

    const quint8 function = Modbus::functionCode(request);
    if (function != Modbus::ReadRegisters && function != Modbus::WriteRegister
        && function != Modbus::WriteRegisters)
        return exceptionReply(function, DeviceRequests::IllegalFunction);
    if (DeviceRequests::length(request) != request.size())
        return {};
    switch (function) {
    case Modbus::ReadRegisters:
        return readReply(Modbus::word(request, RegisterOffset),
                         Modbus::word(request, OperandOffset));
    case Modbus::WriteRegister:
        return writeReply(request);
    default:
        return blockReply(request);
    }
}

QByteArray TransmitterModel::readReply(quint16 first, int count) const
{
    if (count < 1 || count > DeviceRequests::MaxRegisters)
        return exceptionReply(Modbus::ReadRegisters, DeviceRequests::IllegalDataValue);
    for (int i = 0; i < count; ++i) {
        if (!hasRegister(quint16(first + i)))
            return exceptionReply(Modbus::ReadRegisters, DeviceRequests::IllegalDataAddress);
    }
    QVector<quint16> values;
    for (int i = 0; i < count; ++i)
        values.append(registerValue(quint16(first + i)));
    return Modbus::readReply(listening.address, values);
}

QByteArray TransmitterModel::writeReply(const QByteArray &request)
{
    const quint16 reg = Modbus::word(request, RegisterOffset);
    const quint16 value = Modbus::word(request, OperandOffset);
    if (const quint8 code = checkWrite(reg, value))
        return exceptionReply(Modbus::WriteRegister, code);
    store(reg, value);
    ++writes;
    return request;
}

QByteArray TransmitterModel::blockReply(const QByteArray &request)
{
    const quint16 first = Modbus::word(request, RegisterOffset);
    const int count = DeviceRequests::blockRegisterCount(request);
    QList<quint16> values;
    for (int i = 0; i < count; ++i) {
        const quint16 value = Modbus::word(request, BlockValuesOffset + 2 * i);
        if (const quint8 code = checkWrite(quint16(first + i), value))
            return exceptionReply(Modbus::WriteRegisters, code);
        values.append(value);
    }
    for (int i = 0; i < count; ++i)
        store(quint16(first + i), values.at(i));
    ++writes;

    return Modbus::shortFrame(listening.address, Modbus::WriteRegisters, first, quint16(count));
}

QByteArray TransmitterModel::exceptionReply(quint8 function, quint8 code) const
{
    return Modbus::exceptionReply(listening.address, function, code);
}

quint8 TransmitterModel::checkWrite(quint16 reg, quint16 value) const
{
    if (!hasRegister(reg))
        return DeviceRequests::IllegalDataAddress;
    if (reg == Registers::DeviceAddress && (value < DefaultAddress || value > MaxAddress))
        return DeviceRequests::IllegalDataValue;
    if (reg == Registers::BaudRateCode && Registers::baudRateForCode(value) == 0)
        return DeviceRequests::IllegalDataValue;
    return 0;
}

// The measurement registers show what the sensor measures: a write to them is taken and echoed
// but changes nothing.
void TransmitterModel::store(quint16 reg, quint16 value)
{
    if (!isMeasurement(reg))
        stored[reg] = value;
}

TransmitterModel::LineSettings TransmitterModel::pendingLineSettings() const
{
    return {quint8(stored.value(Registers::DeviceAddress)), stored.value(Registers::BaudRateCode)};
}

void TransmitterModel::applyLineSettings(const LineSettings &settings)
{
    listening = settings;
}

bool TransmitterModel::hasRegister(quint16 reg) const
{
    return isMeasurement(reg) || stored.contains(reg);
}

quint16 TransmitterModel::registerValue(quint16 reg) const
{
    return isMeasurement(reg) ? measurementValue(reg) : stored.value(reg);
}

bool TransmitterModel::setRegisterValue(quint16 reg, quint16 value)
{
    if (checkWrite(reg, value) != 0)
        return false;
    if (isMeasurement(reg)) {
        if ((reg - Registers::MeasurementsHundredths) % Registers::MeasurementCount == StatusIndex)
            status = value;
        return true;
    }
    stored[reg] = value;
    applyLineSettings(pendingLineSettings());
    return true;
}

quint16 TransmitterModel::measurementValue(quint16 reg) const
{
    const bool tenths = reg >= Registers::MeasurementsTenths;
    const quint16 index =
        reg - (tenths ? Registers::MeasurementsTenths : Registers::MeasurementsHundredths);
    if (index == StatusIndex)
        return status;

    const Readings current = readings();
    int hundredths = 0;
    switch (index) {
    case TemperatureIndex:
        hundredths = signedHundredths(current.temperature);
        break;
    case HumidityIndex:
        hundredths = qBound(0, int(std::lround(current.humidity * Hundredths)), FullHumidity);
        break;
    case DewPointIndex:
        hundredths = signedHundredths(current.dewPoint);
        break;
    }
    // Both scales come from one measurement, so "*10" always shows "*100" rounded.
    return quint16(tenths ? roundedDivision(hundredths, TenthsPerHundredth) : hundredths);
}

void TransmitterModel::setTime(qint64 ms)
{
    if (ms <= now)
        return;
    const double target = stored.value(Registers::Heater) ? HeaterRise : 0.0;
    const double seconds = double(ms - now) / 1000.0;
    heaterWarming = target + (heaterWarming - target) * std::exp(-seconds / HeaterTimeConstantS);
    now = ms;
}

TransmitterModel::Readings TransmitterModel::readings() const
{
    const Air sensed = sensing.reading();
    const double dewPoint = sensed.dewPoint();
    if (sensing.air().isHeld())
        return {sensed.temperature, sensed.humidity, dewPoint};
    // Warming the sensor leaves the moisture in the air alone: the dew point stays, the
    // relative humidity at the sensor drops.
    const double sensor = sensed.temperature + heaterWarming;
    return {sensor, Magnus::relativeHumidity(sensor, dewPoint), dewPoint};
}

QByteArray TransmitterModel::saveState() const
{
    QByteArray text;
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        text += QByteArray::number(it.key(), 16).rightJustified(4, '0') + ' '
            + QByteArray::number(it.value(), 16).rightJustified(4, '0') + '\n';
    }
    return text;
}

bool TransmitterModel::restoreState(const QByteArray &state)
{
    QMap<quint16, quint16> restored = stored;
    for (const QByteArray &line : state.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 1 && fields.first().isEmpty())
            continue;
        bool regOk = false;
        bool valueOk = false;
        const uint reg = fields.first().toUInt(&regOk, 16);
        const uint value = fields.last().toUInt(&valueOk, 16);
        if (fields.size() != 2 || !regOk || !valueOk || reg > 0xFFFF || value > 0xFFFF
            || isMeasurement(quint16(reg)) || checkWrite(quint16(reg), quint16(value)) != 0)
            return false;
        restored[quint16(reg)] = quint16(value);
    }
    stored = restored;
    applyLineSettings(pendingLineSettings());
    return true;
}
