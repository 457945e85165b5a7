#include "protocol/registers.h"

namespace Registers {

int baudRateForCode(quint16 code)
{
    return (code >= FirstBaudCode && code <= LastBaudCode) ? BaudRates[code - FirstBaudCode] : 0;
}

QByteArray informationRequest(quint8 address)
{
    return Modbus::readRequest(address, DeviceAddress, InformationCount);
}

} // namespace Registers
