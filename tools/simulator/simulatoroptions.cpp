#include "simulatoroptions.h"

#include "transmittermodel.h"

#include <QStringList>

#include <cmath>

namespace SimulatorOptions {

namespace {

const QChar RangeMark = QLatin1Char('-');

} // namespace

std::optional<QList<int>> numbers(const QString &text, int low, int high, QString *why)
{
    QList<int> list;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QStringList ends = item.split(RangeMark);
        bool firstOk = false;
        bool lastOk = false;
        const int first = ends.first().toInt(&firstOk);
        const int last = ends.last().toInt(&lastOk);
        if (ends.size() > 2 || !firstOk || !lastOk || first < low || last > high || first > last) {
            *why = QStringLiteral("\"%1\" is not a number from %2 to %3 nor a range of them "
                                  "going up, such as %2-%3")
                       .arg(item, QString::number(low), QString::number(high));
            return std::nullopt;
        }
        for (int number = first; number <= last; ++number)
            list << number;
    }
    return list;
}

std::optional<Bias> bias(const QString &text, QString *why)
{
    const QStringList fields = text.split(QLatin1Char(':'));
    bool addressOk = false;
    bool temperatureOk = false;
    bool humidityOk = false;
    const Bias bias {fields.first().toInt(&addressOk), fields.value(1).toDouble(&temperatureOk),
                     fields.value(2).toDouble(&humidityOk)};
    if (fields.size() != 3 || !addressOk || !temperatureOk || !humidityOk
        || bias.address < TransmitterModel::DefaultAddress
        || bias.address > TransmitterModel::MaxAddress || !std::isfinite(bias.temperature)
        || !std::isfinite(bias.humidity)) {
        *why = QStringLiteral("\"%1\" is not ADDRESS:T:H, an address from %2 to %3 and the "
                              "degrees and %RH its readings are off by")
                   .arg(text, QString::number(TransmitterModel::DefaultAddress),
                        QString::number(TransmitterModel::MaxAddress));
        return std::nullopt;
    }
    return bias;
}

} // namespace SimulatorOptions
