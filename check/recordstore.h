#ifndef RECORDSTORE_H
#define RECORDSTORE_H

#include "check/checkrecord.h"
#include "check/recordschema.h"
#include "check/runrecord.h"

#include <QCoreApplication>
#include <QList>
#include <QSqlError>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

class QSqlDatabase;
class QSqlQuery;

// The calibration records of every station that shares the database: checks and their points, and
// the batch runs that checked a rack of transmitters at once.
// Whatever belongs together is written in one transaction, so that the records hold all of it or
// none, and at once, so that a process killed afterwards loses nothing. Through Qt SQL: an SQLite
// file by default, which needs no setup, or a PostgreSQL database shared by a line of stations.
// The tool creates and migrates the schema itself when it finds it missing or older; otherwise it
// only reads, inserts and updates, which is all a station's role needs to be granted.
//
// A connection that fails is opened again at the next call, so a database that comes back is
// used again. Each store has a connection of its own, for the thread that uses it.
class RecordStore
{
    Q_DECLARE_TR_FUNCTIONS(RecordStore)

public:
    static constexpr int SchemaVersion = RecordSchema::Version;

    // connection: a postgresql:// (or postgres://) URL (see DatabaseUrl); anything else names an
    // SQLite file. Empty takes TR451_DATABASE and, when that is empty too, defaultFile().
    explicit RecordStore(const QString &connection = QString());
    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // records.sqlite in the user's data folder, the same for the window and the command line.
    static QString defaultFile();
    // Where the records go, for the user (never with a password).
    QString location() const;
    // A Qt SQL connection of this name, not yet open, to the database that connection names; an
    // invalid one for a PostgreSQL URL that is not valid.
    static QSqlDatabase addConnection(const QString &connection, const QString &name);

    // Connects, and creates or migrates the schema when it is missing or older, unless connected
    // already; the calls below do so themselves. False, with errorString() in plain words, when
    // the database cannot be reached or used: a command line learns it before it waits for
    // anything.
    bool open();
    // Writes whatever of check the records do not hold yet, in one transaction: the check when
    // new, its points not stored, its result when changed. Sets the ids and storedResult when the
    // records took it all; otherwise check is left as it was, the records hold none of it, and
    // errorString() says so, and what of the check they do hold.
    bool store(Check &check);
    // The checks of a serial number from every station, newest first, as a list shows them:
    // kind, station, operator, start, result and the number of points stored.
    bool history(const QString &serialNumber, QList<Check> *checks);
    // The whole of a check of the history (by its id), with its points.
    bool load(Check &check);

    // Writes whatever of run the records do not hold yet, in one transaction, as store(Check &)
    // does for a check: the run when new, each of its checks when new, their points not stored,
    // their results and the run's progress when changed. So each transmitter's point is in the
    // records whole, or not at all, the moment this returns true; the ids are set only then.
    bool store(RunRecord &run);
    // The runs still running, newest first, without their checks: for a window that offers to
    // resume one and a command line that resumes the newest.
    bool unfinishedRuns(QList<RunRecord> *runs);
    // The whole of a run (by its id): its settings, its profile and its checks with their points.
    bool loadRun(RunRecord &run);

    QString errorString() const { return error; }

private:
    bool schemaReady(const QSqlDatabase &db);
    bool readVersion(QSqlQuery &query, int *version);
    bool migrate(QSqlQuery &query);
    // What a transaction's writes leave to be done once it is committed: the ids and the results
    // the records now hold, set on what was written.
    using Staged = QVector<std::function<void()>>;
    bool transaction(const std::function<bool(QSqlQuery &, Staged &)> &writes);
    bool stage(QSqlQuery &query, Staged &staged, Check &check, qint64 runId);
    // record as a new row of table, owned by the row owner (0 for none); *id its id.
    template<typename Record>
    bool insert(QSqlQuery &query, const RecordSchema::Table<Record> &table, const Record &record,
                qint64 owner, qint64 *id);
    bool begin(QSqlQuery &query);
    void rollBack(QSqlQuery &query);
    bool execute(QSqlQuery &query, const QString &sql, const QVariantList &values = {});
    bool reconnectLater(); // returns false

    QString target;
    QString connectionName;
    bool postgres = false;
    QString error;
    QSqlError failure; // of the last statement refused
};

#endif // RECORDSTORE_H
