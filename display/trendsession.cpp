#include "display/trendsession.h"

#include <algorithm>
#include <cmath>

TrendSession::TrendSession(int capacity, QObject *parent)
    : QObject(parent)
    , store(capacity)
{}

void TrendSession::add(const TrendReading &reading)
{
    lastDecimals = reading.decimals;
    if (reading.status)
        status = reading.status;
    const bool measured = std::any_of(reading.values.cbegin(), reading.values.cend(),
                                      [](float value) { return !std::isnan(value); });
    if (measured) {
        const qint64 wall = reading.time.toMSecsSinceEpoch();
        if (!anchorMs)
            anchorMs = wall - reading.steadyMs;
        store.add(reading.steadyMs + *anchorMs, wall, reading.values);
    }
    emit readingAdded(reading);
}
