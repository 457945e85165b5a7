#include "check/databaseurl.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <iterator>

namespace {

const QString Schemes[] = {QStringLiteral("postgresql://"), QStringLiteral("postgres://")};
constexpr int MaxPort = 65535;

const QString *schemeOf(const QString &text)
{
    for (const QString &scheme : Schemes) {
        if (text.startsWith(scheme))
            return &scheme;
    }
    return nullptr;
}

// %XX sequences decoded as UTF-8; false when a '%' is not followed by two hexadecimal digits.
bool decode(const QString &text, QString *decoded)
{
    static const QRegularExpression badEscape(QStringLiteral("%(?![0-9A-Fa-f]{2})"));
    if (text.contains(badEscape))
        return false;
    *decoded = QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8()));
    return true;
}

bool readPort(const QString &text, int *port)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int number = text.toInt();
    if (!digits.match(text).hasMatch() || number < 1 || number > MaxPort)
        return false;
    *port = number;
    return true;
}

QString encoded(const QString &text, const QByteArray &keep = QByteArray())
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, keep));
}

} // namespace

bool DatabaseUrl::isPostgres(const QString &text)
{
    return schemeOf(text) != nullptr;
}

std::optional<DatabaseUrl> DatabaseUrl::parse(const QString &text, QString *why)
{
    const QString *scheme = schemeOf(text);
    if (!scheme) {
        *why = tr("it does not begin with postgresql:// or postgres://");
        return std::nullopt;
    }
    // Split as libpq splits: the query at the first '?', the database at the first '/' before it.
    QString rest = text.mid(scheme->size());
    const int queryAt = rest.indexOf('?');
    const QString query = queryAt < 0 ? QString() : rest.mid(queryAt + 1);
    rest.truncate(queryAt < 0 ? rest.size() : queryAt);
    const int pathAt = rest.indexOf('/');
    const QString authority = rest.left(pathAt);
    const QString path = pathAt < 0 ? QString() : rest.mid(pathAt + 1);

    const QString escapeHint = tr("an '@', '/', '?' or '%' in a user name or password is written "
                                  "%40, %2F, %3F or %25");
    const int at = authority.lastIndexOf('@');
    if (authority.indexOf('@') != at) {
        *why = tr("it has more than one '@' before the host: %1").arg(escapeHint);
        return std::nullopt;
    }
    DatabaseUrl url;
    const QString userInfo = at < 0 ? QString() : authority.left(at);
    const int colon = userInfo.indexOf(':');
    QString hostPort = authority.mid(at + 1);
    QString portText;
    bool hasPort = false;
    if (hostPort.startsWith('[')) {
        const int close = hostPort.indexOf(']');
        const QString after = close < 0 ? QString() : hostPort.mid(close + 1);
        if (close < 0 || (!after.isEmpty() && !after.startsWith(':'))) {
            *why = tr("an IPv6 address is written in brackets, as [::1] or [::1]:5432");
            return std::nullopt;
        }
        hasPort = !after.isEmpty();
        portText = after.mid(1);
        hostPort = hostPort.mid(1, close - 1);
    } else if (const int portAt = hostPort.indexOf(':'); portAt >= 0) {
        hasPort = true;
        portText = hostPort.mid(portAt + 1);
        hostPort.truncate(portAt);
    }
    if (!decode(colon < 0 ? userInfo : userInfo.left(colon), &url.user)
        || !decode(colon < 0 ? QString() : userInfo.mid(colon + 1), &url.password)
        || !decode(hostPort, &url.host) || !decode(path, &url.database)) {
        *why = tr("a '%' is not followed by two hexadecimal digits: %1").arg(escapeHint);
        return std::nullopt;
    }
    const QString badPort = tr("the port is not a number from 1 to %1").arg(MaxPort);
    if (hasPort && !readPort(portText, &url.port)) {
        *why = badPort + QStringLiteral("; ") + escapeHint;
        return std::nullopt;
    }

    // The query's values for the parts above take their place, as libpq takes the later value.
    const std::pair<QString, QString *> parts[] = {{QStringLiteral("user"), &url.user},
                                                   {QStringLiteral("password"), &url.password},
                                                   {QStringLiteral("host"), &url.host},
                                                   {QStringLiteral("dbname"), &url.database}};
    for (const QString &item : query.split('&', Qt::SkipEmptyParts)) {
        const int equals = item.indexOf('=');
        QString key, value;
        if (equals <= 0 || !decode(item.left(equals), &key)
            || !decode(item.mid(equals + 1), &value)) {
            *why = tr("the query is not a list of name=value joined by '&', percent-encoded");
            return std::nullopt;
        }
        const auto part = std::find_if(std::begin(parts), std::end(parts),
                                       [&key](const auto &named) { return named.first == key; });
        if (part != std::end(parts)) {
            *part->second = value;
        } else if (key == QLatin1String("port")) {
            if (!readPort(value, &url.port)) {
                *why = badPort;
                return std::nullopt;
            }
        } else if (value.contains(';')) {
            // Qt's PostgreSQL driver joins the other parameters with ';'.
            *why = tr("the value of %1 holds a ';', which Qt's PostgreSQL driver cannot pass on")
                       .arg(key);
            return std::nullopt;
        } else {
            url.parameters.append({key, value});
        }
    }
    return url;
}

QString DatabaseUrl::shown(const QString &text)
{
    QString ignored;
    const std::optional<DatabaseUrl> url = parse(text, &ignored);
    if (url)
        return url->withoutPassword();
    const QString *scheme = schemeOf(text);
    return scheme ? *scheme + QStringLiteral("\u2026") : QString();
}

QString DatabaseUrl::withoutPassword() const
{
    QString text = Schemes[0];
    if (!user.isEmpty())
        text += encoded(user) + '@';
    // A socket folder goes in the query, where a path reads as itself.
    const bool socket = host.startsWith('/');
    QList<QPair<QString, QString>> query = parameters;
    if (socket)
        query.prepend({QStringLiteral("host"), host});
    else
        text += host.contains(':') ? '[' + host + ']' : encoded(host);
    if (port > 0)
        text += ':' + QString::number(port);
    if (!database.isEmpty())
        text += '/' + encoded(database);
    QStringList items;
    for (const auto &[key, value] : query)
        items << encoded(key) + '=' + encoded(value, "/");
    if (!items.isEmpty())
        text += '?' + items.join('&');
    return text;
}
