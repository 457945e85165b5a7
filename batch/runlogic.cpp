#include "batch/runlogic.h"

#include "display/trendstatistics.h"

#include <algorithm>
#include <vector>

namespace {

constexpr qint64 MsPerSecond = 1000;
// Rows a store keeps beyond the stability window's sweeps, for sweeps that come a little early.
constexpr int SpareRows = 16;

qint64 ms(double seconds)
{
    return qint64(seconds * MsPerSecond);
}

// The time a point takes at most once its band is entered: its max_wait, or its soak when that
// is longer, since nothing is taken before the soak has passed.
qint64 pointLengthMs(const ProfilePoint &point)
{
    return ms(std::max(point.maxWaitS, point.soakS));
}

} // namespace

struct RunLogic::Private
{
    struct Transmitter
    {
        explicit Transmitter(int rows, int points)
            : store(rows)
            , done(size_t(points), false)
        {}

        SampleStore store;
        int misses = 0;
        bool setAside = false;
        qint64 nextProbeMs = 0;
        std::vector<bool> done;
    };

    Private(const QVector<ProfilePoint> &profile, const StationSettings &settings, int count,
            Readings::Scale scale)
        : profile(profile)
        , settings(settings)
        , scale(scale)
        , rows(int(settings.limits.windowMs / MsPerSecond) * 2 + SpareRows)
        , reference(rows)
    {
        for (int i = 0; i < count; ++i)
            transmitters.emplace_back(rows, int(profile.size()));
    }

    const ProfilePoint &current() const { return profile.at(point); }
    bool allDone(int p) const
    {
        return std::all_of(transmitters.cbegin(), transmitters.cend(),
                           [p](const Transmitter &t) { return t.done[size_t(p)]; });
    }
    // Whether the point waits only for transmitters set aside while others answer. Those would
    // hold the rest up, so they get "no answer" at once; while none answers, the point waits out
    // max_wait for them to come back.
    bool onlySetAsideLack() const
    {
        bool answering = false;
        for (const Transmitter &t : transmitters) {
            if (t.setAside)
                continue;
            if (!t.done[size_t(point)])
                return false;
            answering = true;
        }
        return answering;
    }
    // From the band's entry on; before it, from the point's start.
    qint64 since() const { return bandEnteredMs ? *bandEnteredMs : pointStartedMs; }
    GateState gate(int t, qint64 now) const
    {
        GateState state =
            StabilityGate::evaluate(transmitters[size_t(t)].store, now, since(), settings.limits);
        state.reference =
            StabilityGate::evaluate(reference, now, since(), settings.limits).quantities;
        return state;
    }

    void take(const Sweep &sweep, QVector<Event> &events);
    void record(int t, bool answered, qint64 now, QVector<Event> &events);
    bool withinBand(const ReferenceReading &reading) const;
    CheckPoint pointOf(const GateState &state, qint64 now) const;
    void settle(int t, CheckPoint result, Event::Kind kind, QVector<Event> &events);
    // Every transmitter still without the point: "no answer" when set aside or silent over the
    // window, "not stable" with its figures otherwise.
    void giveUp(qint64 now, QVector<Event> &events);
    // Moves to the first point from `from` on that some transmitter lacks.
    void begin(int from, qint64 now, QVector<Event> &events);
    // One step of the point's phases; false when the sweep decides nothing more.
    bool advance(const Sweep &sweep, QVector<Event> &events);

    QVector<ProfilePoint> profile;
    StationSettings settings;
    Readings::Scale scale;
    int rows;
    std::vector<Transmitter> transmitters;
    SampleStore reference;
    std::optional<ReferenceReading> newestReference;
    Phase phase = Phase::Reaching;
    int point = 0;
    qint64 pointStartedMs = 0;
    std::optional<qint64> bandEnteredMs;
};

