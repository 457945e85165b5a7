#ifndef FRAME_H
#define FRAME_H

#include <QByteArray>
#include <QVector>

#include <cstddef>

// Frames of the transmitter's Modbus-RTU dialect: building requests and replies, deciding when
// received bytes form one answer, and reading fields out of it. Nothing here touches a port, a
// timer or a widget, so the tool, the transmitter simulator and the fuzzer share it.
namespace Modbus {

constexpr quint8 ReadRegisters = 0x03;
constexpr quint8 ReadInputRegisters = 0x04; // other instruments on the line: none of ours
constexpr quint8 WriteRegister = 0x06;
constexpr quint8 WriteRegisters = 0x10;
constexpr quint8 ExceptionFlag = 0x80;

constexpr int AddressOffset = 0;
constexpr int FunctionOffset = 1;
constexpr int ByteCountOffset = 2;
constexpr int DataOffset = 3;
constexpr int RegisterOffset = 2; // first register of a request, of a write echo
constexpr int OperandOffset = 4; // count of a read, value of a write, last register of a block
constexpr int CrcSize = 2;
constexpr int WordSize = 2;
constexpr int RequestSize = 8; // read and single write requests, echoes of writes
constexpr int EchoDataLength = 3; // what the length rule gives a 0x06 or 0x10 echo
constexpr int ReplyOverhead = 5; // address, function, count, two check bytes
constexpr int ExceptionReplySize = 5; // address, function, code, two check bytes
constexpr int BlockHeaderSize = 7; // address, 0x10, first and last register, count field

constexpr int MaxBufferSize = 1024;
// A buffer this full of 0x00 or 0xFF bytes comes from a failing USB serial adapter, not from
// the device.
constexpr int AdapterFaultFillCount = 1023;

// CRC-16/MODBUS: initial 0xFFFF, reflected polynomial 0xA001, no final XOR. withCrc() is the one
// place that puts it on the wire, low byte first.
quint16 crc16(const quint8 *data, std::size_t length);
QByteArray withCrc(QByteArray body);

void appendWord(QByteArray &frame, quint16 value);

// Address, function, two words and the check bytes: read and single-write requests, and the
// devices's echoes of writes.
QByteArray shortFrame(quint8 address, quint8 function, quint16 first, quint16 second);
QByteArray readRequest(quint8 address, quint16 reg, quint16 count);
QByteArray writeRequest(quint8 address, quint16 reg, quint16 value);
QByteArray readReply(quint8 address, const QVector<quint16> &values,
                     quint8 function = ReadRegisters);
QByteArray exceptionReply(quint8 address, quint8 function, quint8 code);

// A register block write as this transmitter takes it: offset 4 holds the last register written
// (not a count) and offset 6 a fixed value per block (not always the byte count).
struct BlockLayout
{
    quint16 firstRegister;
    quint16 lastRegister;
    quint8 countField;
    constexpr int registerCount() const { return lastRegister - firstRegister + 1; }
};

// values must hold layout.registerCount() words; missing ones are sent as 0.
QByteArray blockWrite(quint8 address, const BlockLayout &layout, const QVector<quint16> &values);

// What to do after new bytes arrived.
enum class BufferAction {
    Drop, // more than MaxBufferSize bytes: discard without a word
    AdapterFault, // the adapter is failing: close the port and tell the user
    Wait, // not (yet) one intact answer: keep the bytes
    Accept // exactly one intact answer
};

struct Receipt
{
    BufferAction action = BufferAction::Wait;
    QByteArray buffer; // what the receive buffer holds afterwards
    QByteArray frame; // the accepted answer
    int dataLength = 0; // its L of the length rule
};

// One receive step over the bytes kept so far and those just read. The length rule: 0x03
// answers carry their byte count at offset 2; write echoes count as three data bytes; any other
// function (exception replies among them) as none. The answer must start at offset 0 and fill
// the buffer exactly, and its check bytes must match.
Receipt receive(const QByteArray &buffer, const QByteArray &incoming);

// The length of the reply that would begin at offset in bytes, told by its function code: a read
// (3 or 4) by its byte count, a write echo (6 or 16) as long as a request, an exception reply its
// fixed size. 0 for any other function (or a negative offset); -1 while the bytes that tell have
// not all come.
int replyLengthAt(const QByteArray &bytes, int offset);
// Whether the length bytes from offset (not negative) are all present and end in their own check
// bytes.
bool intactAt(const QByteArray &bytes, int offset, int length);
// The register values a read reply (3 or 4) carries, as far as its byte count and its length both
// reach; none for any other frame.
QVector<quint16> readValues(const QByteArray &reply);

// Fields are big-endian. A field that runs past the end of the frame reads only the bytes
// present; one wholly beyond the end reads 0.
quint32 field(const QByteArray &frame, int offset, int size);
quint16 word(const QByteArray &frame, int offset);
qint16 signedWord(const QByteArray &frame, int offset);

quint8 functionCode(const QByteArray &frame);
bool isException(const QByteArray &frame);

} // namespace Modbus

#endif // FRAME_H
