#include "protocol/frame.h"

namespace Modbus {

quint16 crc16(const quint8 *data, std::size_t length)
{
    quint16 crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

namespace {

quint16 crcOf(const QByteArray &bytes, int length, int offset = 0)
{
    return crc16(reinterpret_cast<const quint8 *>(bytes.constData()) + offset, std::size_t(length));
}

// The check bytes as they stand on the wire, read high byte first.
quint16 wireCrc(const QByteArray &bytes, int length, int offset = 0)
{
    const quint16 crc = crcOf(bytes, length, offset);
    return quint16((crc << 8) | (crc >> 8));
}

int fillCount(const QByteArray &bytes)
{
    int fill = 0;
    for (char byte : bytes) {
        if (byte == char(0x00) || byte == char(0xFF))
            ++fill;
    }
    return fill;
}

int dataLengthOf(const QByteArray &buffer)
{
    switch (functionCode(buffer)) {
    case ReadRegisters:
        return int(field(buffer, ByteCountOffset, 1));
    case WriteRegister:
    case WriteRegisters:
        return EchoDataLength;
    default:
        return 0;
    }
}

} // namespace

QByteArray withCrc(QByteArray body)
{
    const quint16 crc = crcOf(body, body.size());
    body.append(char(crc & 0xFF));
    body.append(char(crc >> 8));
    return body;
}

void appendWord(QByteArray &frame, quint16 value)
{
    frame.append(char(value >> 8));
    frame.append(char(value & 0xFF));
}

QByteArray shortFrame(quint8 address, quint8 function, quint16 first, quint16 second)
{
    QByteArray body;
    body.reserve(RequestSize);
    body.append(char(address));
    body.append(char(function));
    appendWord(body, first);
    appendWord(body, second);
    return withCrc(body);
}

QByteArray readRequest(quint8 address, quint16 reg, quint16 count)
{
    return shortFrame(address, ReadRegisters, reg, count);
}

QByteArray writeRequest(quint8 address, quint16 reg, quint16 value)
{
    return shortFrame(address, WriteRegister, reg, value);
}

QByteArray readReply(quint8 address, const QVector<quint16> &values, quint8 function)
{
    QByteArray body;
    body.append(char(address));
    body.append(char(function));
    body.append(char(WordSize * values.size()));
    for (quint16 value : values)
        appendWord(body, value);
    return withCrc(body);
}

QByteArray exceptionReply(quint8 address, quint8 function, quint8 code)
{
    QByteArray body;
    body.append(char(address));
    body.append(char(function | ExceptionFlag));
    body.append(char(code));
    return withCrc(body);
}

QByteArray blockWrite(quint8 address, const BlockLayout &layout, const QVector<quint16> &values)
{
    QByteArray body;
    body.reserve(BlockHeaderSize + WordSize * layout.registerCount() + CrcSize);
    body.append(char(address));
    body.append(char(WriteRegisters));
    appendWord(body, layout.firstRegister);
    appendWord(body, layout.lastRegister);
    body.append(char(layout.countField));
    for (int i = 0; i < layout.registerCount(); ++i)
        appendWord(body, i < values.size() ? values.at(i) : 0);
    return withCrc(body);
}

quint8 functionCode(const QByteArray &frame)
{
    return quint8(field(frame, FunctionOffset, 1));
}

bool isException(const QByteArray &frame)
{
    return frame.size() > FunctionOffset && (functionCode(frame) & ExceptionFlag);
}

Receipt receive(const QByteArray &buffer, const QByteArray &incoming)
{
    Receipt receipt;
    const QByteArray bytes = buffer + incoming;
    if (bytes.size() > MaxBufferSize) {
        receipt.action = BufferAction::Drop;
        return receipt;
    }
    if (fillCount(bytes) >= AdapterFaultFillCount) {
        receipt.action = BufferAction::AdapterFault;
        return receipt;
    }

    receipt.dataLength = dataLengthOf(bytes);
    // Only a buffer that holds exactly one whole answer is checked: a frame still arriving is
    // never taken for complete, and surplus bytes wait for the next transmit to clear them.
    const int crcOffset = receipt.dataLength + DataOffset;
    if (bytes.size() != receipt.dataLength + ReplyOverhead
        || quint16(field(bytes, crcOffset, CrcSize)) != wireCrc(bytes, crcOffset)) {
        receipt.buffer = bytes;
        return receipt;
    }
    receipt.action = BufferAction::Accept;
    receipt.frame = bytes;
    return receipt;
}

int replyLengthAt(const QByteArray &bytes, int offset)
{
    const int present = bytes.size() - offset;
    if (offset < 0)
        return 0;
    if (present <= FunctionOffset)
        return -1;
    const quint8 function = quint8(bytes.at(offset + FunctionOffset));
    if (function & ExceptionFlag)
        return ExceptionReplySize;
    switch (function) {
    case ReadRegisters:
    case ReadInputRegisters:
        return present > ByteCountOffset
            ? ReplyOverhead + quint8(bytes.at(offset + ByteCountOffset))
            : -1;
    case WriteRegister:
    case WriteRegisters:
        return RequestSize;
    default:
        return 0;
    }
}

bool intactAt(const QByteArray &bytes, int offset, int length)
{
    const int crcOffset = offset + length - CrcSize;
    return length > CrcSize && offset + length <= bytes.size()
        && quint16(field(bytes, crcOffset, CrcSize)) == wireCrc(bytes, length - CrcSize, offset);
}

QVector<quint16> readValues(const QByteArray &reply)
{
    QVector<quint16> values;
    const quint8 function = functionCode(reply);
    if (function != ReadRegisters && function != ReadInputRegisters)
        return values;
    const int dataEnd =
        qMin(DataOffset + int(field(reply, ByteCountOffset, 1)), int(reply.size()) - CrcSize);
    for (int offset = DataOffset; offset + WordSize <= dataEnd; offset += WordSize)
        values.append(word(reply, offset));
    return values;
}

quint32 field(const QByteArray &frame, int offset, int size)
{
    quint32 value = 0;
    for (int i = offset; i < offset + size && i < frame.size(); ++i) {
        if (i >= 0)
            value = (value << 8) | quint8(frame.at(i));
    }
    return value;
}

quint16 word(const QByteArray &frame, int offset)
{
    return quint16(field(frame, offset, WordSize));
}

qint16 signedWord(const QByteArray &frame, int offset)
{
    return qint16(word(frame, offset));
}

} // namespace Modbus
