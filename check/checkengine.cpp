#include "check/checkengine.h"

#include "display/trendsession.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int TickMs = 1000;

} // namespace

CheckEngine::CheckEngine(TrendSession &session, QObject *parent)
    : QObject(parent)
    , session(session)
{
    connect(&session, &TrendSession::readingAdded, this, &CheckEngine::readingAdded);
    connect(&tick, &QTimer::timeout, this, &CheckEngine::gateChanged);
    tick.start(TickMs);
}

CheckEngine::~CheckEngine() = default;

void CheckEngine::setSettings(const StationSettings &settings)
{
    station = settings;
    emit gateChanged();
}

void CheckEngine::readingAdded(const TrendReading &reading)
{
    const bool measured = std::any_of(reading.values.cbegin(), reading.values.cend(),
                                      [](float value) { return !std::isnan(value); });
    if (!measured)
        return;
    const SampleStore &store = session.samples();
    const qint64 time = store.rowTime(store.rowCount() - 1);
    // The window of another transmitter's readings begins with its first.
    if (polledSerial && *polledSerial != reading.serialNumber)
        polledSince = time;
    polledSerial = reading.serialNumber;
    newest = {time, reading.steadyMs};
    emit gateChanged();
}

void CheckEngine::setReference(TrendSession *reference)
{
    if (referenceSession)
        disconnect(referenceSession, nullptr, this, nullptr);
    referenceSession = reference;
    newestReference.reset();
    if (reference) {
        connect(reference, &TrendSession::readingAdded, this, [this] {
            const SampleStore &store = referenceSession->samples();
            if (store.rowCount() > 0)
                newestReference = {store.rowTime(store.rowCount() - 1),
                                   QDeadlineTimer::current().deadline()};
            emit gateChanged();
        });
    }
    emit gateChanged();
}

qint64 CheckEngine::storeNow(const Newest &newest)
{
    return newest->first + (QDeadlineTimer::current().deadline() - newest->second);
}

// Each session's store keeps its own time, so each is looked at from its own now.
GateState CheckEngine::gate() const
{
    if (!newest)
        return {};
    GateState state =
        StabilityGate::evaluate(session.samples(), storeNow(newest), polledSince, station.limits);
    if (referenceSession) {
        state.reference = newestReference
            ? StabilityGate::evaluate(referenceSession->samples(), storeNow(newestReference),
                                      std::numeric_limits<qint64>::min(), station.limits)
                  .quantities
            : GateState::Quantities();
    }
    return state;
}

Decision::ReferenceValues CheckEngine::referenceValues(const GateState &state) const
{
    // A view asks before the reference's first reading, and before the transmitter's, when the
    // gate and the store hold nothing of the reference either.
    return Decision::ReferenceValues::read(
        state.reference.value_or(GateState::Quantities()), referenceSession->samples(),
        newestReference ? storeNow(newestReference) : 0, std::numeric_limits<qint64>::min(),
        station.limits, pointSettings().referenceMap.dewPoint.isSet());
}

StationSettings CheckEngine::pointSettings() const
{
    if (isOpen())
        return current.settings;
    StationSettings settings = station;
    settings.database.clear();
    // A typed reference has no map: the records and the budget tell the two apart by it.
    if (!readsReference())
        settings.referenceMap = ReferenceMap();
    return settings;
}

CheckPoint CheckEngine::point(const GateState &state,
                              const std::array<double, CheckedQuantities> &references,
                              const QString &earlyReason) const
{
    const Readings::Scale scale = session.decimals() == Readings::decimals(Readings::Scale::Tenths)
        ? Readings::Scale::Tenths
        : Readings::Scale::Hundredths;
    return Decision::point(state,
                           readsReference() ? referenceValues(state)
                                            : Decision::ReferenceValues::typed(references),
                           pointSettings(), scale, earlyReason);
}

CheckPoint CheckEngine::pointNow(const GateState &state,
                                 const std::array<double, CheckedQuantities> &references) const
{
    return point(state, references, QString());
}

bool CheckEngine::isOpen() const
{
    return current.startedAt.isValid() && current.result == Check::Result::Open;
}

bool CheckEngine::allStored() const
{
    return !current.startedAt.isValid()
        || (current.stored() && current.storedResult == current.result
            && std::all_of(current.points.cbegin(), current.points.cend(),
                           [](const CheckPoint &point) { return point.stored(); }));
}

RecordStore &CheckEngine::records()
{
    // A new database setting takes effect once nothing is left to store in the old one.
    if (!recordStore || (storeTarget != station.database && !isOpen() && allStored())) {
        recordStore = std::make_unique<RecordStore>(station.database);
        storeTarget = station.database;
    }
    return *recordStore;
}

bool CheckEngine::canTakePoint(const Transmitter &transmitter, const QString &earlyReason) const
{
    const auto unread = [](const QuantityGate &q) { return q.statistics.count == 0; };
    const GateState state = gate();
    if ((!state.met() && earlyReason.trimmed().isEmpty()) || transmitter.serialNumber.isEmpty()
        || polledSerial != transmitter.serialNumber
        || std::any_of(state.quantities.cbegin(), state.quantities.cend(), unread)
        || (state.reference
            && std::any_of(state.reference->cbegin(), state.reference->cend(), unread)))
        return false;
    return isOpen() ? current.transmitter.serialNumber == transmitter.serialNumber
            && current.settings.referenceMap.isSet() == readsReference()
                    : allStored() && beginRefusal().isEmpty();
}

QString CheckEngine::beginRefusal() const
{
    return isOpen() ? QString() : station.certificateProblem(QDate::currentDate());
}

bool CheckEngine::takePoint(Check::Kind kind, const Transmitter &transmitter,
                            const std::array<double, CheckedQuantities> &references,
                            const QString &earlyReason, AfterPoint after)
{
    if (!canTakePoint(transmitter, earlyReason))
        return false;
    const GateState state = gate();
    const bool early = !state.met();
    if (!isOpen()) {
        current = Check();
        current.kind = kind;
        current.transmitter = transmitter;
        current.settings = pointSettings();
        current.startedAt = QDateTime::currentDateTime();
    }
    current.points.append(point(state, references, early ? earlyReason.trimmed() : QString()));
    if (after == AfterPoint::Finish)
        close(current.decision());
    else
        store();
    return true;
}

bool CheckEngine::resume(qint64 checkId)
{
    if (isOpen() && current.id == checkId)
        return true;
    if (isOpen() || !allStored())
        return false;
    Check earlier;
    earlier.id = checkId;
    // A batch run's check is its run's to close, when the run is resumed or ends.
    if (!records().load(earlier) || earlier.result != Check::Result::Open || earlier.runId != 0)
        return false;
    current = earlier;
    emit checkChanged();
    return true;
}

bool CheckEngine::finish()
{
    if (!isOpen() || current.points.isEmpty())
        return false;
    close(current.decision());
    return true;
}

bool CheckEngine::abandon()
{
    if (!isOpen())
        return false;
    close(Check::Result::Abandoned);
    return true;
}

void CheckEngine::close(Check::Result result)
{
    current.result = result;
    current.finishedAt = QDateTime::currentDateTime();
    store();
}

bool CheckEngine::storeAgain()
{
    return store();
}

bool CheckEngine::store()
{
    RecordStore &records = this->records();
    const bool done = allStored() || records.store(current);
    if (done) {
        failureTold = false;
    } else if (!failureTold) {
        failureTold = true;
        emit storeFailed(records.errorString());
    }
    emit checkChanged();
    return done;
}
