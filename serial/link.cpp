// Opening the link to the transmitter: the Link button, the automatic baud search, and the one
// way a lost link is handled, whether the adapter vanished or floods the line.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/registers.h"
#include "serial/serialportsettingdialog.h"
#include "ui_widget.h"

#include <QApplication>
#include <QDialog>
#include <QSerialPort>
#include <QTimer>

namespace {

// Long enough for the information read and its answer even at 1200 bit/s.
constexpr int BaudSearchStepMs = 500;
// Gives the device a moment after the identity answer before the output block is read.
constexpr int FollowUpDelayMs = 100;

} // namespace

void Widget::PushButtonLinkSlot()
{
    serialPort->close();
    // A search or a pending output-block read belongs to the link being replaced; left running
    // they would reopen the port or send behind the dialog.
    timerAutoUart->stop();
    timerDelay->stop();

    SerialportSettingDialog dialog;
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (AppState.baudRate != 0)
        OpenSerialPort();
    else
        AUTOUartInit();
}

bool Widget::OpenSerialPort()
{
    serialPort->close();
    serialPort->setPortName(AppState.portName);
    // An empty name would open the folder the tool started in.
    const bool named = !AppState.portName.isEmpty();
    if (!named || !serialPort->open(QIODevice::ReadWrite)) {
        // Stopped before the box: its event loop would otherwise run the next search steps.
        timerAutoUart->stop();
        showError(named ? tr("Failed to open the serial port!") + QLatin1Char(' ')
                          + serialPort->errorString()
                        : tr("No serial port was chosen!"));
        return false;
    }
    serialPort->setBaudRate(AppState.baudRate, QSerialPort::AllDirections);
    serialPort->setDataBits(QSerialPort::Data8);
    serialPort->setParity(QSerialPort::NoParity);
    serialPort->setStopBits(QSerialPort::OneStop);
    serialPort->setFlowControl(QSerialPort::NoFlowControl);
    // Unique: the port is reopened at every Link and search step, and one arrival must reach
    // the parser once.
    connect(serialPort, SIGNAL(readyRead()), this, SLOT(my_readuart()), Qt::UniqueConnection);
    AppState.rxBuffer.clear();
    SendReadRequest(Registers::DeviceAddress, Registers::InformationCount);
    return true;
}

void Widget::AUTOUartInit()
{
    const quint8 index = AppState.baudSearchIndex;
    // The first step clears the flag, so an answer from before the search cannot end it; the
    // success check comes before the bounds check, so an answer at the last rate still counts.
    if (index == 0) {
        AppState.responseReceived = false;
    } else if (AppState.responseReceived) {
        ui->comboBoxBaudRate->setCurrentText(QString::number(AppState.baudRate));
        timerAutoUart->stop();
        // The output block read that the identity answer asked for was held back until now.
        TimerDelaySlot();
        return;
    }

    if (index < AppState.baudSearchCount && index < Registers::BaudRateCount) {
        AppState.baudRate = AppState.baudTable[index];
        AppState.baudSearchIndex = quint8(index + 1);
        if (!OpenSerialPort())
            return;
        timerAutoUart->start(BaudSearchStepMs);
        timerResponse->stop();
        return;
    }

    timerAutoUart->stop();
    showError(tr("Communication error!"));
}

void Widget::scheduleOutputRead()
{
    timerDelay->start(FollowUpDelayMs);
}

void Widget::TimerDelaySlot()
{
    timerDelay->stop();
    // During a search the read would clear responseReceived before the search step looks at
    // it; at low rates its answer cannot arrive within the step, and the rate that answered
    // would be passed over. The success step reads the block instead.
    if (timerAutoUart->isActive())
        return;
    SendReadRequest(Registers::OutputBlockFirst, Registers::OutputBlockCount);
}

void Widget::handleSerialError(int error)
{
    // A vanished adapter is reported as a resource error, or, when the line hangs up, as a read
    // error that repeats on every pass of the event loop until the port is closed.
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)
        loseLink();
}

void Widget::loseLink()
{
    // Reported more than once for one loss; the first report closes the port.
    if (!serialPort->isOpen())
        return;
    serialPort->close();
    AppState.rxBuffer.clear();
    timerAutoUart->stop();
    timerDelay->stop();
    timerReadHumiture->stop();
    ui->pushButtonRead->setText(tr("Read"));
    linkLossUntold = true;
    tellLinkLoss();
}

void Widget::tellLinkLoss()
{
    if (!linkLossUntold)
        return;
    // A box already on screen keeps the user's attention; the news follows once it closes.
    if (auto *open = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
        connect(open, &QDialog::finished, this, &Widget::tellLinkLoss, Qt::QueuedConnection);
        return;
    }
    linkLossUntold = false;
    showError(tr("USB device error, please reconnect USB device!"));
}
