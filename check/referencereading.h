#ifndef REFERENCEREADING_H
#define REFERENCEREADING_H

#include "check/stationsettings.h"
#include "display/trendreading.h"

#include <QVector>

#include <limits>

// One reading of the reference instrument, as its register map gives it: temperature, and
// relative humidity either read or worked out from a dew point by the Magnus formula.
struct ReferenceReading
{
    static constexpr double None = std::numeric_limits<double>::quiet_NaN();

    double temperature = None;
    double humidity = None;
    double dewPoint = None; // as read; none for a reference that gives humidity

    // The fields a reading reads, in the order fromValues() takes their values: temperature,
    // then humidity or dew point.
    static QVector<RegisterField> fields(const ReferenceMap &map);
    // From the values of fields(map), not a number where a read was refused or lost.
    static ReferenceReading fromValues(const ReferenceMap &map, const QVector<double> &values);

    // Temperature and humidity, which is all a point can be taken from.
    bool isComplete() const;
    // As a row of the reference's readings (its session), taken at time.
    TrendReading trendReading(const QDateTime &time, qint64 steadyMs) const;
};

#endif // REFERENCEREADING_H
