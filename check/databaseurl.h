#ifndef DATABASEURL_H
#define DATABASEURL_H

#include <QCoreApplication>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// A postgresql:// (or postgres://) URL read the way libpq reads it: user and password, host (a
// name, an [IPv6] address, or a socket folder as ?host=/path), port, database, and any other libpq
// parameter as the query, everything percent-decoded. Read here rather than by QUrl, which
// refuses a password with an unencoded '@' and then gives an empty host: libpq would take that for
// the local socket and the records would go to another server.
class DatabaseUrl
{
    Q_DECLARE_TR_FUNCTIONS(DatabaseUrl)

public:
    static bool isPostgres(const QString &text);
    // The parts of text, a postgresql:// URL; nothing, with *why in plain words, when libpq could
    // not read it as meant. Neither why nor anything else here ever shows the password.
    static std::optional<DatabaseUrl> parse(const QString &text, QString *why);
    // text as the user may see it: a URL without its password, or only its scheme when it is not
    // valid (what is wrong with it may be the password).
    static QString shown(const QString &text);

    QString user;
    QString password; // empty: libpq's own ways (PGPASSWORD, PGPASSFILE, ~/.pgpass)
    QString host; // empty: libpq's default socket; a path: a socket folder
    int port = -1; // -1: libpq's default
    QString database;
    // The query's other parameters, for libpq, in their order.
    QList<QPair<QString, QString>> parameters;

private:
    QString withoutPassword() const;
};

#endif // DATABASEURL_H
