#ifndef TRENDSAMPLES_H
#define TRENDSAMPLES_H

#include "display/trendreading.h"

#include <QFile>

#include <limits>

// Readings as the trend's tests make them, and files as they read them back.
inline const float No = std::numeric_limits<float>::quiet_NaN();
inline constexpr qint64 T0 = 1796634307123; // 2026-12-07T09:05:07.123Z

// A reading at ms by both clocks, shown at offset seconds from UTC.
inline TrendReading reading(qint64 ms, SampleStore::Values values, const QString &sn = "2612",
                            int offset = 3600)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset);
    return {time, ms, 1, sn, "*100", 2, values, 0xAB12};
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

#endif // TRENDSAMPLES_H
