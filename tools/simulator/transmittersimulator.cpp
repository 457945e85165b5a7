#include "transmittersimulator.h"

#include "posixpty.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "transmittermodel.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <deque>
#include <unistd.h>

namespace {

// A partial request that sees no further byte for this long is line noise, not a request.
constexpr int InterFrameTimeoutMs = 50;
// What a line glitch leaves in front of a reply.
constexpr char StrayByte = char(0xA5);
// A failing adapter delivers a buffer full of 1s.
constexpr char FloodByte = char(0xFF);

} // namespace

struct TransmitterSimulator::Private
{
    // One piece of a reply on its way to the tool. Replies never overlap: their pieces queue up
    // in the order the requests came in.
    struct Piece
    {
        qint64 due = 0;
        QByteArray bytes;
        bool fromDevice = false; // false for the adapter's flood, which ignores the line speed
        bool first = false;
        bool last = false;
        QByteArray reply; // the whole reply, on its last piece
    };

    explicit Private(TransmitterSimulator *owner)
        : q(owner)
    {
        sendTimer.setSingleShot(true);
        staleTimer.setSingleShot(true);
        clock.start();
    }

    bool lineMatches() const;
    void readRequests();
    void handle(const QByteArray &request);
    void schedule(const QByteArray &reply, bool fromDevice);
    void armSendTimer();
    void sendDue();
    void writeToLine(const QByteArray &bytes);
    void shutDown();

    TransmitterSimulator *q;
    TransmitterModel model;
    Faults faults;
    int masterFd = -1;
    int keeperFd = -1;
    QString pty;
    QString link;
    QSocketNotifier *notifier = nullptr;
    QByteArray received;
    std::deque<Piece> outgoing;
    qint64 lineFreeAt = 0; // when the last queued piece goes out
    bool replyHeard = true; // every piece of the reply being sent reached the tool
    int requests = 0;
    QTimer sendTimer;
    QTimer staleTimer;
    QElapsedTimer clock;
};

bool TransmitterSimulator::Private::lineMatches() const
{
    const int deviceSpeed = Registers::baudRateForCode(model.baudCode());
    return deviceSpeed != 0 && PosixPty::lineSpeed(masterFd) == deviceSpeed;
}

void TransmitterSimulator::Private::readRequests()
{
    char chunk[512];
    for (;;) {
        const ssize_t got = ::read(masterFd, chunk, sizeof chunk);
        if (got > 0) {
            received.append(chunk, int(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        break;
    }
    staleTimer.start(InterFrameTimeoutMs);
    // handle() may pull the adapter (through a slot connected to requestReceived).
    while (masterFd >= 0) {
        const QByteArray request = TransmitterModel::takeRequest(&received);
        if (request.isEmpty())
            break;
        handle(request);
    }
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

void TransmitterSimulator::Private::schedule(const QByteArray &reply, bool fromDevice)
{
    const int pieces = qBound(1, faults.splitPieces, reply.size());
    const qint64 start =
        qMax(clock.elapsed() + TurnaroundMs + qMax(0, faults.delayMs), lineFreeAt + 1);
    const int gap = qMax(0, faults.splitGapMs);
    for (int i = 0; i < pieces; ++i) {
        const int from = reply.size() * i / pieces;
        const int to = reply.size() * (i + 1) / pieces;
        Piece piece;
        piece.due = start + qint64(i) * gap;
        piece.bytes = reply.mid(from, to - from);
        piece.fromDevice = fromDevice;
        piece.first = i == 0;
        piece.last = i == pieces - 1;
        if (piece.last)
            piece.reply = reply;
        outgoing.push_back(piece);
    }
    lineFreeAt = outgoing.back().due;
    armSendTimer();
}

void TransmitterSimulator::Private::armSendTimer()
{
    if (outgoing.empty()) {
        sendTimer.stop();
        return;
    }
    sendTimer.start(int(qMax<qint64>(0, outgoing.front().due - clock.elapsed())));
}

// A reply goes out at the device's speed: when the tool has moved to another speed (or closed
// its port, which puts the pseudo-terminal back to its own speed) meanwhile, it hears nothing.
void TransmitterSimulator::Private::sendDue()
{
    while (!outgoing.empty() && outgoing.front().due <= clock.elapsed()) {
        const Piece piece = outgoing.front();
        outgoing.pop_front();
        if (piece.first)
            replyHeard = true;
        if (!piece.fromDevice || lineMatches())
            writeToLine(piece.bytes);
        else
            replyHeard = false;
        if (!piece.last)
            continue;
        if (piece.fromDevice)
            model.applyLineSettings();
        if (replyHeard)
            emit q->replySent(piece.reply);
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
    staleTimer.stop();
    outgoing.clear();
    received.clear();
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
    connect(&d->staleTimer, &QTimer::timeout, this, [this] { d->received.clear(); });
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
    connect(d->notifier, &QSocketNotifier::activated, this, [this] { d->readRequests(); });
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

void TransmitterSimulator::removeAdapter()
{
    d->shutDown();
}

quint16 TransmitterSimulator::registerValue(quint16 reg) const
{
    d->model.setTime(d->clock.elapsed());
    return d->model.registerValue(reg);
}

void TransmitterSimulator::setRegisterValue(quint16 reg, quint16 value)
{
    d->model.setTime(d->clock.elapsed());
    d->model.setRegisterValue(reg, value);
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
