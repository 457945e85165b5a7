#include "referenceinstrument.h"

#include "devicerequests.h"
#include "protocol/frame.h"

#include <cstring>

namespace {

constexpr int RegisterCount = ReferenceInstrument::DewPointRegister + 2;

void putFloat(QVector<quint16> &registers, quint16 at, double value)
{
    const float single = float(value);
    quint32 bits = 0;
    std::memcpy(&bits, &single, sizeof bits);
    registers[at] = quint16(bits >> 16);
    registers[at + 1] = quint16(bits & 0xFFFF);
}

} // namespace

ReferenceInstrument::ReferenceInstrument(const AirModel &air, quint8 address, quint16 baudCode)
    : Instrument(address, baudCode)
    , sensor(air, address, NoiseShare)
{}

QByteArray ReferenceInstrument::reply(quint8 function, const QByteArray &request)
{
    if (function != Modbus::ReadInputRegisters)
        return exception(function, DeviceRequests::IllegalFunction);
    const Air air = sensor.reading();
    QVector<quint16> registers(RegisterCount);
    putFloat(registers, TemperatureRegister, air.temperature);
    putFloat(registers, HumidityRegister, air.humidity);
    putFloat(registers, DewPointRegister, air.dewPoint());
    return readReply(request, registers);
}
