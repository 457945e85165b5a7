// The configuration commands of the Device group and the commands no control reaches. Each one
// sends a single request and returns; the answer, if any, is the parser's business.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/timing.h"
#include "ui_widget.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr char SerialNumberDateFormat[] = "yyMMddhhmmss";
constexpr int SecondChannelIndex = 1; // of comboBoxChannel

// A limit of the temperature range as the device stores it: tenths of a degree in a signed
// register. The product is formed in single precision and truncated toward zero, so 100.1
// gives 1001 and -0.05 gives 0. Texts that are no number, or whose tenths the register cannot
// hold, give false rather than a value wrapped into 16 bits.
bool rangeLimitInTenths(const QString &text, qint16 *tenths)
{
    bool ok = false;
    const float degrees = text.toFloat(&ok);
    if (!ok)
        return false;
    const float truncated = std::trunc(degrees * 10.0f);
    // Written so that a NaN fails too.
    if (!(truncated >= float(std::numeric_limits<qint16>::min())
          && truncated <= float(std::numeric_limits<qint16>::max())))
        return false;
    *tenths = qint16(truncated);
    return true;
}

bool isHexadecimal(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        const char latin = c.toLatin1();
        return c.unicode() < 0x80
            && ((latin >= '0' && latin <= '9') || (latin >= 'a' && latin <= 'f')
                || (latin >= 'A' && latin <= 'F'));
    });
}

// Index of an element of a cached register block.
constexpr int blockIndex(quint16 reg, quint16 blockFirst)
{
    return reg - blockFirst;
}

} // namespace

void Widget::PushButtonAddressReadSlot()
{
    SendReadRequest(Registers::DeviceAddress, Registers::DeviceAddressCount);
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
    if (address < Registers::FirstDeviceAddress || address > Registers::LastDeviceAddress) {
        showError(tr("The address is between 1 and 247!"));
        return;
    }
    // The device's present address may be unknown or wrong, which is why it is being changed.
    transmit(
        Registers::DeviceAddress,
        Modbus::writeRequest(Registers::AnyAddress, Registers::DeviceAddress, quint16(address)));
    timerResponse->start(Timing::ResponseTimeoutMs);
    timerReadHumiture->start(Timing::PollIntervalMs);
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

void Widget::sendSerialNumber()
{
    WriteSerialNumber();
    timerReadHumiture->start(Timing::PollIntervalMs);
    AppState.rxBuffer.clear();
}

void Widget::PushButtonAUTOSetupSlot()
{
    // Decimal digits only, so the device stores the date and time as packed BCD.
    AppState.serialNumber =
        QDateTime::currentDateTime().toString(QLatin1String(SerialNumberDateFormat));
    sendSerialNumber();
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
    if (!isHexadecimal(AppState.serialNumber)) {
        showError(tr("The serial number must be 12 hexadecimal digits!"));
        return;
    }
    sendSerialNumber();
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
    if (!rangeLimitInTenths(minText, &minTenths) || !rangeLimitInTenths(maxText, &maxTenths)) {
        showError(tr("The temperature range must be a number from -3276.8 to 3276.7!"));
        return;
    }
    AppState.tempRangeMin = minTenths;
    AppState.tempRangeMax = maxTenths;
    const Modbus::BlockLayout &block = Modbus::TemperatureRangeBlock;
    transmit(block.firstRegister,
             Modbus::blockWrite(quint8(ReadAddressField()), block,
                                {quint16(minTenths), quint16(maxTenths)}));
    AppState.rxBuffer.clear();
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
    AppState
        .outputRegs[blockIndex(Modbus::OutputBlock.firstRegister, Registers::OutputBlockFirst)] =
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
    AppState.calibrationRegs[blockIndex(Modbus::CalibrationBlock.firstRegister,
                                        Registers::CalibrationBlockFirst)] = Registers::ApplyBlock;
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
