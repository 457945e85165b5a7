#include "transmittersimulator.h"

#include "chambercontroller.h"
#include "devicerequests.h"
#include "posixpty.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/linetiming.h"
#include "protocol/registers.h"
#include "referenceinstrument.h"
#include "rtureceiver.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QSet>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QVector>

#include <cerrno>
#include <deque>
#include <unistd.h>

namespace {

constexpr qint64 UsPerMs = 1000;
// What a line glitch leaves in front of a reply.
constexpr char StrayByte = char(0xA5);
// A failing adapter delivers a buffer full of 1s; so does an idle line.
constexpr char FloodByte = char(0xFF);
constexpr char IdleByte = char(0xFF);

// Whole milliseconds until dueUs, rounded up: a byte must never go out before its time.
int msUntil(qint64 dueUs, qint64 nowUs)
{
    return int(qMax<qint64>(0, (dueUs - nowUs + UsPerMs - 1) / UsPerMs));
}

template<typename Device>
int speedOf(const Device &device)
{
    return Registers::baudRateForCode(device.baudCode());
}

// Transmitters that answer at once drive the line against each other: where any of them sends a
// 0 bit the line carries a 0, and an idle line carries 1s. What results must never pass for an
// answer, however the bits fall.
QByteArray collision(const QList<QByteArray> &answers)
{
    int length = 0;
    for (const QByteArray &answer : answers)
        length = qMax(length, int(answer.size()));
    QByteArray line(length, IdleByte);
    for (const QByteArray &answer : answers) {
        for (int i = 0; i < answer.size(); ++i)
            line[i] = char(line.at(i) & answer.at(i));
    }
    if (Modbus::receive(QByteArray(), line).action == Modbus::BufferAction::Accept)
        line[length - 1] = char(line.at(length - 1) ^ 0x01);
    return line;
}

} // namespace

struct TransmitterSimulator::Private
{
    // What the line carries back after one request.
    struct Reply
    {
        QByteArray bytes;
        bool fromDevice = false; // false for the adapter's flood, which ignores the line speed
        int bitsPerSecond = 0; // the speed the answering devices heard and answer at
        // What each answering transmitter (by index) listens with once the reply has gone out.
        QVector<QPair<int, TransmitterModel::LineSettings>> after;
    };

    // A reply on its way to the tool, byte by byte. Replies never overlap: they queue up in the
    // order the requests came in.
    struct Transmission
    {
        Reply reply;
        QVector<qint64> dueUs; // when each byte has fully gone out on the line
        int sent = 0;
        bool heard = true; // every byte so far reached the tool at the devices' speed
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
    TransmitterModel &first() { return models.first(); }
    // Everything on the line to the clock's time.
    void advance();
    QVector<Instrument *> instruments() const { return {reference.get(), controller.get()}; }
    bool isFree(quint8 address) const;
    bool hears(quint8 address, int deviceSpeed, int lineSpeed) const;
    void readLine();
    void takeFrames();
    void acceptClient();
    void readClient(QTcpSocket *client);
    void handle(const QByteArray &request, QTcpSocket *client);
    Reply answer(const QByteArray &request, int lineSpeed);
    void deliver(const Reply &reply, QTcpSocket *client);
    void schedule(const Reply &reply);
    void armSendTimer();
    void sendDue();
    void writeToLine(const QByteArray &bytes);
    void applyAfter(const Reply &reply);
    void closeTcp();
    void shutDown();

    TransmitterSimulator *q;
    AirModel air;
    Chamber chamber {air};
    QList<TransmitterModel> models {TransmitterModel(air, TransmitterModel::DefaultAddress)};
    std::unique_ptr<ReferenceInstrument> reference;
    std::unique_ptr<ChamberController> controller;
    QSet<quint8> silentAddresses;
    Faults faults;
    bool pacing = true;
    int masterFd = -1;
    int keeperFd = -1;
    QString pty;
    QString link;
    QSocketNotifier *notifier = nullptr;
    QTcpServer *server = nullptr;
    QHash<QTcpSocket *, QByteArray> clientBuffers; // what each client sent of a request so far
    RtuReceiver receiver;
    std::deque<Transmission> outgoing;
    qint64 lineFreeUs = 0; // when the last queued byte has gone out
    int requests = 0;
    QTimer sendTimer;
    QTimer frameTimer;
    QElapsedTimer clock;
};

// The receiver runs at the line's speed: a transmitter at any other makes nothing of what it
// hears, so its view of the frames is beside the point.
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
    receiver.heard(nowUs(), bytes, PosixPty::lineSpeed(masterFd));
    takeFrames();
}

