#ifndef OUTPUT_H
#define OUTPUT_H

#include "cli/options.h"

#include <QFile>
#include <QJsonValue>
#include <QString>
#include <QVector>

#include <cmath>

namespace Cli {

// One field of a record: the text a table or CSV shows, and the value JSON carries.
struct Field
{
    QString text;
    QJsonValue json;
};
Field text(const QString &value);
Field integer(qint64 value);
// Not a number: left empty, null in JSON.
Field number(double value, int decimals);

struct Column
{
    QString key; // JSON
    QString title; // table and CSV
    int width; // least width in a table
};

// Records as a table, CSV or one JSON object a line, on stdout or appended to a file. Each is
// handed to the system whole as soon as it is complete, so that a reader of a pipe sees whole
// records and nothing waits in a buffer.
class Output
{
public:
    Output(Format format, const QVector<Column> &columns);

    // Stdout for an empty fileName. False, with errorString() set, when it cannot be opened.
    bool open(const QString &fileName);
    Format format() const { return form; }
    // The column titles, unless the file already holds records (JSON has none); for CSV,
    // csvHeader when one is given.
    bool header(const QByteArray &csvHeader = QByteArray());
    bool record(const QVector<Field> &fields);
    // Bytes as they stand: the recording format's own rows.
    bool write(const QByteArray &bytes);
    // Whether the reader of stdout has gone, rather than a file having failed.
    bool readerGone() const { return failed && !named; }
    QString errorString() const { return file.errorString(); }

private:
    Format form;
    QVector<Column> columns;
    QFile file;
    bool named = false;
    bool failed = false;
};

} // namespace Cli

#endif // OUTPUT_H
