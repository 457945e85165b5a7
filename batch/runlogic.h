#ifndef RUNLOGIC_H
#define RUNLOGIC_H

#include "batch/profile.h"
#include "check/checkrecord.h"
#include "check/referencereading.h"
#include "display/samplestore.h"

#include <QVector>

#include <memory>
#include <optional>

// The decisions of a batch run, apart from its line, its clock and its records: fed with each
// sweep's readings and the time they were taken, it says where the run stands (the chamber
// reaching a point's band, the soak, the points being taken), whose point is taken or given up,
// who is set aside and taken back, and when the run moves on. The tests drive it with a scripted
// clock and line; a run drives it with its sweeps.
//
// A point begins when the run reaches it (the chamber is given its set points then, if the run
// drives one). Once the reference's reading lies within the point's band, its soak begins; once
// the soak has passed, each transmitter's point is taken as soon as it and the reference are both
// stable over the stability window (readings from the band's entry on), and given up as "not
// stable" (with its figures) or "no answer" once max_wait has passed since the band's entry. A
// transmitter that misses three sweeps in a row is set aside: asked once every ten seconds from
// then on, and taken back when it answers. It holds no one up: once every transmitter that
// answers has the point, those set aside get "no answer" for it.
//
// Each transmitter keeps only the readings a stability window needs, so a run of days takes no
// more memory than a run of minutes.
class RunLogic
{
public:
    static constexpr int MissesToSetAside = 3;
    static constexpr qint64 SetAsideProbeMs = 10000;

    // How the run went, for its exit status.
    enum class Result {
        Passed, // every transmitter passed every point
        ConditionalPass, // the worst being a conditional pass
        Failed, // some point failed, conditionally failed, was not stable or got no answer
        NothingTaken, // not one point was taken: each was not stable or got no answer
    };
    // Over the run's checks, one per transmitter with its points.
    static Result result(const QVector<Check> &checks);

    enum class Phase {
        Reaching, // waiting for the reference to come within the point's band
        Soaking,
        Taking, // taking each transmitter's point as it becomes stable
        Finished,
    };

    struct Event
    {
        enum class Kind {
            PointStarted, // the run reached point: a chamber is given its set points now
            BandEntered,
            SoakEnded,
            PointTaken, // result: the transmitter's point, outcome Taken
            PointGivenUp, // result: outcome NotStable (with its figures) or NoAnswer
            SetAside,
            TakenBack,
            PointFinished, // every transmitter has the point
            RunFinished,
        };
        Kind kind;
        int point = -1; // in the profile
        int transmitter = -1; // by its index, for the events of one transmitter
        CheckPoint result;
    };

    // One sweep: the time it ended (a monotonic clock, in milliseconds), the reference's reading
    // (none when it did not answer) and each asked transmitter's (none when it did not answer).
    struct Sweep
    {
        qint64 timeMs = 0;
        std::optional<ReferenceReading> reference;
        QVector<std::pair<int, std::optional<SampleStore::Values>>> transmitters;
    };

    // settings: those the run's checks began with (tolerances, stability limits, the reference's
    // map and uncertainty, uniformity, rule); scale: the transmitters' registers read.
    RunLogic(const QVector<ProfilePoint> &profile, const StationSettings &settings,
             int transmitterCount, Readings::Scale scale = Readings::Scale::Hundredths);
    ~RunLogic();
    RunLogic(const RunLogic &) = delete;
    RunLogic &operator=(const RunLogic &) = delete;

    // Before start(): the transmitter has the point already, from the run before it was
    // interrupted (taken or given up, as the records hold it).
    void markDone(int transmitter, int point);
    // Begins at the first point some transmitter does not have yet (PointStarted), or finishes
    // at once when every one has every point.
    QVector<Event> start(qint64 nowMs);

    // The transmitters the next sweep asks, in their order: every one not set aside, and each one
    // set aside whose ten seconds have passed.
    QVector<int> toAsk(qint64 nowMs) const;
    // Takes a sweep's readings in and says what they decided, in order.
    QVector<Event> feed(const Sweep &sweep);

    Phase phase() const;
    // The profile's point the run is at; the profile's size once finished.
    int point() const;
    bool isSetAside(int transmitter) const;
    // The gate over the stability window as of nowMs: the transmitter's and the reference's.
    GateState gate(int transmitter, qint64 nowMs) const;
    // The reference's newest reading, complete or not; none before the first.
    std::optional<ReferenceReading> reference() const;
    // The soak left at nowMs (0 once it has passed, the whole soak before the band is entered).
    qint64 soakLeftMs(qint64 nowMs) const;
    // Time the rest of the run takes at most once each point's band is entered: what is left
    // of this point's max_wait (or soak, when longer) and the same of every later point that some
    // transmitter still lacks.
    qint64 remainingAtMostMs(qint64 nowMs) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // RUNLOGIC_H
