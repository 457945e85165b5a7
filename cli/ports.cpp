// ports: the serial ports the system offers, as the window's port dialog lists them.
#include "cli/commands.h"
#include "cli/output.h"

#include <QSerialPortInfo>

namespace Cli {

namespace {

constexpr int HexDigitsOfId = 4;

QString hex(quint16 id)
{
    return QStringLiteral("%1").arg(id, HexDigitsOfId, 16, QLatin1Char('0'));
}

} // namespace

Outcome ports(Session &, const Options &options)
{
    Output out(options.format,
               {{QStringLiteral("port"), QStringLiteral("Port")},
                {QStringLiteral("description"), QStringLiteral("Description")},
                {QStringLiteral("usb"), QStringLiteral("USB")},
                {QStringLiteral("serial_number"), QStringLiteral("Serial number")}});
    if (const Outcome opened = out.open(); !opened.ok())
        return opened;
    // A write that fails is remembered, and the records after it go nowhere.
    out.header();
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts()) {
        const QString usb = port.hasVendorIdentifier() && port.hasProductIdentifier()
            ? hex(port.vendorIdentifier()) + QLatin1Char(':') + hex(port.productIdentifier())
            : QString();
        out.record({text(port.systemLocation()), text(port.description()), text(usb),
                    text(port.serialNumber())});
    }
    return out.close({});
}

} // namespace Cli
