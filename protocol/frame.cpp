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

QByteArray withCrc(QByteArray body)
{
    const quint16 crc =
        crc16(reinterpret_cast<const quint8 *>(body.constData()), std::size_t(body.size()));
    body.append(char(crc & 0xFF));
    body.append(char(crc >> 8));
    return body;
}

namespace {

void appendWord(QByteArray &frame, quint16 value)
{
    frame.append(char(value >> 8));
    frame.append(char(value & 0xFF));
}

QByteArray singleRegisterRequest(quint8 address, quint8 function, quint16 reg, quint16 operand)
{
    QByteArray body;
    body.reserve(RequestSize);
    body.append(char(address));
    body.append(char(function));
    appendWord(body, reg);
    appendWord(body, operand);
    return withCrc(body);
}

} // namespace

QByteArray readRequest(quint8 address, quint16 reg, quint16 count)
{
    return singleRegisterRequest(address, ReadRegisters, reg, count);
}

QByteArray writeRequest(quint8 address, quint16 reg, quint16 value)
{
    return singleRegisterRequest(address, WriteRegister, reg, value);
}

QByteArray blockWrite(quint8 address, const BlockLayout &layout, const QVector<quint16> &values)
{
    QByteArray body;
    body.reserve(BlockHeaderSize + 2 * layout.registerCount() + CrcSize);
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

Acceptance examine(const QByteArray &buffer)
{
    const int n = buffer.size();
    if (n > MaxBufferSize)
        return {BufferAction::Drop, 0};

    int fill = 0;
    for (char byte : buffer) {
        if (byte == char(0x00) || byte == char(0xFF))
            ++fill;
    }
    if (fill >= AdapterFaultFillCount)
        return {BufferAction::AdapterFault, 0};

    int dataLength = 0;
    switch (functionCode(buffer)) {
    case ReadRegisters:
        dataLength = int(field(buffer, ByteCountOffset, 1));
        break;
    case WriteRegister:
    case WriteRegisters:
        dataLength = EchoDataLength;
        break;
    default:
        break;
    }

    // Only a buffer that holds exactly one whole answer is checked: a frame still arriving is
    // never taken for complete, and surplus bytes wait for the next transmit to clear them.
    const int frameLength = dataLength + ReplyOverhead;
    if (n != frameLength)
        return {BufferAction::Wait, dataLength};

    const int crcOffset = dataLength + DataOffset;
    const quint16 received = quint16(field(buffer, crcOffset, CrcSize));
    const quint16 crc =
        crc16(reinterpret_cast<const quint8 *>(buffer.constData()), std::size_t(crcOffset));
    const quint16 expected = quint16((crc << 8) | (crc >> 8));
    if (received != expected)
        return {BufferAction::Wait, dataLength};
    return {BufferAction::Accept, dataLength};
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
    return quint16(field(frame, offset, 2));
}

qint16 signedWord(const QByteArray &frame, int offset)
{
    return qint16(word(frame, offset));
}

} // namespace Modbus
