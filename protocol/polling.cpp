// Periodic reading of the measurements. Whether reading is on is the text of the Read button
// itself, compared with its translation so that any loaded language keeps the two in step.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/timing.h"
#include "ui_widget.h"

#include <QTimer>

namespace {

constexpr int TenthsIndex = 0; // of comboBoxRegister ("*10"); every other index reads hundredths
// comboBoxNum: 0 "ALL", then temperature, humidity, dew point and status in register order.
constexpr int FirstSingleReading = 1;

struct PollRequest
{
    quint16 firstRegister;
    quint16 count;
};

PollRequest pollRequest(int scaleIndex, int quantityIndex)
{
    const quint16 first = scaleIndex == TenthsIndex ? Registers::MeasurementsTenths
                                                    : Registers::MeasurementsHundredths;
    const int single = quantityIndex - FirstSingleReading;
    if (single >= 0 && single < Registers::MeasurementCount)
        return {quint16(first + single), 1};
    return {first, Registers::MeasurementCount};
}

} // namespace

void Widget::PushButtonReadSlot()
{
    if (ui->pushButtonRead->text() == tr("Read")) {
        ui->pushButtonRead->setText(tr("Stop"));
        // The first poll follows a whole interval after the click, not at once.
        timerReadHumiture->start(Timing::PollIntervalMs);
    } else {
        ui->pushButtonRead->setText(tr("Read"));
        timerReadHumiture->stop();
    }
}

void Widget::ReadHumitureOrder()
{
    // Commands restart the timer whether or not reading is on; such ticks send nothing.
    if (ui->pushButtonRead->text() == tr("Read"))
        return;
    timerReadHumiture->start(Timing::PollIntervalMs);
    if (ui->lineEditAddress->text().isEmpty()) {
        // Stopped before the box opens: its event loop would otherwise deliver further ticks
        // and stack up one box a second.
        timerReadHumiture->stop();
        ui->pushButtonRead->setText(tr("Read"));
        showError(tr("The address is empty!"));
        return;
    }
    const PollRequest poll =
        pollRequest(ui->comboBoxRegister->currentIndex(), ui->comboBoxNum->currentIndex());
    AppState.deviceAddress = ReadAddressField();
    transmit(poll.firstRegister,
             Modbus::readRequest(quint8(AppState.deviceAddress), poll.firstRegister, poll.count));
    // An answer to an earlier poll that is still incomplete would only block this one's.
    AppState.rxBuffer.clear();
}
