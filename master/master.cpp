#include "master/master.h"

#include "master/transport.h"
#include "protocol/exchange.h"
#include "protocol/frame.h"
#include "protocol/linetiming.h"
#include "protocol/registers.h"

#include <QEventLoop>

namespace {

constexpr qint64 UsPerMs = 1000;

} // namespace

Master::Master(QObject *parent)
    : QObject(parent)
    , link([this] { transport->open(rate); }, ReconnectIntervalMs)
{
    // A coarse timer may fire early, and a request must never go out before its silence.
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &Master::onTimer);
    connect(&link, &Reconnector::gaveUp, this, &Master::onGaveUp);
    connecting.setSingleShot(true);
    connect(&connecting, &QTimer::timeout, this, [this] {
        error = QStringLiteral("timed out");
        concludeOpening(false);
    });
    clock.start();
}

Master::~Master() = default;

void Master::openLater(const QString &port, int bitsPerSecond)
{
    rate = bitsPerSecond;
    transport = Transport::forPort(port, this);
    connect(transport, &Transport::received, this, &Master::onReceived);
    connect(transport, &Transport::failed, this, &Master::onFailed);
    connect(transport, &Transport::ready, this, &Master::onReady);
    if (!transport->open(bitsPerSecond)) {
        error = transport->errorString();
        concludeOpening(false);
    } else if (transport->isReady()) {
        concludeOpening(true);
    } else {
        connecting.start(ConnectTimeoutMs);
    }
}

bool Master::open(const QString &port, int bitsPerSecond)
{
    openLater(port, bitsPerSecond);
    if (!openingConcluded && !cancelled) {
        QEventLoop loop;
        waiting = &loop;
        loop.exec();
        waiting = nullptr;
    }
    if (!usable && error.isEmpty())
        error = QStringLiteral("interrupted");
    return usable;
}

// Told from the event loop, so that whoever opened later has connected to opened() by then.
void Master::concludeOpening(bool ok)
{
    connecting.stop();
    usable = ok && !cancelled;
    openingConcluded = true;
    wake();
    QMetaObject::invokeMethod(
        this, [this, ok] { emit opened(ok && !cancelled); }, Qt::QueuedConnection);
}

void Master::setBitsPerSecond(int bitsPerSecond)
{
    rate = bitsPerSecond;
    transport->setBitsPerSecond(bitsPerSecond);
}

bool Master::start(const QByteArray &request)
{
    if (state != State::Idle || cancelled || lost || !usable)
        return false;
    if (link.hasGivenUp()) {
        ++count.notSent;
        return false;
    }
    this->request = request;
    attemptsLeft = retries;
    sentAny = false;
    if (link.isDown()) {
        state = State::Linking;
        arm(nowUs() + allowanceUs());
    } else {
        sendWhenSilent();
    }
    return true;
}

Master::Answer Master::ask(const QByteArray &request)
{
    Answer answer;
    if (!start(request)) {
        answer.result = refusal();
        return answer;
    }
    QEventLoop loop;
    const QMetaObject::Connection done =
        connect(this, &Master::finished, &loop, [&answer, &loop](const Answer &outcome) {
            answer = outcome;
            loop.quit();
        });
    loop.exec();
    disconnect(done);
    return answer;
}

Master::Result Master::refusal() const
{
    if (lost)
        return Result::PortLost;
    return link.hasGivenUp() && !cancelled ? Result::Unreachable : Result::Cancelled;
}

bool Master::pause(int ms)
{
    if (cancelled || lost)
        return false;
    QEventLoop loop;
    waiting = &loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    waiting = nullptr;
    return !cancelled && !lost;
}

void Master::cancel()
{
    cancelled = true;
    if (state != State::Idle)
        finish(Result::Cancelled);
    wake();
}

void Master::wake()
{
    if (waiting)
        waiting->quit();
}

// How long an attempt waits for its answer to begin, and a transaction for a dropped link.
qint64 Master::allowanceUs() const
{
    return timeoutMs > 0
        ? timeoutMs * UsPerMs
        : LineTiming::wireUs(Modbus::expectedReplySize(request), rate) + TurnaroundMs * UsPerMs;
}

void Master::arm(qint64 dueUs)
{
    // Rounded up: never before its time.
    timer.start(int(qMax<qint64>(0, (dueUs - nowUs() + UsPerMs - 1) / UsPerMs)));
}

// The silence is counted from the last byte on the line, whichever way it went.
void Master::sendWhenSilent()
{
    state = State::Spacing;
    const qint64 quietFromUs = qMax(requestEndUs, lastHeardUs);
    const qint64 dueUs = quietFromUs + LineTiming::t35Us(rate);
    if (dueUs <= nowUs())
        send();
    else
        arm(dueUs);
}

