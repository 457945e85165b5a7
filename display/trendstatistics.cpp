#include "display/trendstatistics.h"

#include <cmath>

namespace {

constexpr double MillisecondsPerMinute = 60000.0;

} // namespace

void RunningStatistics::add(qint64 time, double value)
{
    if (summary.count == 0) {
        firstTime = time;
        firstValue = value;
        summary.minimum = summary.maximum = value;
    }
    summary.last = value;
    summary.minimum = qMin(summary.minimum, value);
    summary.maximum = qMax(summary.maximum, value);

    const double minutes = double(time - firstTime) / MillisecondsPerMinute;
    const double offset = value - firstValue;
    const double n = ++summary.count;
    const double dMinutes = minutes - meanMinutes;
    const double dOffset = offset - meanOffset;
    meanMinutes += dMinutes / n;
    meanOffset += dOffset / n;
    squaresMinutes += dMinutes * (minutes - meanMinutes);
    squaresOffset += dOffset * (offset - meanOffset);
    coMoment += dMinutes * (offset - meanOffset);
}

TrendStatistics RunningStatistics::result() const
{
    TrendStatistics out = summary;
    if (out.count == 0)
        return out;
    out.mean = firstValue + meanOffset;
    out.standardDeviation = std::sqrt(squaresOffset / out.count);
    if (squaresMinutes > 0)
        out.driftPerMinute = coMoment / squaresMinutes;
    return out;
}

TrendStatistics statisticsOf(const SampleStore &store, SampleStore::Quantity quantity, qint64 from,
                             qint64 to)
{
    RunningStatistics statistics;
    const auto [first, last] = store.pointsBetween(quantity, from, to);
    for (int point = first; point < last; ++point)
        statistics.add(store.pointTime(quantity, point), store.pointValue(quantity, point));
    return statistics.result();
}
