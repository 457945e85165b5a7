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

void RunningStatistics::merge(const RunningStatistics &later)
{
    if (later.summary.count == 0)
        return;
    if (summary.count == 0) {
        *this = later;
        return;
    }
    // The later points' means, taken relative to these points' first.
    const double laterMinutes =
        later.meanMinutes + double(later.firstTime - firstTime) / MillisecondsPerMinute;
    const double laterOffset = later.meanOffset + (later.firstValue - firstValue);
    const double n = summary.count;
    const double m = later.summary.count;
    const double total = n + m;
    const double dMinutes = laterMinutes - meanMinutes;
    const double dOffset = laterOffset - meanOffset;
    const double weight = n * m / total;
    meanMinutes += dMinutes * m / total;
    meanOffset += dOffset * m / total;
    squaresMinutes += later.squaresMinutes + dMinutes * dMinutes * weight;
    squaresOffset += later.squaresOffset + dOffset * dOffset * weight;
    coMoment += later.coMoment + dMinutes * dOffset * weight;
    summary.count += later.summary.count;
    summary.last = later.summary.last;
    summary.minimum = qMin(summary.minimum, later.summary.minimum);
    summary.maximum = qMax(summary.maximum, later.summary.maximum);
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
