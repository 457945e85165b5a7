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
    // Until allow(), the database refuses statements of operation ("INSERT", "UPDATE") on table,
    // as a full disk or a revoked right would.
    void refuse(const QString &operation, const QString &table);
    void allow();
    // PostgreSQL: the URL of a role of the test's own, granted only what a station's role is
    // granted on the tables and sequences there are now: SELECT, INSERT and UPDATE, and USAGE and
    // SELECT. Like any role since PostgreSQL 15 it may not create anything in the schema.
    QString stationUrl();

private:
    QTemporaryDir dir;
    QString connection;
    QString reason;
    QString server; // the PostgreSQL server's URL, for dropping the database
    QString name;
    QString role; // of stationUrl()
    QString refusedTable;
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
        // A reference that can go on a certificate: without one no check begins.
        settings.referenceInstrument = QStringLiteral("Chilled-mirror hygrometer CM-2");
        settings.referenceCertificate = QStringLiteral("CAL-2026-0142");
        settings.referenceDue = QDate::currentDate().addYears(1);
        engine.setSettings(settings);
    }

    TrendSession session;
    CheckEngine engine {session};
};

#endif // TESTDATABASE_H
