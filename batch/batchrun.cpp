#include "batch/batchrun.h"

#include "batch/linequeue.h"
#include "batch/runlines.h"
#include "batch/sweep.h"
#include "check/recordstore.h"
#include "master/schedule.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/timing.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// What a run needs of its setup before it opens anything; empty when it has it.
QString setupProblem(const BatchRun::Setup &setup, const Profile &profile)
{
    const StationSettings &station = setup.station;
    if (const QString problem = station.certificateProblem(QDate::currentDate());
        !problem.isEmpty())
        return problem;
    const ReferenceMap &reference = station.referenceMap;
    if (!reference.isSet() || !reference.hasFields())
        return QStringLiteral("a batch run needs the reference read by the machine: its port, its "
                              "temperature and its humidity or dew point register");
    const ChamberMap &chamber = station.chamber;
    if (!chamber.isSet())
        return QString();
    if (!chamber.temperature.isSet() || !chamber.humidity.isSet())
        return QStringLiteral("the chamber needs its temperature and humidity set point registers");
    for (int p = 0; p < profile.points().size(); ++p) {
        const ProfilePoint &point = profile.points().at(p);
        if (!chamber.temperature.encode(point.temperature)
            || !chamber.humidity.encode(point.humidity))
            return QStringLiteral("the chamber's set point registers cannot hold point %1")
                .arg(p + 1);
    }
    return QString();
}

Transmitter transmitterOf(const ReplyDecoder::Reply &information, int address)
{
    return {*information.serialNumber, quint16(address),
            information.tempRangeMin.value_or(0) / Registers::RangeTenthsPerDegree,
            information.tempRangeMax.value_or(0) / Registers::RangeTenthsPerDegree};
}

} // namespace

struct BatchRun::Private
{
    explicit Private(BatchRun *q)
        : q(q)
    {
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, q, [this] { sweepNow(); });
        connect(&queue, &LineQueue::drained, q, [this] { drained(); });
        clock.start();
    }

    // Start: each returns false once the run has ended.
    bool prepare();
    bool openRecords();
    bool findRun();
    bool openLines();
    void enrol();
    void enrolled();
    QString exchanged() const;
    void begin();

    void sweepNow();
    void queueSetPoints();
    void drained();
    void swept();
    void handle(const QVector<RunLogic::Event> &events);
    bool store();
    void complete();
    void askToEnd(End how);
    void wind();
    void end(End how, const QString &why = QString());
    void progressed() { emit q->progressed(q->progress()); }

    BatchRun *q;
    Setup setup;
    Phase phase = Phase::Idle;
    std::optional<Profile> profile;
    StationSettings settings; // the run's, without the database
    std::unique_ptr<RecordStore> records;
    std::unique_ptr<RunLines> lines;
    LineQueue queue;
    Master *line = nullptr; // the transmitters'
    LineDevice reference;
    LineDevice chamber; // no master: the run drives no chamber
    QVector<LineDevice> transmitters;
    QVector<Transmitter> found; // at enrolment, or asked again on resuming
    RunRecord run;
    std::unique_ptr<RunLogic> logic;
    std::unique_ptr<Sweep> sweep; // under way
    QVector<std::pair<int, CheckPoint>> settled; // by the sweep, not yet told
    int sweepPoint = 0;
    QElapsedTimer clock;
    Schedule schedule {0, Timing::PollIntervalMs};
    QTimer timer;
    bool setPointsDue = false;
    bool unstored = false;
    bool storeFailing = false;
    bool paused = false;
    std::optional<End> ending; // asked for by stop() or abort()
};

bool BatchRun::Private::prepare()
{
    QString error;
    profile = Profile::parse(setup.profile, &error);
    if (!profile) {
        end(End::Refused, QStringLiteral("%1: %2").arg(setup.profileName, error));
        return false;
    }
    if (const QString problem = setupProblem(setup, *profile); !problem.isEmpty()) {
        end(End::Refused, problem);
        return false;
    }
    settings = setup.station;
    settings.database.clear();
    return true;
}

bool BatchRun::Private::openRecords()
{
    records = std::make_unique<RecordStore>(setup.station.database);
    if (records->open())
        return true;
    end(End::Records, records->errorString());
    return false;
}

