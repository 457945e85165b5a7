#ifndef SERIALTRANSPORT_H
#define SERIALTRANSPORT_H

#include "master/transport.h"

#include <QSerialPort>

// A serial port with the window's line settings: 8 data bits, no parity, one stop bit, no flow
// control.
class SerialTransport : public Transport
{
    Q_OBJECT

public:
    SerialTransport(const QString &name, QObject *parent);

    bool open(int bitsPerSecond) override;
    bool isReady() const override;
    void setBitsPerSecond(int bitsPerSecond) override;
    void write(const QByteArray &bytes) override;
    bool canReconnect() const override { return false; }
    QString errorString() const override;

private:
    QSerialPort port;
};

#endif // SERIALTRANSPORT_H
