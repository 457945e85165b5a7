#ifndef TRENDREADING_H
#define TRENDREADING_H

#include "display/samplestore.h"

#include <QDateTime>
#include <QString>

#include <optional>

// One accepted reading as the trend, its recording and the calibration check take it, free of
// the protocol: the main window fills it in from the decoded answer.
struct TrendReading
{
    // The wall clock at which the answer was accepted: what the user is shown and what a
    // recording keeps. It may step back (NTP, a user setting the clock).
    QDateTime time;
    // A monotonic clock at the same moment, in milliseconds: what orders the readings.
    qint64 steadyMs = 0;
    quint16 address = 0;
    QString serialNumber;
    QString scale; // as the magnification selector shows it: "*100" or "*10"
    int decimals = 2; // the scale's, as the reading labels show the values
    SampleStore::Values values {}; // NaN: not measured in this answer
    std::optional<quint16> status; // empty: not read in this answer
};

#endif // TRENDREADING_H
