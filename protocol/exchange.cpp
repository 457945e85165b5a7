#include "protocol/exchange.h"

#include "protocol/frame.h"
#include "protocol/registers.h"

namespace Modbus {

namespace {

quint16 operand(const QByteArray &frame)
{
    return word(frame, OperandOffset);
}

} // namespace

quint16 requestRegister(const QByteArray &request)
{
    return word(request, RegisterOffset);
}

int expectedReplySize(const QByteArray &request)
{
    switch (functionCode(request)) {
    case ReadRegisters:
    case ReadInputRegisters:
        return ReplyOverhead + WordSize * operand(request);
    case WriteRegister:
    case WriteRegisters:
        return RequestSize;
    default:
        return ReplyOverhead;
    }
}

bool fits(const QByteArray &request, const QByteArray &reply)
{
    if (request.size() < RequestSize)
        return false;
    const quint8 to = quint8(request.at(AddressOffset));
    if (to != Registers::AnyAddress && quint8(reply.at(AddressOffset)) != to)
        return false;
    const quint8 function = functionCode(request);
    if (functionCode(reply) == (function | ExceptionFlag))
        return true;
    if (functionCode(reply) != function)
        return false;
    switch (function) {
    case ReadRegisters:
    case ReadInputRegisters:
        return int(field(reply, ByteCountOffset, 1)) == WordSize * operand(request);
    case WriteRegister:
        return requestRegister(reply) == requestRegister(request)
            && operand(reply) == operand(request);
    case WriteRegisters:
        // The request names its last register; the echo counts the registers written.
        return requestRegister(reply) == requestRegister(request)
            && operand(reply) == operand(request) - requestRegister(request) + 1;
    default:
        return false;
    }
}

Hearing hear(const QByteArray &request, const QByteArray &heard)
{
    Hearing hearing;
    // A byte whose frame has not all come may still begin one: nothing from it on is settled.
    bool undecided = false;
    for (int offset = 0; offset < heard.size();) {
        const int length = replyLengthAt(heard, offset);
        const bool whole = length > 0 && offset + length <= heard.size();
        if (whole && intactAt(heard, offset, length)) {
            const QByteArray frame = heard.mid(offset, length);
            offset += length;
            if (fits(request, frame)) {
                hearing.answer = frame;
                hearing.answerEnd = hearing.settled = offset;
                hearing.garbled = hearing.garbled || undecided;
                return hearing;
            }
        } else {
            if (length != 0 && !whole)
                undecided = true;
            else if (!undecided)
                hearing.garbled = true;
            ++offset;
        }
        if (!undecided)
            hearing.settled = offset;
    }
    return hearing;
}

} // namespace Modbus
