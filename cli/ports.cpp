// ports: the serial ports the system offers, as the window's port dialog lists them.
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"

#include <QSerialPortInfo>

namespace Cli {

namespace {

constexpr int HexDigitsOfId = 4;

QString hex(quint16 id)
{
    return QStringLiteral("%1").arg(id, HexDigitsOfId, 16, QLatin1Char('0'));
}

} // namespace

int ports(const Options &options)
{
    Output out(options.format,
               {{QStringLiteral("port"), QStringLiteral("Port"), 14},
                {QStringLiteral("description"), QStringLiteral("Description"), 24},
                {QStringLiteral("usb"), QStringLiteral("USB"), 9},
                {QStringLiteral("serial_number"), QStringLiteral("Serial number"), 0}});
    if (!out.open(QString()) || !out.header())
        return Exit::Done;
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        const QString usb = port.hasVendorIdentifier() && port.hasProductIdentifier()
            ? hex(port.vendorIdentifier()) + QLatin1Char(':') + hex(port.productIdentifier())
            : QString();
        if (!out.record({text(port.systemLocation()), text(port.description()), text(usb),
                         text(port.serialNumber())}))
            break;
    }
    return Exit::Done;
}

} // namespace Cli
