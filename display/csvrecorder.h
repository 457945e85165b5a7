#ifndef CSVRECORDER_H
#define CSVRECORDER_H

#include "display/trendreading.h"
#include "platform/platform.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

// Rows of a recording: RFC 4180 (CRLF line ends, fields with a comma, quote, CR or LF quoted,
// quotes doubled), UTF-8, and '.' as the decimal point in every locale so that a file reads the
// same on any computer. The header is a file format, not a user text, and stays untranslated.
namespace Csv {

// ISO 8601 local time with milliseconds and the offset from UTC: 2026-12-07T09:05:07.123+01:00
QString isoTime(const QDateTime &time);
QString field(const QString &text);
// A value with its decimals; empty for none.
QString number(double value, int decimals);
// Fields joined into a row, with its line end.
QByteArray line(const QStringList &fields);
// The status register as the trend window shows it: 0x0000
QString status(quint16 value);
QByteArray header();
QByteArray row(const TrendReading &reading);

// Appends bytes (one or more rows) to a file opened unbuffered, whole or not at all: a file that
// fails part of the way is cut back to where it was, so that the next row does not join a part
// row. A pipe or terminal keeps what it took. The result's bytes are those left in the file.
Platform::Written appendWhole(QFileDevice &file, const QByteArray &bytes);

} // namespace Csv

// Appends one row per reading to a CSV file. Each row goes to the operating system before
// append() returns, so a crash of the tool loses nothing already recorded. The first write that
// fails, or a file no longer at its name, ends the recording: the file is cut back to the rows
// written whole and closed, and errorString() says why.
class CsvRecorder
{
public:
    // Opens fileName for appending, with a header when it is new or empty. False, with
    // errorString() set, when that fails.
    bool start(const QString &fileName);
    bool append(const TrendReading &reading);
    void stop();

    bool isRecording() const { return file.isOpen(); }
    QString fileName() const { return file.fileName(); }
    int rowCount() const { return rows; }
    QString errorString() const { return error; }

private:
    bool write(const QByteArray &bytes);

    QFile file;
    int rows = 0;
    QString error;
};

#endif // CSVRECORDER_H