// The newest unfinished run of the same points. It keeps its own settings for its judgement,
// but reaches the reference and the chamber as this setup says: a port may have a new name after
// a power cut.
bool BatchRun::Private::findRun()
{
    QList<RunRecord> runs;
    if (!records->unfinishedRuns(&runs)) {
        end(End::Records, records->errorString());
        return false;
    }
    // Stations may share the records: another station's run is not this one's to go on with.
    const auto same = std::find_if(runs.cbegin(), runs.cend(), [this](const RunRecord &other) {
        QString ignored;
        const std::optional<Profile> points = Profile::parse(other.profile, &ignored);
        return other.station == settings.station && points && points->points() == profile->points();
    });
    if (same == runs.cend()) {
        end(End::NoRunToResume,
            QStringLiteral("the records at %1 hold no unfinished run of the profile %2 at this "
                           "station")
                .arg(records->location(), setup.profileName));
        return false;
    }
    run = *same;
    if (!records->loadRun(run)) {
        end(End::Records, records->errorString());
        return false;
    }
    const StationSettings given = settings;
    settings = run.settings;
    settings.referenceMap = given.referenceMap;
    settings.chamber = given.chamber;
    return true;
}

bool BatchRun::Private::openLines()
{
    lines = std::make_unique<RunLines>(setup.timeoutMs);
    QString error;
    // The first that cannot be opened ends the run; the rest are not tried.
    const auto device = [&](const InstrumentLine &at) {
        Master *master = error.isEmpty() ? lines->open(at.port, at.bitsPerSecond, &error) : nullptr;
        return LineDevice {master, quint8(at.address)};
    };
    line = device({setup.port, setup.bitsPerSecond, 0}).master;
    reference = device(settings.referenceMap.line);
    if (settings.chamber.isSet())
        chamber = device(settings.chamber.line);
    if (error.isEmpty())
        return true;
    end(End::NotOpened, error);
    return false;
}

// Every address asked for the transmitter's identity, but those of the instruments on the same
// line: they would refuse it. A resumed run asks its own addresses, since a transmitter may have
// been exchanged while the run was cut off.
void BatchRun::Private::enrol()
{
    phase = Phase::Enrolling;
    progressed();
    QList<int> addresses = setup.addresses;
    if (setup.resume) {
        addresses.clear();
        for (const Check &check : qAsConst(run.checks))
            addresses << check.transmitter.address;
    }
    for (const int address : qAsConst(addresses)) {
        const auto isInstrument = [&](const LineDevice &device) {
            return device.master == line && device.address == address;
        };
        if (isInstrument(reference) || isInstrument(chamber))
            continue;
        queue.add(*line, Registers::informationRequest(quint8(address)),
                  [this, address](const Master::Answer &answer) {
                      if (answer.result == Master::Result::Answered && answer.reply.serialNumber)
                          found.append(transmitterOf(answer.reply, address));
                  });
    }
    queue.run();
}

void BatchRun::Private::enrolled()
{
    if (setup.resume) {
        if (const QString why = exchanged(); !why.isEmpty())
            end(End::Exchanged, why);
        else
            begin();
        return;
    }
    if (found.isEmpty()) {
        end(End::NoTransmitter,
            QStringLiteral("no transmitter answered at the %1 addresses asked at %2 bit/s")
                .arg(setup.addresses.size())
                .arg(setup.bitsPerSecond));
        return;
    }
    run.station = settings.station;
    run.operatorName = settings.operatorName;
    run.kind = setup.kind;
    run.profile = setup.profile;
    run.settings = settings;
    run.startedAt = QDateTime::currentDateTime();
    for (const Transmitter &transmitter : qAsConst(found)) {
        run.addresses << transmitter.address;
        Check check;
        check.kind = setup.kind;
        check.transmitter = transmitter;
        check.settings = settings;
        check.startedAt = run.startedAt;
        run.checks << check;
    }
    if (!records->store(run)) {
        end(End::Records, records->errorString());
        return;
    }
    begin();
}

// A transmitter that does not answer now is set aside as the run goes on; one that answers with
// another serial number would have its points stored in the check of the one it replaced.
QString BatchRun::Private::exchanged() const
{
    for (const Transmitter &now : found) {
        const auto enrolled =
            std::find_if(run.checks.cbegin(), run.checks.cend(), [&now](const Check &check) {
                return check.transmitter.address == now.address;
            });
        if (enrolled != run.checks.cend() && enrolled->transmitter.serialNumber != now.serialNumber)
            return QStringLiteral("address %1 answers as transmitter %2, not as %3 of the run: put "
                                  "the run's transmitter back, or take this one off the line, and "
                                  "resume")
                .arg(now.address)
                .arg(now.serialNumber, enrolled->transmitter.serialNumber);
    }
    return QString();
}