void TransmitterSimulator::Private::takeFrames()
{
    for (const QByteArray &frame : receiver.takeFrames(nowUs())) {
        // handle() may pull the adapter (through a slot connected to requestReceived).
        for (const QByteArray &request : DeviceRequests::in(frame)) {
            if (masterFd < 0)
                return;
            handle(request, nullptr);
        }
    }
    const qint64 endUs = receiver.frameEndUs();
    if (endUs < 0)
        frameTimer.stop();
    else
        frameTimer.start(msUntil(endUs, nowUs()));
}

void TransmitterSimulator::Private::acceptClient()
{
    while (QTcpSocket *client = server->nextPendingConnection()) {
        clientBuffers.insert(client, QByteArray());
        connect(client, &QTcpSocket::readyRead, q, [this, client] { readClient(client); });
        connect(client, &QTcpSocket::disconnected, q, [this, client] {
            clientBuffers.remove(client);
            client->deleteLater();
        });
    }
}

// A TCP client sends whole frames, with no silences to tell where one ends: bytes collect until
// they hold whole requests, and bytes that never do are dropped once they could hold no request.
void TransmitterSimulator::Private::readClient(QTcpSocket *client)
{
    QByteArray &buffer = clientBuffers[client];
    buffer += client->readAll();
    const QList<QByteArray> requests = DeviceRequests::in(buffer);
    if (!requests.isEmpty() || buffer.size() >= Modbus::MaxBufferSize)
        buffer.clear();
    for (const QByteArray &request : requests) {
        if (masterFd < 0)
            return;
        handle(request, client);
    }
}

// A request is counted and reported even when nobody answers it, so a test can see what the
// tool sent.
void TransmitterSimulator::Private::handle(const QByteArray &request, QTcpSocket *client)
{
    ++requests;
    emit q->requestReceived(request);
    if (masterFd < 0)
        return;
    if (faults.flood) {
        deliver({QByteArray(Modbus::MaxBufferSize, FloodByte), false, 0, {}}, client);
        return;
    }
    if (faults.silent)
        return;
    Reply reply = answer(request, client ? 0 : PosixPty::lineSpeed(masterFd));
    if (reply.bytes.isEmpty())
        return;
    if (faults.corruptCrc)
        reply.bytes[reply.bytes.size() - 1] = char(reply.bytes.back() ^ 0x01);
    if (faults.strayByte)
        reply.bytes.prepend(StrayByte);
    deliver(reply, client);
}

void TransmitterSimulator::Private::advance()
{
    const qint64 ms = clock.elapsed();
    chamber.advance(ms);
    for (TransmitterModel &model : models)
        model.setTime(ms);
}

// A device address that no device on the line has.
bool TransmitterSimulator::Private::isFree(quint8 address) const
{
    if (address < TransmitterModel::DefaultAddress || address > TransmitterModel::MaxAddress)
        return false;
    for (const TransmitterModel &model : models) {
        if (model.address() == address)
            return false;
    }
    for (const Instrument *instrument : instruments()) {
        if (instrument && instrument->address() == address)
            return false;
    }
    return true;
}

// A device hears a request only at its own line speed (lineSpeed 0: any); what it would make of
// the garbage at any other speed is nothing at all.
bool TransmitterSimulator::Private::hears(quint8 address, int deviceSpeed, int lineSpeed) const
{
    return !silentAddresses.contains(address) && (lineSpeed == 0 || deviceSpeed == lineSpeed);
}

