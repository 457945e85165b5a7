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
    return QLocale::c().toTime(timeStamp, QStringLiteral("hh:mm:ss"));
}

QString versionSuffix(const QDate &date, const QTime &time)
{
    // A version, not a text for reading in the user's language: ASCII digits in every locale.
    const QLocale c = QLocale::c();
    return QStringLiteral(" V") + c.toString(date, QStringLiteral("yyyy.MM.dd"))
        + QStringLiteral(".") + c.toString(time, QStringLiteral("hhmm"));
}

} // namespace BuildStamp
