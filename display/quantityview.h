#ifndef QUANTITYVIEW_H
#define QUANTITYVIEW_H

#include "display/samplestore.h"
#include "display/trendstatistics.h"

#include <deque>
#include <vector>

// What one quantity's curve and statistics show of the store between two times.
//
// A plot shows no more than its pixel columns. When the points in view are many more than that,
// the view offers only the lowest and the highest point of each stretch of time about two columns
// wide, which draws the same envelope. The stretches, with the statistics of their points, are
// kept from one refresh to the next and grow with the store, so following a week of readings
// costs about what following ten minutes does: only new points are taken in, and the view's
// statistics are merged from the stretches instead of summed over every point.
class QuantityView
{
public:
    // Up to this many points per column are drawn as they are.
    static constexpr int PointsPerColumn = 4;

    QuantityView(const SampleStore &store, SampleStore::Quantity quantity);

    // The points whose time lies in [from, to], for a plot columns pixels wide (0: every point).
    // True when the points to draw changed, but for those of the oldest stretch: as the store
    // drops its oldest points, that stretch changes with every reading, by less than a column.
    bool show(qint64 from, qint64 to, int columns);

    // The points to draw, oldest first, as indexes of the store's points of the quantity.
    int size() const { return int(drawn.size()); }
    int point(int i) const { return int(drawn[size_t(i)] - store.droppedPointCount(quantity)); }
    // Over every point in view, not only the drawn ones.
    TrendStatistics statistics() const { return viewStatistics; }
    // Whether the points drawn are only the lowest and the highest of each stretch.
    bool isReduced() const { return stretchMs != 0; }

private:
    struct Stretch
    {
        qint64 index = 0; // the stretch's time divided by stretchMs
        // Session point numbers (SampleStore::droppedPointCount), which stay with a point.
        qint64 first = 0;
        qint64 last = 0;
        qint64 lowest = 0;
        qint64 highest = 0;
        float lowValue = 0;
        float highValue = 0;
        bool empty = true;
        RunningStatistics statistics;

        void add(qint64 number, qint64 time, float value);
    };

    qint64 timeOf(qint64 number) const;
    float valueOf(qint64 number) const;
    void showEvery(qint64 first, qint64 end);
    void reduce(qint64 from, qint64 to, int columns, qint64 first, qint64 end);
    // Brings the stretches to cover the points from first to the newest.
    void takeIn(qint64 first);
    Stretch stretchOf(qint64 first, qint64 last) const;
    void draw(const Stretch &stretch);

    const SampleStore &store;
    const SampleStore::Quantity quantity;
    qint64 stretchMs = 0; // 0: no stretches kept
    std::deque<Stretch> stretches;
    std::vector<qint64> drawn; // session point numbers
    size_t oldestDrawn = 0; // how many of them the oldest stretch drew
    TrendStatistics viewStatistics;
    // What the view was last made for: asked again with no new rows, it is still right.
    qint64 shownFrom = 0;
    qint64 shownTo = -1;
    int shownColumns = -1;
    qint64 shownRows = -1;
};

#endif // QUANTITYVIEW_H
