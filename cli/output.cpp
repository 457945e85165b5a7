#include "cli/output.h"

#include "display/csvrecorder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

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

Output::Output(Format format, const QVector<Column> &columns)
    : form(format)
    , columns(columns)
{}

bool Output::open(const QString &fileName)
{
    named = !fileName.isEmpty();
    if (!named)
        return file.open(StandardOutput, QIODevice::WriteOnly | QIODevice::Unbuffered);
    file.setFileName(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

bool Output::header(const QByteArray &csvHeader)
{
    // A file appended to has its header already; standard output always gets one.
    if (form == Format::Json || (named && file.size() > 0))
        return true;
    if (form == Format::Csv && !csvHeader.isEmpty())
        return write(csvHeader);
    QVector<Field> titles;
    for (const Column &column : columns)
        titles.append(text(column.title));
    return record(titles);
}

bool Output::record(const QVector<Field> &fields)
{
    if (form == Format::Json) {
        QJsonObject object;
        for (int i = 0; i < fields.size(); ++i)
            object.insert(columns.at(i).key, fields.at(i).json);
        return write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
    }
    QStringList cells;
    for (int i = 0; i < fields.size(); ++i) {
        cells << (form == Format::Csv ? Csv::field(fields.at(i).text)
                                      : fields.at(i).text.leftJustified(qMax(
                                          columns.at(i).width, int(columns.at(i).title.size()))));
    }
    if (form == Format::Csv)
        return write((cells.join(QLatin1Char(',')) + QLatin1String("\r\n")).toUtf8());
    return write((cells.join(ColumnGap).trimmed() + QLatin1Char('\n')).toUtf8());
}

bool Output::write(const QByteArray &bytes)
{
    failed = failed || file.write(bytes) != bytes.size();
    return !failed;
}

} // namespace Cli
