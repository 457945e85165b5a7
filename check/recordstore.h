#ifndef RECORDSTORE_H
#define RECORDSTORE_H

#include "check/checkrecord.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QVariant>

class QSqlDatabase;
class QSqlQuery;

// The calibration records of every station that shares the database: checks and their points,
// each written the moment it is made, in a statement of its own, so that a process killed
// afterwards loses nothing. Through Qt SQL: an SQLite file by default, which needs no setup, or
// a PostgreSQL database shared by a line of stations. The tool creates and migrates the schema
// itself.
//
// A connection that fails is opened again at the next call, so a database that comes back is
// used again. Each store has a connection of its own, for the thread that uses it.
class RecordStore
{
    Q_DECLARE_TR_FUNCTIONS(RecordStore)

public:
    static constexpr int SchemaVersion = 1;

    // connection: a postgresql:// (or postgres://) URL with user, password, host, port and
    // database, and libpq's parameters as its query (?host=/socket/folder for a Unix socket);
    // anything else names an SQLite file. Empty takes TR451_DATABASE and, when that is empty
    // too, defaultFile().
    explicit RecordStore(const QString &connection = QString());
    ~RecordStore();
    RecordStore(const RecordStore &) = delete;
    RecordStore &operator=(const RecordStore &) = delete;

    // records.sqlite in the user's data folder, the same for the window and the command line.
    static QString defaultFile();
    // Where the records go, for the user (never with a password).
    QString location() const;
    // A Qt SQL connection of this name, not yet open, to the database that connection names.
    static QSqlDatabase addConnection(const QString &connection, const QString &name);

    // Connects, and creates or migrates the schema, unless connected already; the calls below
    // do so themselves. False, with errorString() in plain words, when the database cannot be
    // reached: a command line learns it before it waits for anything.
    bool open();
    // Each returns false, with errorString() in plain words, when the database cannot be
    // reached or refuses the write; nothing is then changed in the argument.
    bool addCheck(Check &check); // sets check.id
    bool addPoint(const Check &check, CheckPoint &point); // sets point.id
    bool storeResult(Check &check); // finish or abandonment; sets check.storedResult
    // The checks of a serial number from every station, newest first, as a list shows them:
    // kind, station, operator, start, result and the number of points stored.
    bool history(const QString &serialNumber, QList<Check> *checks);
    // The whole of a check of the history (by its id), with its points.
    bool load(Check &check);

    QString errorString() const { return error; }

private:
    bool migrate(QSqlQuery &query);
    bool execute(QSqlQuery &query, const QString &sql, const QVariantList &values = {});
    bool reconnectLater(); // returns false

    QString target;
    QString connectionName;
    bool postgres = false;
    QString error;
};

#endif // RECORDSTORE_H
