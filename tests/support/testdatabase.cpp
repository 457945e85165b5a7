#include "support/testdatabase.h"

#include "check/recordstore.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QUrl>
#include <QUrlQuery>

#include <atomic>

namespace {

std::atomic<int> created {0};
const QString OwnConnection = QStringLiteral("tr451-test-own");

// Runs sql on a connection of its own to the database at url; the error text when it fails.
QString run(const QString &url, const QString &sql)
{
    const QString connection = QStringLiteral("tr451-test-admin");
    QString failure;
    {
        QSqlDatabase db = RecordStore::addConnection(url, connection);
        if (!db.open())
            failure = db.lastError().text();
        else if (QSqlQuery query(db); !query.exec(sql))
            failure = query.lastError().text();
    }
    QSqlDatabase::removeDatabase(connection);
    return failure;
}

} // namespace

TestDatabase::TestDatabase(const QString &kind)
{
    if (kind == QLatin1String("sqlite")) {
        connection = dir.filePath(QStringLiteral("records.sqlite"));
        return;
    }
    server = qEnvironmentVariable("TR451_TEST_POSTGRESQL", "postgresql:///postgres");
    name = QString("tr451_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(created++);
    const QString failure = run(server, QStringLiteral("CREATE DATABASE ") + name);
    if (!failure.isEmpty()) {
        reason = QStringLiteral("No PostgreSQL server at %1 (%2): set TR451_TEST_POSTGRESQL to "
                                "one's postgresql:// URL, as .ci/run does")
                     .arg(server, failure.simplified());
        name.clear();
        return;
    }
    QUrl url(server);
    url.setPath('/' + name);
    connection = url.toString();
}

TestDatabase::~TestDatabase()
{
    QSqlDatabase::removeDatabase(OwnConnection);
    if (!name.isEmpty())
        run(server, QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(name));
    if (!role.isEmpty())
        run(server, QStringLiteral("DROP ROLE %1").arg(role));
}

QSqlQuery TestDatabase::exec(const QString &sql)
{
    QSqlDatabase db = QSqlDatabase::database(OwnConnection, false);
    if (!db.isValid())
        db = RecordStore::addConnection(connection, OwnConnection);
    db.open();
    QSqlQuery query(db);
    query.exec(sql);
    return query;
}

QString TestDatabase::firstRow(const QString &sql)
{
    QSqlQuery query = exec(sql);
    QStringList values;
    for (int i = 0; i < query.record().count() && (i > 0 || query.next()); ++i)
        values << query.value(i).toString();
    return values.join(',');
}

void TestDatabase::refuse(const QString &operation, const QString &table)
{
    refusedTable = table;
    if (server.isEmpty()) {
        exec(QStringLiteral("CREATE TRIGGER refusal BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, "
                            "'refused by the test'); END")
                 .arg(operation, table));
        return;
    }
    exec(QStringLiteral("CREATE OR REPLACE FUNCTION refusal() RETURNS trigger LANGUAGE plpgsql AS "
                        "$$BEGIN RAISE EXCEPTION 'refused by the test'; END$$"));
    exec(QStringLiteral("CREATE TRIGGER refusal BEFORE %1 ON %2 FOR EACH ROW EXECUTE FUNCTION "
                        "refusal()")
             .arg(operation, table));
}

void TestDatabase::allow()
{
    exec(server.isEmpty() ? QStringLiteral("DROP TRIGGER refusal")
                          : QStringLiteral("DROP TRIGGER refusal ON ") + refusedTable);
}

QString TestDatabase::stationUrl()
{
    if (role.isEmpty()) {
        role = name + QStringLiteral("_station");
        run(server, QStringLiteral("CREATE ROLE %1 LOGIN").arg(role));
    }
    exec(QStringLiteral("GRANT SELECT, INSERT, UPDATE ON ALL TABLES IN SCHEMA public TO ") + role);
    exec(QStringLiteral("GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO ") + role);
    // The test server trusts its local users.
    QUrl url(connection);
    QUrlQuery query(url);
    query.removeAllQueryItems(QStringLiteral("user"));
    query.addQueryItem(QStringLiteral("user"), role);
    url.setQuery(query);
    url.setUserName(QString());
    return url.toString();
}
