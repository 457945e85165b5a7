#ifndef RECORDSCHEMA_H
#define RECORDSCHEMA_H

#include "check/runrecord.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

// The tables of the calibration records, a column at a time: the schema version that added it and
// how a record gives its value and takes it back. Writing, reading and migrating follow the same
// lists, so a column cannot be written without being read, nor read before a migration adds it.
namespace RecordSchema {

constexpr int Version = 2;

template<typename Record>
struct Column
{
    QString name;
    QString type;
    // None for the column that names the record's owner (a point's check, a check's run): its
    // value is the owner's id, which the records gave, and it is not read back into the record.
    std::function<QVariant(const Record &)> value;
    std::function<void(Record &, const QVariant &)> read;
    int since = 1; // the schema version that added it
};

template<typename Record>
using Columns = std::vector<Column<Record>>;

template<typename Record>
struct Table
{
    QString name;
    Columns<Record> columns; // in the order the versions added them

    // Of all columns, giving the new row's id.
    QString insertion() const;
    // In the order of insertion(); owner: the owner's id, 0 (NULL) for none.
    QVariantList values(const Record &record, qint64 owner) const;
    // The columns read back into a record, for a SELECT, and the record from them, the first at
    // the query's value at.
    QString selection() const;
    Record read(const QSqlQuery &query, int at) const;
    // What brings the table from version - 1 to version: the table made when it is new, its
    // columns added when it is not.
    QStringList migration(int version, bool postgres) const;
};

const Table<RunRecord> &runs();
const Table<Check> &checks();
const Table<CheckPoint> &points();

// The statements that bring the schema from version - 1 to version.
QStringList migration(int version, bool postgres);

// Times in UTC, ISO 8601 with milliseconds: they sort as text in either database. NULL for none.
QVariant timeValue(const QDateTime &time);
QDateTime timeFrom(const QVariant &value);

} // namespace RecordSchema

#endif // RECORDSCHEMA_H
