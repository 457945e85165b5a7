#include "transmittersimulator.h"

#include "posixpty.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "rtureceiver.h"
#include "transmittermodel.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <QVector>

#include <cerrno>
#include <deque>
#include <unistd.h>

namespace {

constexpr qint64 UsPerMs = 1000;
// What a line glitch leaves in front of a reply.
constexpr char StrayByte = char(0xA5);
// A failing adapter delivers a buffer full of 1s.
constexpr char FloodByte = char(0xFF);

// Whole milliseconds until dueUs, rounded up: a byte must never go out before its time.
int msUntil(qint64 dueUs, qint64 nowUs)
{
    return int(qMax<qint64>(0, (dueUs - nowUs + UsPerMs - 1) / UsPerMs));
}

} // namespace

struct TransmitterSimulator::Private
{
    // A reply on its way to the tool, byte by byte. Replies never overlap: they queue up in the
    // order the requests came in.
    struct Transmission
    {
        QByteArray bytes;
        QVector<qint64> dueUs; // when each byte has fully gone out on the line
        int sent = 0;
        bool fromDevice = false; // false for the adapter's flood, which ignores the line speed
        bool heard = true; // every byte so far reached the tool at the device's speed
        // What the device listens with once this reply has gone out.
        TransmitterModel::LineSettings after {};
    };

    explicit Private(TransmitterSimulator *owner)
        : q(owner)
    {
        // A coarse timer may fire early, and a byte must never go out before its time.
        sendTimer.setSingleShot(true);
        sendTimer.setTimerType(Qt::PreciseTimer);
        frameTimer.setSingleShot(true);
        frameTimer.setTimerType(Qt::PreciseTimer);
        clock.start();
    }

    qint64 nowUs() const { return clock.nsecsElapsed() / 1000; }
    int deviceSpeed() const { return Registers::baudRateForCode(model.baudCode()); }
    bool lineMatches() const;
    void readLine();
    void takeFrames();
    void handle(const QByteArray &request);
    void schedule(const QByteArray &reply, bool fromDevice);
    void armSendTimer();
    void sendDue();
    void writeToLine(const QByteArray &bytes);
    void shutDown();

    TransmitterSimulator *q;
    TransmitterModel model;
    Faults faults;
    bool pacing = true;
    int masterFd = -1;
    int keeperFd = -1;
    QString pty;
    QString link;
    QSocketNotifier *notifier = nullptr;
    RtuReceiver receiver;
    std::deque<Transmission> outgoing;
    qint64 lineFreeUs = 0; // when the last queued byte has gone out
    int requests = 0;
    QTimer sendTimer;
    QTimer frameTimer;
    QElapsedTimer clock;
};

bool TransmitterSimulator::Private::lineMatches() const
{
    return PosixPty::lineSpeed(masterFd) == deviceSpeed();
}

