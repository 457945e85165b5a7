#include "master/tcptransport.h"

#include <QUrl>

TcpTransport::TcpTransport(const QString &name, QObject *parent)
    : Transport(parent)
{
    const QUrl url(name, QUrl::StrictMode);
    if (url.isValid() && url.path().isEmpty() && !url.host().isEmpty()) {
        host = url.host();
        port = url.port();
    }
    connect(&socket, &QTcpSocket::connected, this, [this] {
        // Small frames go out at once rather than waiting to be joined.
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        emit ready();
    });
    connect(&socket, &QTcpSocket::readyRead, this, [this] { emit received(socket.readAll()); });
    connect(&socket, &QTcpSocket::errorOccurred, this,
            [this] { emit failed(socket.errorString()); });
}

bool TcpTransport::open(int)
{
    if (port <= 0)
        return false;
    // An attempt still unanswered (a server that is not up yet drops it) gives way to a new one.
    socket.abort();
    socket.connectToHost(host, quint16(port));
    return true;
}

bool TcpTransport::isReady() const
{
    return socket.state() == QAbstractSocket::ConnectedState;
}

void TcpTransport::write(const QByteArray &bytes)
{
    socket.write(bytes);
}

QString TcpTransport::errorString() const
{
    return port <= 0 ? QStringLiteral("not a TCP address: write tcp://HOST:PORT")
                     : socket.errorString();
}
