#include "protocol/registers.h"

namespace Registers {

int baudRateForCode(quint16 code)
{
    static constexpr int rates[] = {1200, 2400, 4800, 9600, 19200, 115200};
    return (code >= FirstBaudCode && code <= LastBaudCode) ? rates[code - FirstBaudCode] : 0;
}

} // namespace Registers
