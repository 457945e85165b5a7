// Turns the values the parser stored into what the Device and Real time data groups show. Each
// reading comes with the 4-20 mA, 0-5 V and 0-10 V outputs a transmitter would give for it.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/registers.h"
#include "ui_widget.h"

#include <cmath>
#include <limits>

namespace {

constexpr int AnalogDecimals = 3;
constexpr float CurrentSpan = 16.0f;
constexpr float CurrentZero = 4.0f;
constexpr float LowVoltageSpan = 5.0f;
constexpr float HighVoltageSpan = 10.0f;
constexpr float VoltageZero = 0.0f;
constexpr float HumidityMin = 0.0f;
constexpr float HumidityMax = 100.0f;

struct Scale
{
    double divisor;
    quint8 decimals;
};

constexpr Scale Hundredths {100.0, 2};
constexpr Scale Tenths {10.0, 1};

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

float reading(qint64 raw, const Scale &scale)
{
    return float(double(raw) / scale.divisor);
}

} // namespace

QString Widget::FormatReading(float min, float max, float value, quint8 decimals, bool isPercent)
{
    const float span = max - min;
    const float r = span != 0.0f ? (value - min) / span : std::numeric_limits<float>::quiet_NaN();
    return segment("red", number(value, decimals),
                   isPercent ? QStringLiteral("%") : QString(Celsius), Blanks)
        + segment("green", number(CurrentSpan * r + CurrentZero, AnalogDecimals), tr("mA"), Blanks)
        + segment("blue", number(LowVoltageSpan * r + VoltageZero, AnalogDecimals), tr("V"), Blanks)
        + segment("blue", number(HighVoltageSpan * r + VoltageZero, AnalogDecimals), tr("V"),
                  QLatin1String());
}

void Widget::ShowReadings(int mode, ReadingScale scale)
{
    const float min = ui->lineEditRangeMin->text().toFloat();
    const float max = ui->lineEditRangeMax->text().toFloat();
    const Scale &units = scale == ReadingScale::Tenths ? Tenths : Hundredths;

    QString temperature = tr("Temperature:---");
    QString humidity = tr("Humidity:---");
    QString dewPoint = tr("DewTemp:---");
    if (mode == ShowAll || mode == ShowTemperature)
        temperature = tr("Temperature:")
            + FormatReading(min, max, reading(AppState.temperatureRaw, units), units.decimals,
                            false);
    if (mode == ShowAll || mode == ShowHumidity)
        humidity = tr("Humidity:")
            + FormatReading(HumidityMin, HumidityMax, reading(AppState.humidityRaw, units),
                            units.decimals, true);
    if (mode == ShowAll || mode == ShowDewPoint)
        dewPoint = tr("DewTemp:")
            + FormatReading(min, max, reading(AppState.dewPointRaw, units), units.decimals, false);

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
    // The selector lists the codes 1..6 in order; an unknown code leaves it as it is.
    const quint16 code = AppState.baudRateCode;
    if (code >= Registers::FirstBaudCode && code <= Registers::LastBaudCode)
        ui->comboBoxBaudRate->setCurrentIndex(code - Registers::FirstBaudCode);
}

void Widget::RefillChannelCombo(int count)
{
    ui->comboBoxChannel->clear();
    for (int i = 1; i <= count; ++i)
        ui->comboBoxChannel->addItem(QString::number(i));
}
