// Periodic reading of the measurements. Whether reading is on is the text of the Read button
// itself, compared with its translation so that any loaded language keeps the two in step.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/timing.h"
#include "ui_widget.h"

#include <QTimer>

namespace {

constexpr int TenthsIndex = 0; // of comboBoxRegister ("*10"); every other index reads hundredths

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
    if (ui->lineEditAddress->text().isEmpty()) {
        // Stopped before the box opens: its event loop would otherwise deliver further ticks
        // and stack up one box a second.
        timerReadHumiture->stop();
        ui->pushButtonRead->setText(tr("Read"));
        showError(tr("The address is empty!"));
        return;
    }
    const Readings::Scale scale = ui->comboBoxRegister->currentIndex() == TenthsIndex
        ? Readings::Scale::Tenths
        : Readings::Scale::Hundredths;
    const CommandInputs::PollRequest poll =
        CommandInputs::pollRequest(scale, ui->comboBoxNum->currentIndex());
    AppState.deviceAddress = ReadAddressField();
    transmit(poll.firstRegister,
             Modbus::readRequest(quint8(AppState.deviceAddress), poll.firstRegister, poll.count),
             StartPollTimer | ClearReceiveBuffer);
}
