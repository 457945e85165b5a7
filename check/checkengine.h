#ifndef CHECKENGINE_H
#define CHECKENGINE_H

#include "check/checkrecord.h"
#include "check/recordstore.h"

#include <QObject>
#include <QTimer>

#include <limits>
#include <memory>
#include <optional>

class TrendSession;
struct TrendReading;

// A calibration check against a reference, without any window: it watches a session's readings,
// tells whether they are stable over the stability window, takes points, decides and keeps the
// records. The window feeds it the tool's session; a command line feeds it its own.
//
// Whatever is taken is stored at once, with what of its check the records lack, in one
// transaction; what the database cannot take stays here, not stored, until storeAgain() gets it
// in, and no new check begins before it has, nor while the station's reference could not go on
// its certificate. A polling stop or a lost link only closes the gate: the check stays open until
// finish() or abandon().
class CheckEngine : public QObject
{
    Q_OBJECT

public:
    explicit CheckEngine(TrendSession &session, QObject *parent = nullptr);
    ~CheckEngine() override;

    // The gate follows new limits at once; the rest applies from the next check on.
    void setSettings(const StationSettings &settings);
    const StationSettings &settings() const { return station; }

    // The readings of the reference the machine reads, kept beside the transmitter's; none (the
    // default): the technician types the reference's values. A check keeps the way it began.
    void setReference(TrendSession *reference);
    bool readsReference() const { return referenceSession != nullptr; }

    // Over the stability window ending now, of the readings of the transmitter polled last and of
    // the reference when the machine reads it. Closed until a reading has come in since this
    // engine exists.
    GateState gate() const;

    // The open check, else the last one, else an empty one (no points, startedAt invalid).
    const Check &check() const { return current; }
    bool isOpen() const;
    bool allStored() const;
    RecordStore &records();

    // Why no new check may begin now: the station's reference instrument, its certificate number
    // or its due date missing, or that date past. Empty when one may, and while a check is open.
    QString beginRefusal() const;
    // Whether takePoint() would take a point now: not when the gate is not met and no reason is
    // given, when a quantity has no reading in the window (the reference's too, when it is read),
    // when the readings or the open check are of another transmitter, when the open check took
    // its reference the other way, when the last check is not stored yet, or when a new check
    // may not begin.
    bool canTakePoint(const Transmitter &transmitter, const QString &earlyReason) const;
    // What follows a point: the check stays open for more, or is finished with it.
    enum class AfterPoint { KeepOpen, Finish };
    // A point of the open check, or of a new one of kind for transmitter, against the typed
    // references or, when the machine reads the reference, its means over the window; stored at
    // once, and with Finish together with the check's result.
    bool takePoint(Check::Kind kind, const Transmitter &transmitter,
                   const std::array<double, CheckedQuantities> &references,
                   const QString &earlyReason = QString(), AfterPoint after = AfterPoint::KeepOpen);
    // The point takePoint() would take now, judged as it would be: what a view shows of the
    // errors, U and verdicts before the point is taken. Not a number where the window holds no
    // readings. state is gate() as the view has it already, not worked out again.
    CheckPoint pointNow(const GateState &state,
                        const std::array<double, CheckedQuantities> &references) const;
    // Makes a check that an earlier run (closed or crashed mid-check) left open the open check
    // here, whole from the records, so that finish() or abandon() close it; true when it is the
    // open check already. False when another check is open here or not everything is stored
    // (nothing changes then), and when the records cannot give the check, it is no longer open or
    // it is a batch run's, which its run closes.
    bool resume(qint64 checkId);
    // Closes the open check with its decision, or as abandoned; false when none is open (or,
    // for finish, it has no point).
    bool finish();
    bool abandon();
    // Writes whatever is not stored yet; true when everything is.
    bool storeAgain();

signals:
    // After each reading and each second, so that a gate closes when readings stop.
    void gateChanged();
    void checkChanged();
    // Once, when a write fails after the last one that succeeded: message says why.
    void storeFailed(const QString &message);

private:
    using Newest = std::optional<std::pair<qint64, qint64>>;

    void readingAdded(const TrendReading &reading);
    // The store time of now for a session whose newest reading is newest.
    static qint64 storeNow(const Newest &newest);
    Decision::ReferenceValues referenceValues(const GateState &state) const;
    // The settings a point taken now is judged with: the open check's, else those a new one
    // would begin with.
    StationSettings pointSettings() const;
    CheckPoint point(const GateState &state,
                     const std::array<double, CheckedQuantities> &references,
                     const QString &earlyReason) const;
    void close(Check::Result result);
    bool store();

    TrendSession &session;
    StationSettings station;
    Check current;
    std::unique_ptr<RecordStore> recordStore;
    QString storeTarget; // the database setting recordStore was made for
    QTimer tick;
    bool failureTold = false;
    // The transmitter the newest readings come from, and the store time its readings begin at.
    std::optional<QString> polledSerial;
    qint64 polledSince = std::numeric_limits<qint64>::min();
    // The newest reading of the transmitter and of the reference, as their stores time them and
    // on the monotonic clock.
    Newest newest;
    TrendSession *referenceSession = nullptr;
    Newest newestReference;
};

#endif // CHECKENGINE_H
