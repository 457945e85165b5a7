// Turns the values the parser stored into what the Device and Real time data groups show. Each
// reading comes with the 4-20 mA, 0-5 V and 0-10 V outputs a transmitter would give for it.
#include "app/widget.h"

#include "app/appstate.h"
#include "display/trendfeed.h"
#include "display/trendsession.h"
#include "protocol/readings.h"
#include "protocol/registers.h"
#include "protocol/replydecoder.h"
#include "ui_widget.h"

#include <QDebug>

#include <cmath>

namespace {

constexpr int AnalogDecimals = 3;
constexpr int DualChannelCount = 2;
constexpr int SingleChannelCount = 1;
constexpr int OutputDataSelection = 1; // element of outputRegs holding the output selection

constexpr QChar Celsius(0x2103);
const QLatin1String Blanks("  ");

// Stands in for a number that has no value to show, such as an output on a range whose ends
// coincide, so that no label ever reads nan or inf.
QString number(float value, int decimals)
{
    return std::isfinite(value) ? QString::number(double(value), 'f', decimals)
                                : QStringLiteral("---");
}

QString segment(const char *colour, const QString &text, const QString &unit, QLatin1String tail)
{
    return QStringLiteral("<font color=") + QLatin1String(colour) + QLatin1Char('>') + text + unit
        + tail + QStringLiteral("</font>");
}

QString rangeText(qint16 tenths)
{
    return QString::number(tenths / Registers::RangeTenthsPerDegree, 'f', 1);
}

} // namespace

QString Widget::FormatReading(float min, float max, float value, quint8 decimals, bool isPercent)
{
    const Readings::AnalogOutputs outputs = Readings::analogOutputs(min, max, value);
    return segment("red", number(value, decimals),
                   isPercent ? QStringLiteral("%") : QString(Celsius), Blanks)
        + segment("green", number(outputs.current, AnalogDecimals), tr("mA"), Blanks)
        + segment("blue", number(outputs.lowVoltage, AnalogDecimals), tr("V"), Blanks)
        + segment("blue", number(outputs.highVoltage, AnalogDecimals), tr("V"), QLatin1String());
}

void Widget::ShowReadings(int mode, ReadingScale scale)
{
    const float min = ui->lineEditRangeMin->text().toFloat();
    const float max = ui->lineEditRangeMax->text().toFloat();
    const quint8 decimals = quint8(Readings::decimals(scale));
    const auto shows = [mode](int single) { return mode == Readings::ShowAll || mode == single; };

    QString temperature = tr("Temperature:---");
    QString humidity = tr("Humidity:---");
    QString dewPoint = tr("DewTemp:---");
    if (shows(Readings::ShowTemperature))
        temperature = tr("Temperature:")
            + FormatReading(min, max, Readings::value(AppState.temperatureRaw, scale), decimals,
                            false);
    if (shows(Readings::ShowHumidity))
        humidity = tr("Humidity:")
            + FormatReading(Readings::HumidityMin, Readings::HumidityMax,
                            Readings::value(AppState.humidityRaw, scale), decimals, true);
    if (shows(Readings::ShowDewPoint))
        dewPoint = tr("DewTemp:")
            + FormatReading(min, max, Readings::value(AppState.dewPointRaw, scale), decimals,
                            false);

    ui->labelTemperature->setText(temperature);
    ui->labelHumidity->setText(humidity);
    ui->labelDewTemp->setText(dewPoint);
}

void Widget::ShowDeviceAddress()
{
    ui->lineEditAddress->setText(QString::number(AppState.deviceAddress, 10));
}

void Widget::ShowBaudRate()
{
    // The selector lists the codes 1..6 in order; an unknown code selects nothing, so that no
    // rate shows that the device does not use.
    ui->comboBoxBaudRate->setCurrentIndex(AppState.baudRateCode - Registers::FirstBaudCode);
}

void Widget::RefillChannelCombo(int count)
{
    ui->comboBoxChannel->clear();
    for (int i = 1; i <= count; ++i)
        ui->comboBoxChannel->addItem(QString::number(i));
}

void Widget::showReply(const ReplyDecoder::Reply &reply)
{
    switch (reply.row) {
    case ReplyDecoder::Row::Readings:
        ShowReadings(reply.readingMode, reply.scale);
        session->add(TrendFeed::fromReply(reply, AppState.deviceAddress, AppState.serialNumber));
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