void BatchRun::Private::begin()
{
    for (const Check &check : qAsConst(run.checks))
        transmitters << LineDevice {line, quint8(check.transmitter.address)};
    logic = std::make_unique<RunLogic>(profile->points(), settings, transmitters.size());
    for (int t = 0; t < run.checks.size(); ++t) {
        for (const CheckPoint &point : qAsConst(run.checks[t].points))
            logic->markDone(t, point.profilePoint);
    }
    phase = Phase::Reaching; // from here on, RunLogic's
    emit q->enrolled();
    handle(logic->start(clock.elapsed()));
    if (unstored)
        store();
    if (logic->phase() == RunLogic::Phase::Finished) {
        complete();
        return;
    }
    schedule = Schedule(clock.elapsed(), Timing::PollIntervalMs);
    timer.start(0);
    progressed();
}

void BatchRun::Private::sweepNow()
{
    if (sweep || phase == Phase::Ended)
        return;
    if (ending) {
        wind();
        return;
    }
    if (setPointsDue)
        queueSetPoints();
    sweepPoint = logic->point();
    sweep = std::make_unique<Sweep>(queue, reference, settings.referenceMap, transmitters,
                                    logic->toAsk(clock.elapsed()));
    queue.run();
}

// Written at the point's start, and again with every sweep until the chamber has taken both.
void BatchRun::Private::queueSetPoints()
{
    setPointsDue = false;
    const ProfilePoint &point = profile->points().at(logic->point());
    for (const auto &[field, value] : {std::pair {settings.chamber.temperature, point.temperature},
                                       std::pair {settings.chamber.humidity, point.humidity}}) {
        queue.add(*chamber.master,
                  Modbus::writeRequest(chamber.address, field.first, *field.encode(value)),
                  [this](const Master::Answer &answer) {
                      if (answer.result != Master::Result::Answered)
                          setPointsDue = true;
                  });
    }
}

// A stop or abort cancels the request under way, and the rest with it; a line that is gone
// leaves the run as it stands, to be resumed once the line is back.
void BatchRun::Private::drained()
{
    if (ending || queue.lostLine()) {
        sweep.reset();
        if (ending)
            wind();
        else
            end(End::LineLost, lines->whyLost(queue.lostLine()));
    } else if (phase == Phase::Enrolling) {
        enrolled();
    } else {
        swept();
    }
}

void BatchRun::Private::swept()
{
    const qint64 now = clock.elapsed();
    const std::unique_ptr<Sweep> done = std::move(sweep);
    const RunLogic::Sweep readings = done->readings(now);
    emit q->swept(QDateTime::currentDateTime(), sweepPoint, readings);
    handle(logic->feed(readings));
    if (unstored)
        store();
    // Told once the records hold them, or have said they do not.
    for (const auto &[t, point] : std::exchange(settled, {}))
        emit q->pointSettled(t, point);
    if (logic->phase() == RunLogic::Phase::Finished) {
        complete();
        return;
    }
    // A stop or abort asked for meanwhile winds the run up next.
    schedule.advance(now);
    if (!paused || ending)
        timer.start(ending ? 0 : int(qMax<qint64>(0, schedule.due() - clock.elapsed())));
    progressed();
}

void BatchRun::Private::handle(const QVector<RunLogic::Event> &events)
{
    for (const RunLogic::Event &event : events) {
        switch (event.kind) {
        case RunLogic::Event::Kind::PointStarted:
            setPointsDue = chamber.master != nullptr;
            break;
        case RunLogic::Event::Kind::PointTaken:
        case RunLogic::Event::Kind::PointGivenUp:
            run.checks[event.transmitter].points << event.result;
            settled.append({event.transmitter, event.result});
            unstored = true;
            break;
        case RunLogic::Event::Kind::SetAside:
        case RunLogic::Event::Kind::TakenBack:
            emit q->setAside(event.transmitter, event.kind == RunLogic::Event::Kind::SetAside);
            break;
        default:
            break;
        }
    }
    if (run.pointReached != logic->point()) {
        run.pointReached = logic->point();
        unstored = true;
    }
}

