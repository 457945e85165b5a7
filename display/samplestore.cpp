#include "display/samplestore.h"

#include <algorithm>

SampleStore::SampleStore(int capacity)
    : maxRows(qMax(1, capacity))
{}

void SampleStore::add(qint64 time, qint64 wallTime, const Values &rowValues)
{
    if (rowCount() == maxRows) {
        times.pop_front();
        wallTimes.pop_front();
        for (int q = 0; q < QuantityCount; ++q) {
            values[q].pop_front();
            if (!points[q].empty() && points[q].front() == quint32(droppedRows)) {
                points[q].pop_front();
                ++droppedPoints[q];
            }
        }
        ++droppedRows;
    }
    const quint32 row = quint32(droppedRows + rowCount());
    times.push_back(time);
    wallTimes.push_back(wallTime);
    for (int q = 0; q < QuantityCount; ++q) {
        values[q].push_back(rowValues[size_t(q)]);
        if (!std::isnan(rowValues[size_t(q)]))
            points[q].push_back(row);
    }
}

std::pair<int, int> SampleStore::pointsBetween(Quantity quantity, qint64 from, qint64 to) const
{
    const auto &list = points[quantity];
    const auto timeOf = [this](quint32 row) { return times[size_t(row - quint32(droppedRows))]; };
    const auto first = std::partition_point(list.cbegin(), list.cend(),
                                            [&](quint32 row) { return timeOf(row) < from; });
    const auto last =
        std::partition_point(first, list.cend(), [&](quint32 row) { return timeOf(row) <= to; });
    return {int(first - list.cbegin()), int(last - list.cbegin())};
}

qint64 SampleStore::wallTimeAt(qint64 time) const
{
    if (times.empty())
        return time;
    const auto after = std::upper_bound(times.cbegin(), times.cend(), time);
    const size_t row = after == times.cbegin() ? 0 : size_t(after - times.cbegin()) - 1;
    return wallTimes[row] + (time - times[row]);
}
