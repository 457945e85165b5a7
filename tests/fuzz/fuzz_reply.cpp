// libFuzzer target over the receive path: the byte stream from the device arrives in arbitrary
// chunks, collects in a buffer as the parser collects it, and every answer the acceptance rule
// takes is decoded as the reply to the pending request. Input layout: two bytes choose the
// pending register, one byte the chunk sizes, the rest is the line.
#include "app/appstate.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/replydecoder.h"

#include <QByteArray>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Every register a request of the tool starts at, then room for any other value.
constexpr quint16 RequestRegisters[] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x0100, 0x0101,
    0x0104, 0x0107, 0x0109, 0x010A, 0x010B, 0x0110, 0x012B, 0x0200, 0x0202, 0x0204, 0xFFFF};
constexpr std::size_t HeaderSize = 3;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkReply(const ReplyDecoder::Reply &reply, const QByteArray &frame, int dataLength)
{
    // What the decoder hands over must be what the tool stores into its fixed-size caches.
    if (reply.row == ReplyDecoder::Row::OutputBlock)
        check(reply.registers.size() == ApplicationState::OutputRegisterCount);
    if (reply.row == ReplyDecoder::Row::CalibrationBlock)
        check(reply.registers.size() == ApplicationState::CalibrationRegisterCount);
    if (reply.serialNumber)
        check(reply.serialNumber->size() == 12);
    if (Modbus::isException(frame))
        check(reply.row == ReplyDecoder::Row::None);
    check(frame.size() == dataLength + Modbus::ReplyOverhead);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < HeaderSize)
        return 0;
    const quint16 choice = quint16((data[0] << 8) | data[1]);
    constexpr std::size_t known = sizeof RequestRegisters / sizeof RequestRegisters[0];
    const quint16 pendingRegister = choice < 0x8000 ? RequestRegisters[choice % known] : choice;
    const std::size_t chunk = 1 + data[2] % 64;

    QByteArray buffer;
    for (std::size_t at = HeaderSize; at < size; at += chunk) {
        const std::size_t length = std::min(chunk, size - at);
        buffer.append(reinterpret_cast<const char *>(data + at), int(length));
        const Modbus::Acceptance acceptance = Modbus::examine(buffer);
        switch (acceptance.action) {
        case Modbus::BufferAction::Drop:
            check(buffer.size() > Modbus::MaxBufferSize);
            buffer.clear();
            break;
        case Modbus::BufferAction::AdapterFault:
            check(buffer.size() >= Modbus::AdapterFaultFillCount);
            buffer.clear();
            break;
        case Modbus::BufferAction::Wait:
            break;
        case Modbus::BufferAction::Accept: {
            const auto reply = ReplyDecoder::decode(pendingRegister, buffer, acceptance.dataLength);
            checkReply(reply, buffer, acceptance.dataLength);
            buffer.clear();
            break;
        }
        }
    }
    return 0;
}
