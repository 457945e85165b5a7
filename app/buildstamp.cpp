#include "app/buildstamp.h"

#include <QLocale>

namespace BuildStamp {

QDate parseDate(QString dateStamp)
{
    // The macro pads a one-digit day with a blank; a zero makes it fit "dd". The English locale
    // reads the month abbreviation whatever the user's own locale is.
    dateStamp.replace(QStringLiteral("  "), QStringLiteral(" 0"));
    return QLocale(QLocale::English, QLocale::AnyCountry)
        .toDate(dateStamp, QStringLiteral("MMM dd yyyy"));
}

QTime parseTime(const QString &timeStamp)
{
    return QTime::fromString(timeStamp, QStringLiteral("hh:mm:ss"));
}

QString versionSuffix(const QDate &date, const QTime &time)
{
    return QStringLiteral(" V") + date.toString(QStringLiteral("yyyy.MM.dd")) + QStringLiteral(".")
        + time.toString(QStringLiteral("hhmm"));
}

} // namespace BuildStamp