void Master::send()
{
    state = State::Awaiting;
    buffer.clear();
    heard = false;
    garbled = false;
    const qint64 sentUs = nowUs();
    transport->write(request);
    ++count.sent;
    sentAny = true;
    requestEndUs = sentUs + LineTiming::wireUs(request.size(), rate);
    deadlineUs = requestEndUs + allowanceUs();
    arm(deadlineUs);
}

void Master::onReceived(const QByteArray &bytes)
{
    lastHeardUs = nowUs();
    switch (state) {
    case State::Spacing:
        sendWhenSilent();
        break;
    case State::Awaiting:
        readAnswer(bytes);
        break;
    case State::Listening:
        ++count.failedCheck;
        finish(Result::Several);
        break;
    case State::Idle:
    case State::Linking:
        break;
    }
}

void Master::readAnswer(const QByteArray &bytes)
{
    // An answer that has begun gets the time its length needs, whatever the timeout left.
    if (!heard) {
        const int rest = qMax(0, Modbus::expectedReplySize(request) - int(bytes.size()));
        deadlineUs =
            qMax(deadlineUs, lastHeardUs + LineTiming::wireUs(rest, rate) + TurnaroundMs * UsPerMs);
        arm(deadlineUs);
    }
    heard = true;
    buffer += bytes;
    const Modbus::Hearing hearing = Modbus::hear(request, buffer);
    if (hearing.answer.isEmpty()) {
        // What is settled is dropped, so the buffer holds at most a frame still arriving.
        garbled = garbled || hearing.garbled;
        buffer.remove(0, hearing.settled);
        return;
    }
    if (quint8(request.at(Modbus::AddressOffset)) != Registers::AnyAddress) {
        accept(hearing.answer);
    } else if (buffer.size() > hearing.answerEnd) {
        ++count.failedCheck;
        finish(Result::Several);
    } else {
        answerToAll = hearing.answer;
        state = State::Listening;
    }
}

void Master::onTimer()
{
    switch (state) {
    case State::Spacing:
        send();
        return;
    case State::Linking:
        ++count.notSent;
        finish(Result::LinkDown);
        return;
    case State::Listening:
        accept(answerToAll);
        return;
    case State::Awaiting:
        break;
    case State::Idle:
        return;
    }
    // What stays in the buffer at the deadline is a frame that never ended.
    const bool failed = garbled || !buffer.isEmpty();
    ++(failed ? count.failedCheck : count.timedOut);
    if (attemptsLeft > 0) {
        --attemptsLeft;
        sendWhenSilent();
        return;
    }
    finish(failed ? Result::FailedCheck : Result::TimedOut);
}

void Master::onReady()
{
    if (!openingConcluded) {
        concludeOpening(true);
    } else if (link.restore()) {
        ++count.reconnects;
        if (state == State::Linking)
            sendWhenSilent();
    }
}

// Before the link was first made open() fails, and a port whose adapter went away stays lost;
// a TCP link that drops is made again.
void Master::onFailed(const QString &why)
{
    error = why;
    if (!usable || !transport->canReconnect()) {
        lost = true;
        if (state != State::Idle)
            finish(Result::PortLost);
        if (!openingConcluded)
            concludeOpening(false);
        wake();
        return;
    }
    link.failed(why, reconnectWindowMs);
    if (state == State::Idle || state == State::Linking)
        return;
    if (!sentAny)
        ++count.notSent;
    finish(Result::LinkDown);
}

void Master::onGaveUp()
{
    error = link.errorString();
    if (state == State::Linking) {
        ++count.notSent;
        finish(Result::Unreachable);
    }
}

void Master::accept(const QByteArray &frame)
{
    if (Modbus::isException(frame)) {
        ++count.exceptions;
        finish(Result::Refused, frame);
    } else {
        ++count.answered;
        finish(Result::Answered, frame);
    }
}

void Master::finish(Result result, const QByteArray &frame)
{
    state = State::Idle;
    timer.stop();
    Answer answer;
    answer.result = result;
    answer.frame = frame;
    if (result == Result::Refused) {
        answer.exceptionCode = quint8(Modbus::field(frame, Modbus::ByteCountOffset, 1));
    } else if (result == Result::Answered) {
        answer.reply = ReplyDecoder::decode(Modbus::requestRegister(request), frame,
                                            int(frame.size()) - Modbus::ReplyOverhead);
        answer.registers = Modbus::readValues(frame);
    }
    emit finished(answer);
}
