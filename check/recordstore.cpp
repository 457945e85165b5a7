#include "check/recordstore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <cmath>

namespace {

using Columns = QList<QPair<QString, QString>>; // name, SQL type

// In the order of checkValues(). A later schema version adds its columns at the end.
const Columns &checkColumns()
{
    static const Columns columns = {
        {"serial_number", "TEXT NOT NULL"},
        {"address", "INTEGER"},
        {"range_min", "DOUBLE PRECISION"},
        {"range_max", "DOUBLE PRECISION"},
        {"kind", "TEXT NOT NULL"},
        {"station", "TEXT"},
        {"operator_name", "TEXT"},
        {"reference_instrument", "TEXT"},
        {"reference_certificate", "TEXT"},
        {"reference_due", "TEXT"},
        {"tolerance_temperature", "DOUBLE PRECISION"},
        {"tolerance_humidity", "DOUBLE PRECISION"},
        {"window_ms", "BIGINT"},
        {"drift_limit_temperature", "DOUBLE PRECISION"},
        {"drift_limit_humidity", "DOUBLE PRECISION"},
        {"deviation_limit_temperature", "DOUBLE PRECISION"},
        {"deviation_limit_humidity", "DOUBLE PRECISION"},
        // Times in UTC, ISO 8601 with milliseconds: they sort as text in either database.
        {"started_at", "TEXT NOT NULL"},
        {"finished_at", "TEXT"},
        {"result", "TEXT NOT NULL"},
    };
    return columns;
}

// In the order of pointValues(): the point, then the same columns for each quantity.
const Columns &pointColumns()
{
    static const Columns columns = [] {
        Columns all = {{"check_id", "BIGINT NOT NULL REFERENCES checks (id)"},
                       {"taken_at", "TEXT NOT NULL"},
                       {"early_reason", "TEXT"}};
        for (const QString &quantity :
             {QStringLiteral("temperature"), QStringLiteral("humidity")}) {
            for (const auto &[name, type] : Columns {{"reference", "DOUBLE PRECISION"},
                                                     {"mean", "DOUBLE PRECISION"},
                                                     {"deviation", "DOUBLE PRECISION"},
                                                     {"drift", "DOUBLE PRECISION"},
                                                     {"error", "DOUBLE PRECISION"},
                                                     {"samples", "INTEGER"},
                                                     {"passed", "INTEGER"}})
                all.append({quantity + '_' + name, type});
        }
        return all;
    }();
    return columns;
}

QString names(const Columns &columns)
{
    QStringList list;
    for (const auto &column : columns)
        list << column.first;
    return list.join(QStringLiteral(", "));
}

QString insertion(const QString &table, const Columns &columns)
{
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING id")
        .arg(table, names(columns), marks.join(QStringLiteral(", ")));
}

QString creation(const QString &table, const Columns &columns, bool postgres)
{
    QStringList definitions = {postgres ? QStringLiteral("id BIGSERIAL PRIMARY KEY")
                                        : QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT")};
    for (const auto &[name, type] : columns)
        definitions << name + ' ' + type;
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(table, definitions.join(QStringLiteral(", ")));
}

// The statements that bring the schema from version - 1 to version.
QStringList migration(int version, bool postgres)
{
    switch (version) {
    case 1:
        return {
            creation(QStringLiteral("checks"), checkColumns(), postgres),
            creation(QStringLiteral("points"), pointColumns(), postgres),
            QStringLiteral("CREATE INDEX checks_by_serial ON checks (serial_number, started_at)"),
            QStringLiteral("CREATE INDEX points_by_check ON points (check_id)")};
    default:
        return {};
    }
}

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

// A quantity without a value (a drift of one reading) is NULL in the records.
QVariant numberValue(double number)
{
    return std::isfinite(number) ? QVariant(number) : QVariant(QVariant::Double);
}

double numberFrom(const QVariant &value)
{
    return value.isNull() ? TrendStatistics::None : value.toDouble();
}

QVariantList checkValues(const Check &check)
{
    const StationSettings &s = check.settings;
    const GateLimits &limits = s.limits;
    return {check.transmitter.serialNumber,
            check.transmitter.address,
            check.transmitter.rangeMin,
            check.transmitter.rangeMax,
            CheckText::kind(check.kind),
            s.station,
            s.operatorName,
            s.referenceInstrument,
            s.referenceCertificate,
            s.referenceDue.toString(Qt::ISODate),
            s.tolerance[0],
            s.tolerance[1],
            limits.windowMs,
            limits.maxDrift[0],
            limits.maxDrift[1],
            limits.maxStandardDeviation[0],
            limits.maxStandardDeviation[1],
            timeValue(check.startedAt),
            timeValue(check.finishedAt),
            CheckText::result(check.result)};
}

// The columns of checkColumns() from at on.
Check checkFrom(const QSqlQuery &query, int at)
{
    const auto value = [&query, &at] { return query.value(at++); };
    Check check;
    check.transmitter.serialNumber = value().toString();
    check.transmitter.address = quint16(value().toUInt());
    check.transmitter.rangeMin = value().toDouble();
    check.transmitter.rangeMax = value().toDouble();
    check.kind = CheckText::kindFrom(value().toString());
    StationSettings &s = check.settings;
    s.station = value().toString();
    s.operatorName = value().toString();
    s.referenceInstrument = value().toString();
    s.referenceCertificate = value().toString();
    s.referenceDue = QDate::fromString(value().toString(), Qt::ISODate);
    for (double &tolerance : s.tolerance)
        tolerance = value().toDouble();
    s.limits.windowMs = value().toLongLong();
    for (double &limit : s.limits.maxDrift)
        limit = value().toDouble();
    for (double &limit : s.limits.maxStandardDeviation)
        limit = value().toDouble();
    check.startedAt = timeFrom(value());
    check.finishedAt = timeFrom(value());
    check.result = check.storedResult = CheckText::resultFrom(value().toString());
    return check;
}

QVariantList pointValues(qint64 checkId, const CheckPoint &point)
{
    QVariantList values = {checkId, timeValue(point.takenAt),
                           point.earlyReason.isEmpty() ? QVariant() : point.earlyReason};
    for (const QuantityPoint &q : point.quantities) {
        values << q.reference << numberValue(q.mean) << numberValue(q.standardDeviation)
               << numberValue(q.driftPerMinute) << numberValue(q.error) << q.samples
               << int(q.passed);
    }
    return values;
}

// The columns of pointColumns() after check_id, from at on.
CheckPoint pointFrom(const QSqlQuery &query, int at)
{
    const auto value = [&query, &at] { return query.value(at++); };
    CheckPoint point;
    point.takenAt = timeFrom(value());
    point.earlyReason = value().toString();
    for (QuantityPoint &q : point.quantities) {
        q.reference = value().toDouble();
        q.mean = numberFrom(value());
        q.standardDeviation = numberFrom(value());
        q.driftPerMinute = numberFrom(value());
        q.error = numberFrom(value());
        q.samples = value().toInt();
        q.passed = value().toInt() != 0;
    }
    return point;
}

// Any number: the schema migration of one database is done by one tool at a time.
constexpr int MigrationLock = 451573;
constexpr int SqliteBusyTimeoutMs = 10000;
constexpr int PostgresConnectTimeoutS = 5;

QString resolved(const QString &connection)
{
    QString target = connection.trimmed();
    if (target.isEmpty())
        target = qEnvironmentVariable("TR451_DATABASE").trimmed();
    return target.isEmpty() ? RecordStore::defaultFile() : target;
}

bool isPostgres(const QString &target)
{
    return target.startsWith(QLatin1String("postgresql://"))
        || target.startsWith(QLatin1String("postgres://"));
}

} // namespace

RecordStore::RecordStore(const QString &connection)
    : target(resolved(connection))
    , connectionName(QStringLiteral("tr451-records-%1").arg(quintptr(this), 0, 16))
{
    postgres = isPostgres(target);
}

RecordStore::~RecordStore()
{
    QSqlDatabase::database(connectionName, false).close();
    QSqlDatabase::removeDatabase(connectionName);
}

QString RecordStore::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/tr451-test-tools/records.sqlite");
}

