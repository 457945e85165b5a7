#include "check/recordstore.h"

#include "check/databaseurl.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <algorithm>
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

// The check as it began: its result and finish are written by the update that closes it.
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
            QVariant(QVariant::String),
            CheckText::result(Check::Result::Open)};
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
               << int(q.passed());
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
        q.verdict = value().toInt() != 0 ? Verdict::Pass : Verdict::Fail;
    }
    return point;
}

// Any number: the schema migration of one database is done by one tool at a time.
constexpr int MigrationLock = 451573;
constexpr int SqliteBusyTimeoutMs = 10000;
constexpr int PostgresConnectTimeoutS = 5;
// Server notices (a table that exists already, say) would otherwise go to stderr through libpq.
const QString PostgresServerOptions = QStringLiteral("-c client_min_messages=warning");
// PostgreSQL's SQLSTATE for a statement the role may not run.
const QString InsufficientPrivilege = QStringLiteral("42501");

QString resolved(const QString &connection)
{
    QString target = connection.trimmed();
    if (target.isEmpty())
        target = qEnvironmentVariable("TR451_DATABASE").trimmed();
    return target.isEmpty() ? RecordStore::defaultFile() : target;
}

// A value of libpq's connection string, quoted as it reads quotes.
QString libpqValue(QString value)
{
    value.replace('\\', QLatin1String("\\\\")).replace('\'', QLatin1String("\\'"));
    return '\'' + value + '\'';
}

} // namespace

RecordStore::RecordStore(const QString &connection)
    : target(resolved(connection))
    , connectionName(QStringLiteral("tr451-records-%1").arg(quintptr(this), 0, 16))
{
    postgres = DatabaseUrl::isPostgres(target);
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
    return postgres ? DatabaseUrl::shown(target) : QDir::toNativeSeparators(target);
}

bool RecordStore::open()
{
    QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (db.isOpen())
        return true;
    QString why;
    if (postgres && !DatabaseUrl::parse(target, &why)) {
        error = tr("The records database URL %1 is not valid: %2.").arg(location(), why);
        return false;
    }
    if (!db.isValid())
        db = addConnection(target, connectionName);
    if (!db.open()) {
        error = tr("The records database %1 cannot be reached: %2")
                    .arg(location(), db.lastError().text());
        return false;
    }
    return schemaReady(db) || reconnectLater();
}

bool RecordStore::schemaReady(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    int version = 0;
    // Only a schema missing or older needs more than reading: a station's role may create nothing.
    return readVersion(query, &version) && (version == SchemaVersion || migrate(query));
}

QSqlDatabase RecordStore::addConnection(const QString &connection, const QString &name)
{
    const QString target = resolved(connection);
    if (!DatabaseUrl::isPostgres(target)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        QDir().mkpath(QFileInfo(target).absolutePath());
        db.setDatabaseName(target);
        // Another station on the same file waits its turn instead of failing.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(SqliteBusyTimeoutMs));
        return db;
    }
    QString ignored;
    const std::optional<DatabaseUrl> url = DatabaseUrl::parse(target, &ignored);
    if (!url)
        return QSqlDatabase();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(url->host);
    db.setPort(url->port);
    db.setDatabaseName(url->database);
    db.setUserName(url->user);
    db.setPassword(url->password);
    // libpq takes the later of two values, so the URL's parameters win over the defaults; its
    // server options follow ours.
    QStringList options = {QStringLiteral("connect_timeout=%1").arg(PostgresConnectTimeoutS)};
    QString serverOptions = PostgresServerOptions;
    for (const auto &[key, value] : url->parameters) {
        if (key == QLatin1String("options"))
            serverOptions += ' ' + value;
        else
            options << key + '=' + libpqValue(value);
    }
    options << QStringLiteral("options=") + libpqValue(serverOptions);
    db.setConnectOptions(options.join(';'));
    return db;
}

// The schema's version, -1 when there is none. Its table is looked up in the catalogue first:
// in PostgreSQL a statement that fails aborts the transaction it is in, and making the table to be
// sure needs a right a station's role lacks. The catalogue's rows, not a name lookup, which caches
// a name it did not find: a tool that waited for another's migration would not see its table.
bool RecordStore::readVersion(QSqlQuery &query, int *version)
{
    const bool read =
        execute(query,
                postgres ? QStringLiteral("SELECT COUNT(*) FROM pg_catalog.pg_tables WHERE "
                                          "schemaname = current_schema() AND tablename = "
                                          "'schema_version'")
                         : QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = "
                                          "'table' AND name = 'schema_version'"))
        && query.next();
    if (read && !query.value(0).toBool()) {
        *version = -1;
        return true;
    }
    const bool done = read
        && execute(query, QStringLiteral("SELECT COALESCE(MAX(version), 0) FROM schema_version"))
        && query.next();
    *version = done ? query.value(0).toInt() : 0;
    query.finish();
    return done;
}

