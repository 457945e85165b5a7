// The receive side of the protocol: bytes collect in rxBuffer until they form one intact answer,
// which is then decoded as the reply to the last request sent (pendingRegister), stored in
// AppState and handed to the display.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/frame.h"
#include "protocol/replydecoder.h"

#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {

constexpr int ClearIntervalMs = 100;

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

} // namespace

void Widget::my_readuart()
{
    timerClear->start(ClearIntervalMs);
    const Modbus::Receipt receipt = Modbus::receive(AppState.rxBuffer, serialPort->readAll());
    AppState.rxBuffer = receipt.buffer;
    switch (receipt.action) {
    case Modbus::BufferAction::Drop:
    case Modbus::BufferAction::Wait:
        return;
    case Modbus::BufferAction::AdapterFault:
        loseLink();
        return;
    case Modbus::BufferAction::Accept:
        break;
    }

    const ReplyDecoder::Reply reply =
        ReplyDecoder::decode(pendingRegister, receipt.frame, receipt.dataLength);
    store(reply);
    showReply(reply);
    if (reply.refreshIdentity)
        scheduleOutputRead();
    AppState.responseReceived = true;
    AppendLog(QString::fromLatin1(receipt.frame.toHex()), true);
}
