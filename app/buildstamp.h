#ifndef BUILDSTAMP_H
#define BUILDSTAMP_H

#include <QDate>
#include <QString>
#include <QTime>

// The build stamp in the window title. The stamps come in the forms of the compiler's date and
// time macros ("Jun  6 2023", "09:05:07"); these functions only parse and format them, so any
// stamp can be checked without rebuilding.
namespace BuildStamp {

// This build's stamps, written by the build each time it links the program anew
// (app/buildstamp.cmake), so that the title never shows an older build's time.
extern const char DateStamp[];
extern const char TimeStamp[];

QDate parseDate(QString dateStamp);
QTime parseTime(const QString &timeStamp);
QString versionSuffix(const QDate &date, const QTime &time);

} // namespace BuildStamp

#endif // BUILDSTAMP_H
