#include "protocol/registers.h"

namespace Registers {

int baudRateForCode(quint16 code)
{
    return (code >= FirstBaudCode && code <= LastBaudCode) ? BaudRates[code - FirstBaudCode] : 0;
}

} // namespace Registers
