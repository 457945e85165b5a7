#include "serial/serialportsettingdialog.h"

#include "app/appstate.h"
#include "ui_serialportsettingdialog.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include <algorithm>

namespace {

constexpr int AutoBaudIndex = 0;

// A port another program holds, or one that vanished since it was enumerated, is not offered.
bool canOpen(const QSerialPortInfo &info)
{
    QSerialPort probe;
    probe.setPort(info);
    if (!probe.open(QIODevice::ReadWrite))
        return false;
    probe.close();
    return true;
}

} // namespace

SerialportSettingDialog::SerialportSettingDialog(QWidget *parent)
    : QDialog(parent)
{
    ui = new Ui::SerialportSettingDialog;
    ui->setupUi(this);
    setWindowTitle(tr("Serial port"));

    // Pseudo-terminals and some adapters are not enumerated, so a technician may type a path.
    ui->comboBoxName->setEditable(true);
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (canOpen(info))
            ui->comboBoxName->addItem(info.portName());
    }

    std::copy(Registers::BaudSearchOrder.cbegin(), Registers::BaudSearchOrder.cend(),
              AppState.baudTable);
    AppState.baudSearchIndex = 0;
    AppState.baudSearchCount = Registers::BaudRateCount;

    ui->comboBoxBaud->setCurrentIndex(AutoBaudIndex);

    connect(ui->pushButtonOK, SIGNAL(clicked()), this, SLOT(ClickedOKSlots()));
    connect(ui->pushButtonCancel, SIGNAL(clicked()), this, SLOT(ClickedCancelSlots()));
}

SerialportSettingDialog::~SerialportSettingDialog()
{
    delete ui;
}

void SerialportSettingDialog::ClickedCancelSlots()
{
    reject();
}

void SerialportSettingDialog::ClickedOKSlots()
{
    AppState.portName = ui->comboBoxName->currentText();
    AppState.baudRate = ui->comboBoxBaud->currentIndex() == AutoBaudIndex
        ? 0
        : ui->comboBoxBaud->currentText().toInt(nullptr, 10);
    AppState.parityIndex = ui->comboBoxParity->currentIndex();
    AppState.dataBits = ui->comboBoxData->currentText().toInt(nullptr, 10);
    AppState.stopBits = ui->comboBoxStop->currentText().toInt(nullptr, 10);
    accept();
}
