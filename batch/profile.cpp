#include "profile.h"

#include <QHash>
#include <QLocale>
#include <QStringList>

#include <cmath>
#include <iterator>
#include <limits>

namespace {

constexpr double NoLimit = std::numeric_limits<double>::infinity();
// Longer than any point is held; keeps a run's times well inside whole milliseconds.
constexpr double LongestTimeS = 7 * 24 * 3600;

// A column of the file and what it takes: values from low (low itself only when lowTaken) up
// to high. Columns without a default must be in the header and filled on every line.
struct Column
{
    const char *name;
    double ProfilePoint::*field;
    double low;
    bool lowTaken;
    double high;
    bool required;
};

constexpr Column Columns[] = {
    {"temperature", &ProfilePoint::temperature, -60, true, 150, true},
    {"humidity", &ProfilePoint::humidity, 0, true, 100, true},
    {"soak", &ProfilePoint::soakS, 0, true, LongestTimeS, true},
    {"max_wait", &ProfilePoint::maxWaitS, 0, false, LongestTimeS, true},
    {"band_temperature", &ProfilePoint::bandTemperature, 0, false, NoLimit, false},
    {"band_humidity", &ProfilePoint::bandHumidity, 0, false, NoLimit, false},
};
constexpr int ColumnCount = int(std::size(Columns));

const QChar Quote = QLatin1Char('"');
const QChar Comma = QLatin1Char(',');
const QChar Semicolon = QLatin1Char(';');

QStringList columnNames()
{
    QStringList names;
    for (const Column &column : Columns)
        names << QLatin1String(column.name);
    return names;
}

// One line of the file, or several when a quoted field holds line breaks: where it begins and
// its fields.
struct Record
{
    int line;
    QStringList fields;

    bool isBlank() const
    {
        for (const QString &field : fields) {
            if (!field.trimmed().isEmpty())
                return false;
        }
        return true;
    }
};

QString where(int line, const QString &column)
{
    return QStringLiteral("line %1, column %2: ").arg(line).arg(column);
}

// A German spreadsheet separates its fields with semicolons because it writes decimal commas;
// the header tells which kind of file this is.
QChar separatorOf(const QString &text)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty())
            return line.contains(Semicolon) ? Semicolon : Comma;
    }
    return Comma;
}

// RFC 4180 fields: a quoted one may hold separators, line breaks and doubled quotes. A CR of a
// CRLF line end stays with its last field, which is trimmed like every other.
std::optional<QVector<Record>> recordsOf(const QString &text, QChar separator, QString *error)
{
    QVector<Record> records;
    int line = 1;
    Record record {line, {QString()}};
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == Quote && i + 1 < text.size() && text.at(i + 1) == Quote) {
                record.fields.last() += Quote;
                ++i;
            } else if (c == Quote) {
                quoted = false;
            } else {
                line += c == QLatin1Char('\n');
                record.fields.last() += c;
            }
        } else if (c == Quote) {
            quoted = true;
        } else if (c == separator) {
            record.fields.append(QString());
        } else if (c == QLatin1Char('\n')) {
            records.append(record);
            record = {++line, {QString()}};
        } else {
            record.fields.last() += c;
        }
    }
    if (quoted) {
        *error = QStringLiteral("line %1: a quoted field is not closed").arg(record.line);
        return std::nullopt;
    }
    records.append(record);
    return records;
}

// Which field of a line each column is in (-1: not in the file).
std::optional<QVector<int>> columnsOf(const Record &header, QString *error)
{
    QVector<int> at(ColumnCount, -1);
    for (int i = 0; i < header.fields.size(); ++i) {
        const QString name = header.fields.at(i).trimmed().toLower();
        int column = 0;
        while (column < ColumnCount && name != QLatin1String(Columns[column].name))
            ++column;
        const QString label = name.isEmpty() ? QString::number(i + 1) : name;
        if (column == ColumnCount) {
            *error = where(header.line, label) + QStringLiteral("unknown column; the columns are ")
                + columnNames().join(QLatin1String(", "));
            return std::nullopt;
        }
        if (at[column] >= 0) {
            *error = where(header.line, label) + QStringLiteral("given twice");
            return std::nullopt;
        }
        at[column] = i;
    }
    for (int column = 0; column < ColumnCount; ++column) {
        if (Columns[column].required && at[column] < 0) {
            *error = where(header.line, QLatin1String(Columns[column].name))
                + QStringLiteral("missing from the header");
            return std::nullopt;
        }
    }
    return at;
}

