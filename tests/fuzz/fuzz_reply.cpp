// libFuzzer over the receive path as my_readuart chains it. Input: the pending register (two
// bytes), the size of the chunks the line arrives in (one byte; with 0x80 set, the check bytes
// are put on the line's end here, so that mutations get past them), then the line.
#include "protocol/registers.h"
#include "protocol/replydecoder.h"

#define CHECK(rule) (rule) ? void() : qFatal("%s", #rule)
using ReplyDecoder::Row;

// Registers the tool's requests start at, in the order the corpus names them.
constexpr quint16 Requested[] = {0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,
                                 0x0008, 0x0100, 0x0101, 0x0104, 0x0107, 0x0109, 0x010A, 0x010B,
                                 0x0110, 0x012B, 0x0200, 0x0202, 0x0204, 0xFFFF};

extern "C" int LLVMFuzzerTestOneInput(const quint8 *data, std::size_t size)
{
    const auto input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    const quint16 choice = Modbus::word(input, 0); // past the table: the register itself
    const quint16 pending = choice < std::size(Requested) ? Requested[choice] : choice;
    const quint32 chunking = Modbus::field(input, 2, 1);
    const QByteArray line = chunking & 0x80 ? Modbus::withCrc(input.mid(3)) : input.mid(3);
    Modbus::Receipt got; // its buffer is what the tool keeps: none after a fault, as at Link
    for (int at = 0, chunk = 1 + chunking % 64; at < line.size(); at += chunk) {
        got = Modbus::receive(got.buffer, line.mid(at, chunk));
        CHECK(got.buffer.size() <= Modbus::MaxBufferSize);
        if (got.action != Modbus::BufferAction::Accept)
            continue;
        CHECK(got.frame.size() == got.dataLength + Modbus::ReplyOverhead);
        const ReplyDecoder::Reply r = ReplyDecoder::decode(pending, got.frame, got.dataLength);
        // The window copies blocks into fixed caches and the serial number into a fixed field.
        CHECK(r.row != Row::OutputBlock || r.registers.size() == Registers::OutputBlockCount);
        CHECK(r.row != Row::CalibrationBlock
              || r.registers.size() == Registers::CalibrationBlockCount);
        CHECK(!r.serialNumber || r.serialNumber->size() == Registers::SerialNumberDigits);
        const bool values = r.temperatureRaw || r.humidityRaw || r.dewPointRaw || r.statusRaw
            || r.deviceAddress || r.baudRateCode;
        const bool more = r.infoReg0102 || r.dualChannel || r.serialNumber || r.tempRangeMin
            || r.tempRangeMax || r.refreshIdentity || r.serialNumberWritten;
        CHECK(!Modbus::isException(got.frame)
              || (!values && !more
                  && (r.row == Row::None || r.row == Row::BaudRate || r.row == Row::SerialNumber)));
    }
    return 0;
}
