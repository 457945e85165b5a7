#ifndef MESSAGELOG_H
#define MESSAGELOG_H

#include <QDateTime>
#include <QString>

class QTextBrowser;

// Lines of the message log: a timestamp, a direction marker and a frame in hexadecimal, red for
// a frame sent and green for one received. None of it is translated.
namespace MessageLog {

// Polling writes two lines a second, about 0.7 KB of document each: a log that kept every line
// would grow by some 145 MB a day. The log keeps the newest MaxLines lines (about three hours
// of polling) and drops the oldest TrimBatch at once, because one large cursor edit now and
// then costs far less than trimming on every append (QTextDocument::setMaximumBlockCount makes
// each append some 60 times slower).
constexpr int MaxLines = 20000;
constexpr int TrimBatch = 2000;

QString formatLine(const QDateTime &when, const QString &text, bool received);

// Appends one line, and drops the oldest trimBatch lines once maxLines + trimBatch are in.
void append(QTextBrowser *log, const QString &line, int maxLines = MaxLines,
            int trimBatch = TrimBatch);

// Writes the log as plain text, one line per frame as shown, in UTF-8; returns why it could not,
// or nothing.
QString save(const QTextBrowser *log, const QString &fileName);

} // namespace MessageLog

#endif // MESSAGELOG_H