TransmitterSimulator::Private::Reply
TransmitterSimulator::Private::answer(const QByteArray &request, int lineSpeed)
{
    Reply reply;
    reply.fromDevice = true;
    QList<QByteArray> answers;
    QVector<int> answering;
    bool written = false;
    advance();
    for (int i = 0; i < models.size(); ++i) {
        TransmitterModel &model = models[i];
        if (!hears(model.address(), speedOf(model), lineSpeed))
            continue;
        const quint64 revision = model.revision();
        const QByteArray bytes = model.answer(request);
        written = written || model.revision() != revision;
        if (!bytes.isEmpty()) {
            answers.append(bytes);
            answering.append(i);
        }
    }
    for (Instrument *instrument : instruments()) {
        if (!instrument || !hears(instrument->address(), speedOf(*instrument), lineSpeed))
            continue;
        const QByteArray bytes = instrument->answer(request);
        if (!bytes.isEmpty()) {
            answers.append(bytes);
            reply.bitsPerSecond = speedOf(*instrument);
        }
    }
    if (written)
        emit q->registersWritten();
    // Taken once registersWritten has been handled, which may have changed them.
    for (const int i : qAsConst(answering)) {
        reply.bitsPerSecond = speedOf(models.at(i));
        reply.after.append({i, models.at(i).pendingLineSettings()});
    }
    reply.bytes = answers.size() > 1 ? collision(answers) : answers.value(0);
    return reply;
}

// Over TCP there is no line to pace: the reply goes out whole and at once.
void TransmitterSimulator::Private::deliver(const Reply &reply, QTcpSocket *client)
{
    if (!client) {
        schedule(reply);
        return;
    }
    client->write(reply.bytes);
    applyAfter(reply);
    emit q->replySent(reply.bytes);
}

