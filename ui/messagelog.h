#ifndef MESSAGELOG_H
#define MESSAGELOG_H

#include <QDateTime>
#include <QString>

// Lines of the message log: a timestamp, a direction marker and a frame in hexadecimal, red for
// a frame sent and green for one received. None of it is translated.
namespace MessageLog {

QString formatLine(const QDateTime &when, const QString &text, bool received);

} // namespace MessageLog

#endif // MESSAGELOG_H
