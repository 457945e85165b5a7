#include "master/schedule.h"

Schedule::Schedule(qint64 firstMs, qint64 intervalMs)
    : dueMs(firstMs)
    , intervalMs(intervalMs)
{}

void Schedule::advance(qint64 nowMs)
{
    dueMs = qMax(dueMs + intervalMs, nowMs);
}
