#include "check/recordschema.h"

#include <cmath>
#include <iterator>
#include <optional>
#include <type_traits>

using namespace RecordSchema;

namespace {

// A quantity without a value (a drift of one reading) is NULL in the records.
QVariant numberValue(double number)
{
    return std::isfinite(number) ? QVariant(number) : QVariant(QVariant::Double);
}

double numberFrom(const QVariant &value)
{
    return value.isNull() ? TrendStatistics::None : value.toDouble();
}

// A table from the columns each schema version added, from version 1 on: a later version is one
// more list, and an earlier one keeps making exactly what it made.
template<typename Record>
Table<Record> versioned(const QString &name, std::initializer_list<Columns<Record>> versions)
{
    Table<Record> table {name, {}};
    int version = 0;
    for (const Columns<Record> &added : versions) {
        ++version;
        for (Column<Record> column : added) {
            column.since = version;
            table.columns.push_back(column);
        }
    }
    return table;
}

// The columns of a record's fields. Each Access is a generic lambda returning a reference to its
// field, so that one of them serves the writing and the reading.
template<typename Record>
struct Field
{
    static Column<Record> owner(const QString &name, const QString &type)
    {
        return {name, type, nullptr, nullptr};
    }

    template<typename Access>
    static Column<Record> text(const QString &name, Access access,
                               const QString &type = QStringLiteral("TEXT"))
    {
        return {name, type, [access](const Record &r) { return QVariant(access(r)); },
                [access](Record &r, const QVariant &v) { access(r) = v.toString(); }};
    }

    template<typename Access>
    static Column<Record> number(const QString &name, Access access)
    {
        return {name, QStringLiteral("DOUBLE PRECISION"),
                [access](const Record &r) { return numberValue(access(r)); },
                [access](Record &r, const QVariant &v) { access(r) = numberFrom(v); }};
    }

    template<typename Access>
    static Column<Record> whole(const QString &name, const QString &type, Access access)
    {
        return {name, type, [access](const Record &r) { return QVariant(qint64(access(r))); },
                [access](Record &r, const QVariant &v) {
                    using Whole = std::decay_t<decltype(access(r))>;
                    access(r) = Whole(v.toLongLong());
                }};
    }

    template<typename Access>
    static Column<Record> time(const QString &name, Access access,
                               const QString &type = QStringLiteral("TEXT"))
    {
        return {name, type, [access](const Record &r) { return timeValue(access(r)); },
                [access](Record &r, const QVariant &v) { access(r) = timeFrom(v); }};
    }

    // An enumerator by its records' name. fromName gives the enumerator, or an optional one: a
    // name it does not know (NULL in a row of an earlier version) keeps the record's own.
    template<typename Access, typename Name, typename FromName>
    static Column<Record> named(const QString &name, Access access, Name toName, FromName fromName,
                                const QString &type = QStringLiteral("TEXT"))
    {
        return {name, type, [=](const Record &r) { return QVariant(toName(access(r))); },
                [=](Record &r, const QVariant &v) {
                    if (const std::optional known = fromName(v.toString()))
                        access(r) = *known;
                }};
    }
};

// A station's setting kept with a check as that setting's key writes it (the key's dashes
// underscores in the column's name). ofReadReference: NULL for a check against a typed reference,
// whose settings carry no reference map. A NULL (that, or a row of version 1) is no value the key
// takes, and reads as the default.
Column<Check> setting(const QString &key, const QString &type, bool ofReadReference)
{
    return {QString(key).replace('-', '_'), type,
            [=](const Check &c) {
                return ofReadReference && !c.settings.referenceMap.isSet()
                    ? QVariant()
                    : QVariant(c.settings.text(key));
            },
            [=](Check &c, const QVariant &v) {
                QString ignored;
                c.settings.set(key, v.toString(), &ignored);
            }};
}

// The accessor of a point's quantity.
auto quantityOf(size_t quantity)
{
    return [quantity](auto &point) -> auto &
    {
        return point.quantities[quantity];
    };
}

// A point's own columns followed by those of each checked quantity, in its order, named after it.
Columns<CheckPoint> withQuantities(
    Columns<CheckPoint> columns,
    const std::function<Columns<CheckPoint>(const QString &prefix, size_t quantity)> &ofQuantity)
{
    size_t q = 0;
    for (const char *name : {"temperature_", "humidity_"}) {
        const Columns<CheckPoint> of = ofQuantity(QLatin1String(name), q++);
        columns.insert(columns.end(), of.cbegin(), of.cend());
    }
    return columns;
}

// A station's settings as key=value lines, without its database: as a script sets them.
QString settingsText(const StationSettings &settings)
{
    QStringList lines;
    for (const QString &key : StationSettings::keys()) {
        if (key != QLatin1String("database"))
            lines << key + '=' + settings.text(key);
    }
    return lines.join('\n');
}

// Lines of keys this version does not know are passed over.
StationSettings settingsFrom(const QString &text)
{
    StationSettings settings;
    for (const QString &line : text.split('\n')) {
        QString ignored;
        settings.set(line.section('=', 0, 0), line.section('=', 1), &ignored);
    }
    return settings;
}

// Indexes each version added, from version 1 on.
const QStringList Indexes[] = {
    {QStringLiteral("CREATE INDEX checks_by_serial ON checks (serial_number, started_at)"),
     QStringLiteral("CREATE INDEX points_by_check ON points (check_id)")},
    {},
};
static_assert(std::size(Indexes) == Version);

} // namespace

