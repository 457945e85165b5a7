// The transmit side of the protocol: every request the tool sends is built with the frame
// codec and written here. Nothing waits for an answer; pendingRegister tells the parser what
// the last request asked for.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/timing.h"
#include "ui_widget.h"

#include <QSerialPort>
#include <QTimer>

namespace {

using Timing::PollIntervalMs;
using Timing::ResponseTimeoutMs;

QVector<quint16> registerValues(const qint16 *first, int count)
{
    QVector<quint16> values;
    values.reserve(count);
    for (int i = 0; i < count; ++i)
        values.append(quint16(first[i]));
    return values;
}

} // namespace

quint16 Widget::Crc16(const quint8 *data, quint16 length)
{
    // Byte-swapped, so that the result read high byte first is the CRC in wire order.
    const quint16 crc = Modbus::crc16(data, length);
    return quint16((crc << 8) | (crc >> 8));
}

quint16 Widget::ReadAddressField() const
{
    const quint16 address = quint16(ui->lineEditAddress->text().toInt(nullptr, 10));
    return (address >= Registers::FirstDeviceAddress && address <= Registers::LastDeviceAddress)
        ? address
        : 0;
}

void Widget::transmit(quint16 reg, const QByteArray &frame)
{
    if (linkLost)
        return;
    pendingRegister = reg;
    serialPort->write(frame);
    AppState.responseReceived = false;
    AppendLog(QString::fromLatin1(frame.toHex()), false);
}

void Widget::SendReadRequest(quint16 reg, quint16 count)
{
    transmit(reg, Modbus::readRequest(quint8(ReadAddressField()), reg, count));
    timerResponse->start(ResponseTimeoutMs);
    timerReadHumiture->start(PollIntervalMs);
    AppState.rxBuffer.clear();
}

void Widget::SendWriteRequest(quint16 reg, quint16 value)
{
    transmit(reg, Modbus::writeRequest(quint8(ReadAddressField()), reg, value));
    timerResponse->start(ResponseTimeoutMs);
    timerReadHumiture->start(PollIntervalMs);
    AppState.rxBuffer.clear();
}

void Widget::WriteSerialNumber()
{
    // Each two-character piece is read as hexadecimal, so a serial number of decimal digits
    // travels as packed BCD.
    QVector<quint16> values;
    for (int piece = 0; piece < Modbus::SerialNumberBlock.registerCount(); ++piece) {
        const quint8 high = quint8(AppState.serialNumber.mid(4 * piece, 2).toInt(nullptr, 16));
        const quint8 low = quint8(AppState.serialNumber.mid(4 * piece + 2, 2).toInt(nullptr, 16));
        values.append(quint16((high << 8) | low));
    }
    transmit(Modbus::SerialNumberBlock.firstRegister,
             Modbus::blockWrite(quint8(ReadAddressField()), Modbus::SerialNumberBlock, values));
}

void Widget::WriteOutputBlock()
{
    const Modbus::BlockLayout &block = Modbus::OutputBlock;
    const int first = block.firstRegister - Registers::OutputBlockFirst;
    transmit(
        block.firstRegister,
        Modbus::blockWrite(quint8(ReadAddressField()), block,
                           registerValues(AppState.outputRegs + first, block.registerCount())));
}

void Widget::WriteCalibrationBlock()
{
    const Modbus::BlockLayout &block = Modbus::CalibrationBlock;
    const int first = block.firstRegister - Registers::CalibrationBlockFirst;
    transmit(block.firstRegister,
             Modbus::blockWrite(
                 quint8(ReadAddressField()), block,
                 registerValues(AppState.calibrationRegs + first, block.registerCount())));
}