// A cell's number, checked against its column; empty, with *why set, when it is not one the
// column takes.
std::optional<double> valueOf(QString cell, const Column &column, QChar separator, QString *why)
{
    const QString written = cell;
    if (separator == Semicolon)
        cell.replace(Comma, QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(cell, &ok);
    const QString quoted = Quote + written + Quote;
    if (!ok || !std::isfinite(value)) {
        *why = quoted + QStringLiteral(" is not a number");
        return std::nullopt;
    }
    if (column.lowTaken ? value < column.low : value <= column.low) {
        *why = quoted
            + (column.lowTaken ? QStringLiteral(" is below %1")
                               : QStringLiteral(" is not above %1"))
                  .arg(column.low);
        return std::nullopt;
    }
    if (value > column.high) {
        *why = quoted + QStringLiteral(" is above %1").arg(column.high);
        return std::nullopt;
    }
    return value;
}

std::optional<ProfilePoint> pointOf(const Record &record, const QVector<int> &at, QChar separator,
                                    QString *error)
{
    for (int i = 0; i < record.fields.size(); ++i) {
        if (!at.contains(i) && !record.fields.at(i).trimmed().isEmpty()) {
            *error = where(record.line, QString::number(i + 1))
                + QStringLiteral("the header has no such column");
            return std::nullopt;
        }
    }
    ProfilePoint point;
    for (int column = 0; column < ColumnCount; ++column) {
        const QString cell = record.fields.value(at[column]).trimmed();
        const QString name = QLatin1String(Columns[column].name);
        if (cell.isEmpty() && !Columns[column].required)
            continue;
        if (cell.isEmpty()) {
            *error = where(record.line, name) + QStringLiteral("empty");
            return std::nullopt;
        }
        QString why;
        const std::optional<double> value = valueOf(cell, Columns[column], separator, &why);
        if (!value) {
            *error = where(record.line, name) + why;
            return std::nullopt;
        }
        point.*Columns[column].field = *value;
    }
    return point;
}

} // namespace

bool ProfilePoint::operator==(const ProfilePoint &other) const
{
    for (const Column &column : Columns) {
        if (this->*column.field != other.*column.field)
            return false;
    }
    return true;
}

std::optional<Profile> Profile::parse(const QByteArray &bytes, QString *error)
{
    // A spreadsheet's byte-order mark goes with the decoding.
    const QString text = QString::fromUtf8(bytes);
    const QChar separator = separatorOf(text);
    const std::optional<QVector<Record>> records = recordsOf(text, separator, error);
    if (!records)
        return std::nullopt;
    std::optional<QVector<int>> at;
    Profile profile;
    for (const Record &record : *records) {
        if (record.isBlank())
            continue;
        if (!at) {
            at = columnsOf(record, error);
            if (!at)
                return std::nullopt;
            continue;
        }
        const std::optional<ProfilePoint> point = pointOf(record, *at, separator, error);
        if (!point)
            return std::nullopt;
        profile.list.append(*point);
    }
    if (profile.list.isEmpty()) {
        *error = at ? QStringLiteral("the file has no points after its header")
                    : QStringLiteral("the file is empty");
        return std::nullopt;
    }
    return profile;
}

QByteArray Profile::toCsv() const
{
    QByteArray csv = columnNames().join(Comma).toUtf8() + "\r\n";
    const QLocale c = QLocale::c();
    for (const ProfilePoint &point : list) {
        QStringList cells;
        for (const Column &column : Columns)
            cells << c.toString(point.*column.field, 'g', QLocale::FloatingPointShortest);
        csv += cells.join(Comma).toUtf8() + "\r\n";
    }
    return csv;
}
