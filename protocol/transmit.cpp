// The transmit side of the protocol: every request the tool sends is built with the frame
// codec and written here. Nothing waits for an answer; pendingRegister tells the parser what
// the last request asked for.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/timing.h"
#include "ui_widget.h"

#include <QSerialPort>
#include <QTimer>

namespace {

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
    return CommandInputs::requestAddress(ui->lineEditAddress->text());
}

void Widget::transmit(quint16 reg, const QByteArray &frame, int after)
{
    pendingRegister = reg;
    serialPort->write(frame);
    AppState.responseReceived = false;
    AppendLog(QString::fromLatin1(frame.toHex()), false);
    if (after & StartResponseTimer)
        timerResponse->start(Timing::ResponseTimeoutMs);
    if (after & StartPollTimer)
        timerReadHumiture->start(Timing::PollIntervalMs);
    // An answer to an earlier request that is still incomplete would only block this one's.
    if (after & ClearReceiveBuffer)
        AppState.rxBuffer.clear();
}

void Widget::SendReadRequest(quint16 reg, quint16 count)
{
    transmit(reg, Modbus::readRequest(quint8(ReadAddressField()), reg, count), AsReadOrWrite);
}

void Widget::SendWriteRequest(quint16 reg, quint16 value)
{
    transmit(reg, Modbus::writeRequest(quint8(ReadAddressField()), reg, value), AsReadOrWrite);
}

void Widget::writeSerialNumber(int after)
{
    const Modbus::BlockLayout &block = Registers::SerialNumberBlock;
    transmit(block.firstRegister,
             Modbus::blockWrite(quint8(ReadAddressField()), block,
                                CommandInputs::serialNumberWords(AppState.serialNumber)),
             after);
}

void Widget::WriteSerialNumber()
{
    writeSerialNumber(NothingMore);
}

void Widget::WriteOutputBlock()
{
    const Modbus::BlockLayout &block = Registers::OutputWriteBack;
    const int first = block.firstRegister - Registers::OutputBlockFirst;
    transmit(block.firstRegister,
             Modbus::blockWrite(quint8(ReadAddressField()), block,
                                registerValues(AppState.outputRegs + first, block.registerCount())),
             NothingMore);
}

void Widget::WriteCalibrationBlock()
{
    const Modbus::BlockLayout &block = Registers::CalibrationWriteBack;
    const int first = block.firstRegister - Registers::CalibrationBlockFirst;
    transmit(
        block.firstRegister,
        Modbus::blockWrite(quint8(ReadAddressField()), block,
                           registerValues(AppState.calibrationRegs + first, block.registerCount())),
        NothingMore);
}
