#include "check/recordstore.h"

#include "check/databaseurl.h"
#include "check/recordschema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <algorithm>

namespace {

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
        for (const QString &statement : RecordSchema::migration(next, postgres))
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

template<typename Record>
bool RecordStore::insert(QSqlQuery &query, const RecordSchema::Table<Record> &table,
                         const Record &record, qint64 owner, qint64 *id)
{
    if (!execute(query, table.insertion(), table.values(record, owner)) || !query.next())
        return false;
    *id = query.value(0).toLongLong();
    return true;
}

bool RecordStore::store(Check &check)
{
    const int storedPoints =
        int(std::count_if(check.points.cbegin(), check.points.cend(),
                          [](const CheckPoint &point) { return point.stored(); }));
    const QString held = check.stored()
        ? tr("The check is stored with its first %1 point(s), not what followed.").arg(storedPoints)
        : tr("Nothing of the check was stored.");
    if (open() && transaction([&](QSqlQuery &query, Staged &staged) {
            return stage(query, staged, check, 0);
        }))
        return true;
    error = held + ' ' + error;
    return reconnectLater();
}

bool RecordStore::store(RunRecord &run)
{
    const QString held = run.stored() ? tr("The run is stored as it was before this.")
                                      : tr("Nothing of the run was stored.");
    const auto writes = [this, &run](QSqlQuery &query, Staged &staged) {
        qint64 runId = run.id;
        if (!run.stored()) {
            if (!insert(query, RecordSchema::runs(), run, 0, &runId))
                return false;
            staged << [&run, runId] { run.id = runId; };
        } else if (run.progress() != run.storedProgress
                   && !execute(query,
                               QStringLiteral("UPDATE runs SET state = ?, finished_at = ?, "
                                              "point_reached = ? WHERE id = ?"),
                               {RunText::state(run.state), RecordSchema::timeValue(run.finishedAt),
                                run.pointReached, runId})) {
            return false;
        }
        staged << [&run] { run.storedProgress = run.progress(); };
        for (Check &check : run.checks) {
            if (!stage(query, staged, check, runId))
                return false;
        }
        return true;
    };
    if (open() && transaction(writes))
        return true;
    error = held + ' ' + error;
    return reconnectLater();
}

// The ids are kept aside until the records hold them: a transaction rolled back leaves none.
bool RecordStore::transaction(const std::function<bool(QSqlQuery &, Staged &)> &writes)
{
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    Staged staged;
    if (!begin(query) || !writes(query, staged) || !execute(query, QStringLiteral("COMMIT"))) {
        rollBack(query);
        return false;
    }
    for (const auto &apply : qAsConst(staged))
        apply();
    return true;
}

// The check as it is now when new (it names runId, 0 for none), its points not stored, and its
// result when the records hold another.
bool RecordStore::stage(QSqlQuery &query, Staged &staged, Check &check, qint64 runId)
{
    qint64 checkId = check.id;
    if (!check.stored()) {
        if (!insert(query, RecordSchema::checks(), check, runId, &checkId))
            return false;
        staged << [&check, checkId] { check.id = checkId; };
    } else if (check.storedResult != check.result
               && !execute(
                   query,
                   QStringLiteral("UPDATE checks SET finished_at = ?, result = ? WHERE id = ?"),
                   {RecordSchema::timeValue(check.finishedAt), CheckText::result(check.result),
                    checkId})) {
        return false;
    }
    staged << [&check] { check.storedResult = check.result; };
    for (CheckPoint &point : check.points) {
        if (point.stored())
            continue;
        qint64 pointId = 0;
        if (!insert(query, RecordSchema::points(), point, checkId, &pointId))
            return false;
        staged << [&point, pointId] { point.id = pointId; };
    }
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
                                "(SELECT COUNT(*) FROM points WHERE check_id = checks.id), run_id "
                                "FROM checks WHERE serial_number = ? ORDER BY started_at DESC, "
                                "id DESC"),
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
        check.startedAt = RecordSchema::timeFrom(query.value(4));
        check.result = check.storedResult = CheckText::resultFrom(query.value(5).toString());
        check.storedPointCount = query.value(6).toInt();
        check.runId = query.value(7).toLongLong();
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
                 QStringLiteral("SELECT run_id, %1 FROM checks WHERE id = ?")
                     .arg(RecordSchema::checks().selection()),
                 {check.id})
        || !query.next())
        return reconnectLater();
    Check loaded = RecordSchema::checks().read(query, 1);
    loaded.id = check.id;
    loaded.runId = query.value(0).toLongLong();
    loaded.storedResult = loaded.result;
    if (!execute(query,
                 QStringLiteral("SELECT id, %1 FROM points WHERE check_id = ? ORDER BY id")
                     .arg(RecordSchema::points().selection()),
                 {check.id}))
        return reconnectLater();
    while (query.next()) {
        CheckPoint point = RecordSchema::points().read(query, 1);
        point.id = query.value(0).toLongLong();
        loaded.points.append(point);
    }
    loaded.storedPointCount = loaded.points.size();
    check = loaded;
    return true;
}

bool RecordStore::unfinishedRuns(QList<RunRecord> *list)
{
    if (!open())
        return false;
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!execute(query,
                 QStringLiteral("SELECT id, %1 FROM runs WHERE state = ? ORDER BY started_at DESC, "
                                "id DESC")
                     .arg(RecordSchema::runs().selection()),
                 {RunText::state(RunRecord::State::Running)}))
        return reconnectLater();
    list->clear();
    while (query.next()) {
        RunRecord run = RecordSchema::runs().read(query, 1);
        run.id = query.value(0).toLongLong();
        run.storedProgress = run.progress();
        list->append(run);
    }
    return true;
}

bool RecordStore::loadRun(RunRecord &run)
{
    if (!open())
        return false;
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    if (!execute(query,
                 QStringLiteral("SELECT %1 FROM runs WHERE id = ?")
                     .arg(RecordSchema::runs().selection()),
                 {run.id})
        || !query.next())
        return reconnectLater();
    RunRecord loaded = RecordSchema::runs().read(query, 0);
    loaded.id = run.id;
    loaded.storedProgress = loaded.progress();
    if (!execute(query, QStringLiteral("SELECT id FROM checks WHERE run_id = ? ORDER BY id"),
                 {run.id}))
        return reconnectLater();
    while (query.next()) {
        Check check;
        check.id = query.value(0).toLongLong();
        loaded.checks.append(check);
    }
    for (Check &check : loaded.checks) {
        if (!load(check))
            return false;
    }
    run = loaded;
    return true;
}
