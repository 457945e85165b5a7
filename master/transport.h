#ifndef TRANSPORT_H
#define TRANSPORT_H

#include <QByteArray>
#include <QObject>
#include <QString>

// The byte stream a master talks to its transmitters over: a serial port, or a TCP connection to
// a serial device server that carries the RTU frames as they are.
class Transport : public QObject
{
    Q_OBJECT

public:
    // A serial port by its name, or RTU over TCP for a name written tcp://HOST:PORT.
    static Transport *forPort(const QString &name, QObject *parent);
    // Whether two names reach one port: the same tcp:// address, or one serial port by any of its
    // names (its listed name, its path, a link to it).
    static bool samePort(const QString &name, const QString &other);

    using QObject::QObject;

    // False, with errorString() set, when the port cannot be opened. A transport may still be
    // connecting after true; it emits ready() once it can carry bytes, or failed(). A transport
    // that can reconnect opens again after a failure.
    virtual bool open(int bitsPerSecond) = 0;
    virtual bool isReady() const = 0;
    // The line speed; over TCP the device server's serial side keeps its own.
    virtual void setBitsPerSecond(int bitsPerSecond) = 0;
    virtual void write(const QByteArray &bytes) = 0;
    // Whether open() may make the link again after it failed once up: a device server that
    // restarts comes back, a pulled adapter does not.
    virtual bool canReconnect() const = 0;
    virtual QString errorString() const = 0;

signals:
    void ready();
    void received(const QByteArray &bytes);
    // The port went away (the adapter was pulled, the connection closed) or never came up.
    void failed(const QString &why);
};

#endif // TRANSPORT_H
