#ifndef RUNRECORD_H
#define RUNRECORD_H

#include "check/checkrecord.h"

#include <QByteArray>
#include <QList>

#include <tuple>

// A batch run as the records keep it: a rack of transmitters on one line, checked through a
// profile of chamber points, one check per transmitter. Each transmitter's point goes into the
// records the moment it is taken, so that a run cut off (by a power cut, say) resumes from them.
struct RunRecord
{
    enum class State { Running, Finished, Aborted };

    qint64 id = 0; // in the records; 0 while not stored
    QString station;
    QString operatorName;
    Check::Kind kind = Check::Kind::AsFound;
    QByteArray profile; // the profile's CSV as it was given
    // The station's settings at the start (without its database).
    StationSettings settings;
    QList<quint16> addresses; // of the transmitters on the line
    QDateTime startedAt;
    QDateTime finishedAt; // null while running
    State state = State::Running;
    int pointReached = 0; // the first profile point not yet done by every transmitter
    // One check per transmitter, its points those of the profile (CheckPoint::profilePoint) with
    // how each ended (CheckPoint::outcome).
    QList<Check> checks;
    // state, finishedAt and pointReached as the records hold them: a store updates them when
    // progress() differs.
    std::tuple<State, QDateTime, int> storedProgress {State::Running, QDateTime(), 0};

    bool stored() const { return id != 0; }
    auto progress() const { return std::tie(state, finishedAt, pointReached); }
};

// The records' names of a run's states and of a point's outcomes; unknown names read as the
// first enumerator.
namespace RunText {
QString state(RunRecord::State state); // running, finished, aborted
RunRecord::State stateFrom(const QString &text);
QString outcome(CheckPoint::Outcome outcome); // taken, not stable, no answer
CheckPoint::Outcome outcomeFrom(const QString &text);
} // namespace RunText

#endif // RUNRECORD_H
