#include "chambercontroller.h"

#include "devicerequests.h"
#include "protocol/frame.h"

#include <cmath>

namespace {

constexpr int RegisterCount = ChamberController::HumidityRegister + 1;
constexpr double TenthsPerUnit = 10.0;
// What the chamber can make, in tenths: -70 to 180 degrees, a dry to a saturated air.
constexpr int LowestTemperature = -700;
constexpr int HighestTemperature = 1800;
constexpr int LowestHumidity = 0;
constexpr int HighestHumidity = 1000;

int tenths(double value)
{
    return int(std::lround(value * TenthsPerUnit));
}

double fromTenths(int value)
{
    return value / TenthsPerUnit;
}

} // namespace

ChamberController::ChamberController(Chamber &chamber, quint8 address, quint16 baudCode)
    : Instrument(address, baudCode)
    , chamber(&chamber)
{
    chamber.takeControl();
}

QByteArray ChamberController::reply(quint8 function, const QByteArray &request)
{
    if (function == Modbus::WriteRegister)
        return write(request);
    if (function != Modbus::ReadRegisters)
        return exception(function, DeviceRequests::IllegalFunction);
    const Air point = chamber->setPoint();
    QVector<quint16> registers(RegisterCount);
    registers[TemperatureRegister] = quint16(tenths(point.temperature));
    registers[HumidityRegister] = quint16(tenths(point.humidity));
    return readReply(request, registers);
}

QByteArray ChamberController::write(const QByteArray &request)
{
    const quint16 reg = Modbus::word(request, Modbus::RegisterOffset);
    const int value = Modbus::signedWord(request, Modbus::OperandOffset);
    if (reg != TemperatureRegister && reg != HumidityRegister)
        return exception(Modbus::WriteRegister, DeviceRequests::IllegalDataAddress);
    const bool temperature = reg == TemperatureRegister;
    if (temperature ? value < LowestTemperature || value > HighestTemperature
                    : value < LowestHumidity || value > HighestHumidity)
        return exception(Modbus::WriteRegister, DeviceRequests::IllegalDataValue);
    Air point = chamber->setPoint();
    (temperature ? point.temperature : point.humidity) = fromTenths(value);
    chamber->setSetPoint(point);
    return request;
}
