#include "master/transport.h"

#include "master/serialtransport.h"
#include "master/tcptransport.h"

#include <QFileInfo>
#include <QSerialPortInfo>

Transport *Transport::forPort(const QString &name, QObject *parent)
{
    if (name.startsWith(TcpTransport::Scheme))
        return new TcpTransport(name, parent);
    return new SerialTransport(name, parent);
}

bool Transport::samePort(const QString &name, const QString &other)
{
    // A serial port may be named as the list of ports names it (ttyUSB0) or by its path.
    const auto device = [](const QString &port) {
        if (port.startsWith(TcpTransport::Scheme))
            return QString();
        const QSerialPortInfo listed(port);
        return QFileInfo(listed.isNull() ? port : listed.systemLocation()).canonicalFilePath();
    };
    const QString path = device(name);
    return name == other || (!path.isEmpty() && path == device(other));
}
