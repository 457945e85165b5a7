#include "support/toolport.h"

#include <QSerialPort>
#include <QWidget>

QSerialPort *openToolPort(QWidget *window, const QString &path)
{
    auto *port = window->findChild<QSerialPort *>(QStringLiteral("serialPort"));
    if (!port)
        return nullptr;
    port->close();
    port->setPortName(path);
    if (!port->open(QIODevice::ReadWrite))
        return nullptr;
    port->setBaudRate(QSerialPort::Baud9600);
    QObject::connect(port, SIGNAL(readyRead()), window, SLOT(my_readuart()), Qt::UniqueConnection);
    return port;
}