bool RecordStore::migrate(QSqlQuery &query)
{
    // Two tools starting at once on a new database must not both create it: SQLite's immediate
    // transaction and PostgreSQL's transaction lock let one through at a time, and the version
    // is read again behind them.
    int version = 0;
    failure = QSqlError(); // a newer schema is refused without one
    bool done = begin(query)
        && (!postgres
            || execute(query,
                       QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(MigrationLock)))
        && readVersion(query, &version);
    if (done && version > SchemaVersion) {
        error = tr("The records database %1 was made by a newer version of this tool (schema "
                   "%2; this one knows schema %3).")
                    .arg(location())
                    .arg(version)
                    .arg(SchemaVersion);
        done = false;
    }
    if (done && version < 0)
        done = execute(query,
                       QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
    for (int next = std::max(version, 0) + 1; done && next <= SchemaVersion; ++next) {
        for (const QString &statement : migration(next, postgres))
            done = done && execute(query, statement);
        done = done
            && execute(query, QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"),
                       {next});
    }
    if (done && execute(query, QStringLiteral("COMMIT")))
        return true;
    rollBack(query);
    const QSqlError refused = failure;
    if (postgres && refused.nativeErrorCode() == InsufficientPrivilege) {
        const QString role = execute(query, QStringLiteral("SELECT current_user")) && query.next()
            ? query.value(0).toString()
            : QString();
        error = tr("The role %1 may not create or update the tables of the records database %2 "
                   "(schema %3): let the database's owner open the records once with this tool "
                   "(for example tr451 history 0, with the owner's URL as the records database), "
                   "or grant %1 CREATE on the schema. The database said: %4")
                    .arg(role, location())
                    .arg(SchemaVersion)
                    .arg(refused.text());
    }
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
    if (!done) {
        failure = query.lastError();
        error = tr("The records database %1 did not take the request: %2")
                    .arg(location(), failure.text());
    }
    return done;
}

// Immediate: an SQLite writer that waits for another does so at the start, with its busy
// timeout, not when it would have to give up a read lock halfway.
bool RecordStore::begin(QSqlQuery &query)
{
    return execute(query, postgres ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
}

// Keeps what the refusal that led here said.
void RecordStore::rollBack(QSqlQuery &query)
{
    const QString reason = error;
    const QSqlError refused = failure;
    execute(query, QStringLiteral("ROLLBACK"));
    error = reason;
    failure = refused;
}

// A connection that failed once is opened anew at the next call, in case the database or the
// network came back.
bool RecordStore::reconnectLater()
{
    QSqlDatabase::database(connectionName, false).close();
    return false;
}

bool RecordStore::store(Check &check)
{
    const int storedPoints =
        int(std::count_if(check.points.cbegin(), check.points.cend(),
                          [](const CheckPoint &point) { return point.stored(); }));
    const QString held = check.stored()
        ? tr("The check is stored with its first %1 point(s), not what followed.").arg(storedPoints)
        : tr("Nothing of the check was stored.");
    if (open() && write(check))
        return true;
    error = held + ' ' + error;
    return reconnectLater();
}

bool RecordStore::write(Check &check)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    const auto insert = [&](const QString &table, const Columns &columns,
                            const QVariantList &values, qint64 *id) {
        if (!execute(query, insertion(table, columns), values) || !query.next())
            return false;
        *id = query.value(0).toLongLong();
        return true;
    };
    // The ids are kept aside until the records hold them: a transaction rolled back leaves none.
    qint64 checkId = check.id;
    QVector<qint64> pointIds;
    bool done = begin(query)
        && (check.stored()
            || insert(QStringLiteral("checks"), checkColumns(), checkValues(check), &checkId));
    for (const CheckPoint &point : qAsConst(check.points)) {
        qint64 id = point.id;
        done = done
            && (point.stored()
                || insert(QStringLiteral("points"), pointColumns(), pointValues(checkId, point),
                          &id));
        pointIds << id;
    }
    done = done
        && (check.storedResult == check.result
            || execute(query,
                       QStringLiteral("UPDATE checks SET finished_at = ?, result = ? WHERE id = ?"),
                       {timeValue(check.finishedAt), CheckText::result(check.result), checkId}))
        && execute(query, QStringLiteral("COMMIT"));
    if (!done) {
        rollBack(query);
        return false;
    }
    check.id = checkId;
    for (int i = 0; i < pointIds.size(); ++i)
        check.points[i].id = pointIds[i];
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
