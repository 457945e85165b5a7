#include "cli/output.h"

#include "display/csvrecorder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cmath>
#include <cstdio>

namespace Cli {

namespace {

constexpr int StandardOutput = 1;
const QString ColumnGap = QStringLiteral("  ");

} // namespace

Field text(const QString &value)
{
    return {value, value};
}

Field integer(qint64 value)
{
    return {QString::number(value), double(value)};
}

Field number(double value, int decimals)
{
    if (std::isnan(value))
        return {QString(), QJsonValue::Null};
    const QString shown = QString::number(value, 'f', decimals);
    // JSON carries the number as shown, not the binary float behind it.
    return {shown, shown.toDouble()};
}

Output::Output(Format format, const QVector<Column> &columns, Flow flow)
    : form(format)
    , columns(columns)
    , flow(flow)
{}

Outcome Output::open(const QString &fileName)
{
    named = !fileName.isEmpty();
    name = named ? fileName : QStringLiteral("standard output");
    file.setFileName(fileName);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (named ? file.open(mode | QIODevice::Append) : file.open(StandardOutput, mode))
        return {};
    return {Status::Failed, QStringLiteral("cannot open %1: %2").arg(name, file.errorString())};
}

bool Output::header(const QByteArray &csvHeader)
{
    // A file appended to has its header already; standard output always gets one.
    if (form == Format::Json || (named && file.size() > 0))
        return !failure.failed;
    if (form == Format::Csv && !csvHeader.isEmpty())
        return write(csvHeader);
    QVector<Field> titles;
    for (const Column &column : qAsConst(columns))
        titles.append(text(column.title));
    return record(titles);
}

bool Output::record(const QVector<Field> &fields)
{
    if (form == Format::Table && flow == Flow::List) {
        held.append(fields);
        return !failure.failed;
    }
    QVector<int> widths;
    for (const Column &column : qAsConst(columns))
        widths.append(qMax(column.width, int(column.title.size())));
    return write(line(fields, widths));
}

QByteArray Output::line(const QVector<Field> &fields, const QVector<int> &widths) const
{
    if (form == Format::Json) {
        QJsonObject object;
        for (int i = 0; i < fields.size(); ++i)
            object.insert(columns.at(i).key, fields.at(i).json);
        return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    }
    QStringList cells;
    for (int i = 0; i < fields.size(); ++i) {
        cells << (form == Format::Csv ? Csv::field(fields.at(i).text)
                                      : fields.at(i).text.leftJustified(widths.at(i)));
    }
    if (form == Format::Csv)
        return Csv::line(cells);
    return (cells.join(ColumnGap).trimmed() + QLatin1Char('\n')).toUtf8();
}

bool Output::write(const QByteArray &bytes)
{
    if (!failure.failed)
        failure = Csv::appendWhole(file, bytes);
    return !failure.failed;
}

Outcome Output::close(const Outcome &outcome)
{
    if (!held.isEmpty()) {
        QVector<int> widths(columns.size());
        for (const QVector<Field> &fields : qAsConst(held)) {
            for (int i = 0; i < fields.size(); ++i)
                widths[i] = qMax(widths.at(i), int(fields.at(i).text.size()));
        }
        QByteArray table;
        for (const QVector<Field> &fields : qAsConst(held))
            table += line(fields, widths);
        write(table);
    }
    if (!outcome.ok() || !failure.failed || failure.readerGone)
        return outcome;
    const QString kept = named && failure.bytes == 0
        ? QStringLiteral("; the row it failed in was taken back, the file ends with whole rows")
        : QString();
    return {Status::Failed, QStringLiteral("cannot write %1: %2").arg(name, failure.error) + kept};
}

void tell(const QString &text, bool wholeLine)
{
    std::fputs(qUtf8Printable(wholeLine ? text + QLatin1Char('\n') : text), stderr);
}

Outcome say(const QString &line)
{
    Output out(Format::Csv, {});
    const Outcome opened = out.open();
    out.write((line + QLatin1Char('\n')).toUtf8());
    return out.close(opened);
}

} // namespace Cli