void RunLogic::Private::record(int t, bool answered, qint64 now, QVector<Event> &events)
{
    Transmitter &transmitter = transmitters[size_t(t)];
    if (answered) {
        transmitter.misses = 0;
        if (transmitter.setAside) {
            transmitter.setAside = false;
            events.append({Event::Kind::TakenBack, point, t, {}});
        }
        return;
    }
    ++transmitter.misses;
    if (!transmitter.setAside && transmitter.misses < MissesToSetAside)
        return;
    if (!transmitter.setAside)
        events.append({Event::Kind::SetAside, point, t, {}});
    transmitter.setAside = true;
    transmitter.nextProbeMs = now + SetAsideProbeMs;
}

// A reading without humidity (NaN) lies in no band.
bool RunLogic::Private::withinBand(const ReferenceReading &reading) const
{
    const ProfilePoint &p = current();
    return std::abs(reading.temperature - p.temperature) <= p.bandTemperature
        && std::abs(reading.humidity - p.humidity) <= p.bandHumidity;
}

CheckPoint RunLogic::Private::pointOf(const GateState &state, qint64 now) const
{
    CheckPoint result = Decision::point(
        state,
        Decision::ReferenceValues::read(*state.reference, reference, now, since(), settings.limits,
                                        settings.referenceMap.dewPoint.isSet()),
        settings, scale);
    result.profilePoint = point;
    return result;
}

void RunLogic::Private::settle(int t, CheckPoint result, Event::Kind kind, QVector<Event> &events)
{
    transmitters[size_t(t)].done[size_t(point)] = true;
    events.append({kind, point, t, std::move(result)});
}

void RunLogic::Private::giveUp(qint64 now, QVector<Event> &events)
{
    for (int t = 0; t < int(transmitters.size()); ++t) {
        const Transmitter &transmitter = transmitters[size_t(t)];
        if (transmitter.done[size_t(point)])
            continue;
        const GateState state = gate(t, now);
        const bool read = std::any_of(state.quantities.cbegin(), state.quantities.cend(),
                                      [](const QuantityGate &q) { return q.statistics.count > 0; });
        CheckPoint result = pointOf(state, now);
        result.outcome = transmitter.setAside || !read ? CheckPoint::Outcome::NoAnswer
                                                       : CheckPoint::Outcome::NotStable;
        settle(t, std::move(result), Event::Kind::PointGivenUp, events);
    }
}

void RunLogic::Private::begin(int from, qint64 now, QVector<Event> &events)
{
    point = from;
    while (point < profile.size() && allDone(point))
        ++point;
    bandEnteredMs.reset();
    if (point == profile.size()) {
        phase = Phase::Finished;
        events.append({Event::Kind::RunFinished, point, -1, {}});
        return;
    }
    phase = Phase::Reaching;
    pointStartedMs = now;
    events.append({Event::Kind::PointStarted, point, -1, {}});
}

bool RunLogic::Private::advance(const Sweep &sweep, QVector<Event> &events)
{
    const qint64 now = sweep.timeMs;
    switch (phase) {
    case Phase::Reaching:
        // Only this sweep's reading: an older one says nothing of the chamber now.
        if (!sweep.reference || !withinBand(*sweep.reference))
            return false;
        bandEnteredMs = now;
        phase = Phase::Soaking;
        events.append({Event::Kind::BandEntered, point, -1, {}});
        return true;
    case Phase::Soaking:
        if (now < *bandEnteredMs + ms(current().soakS))
            return false;
        phase = Phase::Taking;
        events.append({Event::Kind::SoakEnded, point, -1, {}});
        return true;
    case Phase::Taking:
        break;
    case Phase::Finished:
        return false;
    }
    for (int t = 0; t < int(transmitters.size()); ++t) {
        const Transmitter &transmitter = transmitters[size_t(t)];
        if (transmitter.done[size_t(point)] || transmitter.setAside)
            continue;
        const GateState state = gate(t, now);
        if (state.met())
            settle(t, pointOf(state, now), Event::Kind::PointTaken, events);
    }
    if (now >= *bandEnteredMs + ms(current().maxWaitS) || onlySetAsideLack())
        giveUp(now, events);
    if (!allDone(point))
        return false;
    events.append({Event::Kind::PointFinished, point, -1, {}});
    begin(point + 1, now, events);
    return phase != Phase::Finished;
}

