#include "cli/session.h"

#include "protocol/frame.h"
#include "protocol/registers.h"

#include <cstdio>

namespace Cli {

namespace {

QString exceptionName(quint8 code)
{
    switch (code) {
    case 0x01:
        return QStringLiteral("illegal function");
    case 0x02:
        return QStringLiteral("illegal data address");
    case 0x03:
        return QStringLiteral("illegal data value");
    case 0x04:
        return QStringLiteral("device failure");
    default:
        return QStringLiteral("unknown");
    }
}

} // namespace

QByteArray informationRead(quint8 address)
{
    return Modbus::readRequest(address, Registers::DeviceAddress, Registers::InformationCount);
}

Identity identityOf(const ReplyDecoder::Reply &information, int rate)
{
    Identity identity;
    identity.address = quint8(information.deviceAddress.value_or(0));
    identity.rate = rate;
    identity.serialNumber = information.serialNumber.value_or(QString());
    identity.rangeMin = information.tempRangeMin.value_or(0);
    identity.rangeMax = information.tempRangeMax.value_or(0);
    identity.channels = information.dualChannel.value_or(0) ? 2 : 1;
    return identity;
}

Session::Session(const Options &options, int defaultRetries)
    : options(options)
{
    line.setTimeout(options.timeoutMs);
    line.setRetries(options.retries >= 0 ? options.retries : defaultRetries);
    clock.start();
}

int Session::fail(int status, const QString &reason)
{
    std::fputs(qUtf8Printable(QStringLiteral("tr451: %1\n").arg(reason)), stderr);
    return status;
}

void Session::interrupt()
{
    line.cancel();
}

int Session::open()
{
    if (line.open(options.port, options.bauds.first()))
        return Exit::Done;
    if (line.isCancelled())
        return Exit::Interrupted;
    return fail(Exit::PortNotOpened,
                QStringLiteral("cannot open %1: %2").arg(options.port, line.errorString()));
}

int Session::ask(const QByteArray &request, Master::Answer *answer)
{
    *answer = line.ask(request);
    return report(request, *answer);
}

int Session::report(const QByteArray &request, const Master::Answer &answer)
{
    const quint8 address = quint8(request.at(Modbus::AddressOffset));
    const QString who =
        QStringLiteral("address %1 at %2 bit/s").arg(address).arg(line.bitsPerSecond());
    switch (answer.result) {
    case Master::Result::Answered:
        return Exit::Done;
    case Master::Result::Refused:
        return fail(Exit::Refused,
                    QStringLiteral("the transmitter at %1 refused the request: exception code %2 "
                                   "(%3)")
                        .arg(who)
                        .arg(answer.exceptionCode)
                        .arg(exceptionName(answer.exceptionCode)));
    case Master::Result::TimedOut:
        return fail(Exit::NoAnswer,
                    QStringLiteral("no answer from %1 after %2 attempts")
                        .arg(who)
                        .arg(line.retryCount() + 1));
    case Master::Result::FailedCheck:
        return fail(Exit::Failed,
                    QStringLiteral("the answer from %1 failed its check").arg(who)
                        + (address == Registers::AnyAddress
                               ? QStringLiteral("; more than one transmitter may be answering "
                                                "address 0: name one with --address")
                               : QString()));
    case Master::Result::Several:
        return fail(Exit::Failed,
                    QStringLiteral("more than one transmitter answered %1: name one with --address")
                        .arg(who));
    case Master::Result::LinkDown:
        return fail(Exit::Failed, QStringLiteral("the link to %1 dropped").arg(options.port));
    case Master::Result::Unreachable:
        return fail(Exit::PortNotOpened,
                    QStringLiteral("the link to %1 could not be made again: %2")
                        .arg(options.port, line.errorString()));
    case Master::Result::PortLost:
        return fail(
            Exit::Failed,
            QStringLiteral("the port %1 was lost: %2").arg(options.port, line.errorString()));
    case Master::Result::Cancelled:
        break;
    }
    return Exit::Interrupted;
}

int Session::connect(Identity *identity)
{
    if (const int status = open())
        return status;
    const QByteArray request = informationRead(quint8(options.address));
    Master::Answer answer;
    // A transmitter answers only at its own rate: the first rate with any answer is its.
    for (const int rate : qAsConst(options.bauds)) {
        line.setBitsPerSecond(rate);
        answer = line.ask(request);
        if (answer.result != Master::Result::TimedOut)
            break;
    }
    if (options.bauds.size() > 1 && answer.result == Master::Result::TimedOut)
        return fail(Exit::NoAnswer,
                    QStringLiteral("no answer from address %1 at any rate").arg(options.address));
    if (const int status = report(request, answer))
        return status;
    *identity = identityOf(answer.reply, line.bitsPerSecond());
    return Exit::Done;
}

int Session::readOutputs(Identity *identity)
{
    Master::Answer answer;
    const int status = ask(Modbus::readRequest(identity->address, Registers::OutputBlockFirst,
                                               Registers::OutputBlockCount),
                           &answer);
    constexpr int OutputDataIndex = Registers::OutputDataChannel1 - Registers::OutputBlockFirst;
    identity->outputData = answer.reply.registers.value(OutputDataIndex, -1);
    return status;
}

bool Session::waitUntil(qint64 dueMs)
{
    const qint64 remainingMs = dueMs - clock.elapsed();
    return remainingMs > 0 ? line.pause(int(remainingMs)) : !line.isCancelled();
}

QString Session::counters() const
{
    const Master::Counters &c = line.counters();
    return QStringLiteral("requests sent %1, answered %2, timed out %3, failed check %4, "
                          "exception replies %5")
        .arg(c.sent)
        .arg(c.answered)
        .arg(c.timedOut)
        .arg(c.failedCheck)
        .arg(c.exceptions);
}

} // namespace Cli