namespace RecordSchema {

QVariant timeValue(const QDateTime &time)
{
    return time.isValid() ? QVariant(time.toUTC().toString(Qt::ISODateWithMs)) : QVariant();
}

// In UTC: local time costs a time zone lookup each, which thousands of checks would feel; they
// are shown in local time.
QDateTime timeFrom(const QVariant &value)
{
    return value.isNull() ? QDateTime()
                          : QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
}

const Table<Check> &checks()
{
    using F = Field<Check>;
    static const Table<Check> table = versioned<Check>(
        QStringLiteral("checks"),
        {
            {
                F::text(
                    "serial_number", [](auto &c) -> auto & { return c.transmitter.serialNumber; },
                    "TEXT NOT NULL"),
                F::whole(
                    "address", "INTEGER", [](auto &c) -> auto & { return c.transmitter.address; }),
                F::number(
                    "range_min", [](auto &c) -> auto & { return c.transmitter.rangeMin; }),
                F::number(
                    "range_max", [](auto &c) -> auto & { return c.transmitter.rangeMax; }),
                F::named(
                    "kind", [](auto &c) -> auto & { return c.kind; }, CheckText::kind,
                    CheckText::kindFrom, "TEXT NOT NULL"),
                F::text(
                    "station", [](auto &c) -> auto & { return c.settings.station; }),
                F::text(
                    "operator_name", [](auto &c) -> auto & { return c.settings.operatorName; }),
                F::text(
                    "reference_instrument",
                    [](auto &c) -> auto & { return c.settings.referenceInstrument; }),
                F::text(
                    "reference_certificate",
                    [](auto &c) -> auto & { return c.settings.referenceCertificate; }),
                // As its station key writes it (ISO 8601), empty for none.
                {"reference_due", "TEXT",
                 [](const Check &c) { return c.settings.referenceDue.toString(Qt::ISODate); },
                 [](Check &c, const QVariant &v) {
                     c.settings.referenceDue = QDate::fromString(v.toString(), Qt::ISODate);
                 }},
                F::number(
                    "tolerance_temperature",
                    [](auto &c) -> auto & { return c.settings.tolerance[0]; }),
                F::number(
                    "tolerance_humidity",
                    [](auto &c) -> auto & { return c.settings.tolerance[1]; }),
                F::whole(
                    "window_ms", "BIGINT",
                    [](auto &c) -> auto & { return c.settings.limits.windowMs; }),
                F::number(
                    "drift_limit_temperature",
                    [](auto &c) -> auto & { return c.settings.limits.maxDrift[0]; }),
                F::number(
                    "drift_limit_humidity",
                    [](auto &c) -> auto & { return c.settings.limits.maxDrift[1]; }),
                F::number(
                    "deviation_limit_temperature",
                    [](auto &c) -> auto & { return c.settings.limits.maxStandardDeviation[0]; }),
                F::number(
                    "deviation_limit_humidity",
                    [](auto &c) -> auto & { return c.settings.limits.maxStandardDeviation[1]; }),
                // Times in UTC, ISO 8601 with milliseconds: they sort as text in either database.
                F::time(
                    "started_at", [](auto &c) -> auto & { return c.startedAt; }, "TEXT NOT NULL"),
                F::time(
                    "finished_at", [](auto &c) -> auto & { return c.finishedAt; }),
                F::named(
                    "result", [](auto &c) -> auto & { return c.result; }, CheckText::result,
                    CheckText::resultFrom, "TEXT NOT NULL"),
            },
            {
                setting("reference-port", "TEXT", true),
                setting("reference-baud", "INTEGER", true),
                setting("reference-address", "INTEGER", true),
                setting("reference-temperature", "TEXT", true),
                setting("reference-humidity", "TEXT", true),
                setting("reference-dewpoint", "TEXT", true),
                setting("reference-uncertainty-temperature", "DOUBLE PRECISION", false),
                setting("reference-uncertainty-humidity", "DOUBLE PRECISION", false),
                setting("reference-coverage", "DOUBLE PRECISION", false),
                setting("uniformity-temperature", "DOUBLE PRECISION", false),
                setting("uniformity-humidity", "DOUBLE PRECISION", false),
                // Checks of version 1 were judged by simple acceptance, the default.
                setting("rule", "TEXT", false),
                F::owner("run_id", "BIGINT REFERENCES runs (id)"),
            },
        });
    return table;
}

const Table<CheckPoint> &points()
{
    using F = Field<CheckPoint>;
    static const Table<CheckPoint> table = versioned<CheckPoint>(
        QStringLiteral("points"),
        {
            withQuantities(
                {
                    F::owner("check_id", "BIGINT NOT NULL REFERENCES checks (id)"),
                    F::time(
                        "taken_at", [](auto &p) -> auto & { return p.takenAt; }, "TEXT NOT NULL"),
                    F::text(
                        "early_reason", [](auto &p) -> auto & { return p.earlyReason; }),
                },
                [](const QString &prefix, size_t q) -> Columns<CheckPoint> {
                    const auto of = quantityOf(q);
                    return {
                        F::number(
                            prefix + "reference",
                            [of](auto &p) -> auto & { return of(p).reference; }),
                        F::number(
                            prefix + "mean", [of](auto &p) -> auto & { return of(p).mean; }),
                        F::number(
                            prefix + "deviation",
                            [of](auto &p) -> auto & { return of(p).standardDeviation; }),
                        F::number(
                            prefix + "drift",
                            [of](auto &p) -> auto & { return of(p).driftPerMinute; }),
                        F::number(
                            prefix + "error", [of](auto &p) -> auto & { return of(p).error; }),
                        F::whole(
                            prefix + "samples",
                            "INTEGER", [of](auto &p) -> auto & { return of(p).samples; }),
                        // What readers of version 1 know of the verdict: 1 for a pass. Rows of
                        // version 1 have nothing else.
                        {prefix + "passed", "INTEGER",
                         [of](const CheckPoint &p) { return QVariant(int(of(p).passed())); },
                         [of](CheckPoint &p, const QVariant &v) {
                             of(p).verdict = v.toInt() != 0 ? Verdict::Pass : Verdict::Fail;
                         }},
                    };
                }),
            withQuantities(
                {
                    // NULL for a check's own point.
                    {"profile_point", "INTEGER",
                     [](const CheckPoint &p) {
                         return p.profilePoint < 0 ? QVariant(QVariant::Int)
                                                   : QVariant(p.profilePoint);
                     },
                     [](CheckPoint &p, const QVariant &v) {
                         p.profilePoint = v.isNull() ? -1 : v.toInt();
                     }},
                    F::named(
                        "outcome", [](auto &p) -> auto & { return p.outcome; }, RunText::outcome,
                        RunText::outcomeFrom),
                    F::number(
                        "reference_air_temperature",
                        [](auto &p) -> auto & { return p.referenceAirTemperature; }),
                    F::number(
                        "reference_dew_point",
                        [](auto &p) -> auto & { return p.referenceDewPoint; }),
                },
                [](const QString &prefix, size_t q) -> Columns<CheckPoint> {
                    const auto of = quantityOf(q);
                    const auto standard = [of](UncertaintyBudget::Source source) {
                        return [of, source](auto &p) -> auto &
                        {
                            return of(p).budget.standard[source];
                        };
                    };
                    return {
                        F::number(
                            prefix + "reference_deviation",
                            [of](auto &p) -> auto & { return of(p).referenceStandardDeviation; }),
                        F::whole(
                            prefix + "reference_samples",
                            "INTEGER", [of](auto &p) -> auto & { return of(p).referenceSamples; }),
                        F::number(prefix + "u_reference", standard(UncertaintyBudget::Reference)),
                        F::number(prefix + "u_reference_variation",
                                  standard(UncertaintyBudget::ReferenceVariation)),
                        F::number(prefix + "u_transmitter_variation",
                                  standard(UncertaintyBudget::TransmitterVariation)),
                        F::number(prefix + "u_resolution", standard(UncertaintyBudget::Resolution)),
                        F::number(prefix + "u_uniformity", standard(UncertaintyBudget::Uniformity)),
                        F::number(
                            prefix + "u_combined",
                            [of](auto &p) -> auto & { return of(p).budget.combined; }),
                        F::number(
                            prefix + "coverage",
                            [of](auto &p) -> auto & { return of(p).budget.coverage; }),
                        F::number(
                            prefix + "expanded",
                            [of](auto &p) -> auto & { return of(p).budget.expanded; }),
                        // Rows of version 1 keep the verdict their passed column gave.
                        F::named(
                            prefix + "verdict", [of](auto &p) -> auto & { return of(p).verdict; },
                            Verdicts::name, Verdicts::fromName),
                    };
                }),
        });
    return table;
}

const Table<RunRecord> &runs()
{
    using F = Field<RunRecord>;
    static const Table<RunRecord> table = versioned<RunRecord>(
        QStringLiteral("runs"),
        {
            {},
            {
                F::text(
                    "station", [](auto &r) -> auto & { return r.station; }),
                F::text(
                    "operator_name", [](auto &r) -> auto & { return r.operatorName; }),
                F::named(
                    "kind", [](auto &r) -> auto & { return r.kind; }, CheckText::kind,
                    CheckText::kindFrom, "TEXT NOT NULL"),
                // The bytes as given, whatever a spreadsheet wrote.
                {"profile", "BYTEA", [](const RunRecord &r) { return QVariant(r.profile); },
                 [](RunRecord &r, const QVariant &v) { r.profile = v.toByteArray(); }},
                {"settings", "TEXT",
                 [](const RunRecord &r) { return QVariant(settingsText(r.settings)); },
                 [](RunRecord &r, const QVariant &v) { r.settings = settingsFrom(v.toString()); }},
                {"addresses", "TEXT",
                 [](const RunRecord &r) {
                     QStringList addresses;
                     for (const quint16 address : r.addresses)
                         addresses << QString::number(address);
                     return QVariant(addresses.join(','));
                 },
                 [](RunRecord &r, const QVariant &v) {
                     r.addresses.clear();
                     for (const QString &address : v.toString().split(',', Qt::SkipEmptyParts))
                         r.addresses << quint16(address.toUInt());
                 }},
                F::time(
                    "started_at", [](auto &r) -> auto & { return r.startedAt; }, "TEXT NOT NULL"),
                F::time(
                    "finished_at", [](auto &r) -> auto & { return r.finishedAt; }),
                F::named(
                    "state", [](auto &r) -> auto & { return r.state; }, RunText::state,
                    RunText::stateFrom, "TEXT NOT NULL"),
                F::whole(
                    "point_reached", "INTEGER", [](auto &r) -> auto & { return r.pointReached; }),
            },
        });
    return table;
}

template<typename Record>
QString Table<Record>::insertion() const
{
    QStringList names;
    QStringList marks;
    for (const Column<Record> &column : columns) {
        names << column.name;
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING id")
        .arg(name, names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
}

template<typename Record>
QVariantList Table<Record>::values(const Record &record, qint64 owner) const
{
    QVariantList values;
    for (const Column<Record> &column : columns) {
        if (column.value)
            values << column.value(record);
        else
            values << (owner != 0 ? QVariant(owner) : QVariant(QVariant::LongLong));
    }
    return values;
}

template<typename Record>
QString Table<Record>::selection() const
{
    QStringList names;
    for (const Column<Record> &column : columns) {
        if (column.read)
            names << column.name;
    }
    return names.join(QStringLiteral(", "));
}

template<typename Record>
Record Table<Record>::read(const QSqlQuery &query, int at) const
{
    Record record;
    for (const Column<Record> &column : columns) {
        if (column.read)
            column.read(record, query.value(at++));
    }
    return record;
}

template<typename Record>
QStringList Table<Record>::migration(int version, bool postgres) const
{
    QStringList added;
    bool existed = false;
    for (const Column<Record> &column : columns) {
        existed = existed || column.since < version;
        if (column.since == version)
            added << column.name + ' ' + column.type;
    }
    if (added.isEmpty())
        return {};
    if (existed) {
        for (QString &definition : added)
            definition.prepend(QStringLiteral("ALTER TABLE %1 ADD COLUMN ").arg(name));
        return added;
    }
    added.prepend(postgres ? QStringLiteral("id BIGSERIAL PRIMARY KEY")
                           : QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT"));
    return {QStringLiteral("CREATE TABLE %1 (%2)").arg(name, added.join(QStringLiteral(", ")))};
}

template struct Table<RunRecord>;
template struct Table<Check>;
template struct Table<CheckPoint>;

QStringList migration(int version, bool postgres)
{
    // A run is there before the checks that name it.
    return runs().migration(version, postgres) + checks().migration(version, postgres)
        + points().migration(version, postgres) + Indexes[version - 1];
}

} // namespace RecordSchema