RunLogic::RunLogic(const QVector<ProfilePoint> &profile, const StationSettings &settings,
                   int transmitterCount, Readings::Scale scale)
    : d(std::make_unique<Private>(profile, settings, transmitterCount, scale))
{}

RunLogic::~RunLogic() = default;

void RunLogic::markDone(int transmitter, int point)
{
    d->transmitters[size_t(transmitter)].done[size_t(point)] = true;
}

QVector<RunLogic::Event> RunLogic::start(qint64 nowMs)
{
    QVector<Event> events;
    d->begin(0, nowMs, events);
    return events;
}

QVector<int> RunLogic::toAsk(qint64 nowMs) const
{
    QVector<int> asked;
    if (d->phase == Phase::Finished)
        return asked;
    for (int t = 0; t < int(d->transmitters.size()); ++t) {
        const Private::Transmitter &transmitter = d->transmitters[size_t(t)];
        if (!transmitter.setAside || transmitter.nextProbeMs <= nowMs)
            asked << t;
    }
    return asked;
}

QVector<RunLogic::Event> RunLogic::feed(const Sweep &sweep)
{
    QVector<Event> events;
    const qint64 now = sweep.timeMs;
    // Whatever the reference gave counts, a temperature without humidity too: each quantity's
    // gate looks at its own readings.
    if (sweep.reference) {
        d->reference.add(now, now,
                         {float(sweep.reference->temperature), float(sweep.reference->humidity),
                          float(sweep.reference->dewPoint)});
        d->newestReference = sweep.reference;
    }
    for (const auto &[t, values] : sweep.transmitters) {
        if (values)
            d->transmitters[size_t(t)].store.add(now, now, *values);
        d->record(t, values.has_value(), now, events);
    }
    while (d->advance(sweep, events)) {}
    return events;
}

RunLogic::Result RunLogic::result(const QVector<Check> &checks)
{
    QVector<Verdict> verdicts;
    bool taken = false;
    for (const Check &check : checks) {
        for (const CheckPoint &point : check.points) {
            verdicts << point.verdict();
            taken = taken || point.outcome == CheckPoint::Outcome::Taken;
        }
    }
    if (!taken)
        return Result::NothingTaken;
    switch (Verdicts::worst(verdicts)) {
    case Verdict::Pass:
        return Result::Passed;
    case Verdict::ConditionalPass:
        return Result::ConditionalPass;
    case Verdict::ConditionalFail:
    case Verdict::Fail:
        break;
    }
    return Result::Failed;
}

RunLogic::Phase RunLogic::phase() const
{
    return d->phase;
}

int RunLogic::point() const
{
    return d->point;
}

bool RunLogic::isSetAside(int transmitter) const
{
    return d->transmitters[size_t(transmitter)].setAside;
}

GateState RunLogic::gate(int transmitter, qint64 nowMs) const
{
    return d->gate(transmitter, nowMs);
}

std::optional<ReferenceReading> RunLogic::reference() const
{
    return d->newestReference;
}

qint64 RunLogic::soakLeftMs(qint64 nowMs) const
{
    switch (d->phase) {
    case Phase::Reaching:
        return ms(d->current().soakS);
    case Phase::Soaking:
        return std::max<qint64>(0, *d->bandEnteredMs + ms(d->current().soakS) - nowMs);
    default:
        return 0;
    }
}

qint64 RunLogic::remainingAtMostMs(qint64 nowMs) const
{
    if (d->phase == Phase::Finished)
        return 0;
    const qint64 from = d->bandEnteredMs ? *d->bandEnteredMs : nowMs;
    qint64 left = std::max<qint64>(0, from + pointLengthMs(d->current()) - nowMs);
    for (int p = d->point + 1; p < d->profile.size(); ++p) {
        if (!d->allDone(p))
            left += pointLengthMs(d->profile.at(p));
    }
    return left;
}