// Pieces of a split reply go out with the gap's silence between them; paced, each byte is due
// one character time after the one before, from the moment the request's t3.5 has passed (the
// caller's now).
void TransmitterSimulator::Private::schedule(const Reply &reply)
{
    const QByteArray &bytes = reply.bytes;
    const int pieces = qBound(1, faults.splitPieces, bytes.size());
    const qint64 gapUs = qMax(0, faults.splitGapMs) * UsPerMs;
    const qint64 characterUs =
        reply.fromDevice && pacing ? LineTiming::characterUs(reply.bitsPerSecond) : 0;
    Transmission transmission;
    transmission.reply = reply;
    qint64 due = qMax(nowUs() + qMax(0, faults.delayMs) * UsPerMs, lineFreeUs);
    for (int i = 0; i < pieces; ++i) {
        if (i > 0)
            due += gapUs;
        for (int at = bytes.size() * i / pieces; at < bytes.size() * (i + 1) / pieces; ++at) {
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

// Every byte whose time has come goes out in one write. A reply goes out at the devices'
// speed: when the tool has moved to another speed (or closed its port, which puts the
// pseudo-terminal back to its own speed) meanwhile, it hears nothing of what went out then.
void TransmitterSimulator::Private::sendDue()
{
    const qint64 now = nowUs();
    while (!outgoing.empty()) {
        Transmission &front = outgoing.front();
        const QByteArray &bytes = front.reply.bytes;
        int end = front.sent;
        while (end < bytes.size() && front.dueUs.at(end) <= now)
            ++end;
        if (end == front.sent)
            break;
        if (!front.reply.fromDevice || PosixPty::lineSpeed(masterFd) == front.reply.bitsPerSecond)
            writeToLine(bytes.mid(front.sent, end - front.sent));
        else
            front.heard = false;
        front.sent = end;
        if (end < bytes.size())
            break;
        const Transmission done = front;
        outgoing.pop_front();
        applyAfter(done.reply);
        if (done.heard)
            emit q->replySent(done.reply.bytes);
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

void TransmitterSimulator::Private::applyAfter(const Reply &reply)
{
    for (const auto &[device, settings] : reply.after)
        models[device].applyLineSettings(settings);
}

// This may happen inside a client's own signal.
void TransmitterSimulator::Private::closeTcp()
{
    for (QTcpSocket *client : clientBuffers.keys()) {
        client->disconnect(q);
        client->abort();
        client->deleteLater();
    }
    clientBuffers.clear();
    if (server) {
        server->close();
        server->deleteLater();
        server = nullptr;
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
    closeTcp();
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

void TransmitterSimulator::setDevices(const QList<TransmitterModel::LineSettings> &devices)
{
    const TransmitterModel factory = d->first();
    d->models.clear();
    for (int i = 0; i < devices.size(); ++i) {
        TransmitterModel model = factory;
        model.setRegisterValue(Registers::DeviceAddress, devices.at(i).address);
        model.setRegisterValue(Registers::BaudRateCode, devices.at(i).baudCode);
        QString serial;
        for (quint16 reg = 0; reg < Registers::SerialNumberCount; ++reg) {
            serial += QStringLiteral("%1").arg(model.registerValue(Registers::SerialNumber + reg),
                                               4, 16, QLatin1Char('0'));
        }
        serial = QString::number(serial.toLongLong() + i)
                     .rightJustified(Registers::SerialNumberDigits, QLatin1Char('0'));
        const QVector<quint16> words = CommandInputs::serialNumberWords(serial);
        for (quint16 reg = 0; reg < Registers::SerialNumberCount; ++reg)
            model.setRegisterValue(Registers::SerialNumber + reg, words.at(reg));
        model.sensor() = Sensor(d->air, devices.at(i).address);
        d->models.append(model);
    }
}

QList<TransmitterModel::LineSettings> TransmitterSimulator::devices() const
{
    QList<TransmitterModel::LineSettings> settings;
    for (const TransmitterModel &model : d->models)
        settings.append({model.address(), model.baudCode()});
    return settings;
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

bool TransmitterSimulator::listenTcp(quint16 port)
{
    if (d->server)
        return false;
    d->server = new QTcpServer(this);
    connect(d->server, &QTcpServer::newConnection, this, [this] { d->acceptClient(); });
    return d->server->listen(QHostAddress::LocalHost, port);
}

void TransmitterSimulator::closeTcp()
{
    d->closeTcp();
}

quint16 TransmitterSimulator::tcpPort() const
{
    return d->server ? d->server->serverPort() : 0;
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

void TransmitterSimulator::setAnswerAtOnce(bool on)
{
    d->receiver.setEndByLength(on);
}

void TransmitterSimulator::removeAdapter()
{
    d->shutDown();
}

quint16 TransmitterSimulator::registerValue(quint16 reg) const
{
    d->advance();
    return d->first().registerValue(reg);
}

bool TransmitterSimulator::setRegisterValue(quint16 reg, quint16 value)
{
    d->advance();
    return d->first().setRegisterValue(reg, value);
}

quint16 TransmitterSimulator::address() const
{
    return d->first().address();
}

quint16 TransmitterSimulator::baudCode() const
{
    return d->first().baudCode();
}

void TransmitterSimulator::setFixedReadings(double temperature, double humidity)
{
    d->advance();
    d->air.hold({temperature, humidity});
}

void TransmitterSimulator::setSettling(double temperature, double humidity, double timeConstantS)
{
    d->advance();
    d->air.settle({temperature, humidity}, timeConstantS);
}

Air TransmitterSimulator::air() const
{
    d->advance();
    return d->air.current();
}

bool TransmitterSimulator::setBias(quint8 address, double temperature, double humidity)
{
    for (TransmitterModel &model : d->models) {
        if (model.address() == address) {
            model.sensor().setBias({temperature, humidity});
            return true;
        }
    }
    return false;
}

bool TransmitterSimulator::setReference(quint8 address, quint16 baudCode)
{
    if (!d->isFree(address))
        return false;
    d->advance();
    d->reference = std::make_unique<ReferenceInstrument>(d->air, address, baudCode);
    return true;
}

bool TransmitterSimulator::setChamber(quint8 address, quint16 baudCode)
{
    if (!d->isFree(address))
        return false;
    d->advance();
    d->controller = std::make_unique<ChamberController>(d->chamber, address, baudCode);
    return true;
}

void TransmitterSimulator::setProfile(const Profile &profile)
{
    d->advance();
    d->chamber.runProfile(profile);
}

void TransmitterSimulator::setDeviceSilent(quint8 address, bool silent)
{
    if (silent)
        d->silentAddresses.insert(address);
    else
        d->silentAddresses.remove(address);
}

int TransmitterSimulator::requestCount() const
{
    return d->requests;
}

QByteArray TransmitterSimulator::saveState() const
{
    return d->first().saveState();
}

bool TransmitterSimulator::restoreState(const QByteArray &state)
{
    return d->first().restoreState(state);
}
