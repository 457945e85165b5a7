#include "master/transport.h"

#include "master/serialtransport.h"
#include "master/tcptransport.h"

Transport *Transport::forPort(const QString &name, QObject *parent)
{
    if (name.startsWith(TcpTransport::Scheme))
        return new TcpTransport(name, parent);
    return new SerialTransport(name, parent);
}
