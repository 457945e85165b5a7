#ifndef TRENDSTATISTICS_H
#define TRENDSTATISTICS_H

#include "display/samplestore.h"

#include <limits>

// What the trend window shows under its plot for each quantity over the points in view. Qt Core
// only, so the arithmetic can be checked as tables.
struct TrendStatistics
{
    static constexpr double None = std::numeric_limits<double>::quiet_NaN();

    int count = 0;
    double last = None;
    double minimum = None;
    double maximum = None;
    double mean = None;
    // Of the points themselves (divided by the count), not an estimate for a larger population.
    double standardDeviation = None;
    // Least-squares slope, per minute; needs two points at different times.
    double driftPerMinute = None;
};

// Readings sit far from zero (23.45 degrees with noise of 0.01) and times are milliseconds since
// the epoch, so sums of squares would cancel away the spread. Every point is taken relative to
// the first, and the moments are updated one point at a time (Welford), which keeps the result
// exact to the last few digits of a double.
class RunningStatistics
{
public:
    void add(qint64 time, double value);
    // Takes in the points of later, all of them newer than these (Chan's pairwise update, as
    // exact as adding them one by one).
    void merge(const RunningStatistics &later);
    TrendStatistics result() const;

private:
    TrendStatistics summary;
    qint64 firstTime = 0;
    double firstValue = 0;
    double meanMinutes = 0;
    double meanOffset = 0;
    double squaresMinutes = 0;
    double squaresOffset = 0;
    double coMoment = 0;
};

// The statistics of quantity over the points whose time lies in [from, to].
TrendStatistics statisticsOf(const SampleStore &store, SampleStore::Quantity quantity, qint64 from,
                             qint64 to);

#endif // TRENDSTATISTICS_H
