#ifndef BATCHRUN_H
#define BATCHRUN_H

#include "batch/runlogic.h"
#include "check/runrecord.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// A batch run in a climate chamber: a rack of transmitters on one line, checked against the
// reference instrument through a profile of chamber points, unattended for hours or days. It
// enrols the transmitters (each identified by its serial number, each with a check of its own,
// all in one run record), writes each point's set points to a chamber that takes them, sweeps the
// line once a second (the reference, then every transmitter RunLogic asks for, one request at a
// time, each asked once), feeds RunLogic and stores each transmitter's point the moment it is
// taken. A run cut off (a crash, a power cut, stop()) stays in the records as running and goes on
// later at the first point not yet taken, with the same checks.
//
// It lives on its creator's event loop and never waits in a loop of its own once start() has
// opened the lines, so that a window drives it as the command line does:
//
//   start(setup)   a new run, or (setup.resume) the newest unfinished run of the same profile;
//                  refusals and failures to open come back through finished()
//   pause()        no sweep after the one under way; progressed() says Paused
//   resume()       sweeps again from now on, after a pause
//   abort()        the run ends aborted in the records, its checks abandoned
//   stop()         the run ends here but stays running in the records, to be resumed (Ctrl+C)
//
// and follows it through the signals: enrolled() once the transmitters are known (record()
// holds one check each, in the order of the transmitter indexes the other signals use),
// progressed() after every sweep and change of phase, swept() with each sweep's readings,
// pointSettled() with each transmitter's point as it is taken or given up (once the records hold
// it, or recordsFailed() said they did not take it: the run goes on and stores it with the next
// sweep), setAside() when a transmitter stops answering and when it answers again, and finished()
// once, with how it ended: before start() returns when it refuses, and before stop() or abort()
// returns when they cut a sweep short. The lines stay open until the run is destroyed.
class BatchRun : public QObject
{
    Q_OBJECT

public:
    struct Setup
    {
        // The profile as a technician saved it (batch/profile.h), and what to call it when it is
        // refused: its file's name.
        QByteArray profile;
        QString profileName;
        // The station's settings with the reference the machine reads (required) and, when the
        // run drives it, the chamber's map; their database holds the records.
        StationSettings station;
        QString port; // the transmitters' line: a serial port or tcp://HOST:PORT
        int bitsPerSecond = 9600;
        QList<int> addresses; // asked in turn at enrolment
        Check::Kind kind = Check::Kind::AsFound;
        int timeoutMs = 0; // 0: the master's default for each request
        // Goes on with the newest unfinished run of this profile: its checks, settings and
        // transmitters, with the reference and chamber of this setup.
        bool resume = false;
    };

    enum class Phase {
        Idle,
        Enrolling,
        Reaching, // waiting for the reference to come within the point's band
        Soaking,
        Taking,
        Paused,
        Ended,
    };
    Q_ENUM(Phase)

    enum class End {
        Finished, // every point done: the checks finished with their results, the run finished
        Aborted, // by abort(): the run aborted, its checks abandoned
        Stopped, // by stop(): the run left running in the records, to be resumed
        Refused, // nothing was opened or sent: the profile, the station or the setup
        NotOpened, // a port could not be opened; nothing was stored
        NoTransmitter, // nobody answered at enrolment; nothing was stored
        NoRunToResume,
        Records, // the records could not be reached, or did not take the run's end
        LineLost, // a port was lost or its link not made again: the run left running
        // On resuming, another transmitter answers at one of the run's addresses: the run left
        // running as it was, for the run's own to be put back
        Exchanged,
    };
    Q_ENUM(End)

    struct Progress
    {
        Phase phase = Phase::Idle;
        int point = 0; // in the profile, from 0
        int points = 0;
        ProfilePoint target; // the point's
        std::optional<ReferenceReading> reference; // the newest
        qint64 soakLeftMs = 0;
        qint64 remainingAtMostMs = 0; // the whole run's, once each point's band is entered
    };

    explicit BatchRun(QObject *parent = nullptr);
    ~BatchRun() override;

    void start(const Setup &setup);
    void pause();
    void resume();
    void abort();
    void stop();

    Phase phase() const;
    Progress progress() const;
    // A transmitter's gate over the stability window now, with the reference's: why its point is
    // not taken yet.
    GateState gate(int transmitter) const;
    // The run as the records hold it, with whatever is not stored yet.
    const RunRecord &record() const;

signals:
    void enrolled();
    void progressed(const BatchRun::Progress &progress);
    // Taken at point at time (the wall clock): transmitters by their indexes.
    void swept(const QDateTime &time, int point, const RunLogic::Sweep &sweep);
    void pointSettled(int transmitter, const CheckPoint &point);
    void setAside(int transmitter, bool aside);
    void recordsFailed(const QString &why);
    void finished(BatchRun::End end, const QString &why);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // BATCHRUN_H
