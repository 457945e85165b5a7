#include "display/quantityview.h"

#include <algorithm>

namespace {

// A stretch is about this many columns wide, so each column draws at most a lowest and a highest
// point of its own.
constexpr qint64 ColumnsPerStretch = 2;

// The shortest power of two of milliseconds that makes stretches at least ColumnsPerStretch
// columns wide: powers of two, so that a growing span keeps its stretches most of the time.
qint64 stretchMsFor(qint64 span, int columns)
{
    const qint64 wanted = (ColumnsPerStretch * span + columns - 1) / columns;
    qint64 ms = 1;
    while (ms < wanted)
        ms *= 2;
    return ms;
}

} // namespace

QuantityView::QuantityView(const SampleStore &store, SampleStore::Quantity quantity)
    : store(store)
    , quantity(quantity)
{}

qint64 QuantityView::timeOf(qint64 number) const
{
    return store.pointTime(quantity, int(number - store.droppedPointCount(quantity)));
}

float QuantityView::valueOf(qint64 number) const
{
    return store.pointValue(quantity, int(number - store.droppedPointCount(quantity)));
}

void QuantityView::Stretch::add(qint64 number, qint64 time, float value)
{
    if (empty)
        first = number;
    if (empty || value < lowValue) {
        lowest = number;
        lowValue = value;
    }
    if (empty || value > highValue) {
        highest = number;
        highValue = value;
    }
    empty = false;
    last = number;
    statistics.add(time, double(value));
}

bool QuantityView::show(qint64 from, qint64 to, int columns)
{
    if (from == shownFrom && to == shownTo && columns == shownColumns
        && store.addedRowCount() == shownRows)
        return false;
    shownFrom = from;
    shownTo = to;
    shownColumns = columns;
    shownRows = store.addedRowCount();

    const auto [firstIndex, endIndex] = store.pointsBetween(quantity, from, to);
    const qint64 base = store.droppedPointCount(quantity);
    const qint64 first = base + firstIndex;
    const qint64 end = base + endIndex;
    std::vector<qint64> before;
    before.swap(drawn);
    oldestDrawn = 0;
    if (columns <= 0 || end - first <= qint64(PointsPerColumn) * columns) {
        stretches.clear();
        stretchMs = 0;
        showEvery(first, end);
    } else {
        reduce(from, to, columns, first, end);
    }
    return drawn.size() != before.size()
        || !std::equal(drawn.cbegin() + qint64(oldestDrawn), drawn.cend(),
                       before.cbegin() + qint64(oldestDrawn));
}

void QuantityView::reduce(qint64 from, qint64 to, int columns, qint64 first, qint64 end)
{
    const qint64 ms = stretchMsFor(qMax<qint64>(1, to - from), columns);
    if (ms != stretchMs) {
        stretches.clear();
        stretchMs = ms;
    }
    takeIn(first);
    RunningStatistics statistics;
    for (const Stretch &stretch : stretches) {
        if (stretch.last < first)
            continue;
        if (stretch.first >= end)
            break;
        if (stretch.first >= first && stretch.last < end) {
            statistics.merge(stretch.statistics);
            draw(stretch);
        } else {
            // A stretch the view cuts: only its points inside count and show.
            const Stretch inside =
                stretchOf(qMax(first, stretch.first), qMin(end - 1, stretch.last));
            statistics.merge(inside.statistics);
            draw(inside);
        }
        if (oldestDrawn == 0)
            oldestDrawn = drawn.size();
    }
    viewStatistics = statistics.result();
}

void QuantityView::showEvery(qint64 first, qint64 end)
{
    RunningStatistics statistics;
    for (qint64 number = first; number < end; ++number) {
        drawn.push_back(number);
        statistics.add(timeOf(number), double(valueOf(number)));
    }
    viewStatistics = statistics.result();
}

void QuantityView::takeIn(qint64 first)
{
    const qint64 base = store.droppedPointCount(quantity);
    const qint64 end = base + store.pointCount(quantity);
    // Stretches before the view, or of points the store dropped, are of no more use; a view that
    // starts before the kept stretches needs them all anew.
    while (!stretches.empty() && (stretches.front().last < first || stretches.front().last < base))
        stretches.pop_front();
    if (!stretches.empty() && stretches.front().first > first)
        stretches.clear();
    if (!stretches.empty() && stretches.front().first < base) {
        const qint64 last = stretches.front().last;
        stretches.front() = stretchOf(base, last);
    }

    qint64 number = stretches.empty() ? first : stretches.back().last + 1;
    for (; number < end; ++number) {
        const qint64 time = timeOf(number);
        const qint64 index = time / stretchMs;
        if (stretches.empty() || stretches.back().index != index) {
            stretches.emplace_back();
            stretches.back().index = index;
        }
        stretches.back().add(number, time, valueOf(number));
    }
}

QuantityView::Stretch QuantityView::stretchOf(qint64 first, qint64 last) const
{
    Stretch stretch;
    for (qint64 number = first; number <= last; ++number) {
        const qint64 time = timeOf(number);
        stretch.index = time / stretchMs;
        stretch.add(number, time, valueOf(number));
    }
    return stretch;
}

void QuantityView::draw(const Stretch &stretch)
{
    // In the order they were taken, so the line runs through time.
    drawn.push_back(qMin(stretch.lowest, stretch.highest));
    if (stretch.lowest != stretch.highest)
        drawn.push_back(qMax(stretch.lowest, stretch.highest));
}
