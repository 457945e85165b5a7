// set: one write to the transmitter, verified by reading it back (but for the heater, which the
// transmitter does not let read).
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "protocol/frame.h"
#include "protocol/registers.h"

#include <algorithm>

namespace Cli {

namespace {

QString degrees(qint16 tenths)
{
    return QString::number(tenths / Registers::RangeTenthsPerDegree, 'f', 1);
}

quint16 baudCodeOf(int rate)
{
    const auto &rates = Registers::BaudRates;
    return quint16(Registers::FirstBaudCode
                   + (std::find(rates.cbegin(), rates.cend(), rate) - rates.cbegin()));
}

Outcome notKept(const QString &what, const QString &readBack)
{
    return {Status::Failed,
            QStringLiteral("the transmitter did not keep the new %1: it reads back %2")
                .arg(what, readBack)};
}

// What answered at an address asked whether it is free.
QString occupant(const Master::Answer &answer)
{
    switch (answer.result) {
    case Master::Result::Answered:
        return QStringLiteral("the transmitter %1 answers it")
            .arg(answer.reply.serialNumber.value_or(QString()));
    case Master::Result::Refused:
        return QStringLiteral("a device there answers with exception code %1")
            .arg(answer.exceptionCode);
    default:
        return QStringLiteral("a garbled answer comes from it");
    }
}

// Two transmitters at one address would garble every answer there, and neither could be given
// another address alone: a new address is asked first, and anything that answers it keeps it.
Outcome addressFree(Session &session, quint8 address)
{
    const Master::Answer answer = session.master().ask(Registers::informationRequest(address));
    if (answer.result == Master::Result::TimedOut)
        return {};
    if (!heardFromLine(answer.result))
        return session.outcomeOf(address, answer);
    return {Status::Failed,
            QStringLiteral("address %1 is taken: %2; nothing was written")
                .arg(address)
                .arg(occupant(answer))};
}

} // namespace

// The write goes to the transmitter's own address, never to address 0, so that on a line of
// several no other takes it.
Outcome set(Session &session, const Options &options)
{
    Identity identity;
    if (const Outcome connected = session.connect(&identity); !connected.ok())
        return connected;
    const Setting &setting = options.setting;
    const quint8 address = identity.address;
    if (setting.what == Setting::Address && setting.value != address) {
        if (const Outcome free = addressFree(session, quint8(setting.value)); !free.ok())
            return free;
    }
    QByteArray write;
    switch (setting.what) {
    case Setting::Address:
        write = Modbus::writeRequest(address, Registers::DeviceAddress, quint16(setting.value));
        break;
    case Setting::Baud:
        write = Modbus::writeRequest(address, Registers::BaudRateCode, baudCodeOf(setting.value));
        break;
    case Setting::Range:
        write = Modbus::blockWrite(address, Registers::TemperatureRangeBlock,
                                   {quint16(setting.rangeMin), quint16(setting.rangeMax)});
        break;
    case Setting::Heater:
        write = Modbus::writeRequest(address, Registers::Heater,
                                     setting.value ? Registers::HeaterOn : Registers::HeaterOff);
        break;
    }
    Master::Answer answer;
    if (const Outcome written = session.ask(write, &answer); !written.ok())
        return written;
    if (setting.what == Setting::Heater) {
        return say(QStringLiteral("The heater of the transmitter at address %1 is now %2")
                       .arg(address)
                       .arg(setting.value ? "on" : "off"));
    }

    // The transmitter takes a new address or rate once its echo has gone out.
    const quint8 readBackAddress =
        setting.what == Setting::Address ? quint8(setting.value) : address;
    if (setting.what == Setting::Baud)
        session.master().setBitsPerSecond(setting.value);
    if (const Outcome readBack =
            session.ask(Registers::informationRequest(readBackAddress), &answer);
        !readBack.ok())
        return readBack;
    const ReplyDecoder::Reply &kept = answer.reply;
    switch (setting.what) {
    case Setting::Address:
        if (kept.deviceAddress != setting.value)
            return notKept(QStringLiteral("address"), QString::number(*kept.deviceAddress));
        return say(QStringLiteral("The transmitter at address %1 now has address %2")
                       .arg(address)
                       .arg(setting.value));
    case Setting::Baud:
        if (Registers::baudRateForCode(kept.baudRateCode.value_or(0)) != setting.value)
            return notKept(QStringLiteral("baud rate"),
                           QStringLiteral("code %1").arg(kept.baudRateCode.value_or(0)));
        return say(QStringLiteral("The transmitter at address %1 now answers at %2 bit/s")
                       .arg(address)
                       .arg(setting.value));
    default:
        if (kept.tempRangeMin != setting.rangeMin || kept.tempRangeMax != setting.rangeMax)
            return notKept(QStringLiteral("range"),
                           QStringLiteral("%1 to %2")
                               .arg(degrees(*kept.tempRangeMin), degrees(*kept.tempRangeMax)));
        return say(QStringLiteral("The transmitter at address %1 now has the range %2 to %3 "
                                  "\u2103")
                       .arg(address)
                       .arg(degrees(setting.rangeMin), degrees(setting.rangeMax)));
    }
}

} // namespace Cli
