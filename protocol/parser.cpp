// The receive side of the protocol: bytes collect in rxBuffer until they form one intact answer,
// which is then decoded as the reply to the last request sent (pendingRegister).
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/frame.h"
#include "protocol/replydecoder.h"
#include "ui_widget.h"

#include <QDebug>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

constexpr int ClearIntervalMs = 100;
// Gives the device a moment after the identity answer before the output block is read.
constexpr int FollowUpDelayMs = 100;
constexpr int DualChannelCount = 2;
constexpr int SingleChannelCount = 1;
constexpr int OutputDataSelection = 1; // element of outputRegs holding the output selection

template<typename Field, typename Value>
void assign(Field &field, const std::optional<Value> &value)
{
    if (value)
        field = *value;
}

void store(const ReplyDecoder::Reply &reply)
{
    assign(AppState.temperatureRaw, reply.temperatureRaw);
    assign(AppState.humidityRaw, reply.humidityRaw);
    assign(AppState.dewPointRaw, reply.dewPointRaw);
    assign(AppState.statusRaw, reply.statusRaw);
    assign(AppState.deviceAddress, reply.deviceAddress);
    assign(AppState.baudRateCode, reply.baudRateCode);
    assign(AppState.infoReg0102, reply.infoReg0102);
    assign(AppState.dualChannel, reply.dualChannel);
    assign(AppState.serialNumber, reply.serialNumber);
    assign(AppState.tempRangeMin, reply.tempRangeMin);
    assign(AppState.tempRangeMax, reply.tempRangeMax);
    // The decoder hands over a block only when it holds every register of it.
    if (reply.row == ReplyDecoder::Row::OutputBlock)
        std::copy(reply.registers.cbegin(), reply.registers.cend(), AppState.outputRegs);
    else if (reply.row == ReplyDecoder::Row::CalibrationBlock)
        std::copy(reply.registers.cbegin(), reply.registers.cend(), AppState.calibrationRegs);
}

QString rangeText(qint16 tenths)
{
    return QString::number(tenths / 10.0, 'f', 1);
}

} // namespace

void Widget::my_readuart()
{
    timerClear->start(ClearIntervalMs);
    AppState.rxBuffer.append(serialPort->readAll());
    const QByteArray frame = AppState.rxBuffer;

    const Modbus::Acceptance acceptance = Modbus::examine(frame);
    switch (acceptance.action) {
    case Modbus::BufferAction::Drop:
        AppState.rxBuffer.clear();
        return;
    case Modbus::BufferAction::AdapterFault:
        // Closed before the box opens, so that its event loop delivers no more of the flood.
        serialPort->close();
        AppState.rxBuffer.clear();
        showError(tr("USB device error, please reconnect USB device!"));
        return;
    case Modbus::BufferAction::Wait:
        return;
    case Modbus::BufferAction::Accept:
        break;
    }

    const ReplyDecoder::Reply reply =
        ReplyDecoder::decode(pendingRegister, frame, acceptance.dataLength);
    store(reply);
    showReply(reply);
    AppState.responseReceived = true;
    AppendLog(QString::fromLatin1(frame.toHex()), true);
    AppState.rxBuffer.clear();
}

void Widget::showReply(const ReplyDecoder::Reply &reply)
{
    switch (reply.row) {
    case ReplyDecoder::Row::Readings:
        ShowReadings(reply.readingMode, reply.scale);
        break;
    case ReplyDecoder::Row::Information:
        ShowDeviceAddress();
        if (!reply.refreshIdentity)
            break;
        // A short block leaves the controls of the fields it lacks as they are.
        if (reply.baudRateCode)
            ShowBaudRate();
        if (reply.serialNumber)
            ui->lineEditSN->setText(AppState.serialNumber);
        if (reply.tempRangeMin)
            ui->lineEditRangeMin->setText(rangeText(AppState.tempRangeMin));
        if (reply.tempRangeMax)
            ui->lineEditRangeMax->setText(rangeText(AppState.tempRangeMax));
        if (reply.dualChannel)
            RefillChannelCombo(AppState.dualChannel ? DualChannelCount : SingleChannelCount);
        timerDelay->start(FollowUpDelayMs);
        break;
    case ReplyDecoder::Row::BaudRate:
        ShowBaudRate();
        break;
    case ReplyDecoder::Row::SerialNumber:
        if (reply.serialNumberWritten)
            qDebug("ok");
        ui->lineEditSN->setText(AppState.serialNumber);
        break;
    case ReplyDecoder::Row::OutputBlock: {
        qDebug("999");
        const qint16 selection = AppState.outputRegs[OutputDataSelection];
        if (selection >= 0 && selection < ui->comboBoxOutputData->count())
            ui->comboBoxOutputData->setCurrentIndex(selection);
        break;
    }
    case ReplyDecoder::Row::None:
    case ReplyDecoder::Row::AddressEcho:
    case ReplyDecoder::Row::CalibrationBlock:
        break;
    }
}
