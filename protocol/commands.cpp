// The configuration commands of the Device group and the commands no control reaches. Each one
// sends a single request and returns; the answer, if any, is the parser's business.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "ui_widget.h"

#include <QDateTime>
#include <QLocale>
#include <QTimer>

#include <algorithm>

namespace {

constexpr char SerialNumberDateFormat[] = "yyMMddhhmmss";
constexpr int SecondChannelIndex = 1; // of comboBoxChannel

} // namespace

void Widget::PushButtonAddressReadSlot()
{
    SendReadRequest(Registers::DeviceAddress, 1);
}

void Widget::PushButtonAddressSlot()
{
    const QString text = ui->lineEditAddress->text();
    if (text.isEmpty()) {
        showError(tr("The address is empty!"));
        return;
    }
    // Compared as a whole int: 65537 must not pass as address 1.
    const int address = text.toInt(nullptr, 10);
    if (!CommandInputs::isDeviceAddress(address)) {
        showError(tr("The address is between 1 and 247!"));
        return;
    }
    // The device's present address may be unknown or wrong, which is why it is being changed.
    transmit(
        Registers::DeviceAddress,
        Modbus::writeRequest(Registers::AnyAddress, Registers::DeviceAddress, quint16(address)),
        StartResponseTimer | StartPollTimer);
}

void Widget::PushButtonBaudRateSlot()
{
    // An empty or foreign selector must not reprogram the device to a speed it has no code for.
    const int code = ui->comboBoxBaudRate->currentIndex() + Registers::FirstBaudCode;
    if (code < Registers::FirstBaudCode || code > Registers::LastBaudCode)
        return;
    SendWriteRequest(Registers::BaudRateCode, quint16(code));
}

void Widget::PushButtonReadSNSlot()
{
    SendReadRequest(Registers::SerialNumber, Registers::SerialNumberCount);
}

void Widget::PushButtonAUTOSetupSlot()
{
    // ASCII decimal digits only, whatever the system's locale writes numbers with, so the device
    // stores the date and time as packed BCD.
    AppState.serialNumber =
        QLocale::c().toString(QDateTime::currentDateTime(), QLatin1String(SerialNumberDateFormat));
    writeSerialNumber(StartPollTimer | ClearReceiveBuffer);
}

void Widget::PushButtonMANUSetupSlot()
{
    // Assigned before the checks, so a refused text stays in serialNumber until a read or a
    // setup replaces it.
    AppState.serialNumber = ui->lineEditSN->text();
    if (AppState.serialNumber.size() != Registers::SerialNumberDigits) {
        showError(tr("The serial number is a fixed 12 characters!"));
        return;
    }
    if (!CommandInputs::isHexadecimal(AppState.serialNumber)) {
        showError(tr("The serial number must be 12 hexadecimal digits!"));
        return;
    }
    writeSerialNumber(StartPollTimer | ClearReceiveBuffer);
}

void Widget::PushButtonTempRangeSlot()
{
    const QString minText = ui->lineEditRangeMin->text();
    const QString maxText = ui->lineEditRangeMax->text();
    if (minText.isEmpty() || maxText.isEmpty()) {
        showError(tr("Data is empty!"));
        return;
    }
    qint16 minTenths = 0;
    qint16 maxTenths = 0;
    if (!CommandInputs::rangeLimitInTenths(minText, &minTenths)
        || !CommandInputs::rangeLimitInTenths(maxText, &maxTenths)) {
        showError(tr("The temperature range must be a number from -3276.8 to 3276.7!"));
        return;
    }
    AppState.tempRangeMin = minTenths;
    AppState.tempRangeMax = maxTenths;
    const Modbus::BlockLayout &block = Registers::TemperatureRangeBlock;
    transmit(block.firstRegister,
             Modbus::blockWrite(quint8(ReadAddressField()), block,
                                {quint16(minTenths), quint16(maxTenths)}),
             ClearReceiveBuffer);
}

void Widget::PushButtonHeaterONSlot()
{
    SendWriteRequest(Registers::Heater, Registers::HeaterOn);
}

void Widget::PushButtonHeaterOFFSlot()
{
    SendWriteRequest(Registers::Heater, Registers::HeaterOff);
}

void Widget::PushButtonOutputSlot()
{
    if (qobject_cast<QPushButton *>(sender()) != ui->pushButtonOutputData) {
        // Without its button there is no channel to address: the request that still goes out
        // writes 0 to register 0x0000, which changes no setting.
        SendWriteRequest(Registers::MeasurementsHundredths, Registers::ClearValue);
        return;
    }
    const quint16 reg = ui->comboBoxChannel->currentIndex() == SecondChannelIndex
        ? Registers::OutputDataChannel2
        : Registers::OutputDataChannel1;
    const int selection = ui->comboBoxOutputData->currentIndex();
    // An empty selector has nothing to send; 0xFFFF is no output the device knows.
    if (selection < 0)
        return;
    SendWriteRequest(reg, quint16(std::min(selection, int(Registers::LastOutputData))));
}

void Widget::PushButtonOutputReadSlot()
{
    SendReadRequest(Registers::OutputBlockFirst, Registers::OutputBlockCount);
}

void Widget::PushButtonOutputApplySlot()
{
    AppState.outputRegs[Registers::OutputApply - Registers::OutputBlockFirst] =
        Registers::ApplyBlock;
    WriteOutputBlock();
}

void Widget::PushButtonCalibrationReadSlot()
{
    SendReadRequest(Registers::CalibrationBlockFirst, Registers::CalibrationBlockCount);
}

void Widget::PushButtonCalibrationResetSlot()
{
    SendWriteRequest(Registers::CalibrationReset, Registers::ClearValue);
}

void Widget::PushButtonCalibrationApplySlot()
{
    AppState.calibrationRegs[Registers::CalibrationReset - Registers::CalibrationBlockFirst] =
        Registers::ApplyBlock;
    WriteCalibrationBlock();
}

void Widget::PushButtonCapClearSlot()
{
    SendWriteRequest(Registers::CapClear, Registers::ClearValue);
}

void Widget::PushButtonResClearSlot()
{
    SendWriteRequest(Registers::ResClear, Registers::ClearValue);
}

void Widget::PushButtonUnitSlot()
{
    SendWriteRequest(Registers::Unit, Registers::ClearValue);
}
