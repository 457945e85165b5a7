#ifndef SAMPLESTORE_H
#define SAMPLESTORE_H

#include <QtGlobal>

#include <array>
#include <cmath>
#include <deque>
#include <utility>

// Every reading of the session for the trend window: its time, the wall-clock time it was taken
// at and the three measured values, each "not measured" (NaN) when the answer did not carry it.
// Knows nothing of the protocol or of widgets; the plot's curves and the statistics read it in
// place.
//
// Rows are ordered by their time, which comes from a monotonic clock: the wall clock may step
// back, and is only shown. Bounded at capacity rows, the oldest dropped first: a week of polling
// once a second by default. A row costs 28 bytes (two times and three floats, each in its own
// column), and each measured value 4 more in that quantity's point list, so a week of full polls
// takes about 24 MB. Deques, because they grow in small blocks without copying and drop from the
// front.
class SampleStore
{
public:
    enum Quantity { Temperature, Humidity, DewPoint, QuantityCount };
    using Values = std::array<float, QuantityCount>;

    static constexpr int WeekOfPolling = 7 * 24 * 60 * 60;

    explicit SampleStore(int capacity = WeekOfPolling);

    // time: milliseconds of a monotonic clock, never earlier than the row before; wallTime:
    // milliseconds since the epoch, in any order.
    void add(qint64 time, qint64 wallTime, const Values &values);

    int rowCount() const { return int(times.size()); }
    qint64 rowTime(int row) const { return times[size_t(row)]; }
    qint64 rowWallTime(int row) const { return wallTimes[size_t(row)]; }
    // The wall-clock time at time: that of the row at or before it, moved on by the time
    // between; before the first row, moved back from it. time itself when the store is empty.
    qint64 wallTimeAt(qint64 time) const;
    float rowValue(int row, Quantity quantity) const { return values[quantity][size_t(row)]; }

    // The rows in which one quantity was measured, oldest first: what its curve shows.
    int pointCount(Quantity quantity) const { return int(points[quantity].size()); }
    int pointRow(Quantity quantity, int point) const
    {
        // Unsigned arithmetic keeps the offset right when the row counter wraps.
        return int(points[quantity][size_t(point)] - quint32(droppedRows));
    }
    qint64 pointTime(Quantity quantity, int point) const
    {
        return rowTime(pointRow(quantity, point));
    }
    float pointValue(Quantity quantity, int point) const
    {
        return rowValue(pointRow(quantity, point), quantity);
    }
    // The points of quantity whose time lies in [from, to], as [first, last), found by binary
    // search so that looking at a part costs the same whatever the store holds.
    std::pair<int, int> pointsBetween(Quantity quantity, qint64 from, qint64 to) const;

    // Points dropped so far: point i of quantity is the session's point number
    // droppedPointCount(quantity) + i, which stays with it while the store drops older ones.
    qint64 droppedPointCount(Quantity quantity) const { return droppedPoints[quantity]; }
    // Rows ever added: changes with every add().
    qint64 addedRowCount() const { return droppedRows + rowCount(); }

private:
    int maxRows;
    qint64 droppedRows = 0;
    std::deque<qint64> times;
    std::deque<qint64> wallTimes;
    std::array<std::deque<float>, QuantityCount> values;
    // Each entry is a row's number counted from the session's first row, modulo 2^32.
    std::array<std::deque<quint32>, QuantityCount> points;
    std::array<qint64, QuantityCount> droppedPoints {};
};

#endif // SAMPLESTORE_H
