#ifndef SCHEDULE_H
#define SCHEDULE_H

#include <QtGlobal>

// When the readings of a run are due: an interval apart, counted from the first rather than from
// the reading before, so that an hour of readings a second takes an hour however long each one
// takes on the line. One that comes late (a slow line, a request sent again) moves the rest.
// Times are on a clock of the caller's.
class Schedule
{
public:
    Schedule(qint64 firstMs, qint64 intervalMs);

    qint64 due() const { return dueMs; }
    // The reading due has been taken, or missed, and the clock reads nowMs.
    void advance(qint64 nowMs);

private:
    qint64 dueMs;
    qint64 intervalMs;
};

#endif // SCHEDULE_H
