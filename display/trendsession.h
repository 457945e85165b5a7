#ifndef TRENDSESSION_H
#define TRENDSESSION_H

#include "display/samplestore.h"
#include "display/trendreading.h"

#include <QObject>

#include <optional>

// The readings of the whole session, kept whether or not a window shows them: the trend window
// and the calibration check are views of it, opened at any time. Qt Core only.
class TrendSession : public QObject
{
    Q_OBJECT

public:
    explicit TrendSession(int capacity = SampleStore::WeekOfPolling, QObject *parent = nullptr);

    // A reading that measured nothing (a status alone) adds no row but is still announced.
    void add(const TrendReading &reading);

    const SampleStore &samples() const { return store; }
    std::optional<quint16> lastStatus() const { return status; }
    int decimals() const { return lastDecimals; }

signals:
    void readingAdded(const TrendReading &reading);

private:
    SampleStore store;
    std::optional<quint16> status;
    int lastDecimals = 2;
    // The store's times are the monotonic clock moved to the wall clock of the first reading,
    // so that the time axis reads as local time until the wall clock steps.
    std::optional<qint64> anchorMs;
};

#endif // TRENDSESSION_H
