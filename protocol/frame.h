#ifndef FRAME_H
#define FRAME_H

#include <QByteArray>
#include <QVector>

#include <cstddef>

// Frames of the transmitter's Modbus-RTU dialect: building requests, deciding when received
// bytes form one answer, and reading fields out of it. Nothing here touches a port, a timer or a
// widget, so the tool and the transmitter simulator share it.
namespace Modbus {

constexpr quint8 ReadRegisters = 0x03;
constexpr quint8 WriteRegister = 0x06;
constexpr quint8 WriteRegisters = 0x10;
constexpr quint8 ExceptionFlag = 0x80;

constexpr int AddressOffset = 0;
constexpr int FunctionOffset = 1;
constexpr int ByteCountOffset = 2;
constexpr int DataOffset = 3;
constexpr int CrcSize = 2;
constexpr int RequestSize = 8; // read and single write requests, echoes of writes
constexpr int EchoDataLength = 3; // what the length rule gives a 0x06 or 0x10 echo
constexpr int EchoValueOffset = 4; // a 0x06 echo repeats the register, then its new value
constexpr int ReplyOverhead = 5; // address, function, count, two check bytes
constexpr int BlockHeaderSize = 7; // address, 0x10, first and last register, count field

constexpr int MaxBufferSize = 1024;
// A buffer this full of 0x00 or 0xFF bytes comes from a failing USB serial adapter, not from
// the device.
constexpr int AdapterFaultFillCount = 1023;

// CRC-16/MODBUS: initial 0xFFFF, reflected polynomial 0xA001, no final XOR. The low byte goes
// on the wire first.
quint16 crc16(const quint8 *data, std::size_t length);

// Appends the check bytes to a frame body. Every request the tool or the simulator sends is
// finished here.
QByteArray withCrc(QByteArray body);

QByteArray readRequest(quint8 address, quint16 reg, quint16 count);
QByteArray writeRequest(quint8 address, quint16 reg, quint16 value);

// A register block write as this transmitter takes it: offset 4 holds the last register written
// (not a count) and offset 6 a fixed value per block (not always the byte count).
struct BlockLayout
{
    quint16 firstRegister;
    quint16 lastRegister;
    quint8 countField;
    int registerCount() const { return lastRegister - firstRegister + 1; }
};

constexpr BlockLayout SerialNumberBlock {0x0104, 0x0106, 0x06};
constexpr BlockLayout TemperatureRangeBlock {0x0107, 0x0108, 0x04};
constexpr BlockLayout OutputBlock {0x0110, 0x011A, 0x17};
constexpr BlockLayout CalibrationBlock {0x0204, 0x022C, 0x29};

// values must hold layout.registerCount() words; missing ones are sent as 0.
QByteArray blockWrite(quint8 address, const BlockLayout &layout, const QVector<quint16> &values);

// What to do with the receive buffer after new bytes arrived.
enum class BufferAction {
    Drop, // more than MaxBufferSize bytes: discard without a word
    AdapterFault, // the adapter is failing: close the port and tell the user
    Wait, // not (yet) one intact answer: keep the bytes
    Accept // exactly one intact answer
};

struct Acceptance
{
    BufferAction action = BufferAction::Wait;
    int dataLength = 0; // L of the length rule, meaningful when accepted
};

// The length rule: 0x03 answers carry their byte count at offset 2; write echoes count as three
// data bytes; any other function (exception replies among them) as none. The answer must start
// at offset 0 and fill the buffer exactly, and its check bytes must match.
Acceptance examine(const QByteArray &buffer);

// Fields are big-endian. A field that runs past the end of the frame reads only the bytes
// present; one wholly beyond the end reads 0.
quint32 field(const QByteArray &frame, int offset, int size);
quint16 word(const QByteArray &frame, int offset);
qint16 signedWord(const QByteArray &frame, int offset);

quint8 functionCode(const QByteArray &frame);
bool isException(const QByteArray &frame);

} // namespace Modbus

#endif // FRAME_H
