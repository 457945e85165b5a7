#ifndef TESTDATABASE_H
#define TESTDATABASE_H

#include "check/checkengine.h"
#include "display/trendsession.h"

#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>

// A records database of one test's own: a temporary SQLite file, or a new PostgreSQL database
// on the server TR451_TEST_POSTGRESQL names (a postgresql:// URL; default: the local server's
// socket), dropped afterwards. CI starts such a server.
class TestDatabase
{
public:
    explicit TestDatabase(const QString &kind); // "sqlite" or "postgresql"
    ~TestDatabase();

    // The connection setting for the records; empty, with why() saying why, when unavailable.
    QString url() const { return connection; }
    QString why() const { return reason; }
    // A statement of the test's own on the database, beside the tool's connections.
    QSqlQuery exec(const QString &sql);
    // The first row of a query's result, its values joined by commas; empty when it has none.
    QString firstRow(const QString &sql);

private:
    QTemporaryDir dir;
    QString connection;
    QString reason;
    QString server; // the PostgreSQL server's URL, for dropping the database
    QString name;
};

// In a test function whose data has the column "backend": the database db of that backend, or
// the test skipped, saying why.
#define TR451_TEST_DATABASE(db)                                                                    \
    QFETCH(QString, backend);                                                                      \
    TestDatabase db(backend);                                                                      \
    if (db.url().isEmpty())                                                                        \
    QSKIP(qPrintable(db.why()))

// A check engine on a session of its own, keeping its records at url.
struct EngineFixture
{
    explicit EngineFixture(const QString &url)
    {
        StationSettings settings;
        settings.database = url;
        engine.setSettings(settings);
    }

    TrendSession session;
    CheckEngine engine {session};
};

#endif // TESTDATABASE_H
