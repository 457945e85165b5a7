#ifndef OUTPUT_H
#define OUTPUT_H

#include "cli/options.h"
#include "cli/outcome.h"
#include "platform/platform.h"

#include <QFile>
#include <QJsonValue>
#include <QString>
#include <QVector>

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
    int width = 0; // in a streamed table: the widest value the column can hold
};

// Records as a table, CSV or one JSON object a line, on stdout or appended to a file. CSV and
// JSON records are handed to the system whole as soon as they are complete, so that a reader of a
// pipe sees whole records and nothing waits in a buffer. A table is a list, written once its
// last record is in with each column as wide as its widest cell, or a stream, written a record
// at a time in columns as wide as any value they can hold.
class Output
{
public:
    enum class Flow { List, Stream };

    Output(Format format, const QVector<Column> &columns, Flow flow = Flow::List);

    // Stdout for an empty fileName; the outcome says why it cannot be opened.
    Outcome open(const QString &fileName = QString());
    // The column titles, unless the file already holds records (JSON has none); for CSV,
    // csvHeader when one is given. Each of these is false once a write has failed.
    bool header(const QByteArray &csvHeader = QByteArray());
    bool record(const QVector<Field> &fields);
    // Bytes as they stand: the recording format's own rows.
    bool write(const QByteArray &bytes);
    // The run's outcome, once its last record is in and a list's table written: a write that
    // failed ends a run that had nothing else to say, but a reader that has gone (a closed pipe)
    // ends it as well as its end would have.
    Outcome close(const Outcome &outcome);

private:
    QByteArray line(const QVector<Field> &fields, const QVector<int> &widths) const;

    Format form;
    QVector<Column> columns;
    Flow flow;
    QFile file;
    QString name; // as the error line calls it
    bool named = false;
    QVector<QVector<Field>> held; // a list's table, titles first
    Platform::Written failure;
};

// A line on stdout, through the same rules.
Outcome say(const QString &line);
// A line on stderr, where the commands tell how they go; text without its line's end is a
// terminal's progress drawn in place.
void tell(const QString &text, bool wholeLine = true);

} // namespace Cli

#endif // OUTPUT_H
