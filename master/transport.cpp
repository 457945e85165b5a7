#include "master/transport.h"

#include "master/serialtransport.h"
#include "master/tcptransport.h"

#include <QFileInfo>

Transport *Transport::forPort(const QString &name, QObject *parent)
{
    if (name.startsWith(TcpTransport::Scheme))
        return new TcpTransport(name, parent);
    return new SerialTransport(name, parent);
}

bool Transport::samePort(const QString &name, const QString &other)
{
    const QString device = QFileInfo(name).canonicalFilePath();
    return name == other || (!device.isEmpty() && device == QFileInfo(other).canonicalFilePath());
}
