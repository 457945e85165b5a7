// scan and info: the identity and output settings of transmitters, found on the line or named.
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "platform/platform.h"
#include "protocol/registers.h"

#include <cstdio>

namespace Cli {

namespace {

constexpr int BarWidth = 30;

const QVector<Column> IdentityColumns {
    {QStringLiteral("address"), QStringLiteral("Address"), 0},
    {QStringLiteral("baud_rate"), QStringLiteral("Baud rate"), 0},
    {QStringLiteral("serial_number"), QStringLiteral("Serial number"), 0},
    {QStringLiteral("range_min"), QStringLiteral("Range min (\u2103)"), 0},
    {QStringLiteral("range_max"), QStringLiteral("Range max (\u2103)"), 0},
    {QStringLiteral("channels"), QStringLiteral("Channels"), 0},
    {QStringLiteral("output"), QStringLiteral("Output"), 0},
};

// The window's names for the output data codes.
QString outputName(int code)
{
    static const QStringList names {"Temperature", "Humidity", "TDEW"};
    return names.value(code, code < 0 ? QString() : QString::number(code));
}

QVector<Field> identityRecord(const Identity &identity)
{
    return {integer(identity.address),
            integer(identity.rate),
            text(identity.serialNumber),
            number(identity.rangeMin / Registers::RangeTenthsPerDegree, 1),
            number(identity.rangeMax / Registers::RangeTenthsPerDegree, 1),
            integer(identity.channels),
            text(outputName(identity.outputData))};
}

// How far the scan has come, on stderr: a bar redrawn in place on a terminal, else a line for
// each rate.
class Progress
{
public:
    explicit Progress(int addresses)
        : total(addresses)
        , terminal(Platform::isTerminal(stderr))
    {}

    void startRate(int bitsPerSecond)
    {
        rate = bitsPerSecond;
        if (!terminal)
            tell(QStringLiteral("Scanning %1 addresses at %2 bit/s").arg(total).arg(rate));
    }
    void show(int done) const
    {
        if (!terminal)
            return;
        const int filled = BarWidth * done / total;
        tell(QStringLiteral("\r%1 bit/s [%2%3] %4/%5")
                 .arg(rate, 6)
                 .arg(QString(filled, QLatin1Char('#')), QString(BarWidth - filled, '.'))
                 .arg(done)
                 .arg(total),
             false);
    }
    // Makes room for a line of its own: the bar is drawn again at the next step.
    void clear() const
    {
        if (terminal)
            tell(QStringLiteral("\r\x1b[K"), false);
    }

private:
    int total;
    bool terminal;
    int rate = 0;
};

} // namespace

// A transmitter found is listed with what it gives: one that refuses or loses the output block
// read is listed without its output data, and the scan goes on.
Outcome scan(Session &session, const Options &options)
{
    Output out(options.format, IdentityColumns);
    if (const Outcome opened = out.open(); !opened.ok() || !out.header())
        return out.close(opened);
    if (const Outcome opened = session.open(); !opened.ok())
        return out.close(opened);
    Progress progress(options.scanAddresses.size());
    for (const int rate : options.scanBauds) {
        session.master().setBitsPerSecond(rate);
        progress.startRate(rate);
        for (int i = 0; i < options.scanAddresses.size(); ++i) {
            progress.show(i);
            const quint8 address = quint8(options.scanAddresses.at(i));
            const Master::Answer answer =
                session.master().ask(Registers::informationRequest(address));
            if (answer.result == Master::Result::TimedOut)
                continue;
            progress.clear();
            const Outcome outcome = session.outcomeOf(address, answer);
            if (!heardFromLine(answer.result))
                return out.close(outcome);
            // Something is there, though not a transmitter that answers: worth a word.
            if (!outcome.ok()) {
                tell(outcome.why);
                continue;
            }
            Identity identity = identityOf(answer.reply, rate);
            const Master::Answer outputs = session.readOutputs(&identity);
            if (!heardFromLine(outputs.result))
                return out.close(session.outcomeOf(address, outputs));
            if (!out.record(identityRecord(identity)))
                return out.close({});
        }
        progress.clear();
    }
    return out.close({});
}

Outcome info(Session &session, const Options &options)
{
    Output out(options.format, IdentityColumns);
    if (const Outcome opened = out.open(); !opened.ok())
        return opened;
    Identity identity;
    if (const Outcome connected = session.connect(&identity); !connected.ok())
        return connected;
    if (const Outcome outputs = session.outcomeOf(identity.address, session.readOutputs(&identity));
        !outputs.ok())
        return outputs;
    out.header();
    out.record(identityRecord(identity));
    return out.close({});
}

} // namespace Cli