QString RecordStore::location() const
{
    return postgres ? QUrl(target).toString(QUrl::RemovePassword)
                    : QDir::toNativeSeparators(target);
}

bool RecordStore::open()
{
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (db.isOpen())
        return true;
    if (!db.isValid())
        db = addConnection(target, connectionName);
    if (!db.open()) {
        error = tr("The records database %1 cannot be reached: %2")
                    .arg(location(), db.lastError().text());
        return false;
    }
    QSqlQuery query(db);
    if (!migrate(query)) {
        db.close();
        return false;
    }
    return true;
}

QSqlDatabase RecordStore::addConnection(const QString &connection, const QString &name)
{
    const QString target = resolved(connection);
    if (!isPostgres(target)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        QDir().mkpath(QFileInfo(target).absolutePath());
        db.setDatabaseName(target);
        // Another station on the same file waits its turn instead of failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(SqliteBusyTimeoutMs));
        return db;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    const QUrl url(target);
    db.setHostName(url.host());
    db.setPort(url.port(-1));
    db.setDatabaseName(url.path().mid(1));
    db.setUserName(url.userName());
    db.setPassword(url.password());
    // libpq takes the later of two values, so the URL's parameters win over the default.
    QStringList options = {QStringLiteral("connect_timeout=%1").arg(PostgresConnectTimeoutS)};
    for (const auto &[key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
        options << key + '=' + value;
    db.setConnectOptions(options.join(';'));
    return db;
}

bool RecordStore::migrate(QSqlQuery &query)
{
    // Two tools starting at once on a new database must not both create it: SQLite's immediate
    // transaction and PostgreSQL's transaction lock let one through at a time.
    if (!execute(query, postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    bool done =
        (!postgres
         || execute(query, QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(MigrationLock)))
        && execute(query,
                   QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER "
                                  "NOT NULL)"))
        && execute(query, QStringLiteral("SELECT MAX(version) FROM schema_version"))
        && query.next();
    const int version = done ? query.value(0).toInt() : 0;
    query.finish();
    if (done && version > SchemaVersion) {
        error = tr("The records database %1 was made by a newer version of this tool (schema "
                   "%2; this one knows schema %3).")
                    .arg(location())
                    .arg(version)
                    .arg(SchemaVersion);
        done = false;
    }
    for (int next = version + 1; done && next <= SchemaVersion; ++next) {
        for (const QString &statement : migration(next, postgres))
            done = done && execute(query, statement);
        done = done
            && execute(query, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"),
                       {next});
    }
    if (done && execute(query, QStringLiteral("COMMIT")))
        return true;
    const QString reason = error;
    execute(query, QStringLiteral("ROLLBACK"));
    error = reason;
    return false;
}

bool RecordStore::execute(QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    // Not forward-only: Qt's PostgreSQL driver then fetches a row at a time, which makes a long
    // history several times slower.
    query.setForwardOnly(false);
    // Without values the statement goes as it is: PostgreSQL cannot prepare BEGIN or COMMIT.
    bool done = values.isEmpty() || query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    done = done && (values.isEmpty() ? query.exec(sql) : query.exec());
    if (!done)
        error = tr("The records database %1 did not take the request: %2")
                    .arg(location(), query.lastError().text());
    return done;
}

// A connection that failed once is opened anew at the next call, in case the database or the
// network came back.
bool RecordStore::reconnectLater()
{
    QSqlDatabase::database(connectionName, false).close();
    return false;
}

bool RecordStore::addCheck(Check &check)
{
    if (!open())
        return false;
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!execute(query, insertion(QStringLiteral("checks"), checkColumns()), checkValues(check))
        || !query.next())
        return reconnectLater();
    check.id = query.value(0).toLongLong();
    check.storedResult = check.result;
    return true;
}

bool RecordStore::addPoint(const Check &check, CheckPoint &point)
{
    if (!open())
        return false;
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!execute(query, insertion(QStringLiteral("points"), pointColumns()),
                 pointValues(check.id, point))
        || !query.next())
        return reconnectLater();
    point.id = query.value(0).toLongLong();
    return true;
}

bool RecordStore::storeResult(Check &check)
{
    if (!open())
        return false;
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!execute(query,
                 QStringLiteral("UPDATE checks SET finished_at = ?, result = ? WHERE id = ?"),
                 {timeValue(check.finishedAt), CheckText::result(check.result), check.id}))
        return reconnectLater();
    check.storedResult = check.result;
    return true;
}

bool RecordStore::history(const QString &serialNumber, QList<Check> *checks)
{
    if (!open())
        return false;
    // Only what the list shows: a serial number may have thousands of checks.
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!execute(query,
                 QStringLiteral("SELECT id, kind, station, operator_name, started_at, result, "
                                "(SELECT COUNT(*) FROM points WHERE check_id = checks.id) FROM "
                                "checks WHERE serial_number = ? ORDER BY started_at DESC, id DESC"),
                 {serialNumber}))
        return reconnectLater();
    checks->clear();
    while (query.next()) {
        Check check;
        check.id = query.value(0).toLongLong();
        check.transmitter.serialNumber = serialNumber;
        check.kind = CheckText::kindFrom(query.value(1).toString());
        check.settings.station = query.value(2).toString();
        check.settings.operatorName = query.value(3).toString();
        check.startedAt = timeFrom(query.value(4));
        check.result = check.storedResult = CheckText::resultFrom(query.value(5).toString());
        check.storedPointCount = query.value(6).toInt();
        checks->append(check);
    }
    return true;
}

bool RecordStore::load(Check &check)
{
    if (!open())
        return false;
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!execute(query,
                 QStringLiteral("SELECT %1 FROM checks WHERE id = ?").arg(names(checkColumns())),
                 {check.id})
        || !query.next())
        return reconnectLater();
    Check loaded = checkFrom(query, 0);
    loaded.id = check.id;
    if (!execute(query,
                 QStringLiteral("SELECT id, %1 FROM points WHERE check_id = ? ORDER BY id")
                     .arg(names(pointColumns())),
                 {check.id}))
        return reconnectLater();
    while (query.next()) {
        CheckPoint point = pointFrom(query, 2);
        point.id = query.value(0).toLongLong();
        loaded.points.append(point);
    }
    loaded.storedPointCount = loaded.points.size();
    check = loaded;
    return true;
}
