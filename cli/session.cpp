#include "cli/session.h"

#include "protocol/frame.h"
#include "protocol/registers.h"

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

Outcome opening(Master &master, const QString &port, int rate)
{
    if (master.open(port, rate))
        return {};
    if (master.isCancelled())
        return {Status::Interrupted, QString()};
    return {Status::NotReached,
            QStringLiteral("cannot open %1: %2").arg(port, master.errorString())};
}

} // namespace

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

bool heardFromLine(Master::Result result)
{
    switch (result) {
    case Master::Result::Answered:
    case Master::Result::Refused:
    case Master::Result::TimedOut:
    case Master::Result::FailedCheck:
        return true;
    default:
        return false;
    }
}

Session::Session(const Options &options)
    : options(options)
{
    configure(line);
    clock.start();
}

void Session::configure(Master &master) const
{
    master.setTimeout(options.timeoutMs);
    master.setRetries(options.retries);
}

void Session::interrupt()
{
    line.cancel();
    for (const std::unique_ptr<Master> &other : others)
        other->cancel();
    if (alsoInterrupt)
        alsoInterrupt();
}

Outcome Session::open()
{
    return opening(line, options.port, options.bauds.first());
}

Outcome Session::openLine(const QString &port, int rate, Master **master)
{
    others.push_back(std::make_unique<Master>());
    *master = others.back().get();
    configure(**master);
    return opening(**master, port, rate);
}

Outcome Session::ask(const QByteArray &request, Master::Answer *answer)
{
    *answer = line.ask(request);
    return outcomeOf(quint8(request.at(Modbus::AddressOffset)), *answer);
}

Outcome Session::outcomeOf(quint8 address, const Master::Answer &answer) const
{
    const QString who =
        QStringLiteral("address %1 at %2 bit/s").arg(address).arg(line.bitsPerSecond());
    switch (answer.result) {
    case Master::Result::Answered:
        return {};
    case Master::Result::Refused:
        return {Status::Refused,
                QStringLiteral("the transmitter at %1 refused the request: exception code %2 (%3)")
                    .arg(who)
                    .arg(answer.exceptionCode)
                    .arg(exceptionName(answer.exceptionCode))};
    case Master::Result::TimedOut:
        return {Status::NoAnswer,
                QStringLiteral("no answer from %1 after %2 attempts")
                    .arg(who)
                    .arg(line.retryCount() + 1)};
    case Master::Result::FailedCheck:
        return {Status::Failed,
                QStringLiteral("the answer from %1 failed its check").arg(who)
                    + (address == Registers::AnyAddress
                           ? QStringLiteral("; more than one transmitter may be answering "
                                            "address 0: name one with --address")
                           : QString())};
    case Master::Result::Several:
        return {Status::Failed,
                QStringLiteral("more than one transmitter answered address 0: "
                               "name one with --address")};
    case Master::Result::LinkDown:
        return {Status::Failed, QStringLiteral("the link to %1 dropped").arg(options.port)};
    case Master::Result::Unreachable:
        return {Status::NotReached,
                QStringLiteral("the link to %1 could not be made again: %2")
                    .arg(options.port, line.errorString())};
    case Master::Result::PortLost:
        return {Status::Failed,
                QStringLiteral("the port %1 was lost: %2").arg(options.port, line.errorString())};
    case Master::Result::Cancelled:
        break;
    }
    return {Status::Interrupted, QString()};
}

Outcome Session::connect(Identity *identity)
{
    if (const Outcome opened = open(); !opened.ok())
        return opened;
    const quint8 address = quint8(options.address);
    const QByteArray request = Registers::informationRequest(address);
    Master::Answer answer;
    // A transmitter answers only at its own rate: the first rate with any answer is its.
    for (const int rate : qAsConst(options.bauds)) {
        line.setBitsPerSecond(rate);
        answer = line.ask(request);
        if (answer.result != Master::Result::TimedOut)
            break;
    }
    if (options.bauds.size() > 1 && answer.result == Master::Result::TimedOut)
        return {Status::NoAnswer,
                QStringLiteral("no answer from address %1 at any rate").arg(address)};
    if (const Outcome outcome = outcomeOf(address, answer); !outcome.ok())
        return outcome;
    *identity = identityOf(answer.reply, line.bitsPerSecond());
    return {};
}

Master::Answer Session::readOutputs(Identity *identity)
{
    const Master::Answer answer = line.ask(Modbus::readRequest(
        identity->address, Registers::OutputBlockFirst, Registers::OutputBlockCount));
    constexpr int OutputDataIndex = Registers::OutputDataChannel1 - Registers::OutputBlockFirst;
    identity->outputData = answer.reply.registers.value(OutputDataIndex, -1);
    return answer;
}

Outcome Session::reading(qint64 dueMs, const QByteArray &request, Master::Answer *answer)
{
    const qint64 remainingMs = dueMs - clock.elapsed();
    if (remainingMs > 0)
        line.pause(int(remainingMs));
    *answer = line.ask(request);
    if (answer->result != Master::Result::LinkDown)
        return outcomeOf(quint8(request.at(Modbus::AddressOffset)), *answer);
    ++missed;
    return {};
}

QString Session::counters() const
{
    const Master::Counters &c = line.counters();
    return QStringLiteral("requests sent %1, answered %2, timed out %3, failed check %4, "
                          "exception replies %5, not sent %6, reconnects %7, readings missed %8")
        .arg(c.sent)
        .arg(c.answered)
        .arg(c.timedOut)
        .arg(c.failedCheck)
        .arg(c.exceptions)
        .arg(c.notSent)
        .arg(c.reconnects)
        .arg(missed);
}

} // namespace Cli
