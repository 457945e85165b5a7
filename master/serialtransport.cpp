#include "master/serialtransport.h"

SerialTransport::SerialTransport(const QString &name, QObject *parent)
    : Transport(parent)
{
    port.setPortName(name);
    connect(&port, &QSerialPort::readyRead, this, [this] { emit received(port.readAll()); });
    // A pulled adapter shows as a resource error; the port is useless from then on.
    connect(&port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ResourceError) {
            const QString why = port.errorString();
            port.close();
            emit failed(why);
        }
    });
}

bool SerialTransport::open(int bitsPerSecond)
{
    // An empty name would open the current folder.
    if (port.portName().isEmpty() || !port.open(QIODevice::ReadWrite))
        return false;
    return port.setBaudRate(bitsPerSecond) && port.setDataBits(QSerialPort::Data8)
        && port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::OneStop)
        && port.setFlowControl(QSerialPort::NoFlowControl);
}

bool SerialTransport::isReady() const
{
    return port.isOpen();
}

void SerialTransport::setBitsPerSecond(int bitsPerSecond)
{
    port.setBaudRate(bitsPerSecond);
}

void SerialTransport::write(const QByteArray &bytes)
{
    port.write(bytes);
}

QString SerialTransport::errorString() const
{
    return port.portName().isEmpty() ? QStringLiteral("no port name") : port.errorString();
}
