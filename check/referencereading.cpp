#include "check/referencereading.h"

#include "check/verdict.h"
#include "protocol/humidity.h"

#include <cmath>

namespace {

// Shown and recorded to thousandths, as the point's reference is.
constexpr int ReferenceDecimals = Verdicts::Decimals;

} // namespace

QVector<RegisterField> ReferenceReading::fields(const ReferenceMap &map)
{
    return {map.temperature, map.dewPoint.isSet() ? map.dewPoint : map.humidity};
}

ReferenceReading ReferenceReading::fromValues(const ReferenceMap &map,
                                              const QVector<double> &values)
{
    ReferenceReading reading;
    reading.temperature = values.value(0, None);
    const double second = values.value(1, None);
    if (map.dewPoint.isSet()) {
        reading.dewPoint = second;
        reading.humidity = Magnus::relativeHumidity(reading.temperature, reading.dewPoint);
    } else {
        reading.humidity = second;
    }
    return reading;
}

bool ReferenceReading::isComplete() const
{
    return std::isfinite(temperature) && std::isfinite(humidity);
}

TrendReading ReferenceReading::trendReading(const QDateTime &time, qint64 steadyMs) const
{
    TrendReading row;
    row.time = time;
    row.steadyMs = steadyMs;
    row.decimals = ReferenceDecimals;
    row.values = {float(temperature), float(humidity), float(dewPoint)};
    return row;
}