// Whatever of the run the records lack; told once when they stop taking it, and tried again
// with the next sweep.
bool BatchRun::Private::store()
{
    if (records->store(run)) {
        unstored = false;
        storeFailing = false;
        return true;
    }
    if (!storeFailing)
        emit q->recordsFailed(records->errorString());
    storeFailing = true;
    return false;
}

void BatchRun::Private::complete()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (Check &check : run.checks) {
        check.result = check.decision();
        check.finishedAt = now;
    }
    run.state = RunRecord::State::Finished;
    run.finishedAt = now;
    if (!store()) {
        end(End::Records, records->errorString());
        return;
    }
    end(End::Finished);
}

// The request under way ends at once, cancelled, and with it the sweep or the enrolment, whose end
// winds the run up; between sweeps it winds up from the event loop, so that a call from one of the
// run's own signals never ends it midway.
void BatchRun::Private::askToEnd(End how)
{
    if (!lines || phase == Phase::Ended || ending)
        return;
    ending = how;
    lines->cancel();
    if (!sweep && phase != Phase::Enrolling && phase != Phase::Idle)
        timer.start(0);
}

// stop() or abort() once nothing is under way: an aborted run closes its checks unjudged, a
// stopped one stays running. A run being resumed is in the records before its transmitters have
// answered; a new one only once they have.
void BatchRun::Private::wind()
{
    const End how = *ending;
    if (!run.stored()) {
        end(how);
        return;
    }
    if (how == End::Aborted) {
        const QDateTime now = QDateTime::currentDateTime();
        for (Check &check : run.checks) {
            check.result = Check::Result::Abandoned;
            check.finishedAt = now;
        }
        run.state = RunRecord::State::Aborted;
        run.finishedAt = now;
    }
    if (store())
        end(how);
    else
        end(End::Records, records->errorString());
}

void BatchRun::Private::end(End how, const QString &why)
{
    timer.stop();
    phase = Phase::Ended;
    emit q->finished(how, why);
}

BatchRun::BatchRun(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{}

BatchRun::~BatchRun() = default;

void BatchRun::start(const Setup &setup)
{
    if (d->phase != Phase::Idle || d->profile)
        return;
    d->setup = setup;
    if (!d->prepare() || !d->openRecords() || (setup.resume && !d->findRun()) || !d->openLines())
        return;
    // A TCP link is waited for in a loop of the master's, where a stop may come.
    if (d->ending)
        d->wind();
    else
        d->enrol();
}

void BatchRun::pause()
{
    if (!d->logic || d->phase == Phase::Ended || d->paused || d->ending)
        return;
    d->paused = true;
    d->timer.stop();
    d->progressed();
}

void BatchRun::resume()
{
    if (!d->paused || d->phase == Phase::Ended)
        return;
    d->paused = false;
    d->schedule = Schedule(d->clock.elapsed(), Timing::PollIntervalMs);
    d->timer.start(0);
    d->progressed();
}

void BatchRun::abort()
{
    d->askToEnd(End::Aborted);
}

void BatchRun::stop()
{
    d->askToEnd(End::Stopped);
}

BatchRun::Phase BatchRun::phase() const
{
    if (!d->logic || d->phase == Phase::Ended)
        return d->phase;
    if (d->paused && !d->sweep)
        return Phase::Paused;
    switch (d->logic->phase()) {
    case RunLogic::Phase::Reaching:
        return Phase::Reaching;
    case RunLogic::Phase::Soaking:
        return Phase::Soaking;
    case RunLogic::Phase::Taking:
        return Phase::Taking;
    case RunLogic::Phase::Finished:
        break;
    }
    return Phase::Ended;
}

BatchRun::Progress BatchRun::progress() const
{
    Progress progress;
    progress.phase = phase();
    progress.points = d->profile ? d->profile->points().size() : 0;
    if (!d->logic)
        return progress;
    const qint64 now = d->clock.elapsed();
    progress.point = d->logic->point();
    if (progress.point < progress.points)
        progress.target = d->profile->points().at(progress.point);
    progress.reference = d->logic->reference();
    progress.soakLeftMs = d->logic->soakLeftMs(now);
    progress.remainingAtMostMs = d->logic->remainingAtMostMs(now);
    return progress;
}

GateState BatchRun::gate(int transmitter) const
{
    return d->logic ? d->logic->gate(transmitter, d->clock.elapsed()) : GateState();
}

const RunRecord &BatchRun::record() const
{
    return d->run;
}
