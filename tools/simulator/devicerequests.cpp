#include "devicerequests.h"

#include "protocol/frame.h"

namespace DeviceRequests {

namespace {

// Address, function and check bytes: anything shorter is not a frame.
constexpr int MinimumFrameSize = Modbus::FunctionOffset + 1 + Modbus::CrcSize;

} // namespace

bool hasValidCheck(const QByteArray &frame)
{
    return frame.size() >= MinimumFrameSize
        && Modbus::withCrc(frame.left(frame.size() - Modbus::CrcSize)) == frame;
}

int blockRegisterCount(const QByteArray &request)
{
    return int(Modbus::word(request, Modbus::OperandOffset))
        - int(Modbus::word(request, Modbus::RegisterOffset)) + 1;
}

// A block write's values follow its count field.
int length(const QByteArray &bytes)
{
    if (bytes.size() <= Modbus::FunctionOffset)
        return 0;
    switch (Modbus::functionCode(bytes)) {
    case Modbus::ReadRegisters:
    case Modbus::ReadInputRegisters:
    case Modbus::WriteRegister:
        return Modbus::RequestSize;
    case Modbus::WriteRegisters: {
        if (bytes.size() < Modbus::OperandOffset + Modbus::WordSize)
            return 0;
        const int count = blockRegisterCount(bytes);
        if (count < 1 || count > MaxRegisters)
            return -1;
        return Modbus::BlockHeaderSize + Modbus::WordSize * count + Modbus::CrcSize;
    }
    default:
        return -1;
    }
}

QList<QByteArray> in(const QByteArray &frame)
{
    if (hasValidCheck(frame))
        return {frame};
    QList<QByteArray> requests;
    for (int at = 0; at < frame.size();) {
        const int whole = wholeAtStart(frame.mid(at));
        if (whole == 0)
            return {};
        requests.append(frame.mid(at, whole));
        at += whole;
    }
    return requests;
}

int wholeAtStart(const QByteArray &bytes)
{
    const int size = length(bytes);
    return size > 0 && size <= bytes.size() && hasValidCheck(bytes.left(size)) ? size : 0;
}

} // namespace DeviceRequests
