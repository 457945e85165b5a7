#ifndef TCPTRANSPORT_H
#define TCPTRANSPORT_H

#include "master/transport.h"

#include <QTcpSocket>

// RTU frames over a TCP connection, as serial device servers forward them: no framing of its
// own, and no line of ours to pace the bytes.
class TcpTransport : public Transport
{
    Q_OBJECT

public:
    static constexpr const char *Scheme = "tcp://";

    // name is tcp://HOST:PORT.
    TcpTransport(const QString &name, QObject *parent);

    bool open(int bitsPerSecond) override;
    bool isReady() const override;
    void setBitsPerSecond(int) override {}
    void write(const QByteArray &bytes) override;
    bool canReconnect() const override { return true; }
    QString errorString() const override;

private:
    QString host;
    int port = -1;
    QTcpSocket socket;
};

#endif // TCPTRANSPORT_H