// The device's receiver runs at the device's speed: at any other, what it makes of the line is
// beside the point, since it only answers at its own.
void TransmitterSimulator::Private::readLine()
{
    QByteArray bytes;
    char chunk[512];
    for (;;) {
        const ssize_t got = ::read(masterFd, chunk, sizeof chunk);
        if (got > 0) {
            bytes.append(chunk, int(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        break;
    }
    // Bytes that come after a silence of t3.5 end the frame before them first.
    receiver.heard(nowUs(), bytes, deviceSpeed());
    takeFrames();
}

void TransmitterSimulator::Private::takeFrames()
{
    for (const QByteArray &frame : receiver.takeFrames(nowUs())) {
        // handle() may pull the adapter (through a slot connected to requestReceived).
        for (const QByteArray &request : TransmitterModel::requestsIn(frame)) {
            if (masterFd < 0)
                return;
            handle(request);
        }
    }
    const qint64 endUs = receiver.frameEndUs();
    if (endUs < 0)
        frameTimer.stop();
    else
        frameTimer.start(msUntil(endUs, nowUs()));
}

// The device hears a request only at its own line speed; what it would make of the garbage at
// any other speed is nothing at all. The request is still counted and reported, so a test can
// see what the tool sent.
void TransmitterSimulator::Private::handle(const QByteArray &request)
{
    ++requests;
    emit q->requestReceived(request);
    if (masterFd < 0)
        return;
    if (faults.flood) {
        schedule(QByteArray(Modbus::MaxBufferSize, FloodByte), false);
        return;
    }
    if (faults.silent || !lineMatches())
        return;

    model.setTime(clock.elapsed());
    const quint64 revision = model.revision();
    QByteArray reply = model.answer(request);
    if (model.revision() != revision)
        emit q->registersWritten();
    if (reply.isEmpty())
        return;
    if (faults.corruptCrc)
        reply[reply.size() - 1] = char(reply.at(reply.size() - 1) ^ 0x01);
    if (faults.strayByte)
        reply.prepend(StrayByte);
    schedule(reply, true);
}

// Pieces of a split reply go out with the gap's silence between them; paced, each byte is due
// one character time after the one before, from the moment the request's t3.5 has passed (the
// caller's now).
void TransmitterSimulator::Private::schedule(const QByteArray &reply, bool fromDevice)
{
    const int pieces = qBound(1, faults.splitPieces, reply.size());
    const qint64 gapUs = qMax(0, faults.splitGapMs) * UsPerMs;
    const qint64 characterUs = fromDevice && pacing ? RtuReceiver::characterUs(deviceSpeed()) : 0;
    Transmission transmission;
    transmission.bytes = reply;
    transmission.fromDevice = fromDevice;
    transmission.after = model.pendingLineSettings();
    qint64 due = qMax(nowUs() + qMax(0, faults.delayMs) * UsPerMs, lineFreeUs);
    for (int i = 0; i < pieces; ++i) {
        if (i > 0)
            due += gapUs;
        for (int at = reply.size() * i / pieces; at < reply.size() * (i + 1) / pieces; ++at) {
            due += characterUs;
            transmission.dueUs.append(due);
        }
    }
    lineFreeUs = due;
    outgoing.push_back(transmission);
    armSendTimer();
}

void TransmitterSimulator::Private::armSendTimer()
{
    if (outgoing.empty()) {
        sendTimer.stop();
        return;
    }
    const Transmission &next = outgoing.front();
    sendTimer.start(msUntil(next.dueUs.at(next.sent), nowUs()));
}

// Every byte whose time has come goes out in one write. A reply goes out at the device's speed:
// when the tool has moved to another speed (or closed its port, which puts the pseudo-terminal
// back to its own speed) meanwhile, it hears nothing of what went out then.
void TransmitterSimulator::Private::sendDue()
{
    const qint64 now = nowUs();
    while (!outgoing.empty()) {
        Transmission &front = outgoing.front();
        int end = front.sent;
        while (end < front.bytes.size() && front.dueUs.at(end) <= now)
            ++end;
        if (end == front.sent)
            break;
        if (!front.fromDevice || lineMatches())
            writeToLine(front.bytes.mid(front.sent, end - front.sent));
        else
            front.heard = false;
        front.sent = end;
        if (end < front.bytes.size())
            break;
        const Transmission done = front;
        outgoing.pop_front();
        if (done.fromDevice)
            model.applyLineSettings(done.after);
        if (done.heard)
            emit q->replySent(done.bytes);
        // replySent may have pulled the adapter.
        if (masterFd < 0)
            return;
    }
    armSendTimer();
}

// Nobody reading the line loses the bytes, as on a real one: what does not fit is dropped.
void TransmitterSimulator::Private::writeToLine(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    size_t left = size_t(bytes.size());
    while (left > 0) {
        const ssize_t put = ::write(masterFd, data, left);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return;
        data += put;
        left -= size_t(put);
    }
}

void TransmitterSimulator::Private::shutDown()
{
    sendTimer.stop();
    frameTimer.stop();
    outgoing.clear();
    receiver.clear();
    // Pulling the adapter may happen inside the notifier's own signal.
    if (notifier) {
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
    }
    PosixPty::removeLink(pty, link);
    if (keeperFd >= 0)
        ::close(keeperFd);
    if (masterFd >= 0)
        ::close(masterFd);
    keeperFd = -1;
    masterFd = -1;
}

TransmitterSimulator::TransmitterSimulator(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{
    connect(&d->sendTimer, &QTimer::timeout, this, [this] { d->sendDue(); });
    connect(&d->frameTimer, &QTimer::timeout, this, [this] { d->takeFrames(); });
}

TransmitterSimulator::~TransmitterSimulator()
{
    d->shutDown();
}

bool TransmitterSimulator::start(const QString &linkPath)
{
    if (d->masterFd >= 0)
        return false;
    d->masterFd = PosixPty::openMaster(&d->pty);
    if (d->masterFd < 0)
        return false;
    d->keeperFd = PosixPty::openSlaveKeeper(d->pty);
    d->link = linkPath;
    if (d->keeperFd < 0 || (!linkPath.isEmpty() && !PosixPty::placeLink(d->pty, linkPath))) {
        d->link.clear();
        d->shutDown();
        return false;
    }
    d->notifier = new QSocketNotifier(d->masterFd, QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] { d->readLine(); });
    return true;
}

QString TransmitterSimulator::portPath() const
{
    return d->link.isEmpty() ? d->pty : d->link;
}

QString TransmitterSimulator::ptyPath() const
{
    return d->pty;
}

int TransmitterSimulator::lineSpeed() const
{
    return d->masterFd < 0 ? 0 : PosixPty::lineSpeed(d->masterFd);
}

void TransmitterSimulator::setFaults(const Faults &faults)
{
    d->faults = faults;
}

TransmitterSimulator::Faults TransmitterSimulator::faults() const
{
    return d->faults;
}

void TransmitterSimulator::setPacing(bool on)
{
    d->pacing = on;
}

bool TransmitterSimulator::pacing() const
{
    return d->pacing;
}

void TransmitterSimulator::removeAdapter()
{
    d->shutDown();
}

quint16 TransmitterSimulator::registerValue(quint16 reg) const
{
    d->model.setTime(d->clock.elapsed());
    return d->model.registerValue(reg);
}

bool TransmitterSimulator::setRegisterValue(quint16 reg, quint16 value)
{
    d->model.setTime(d->clock.elapsed());
    return d->model.setRegisterValue(reg, value);
}

quint16 TransmitterSimulator::address() const
{
    return d->model.address();
}

quint16 TransmitterSimulator::baudCode() const
{
    return d->model.baudCode();
}

void TransmitterSimulator::setFixedReadings(double temperature, double humidity)
{
    d->model.setFixedReadings(temperature, humidity);
}

void TransmitterSimulator::setSettling(double temperature, double humidity, double timeConstantS)
{
    d->model.setTime(d->clock.elapsed());
    d->model.setSettling(temperature, humidity, timeConstantS);
}

int TransmitterSimulator::requestCount() const
{
    return d->requests;
}

QByteArray TransmitterSimulator::saveState() const
{
    return d->model.saveState();
}

bool TransmitterSimulator::restoreState(const QByteArray &state)
{
    return d->model.restoreState(state);
}
