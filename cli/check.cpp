// check: one point of a calibration check, for chamber automation scripts. The readings are
// polled as read polls them and go to the same check engine as the check window's, with the
// station's settings that the window keeps: the gate, the point, its decision and the records
// are the window's own. The reference is typed, or read by the machine in the same cycle.
#include "check/certificate.h"
#include "check/checkengine.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/pointrows.h"
#include "cli/referencepoll.h"
#include "cli/session.h"
#include "display/trendfeed.h"
#include "display/trendsession.h"
#include "master/schedule.h"
#include "master/transport.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/timing.h"

#include <memory>

namespace Cli {

namespace {

// A script tells a conditional pass from a pass by the exit status.
Outcome decided(Check::Result result)
{
    switch (result) {
    case Check::Result::Pass:
        return {};
    case Check::Result::ConditionalPass:
        return {Status::ConditionalPass, QString()};
    default:
        return {Status::CheckFailed, QString()};
    }
}

QString phases(const GateState::Quantities &gate)
{
    QStringList states;
    for (int q = 0; q < CheckedQuantities; ++q)
        states << quantityKey(q) + QLatin1Char(' ')
                + QuantityGate::phaseText(gate[size_t(q)].phase());
    return states.join(QLatin1String(", "));
}

// Why the reference cannot be read: no port to read it on, or not the fields a point needs.
QString unreadable(const ReferenceMap &map)
{
    if (!map.isSet())
        return QStringLiteral("check needs the reference: its values typed (--ref-temperature and "
                              "--ref-humidity), or the port it is read on (--reference, or tr451 "
                              "station reference-port)");
    if (!map.hasFields())
        return QStringLiteral("the reference on %1 is read by its fields: --reference-temperature "
                              "and --reference-humidity or --reference-dewpoint (or the station's "
                              "keys of these names)")
            .arg(map.line.port);
    return QString();
}

// The reference read by the machine. On the transmitter's line one master asks both, one request
// at a time, at the line's rate; elsewhere it has a master of its own.
Outcome openReference(Session &session, const QString &port, const ReferenceMap &map,
                      std::unique_ptr<ReferencePoll> *reference)
{
    Master *line = &session.master();
    if (!Transport::samePort(port, map.line.port)) {
        if (const Outcome opened = session.openLine(map.line.port, map.line.bitsPerSecond, &line);
            !opened.ok())
            return opened;
    }
    *reference = std::make_unique<ReferencePoll>(*line, map);
    return {};
}

// The gate on stderr whenever a quantity's state changes, so that a log shows how the wait went
// without a line a second.
class Progress
{
public:
    void show(const GateState &gate, qint64 waitedMs)
    {
        const QString state = phases(gate.quantities)
            + (gate.reference ? QStringLiteral("; reference ") + phases(*gate.reference)
                              : QString());
        if (state == shown)
            return;
        shown = state;
        tell(QStringLiteral("Stability after %1 s: %2").arg(waitedMs / 1000).arg(state));
    }

private:
    QString shown;
};

} // namespace

// A check without a traceable reference could have no certificate: it is refused before the
// port or the records are opened, saying how a script sets what is missing.
Outcome check(Session &session, const Options &options)
{
    const StationSettings station = stationFor(options);
    if (const QString problem = station.certificateProblem(QDate::currentDate());
        !problem.isEmpty()) {
        return {Status::Usage,
                problem
                    + QStringLiteral(" tr451 station KEY VALUE sets them: reference, "
                                     "reference-certificate, reference-due (YYYY-MM-DD).")};
    }
    const ReferenceMap &map = station.referenceMap;
    if (const QString why = options.referencesTyped ? QString() : unreadable(map); !why.isEmpty())
        return {Status::Usage, why};
    TrendSession readings;
    CheckEngine engine(readings);
    engine.setSettings(station);
    // Records that cannot be reached are known before the wait rather than after it.
    if (!engine.records().open())
        return {Status::Records, engine.records().errorString()};

    Identity identity;
    if (const Outcome connected = session.connect(&identity); !connected.ok())
        return connected;
    const Transmitter transmitter {identity.serialNumber, identity.address,
                                   identity.rangeMin / Registers::RangeTenthsPerDegree,
                                   identity.rangeMax / Registers::RangeTenthsPerDegree};
    const CommandInputs::PollRequest poll =
        CommandInputs::pollRequest(Readings::Scale::Hundredths, 0);
    const QByteArray request =
        Modbus::readRequest(identity.address, poll.firstRegister, poll.count);
    std::unique_ptr<ReferencePoll> reference;
    if (!options.referencesTyped) {
        if (const Outcome opened = openReference(session, options.port, map, &reference);
            !opened.ok())
            return opened;
        engine.setReference(&reference->readings());
    }
    Progress progress;
    const qint64 startMs = session.elapsedMs();
    // As the window polls: the default stability limits are meant for a reading a second. The
    // check, its point and its result are stored as one, or not at all.
    for (Schedule schedule(startMs, Timing::PollIntervalMs);;
         schedule.advance(session.elapsedMs())) {
        Master::Answer answer;
        if (const Outcome outcome = session.reading(schedule.due(), request, &answer);
            !outcome.ok())
            return outcome;
        if (answer.result == Master::Result::Answered) {
            readings.add(
                TrendFeed::fromReply(answer.reply, identity.address, identity.serialNumber));
        }
        if (const QString notice = reference ? reference->read() : QString(); !notice.isEmpty())
            tell(notice);
        const GateState gate = engine.gate();
        const qint64 waitedMs = session.elapsedMs() - startMs;
        progress.show(gate, waitedMs);
        if (gate.met()
            && engine.takePoint(options.kind, transmitter, options.references, QString(),
                                CheckEngine::AfterPoint::Finish))
            break;
        if (waitedMs >= options.waitStableMs) {
            return {Status::NotStable,
                    QStringLiteral("the readings were not stable within %1 s; nothing was stored")
                        .arg(options.waitStableMs / 1000)};
        }
    }

    const Check &check = engine.check();
    Output out(options.format, pointColumns(), Output::Flow::Stream);
    if (const Outcome opened = out.open(); opened.ok() && out.header())
        out.record(pointRecord(check, check.points.last(), CheckText::result(check.result)));
    QString error;
    if (!engine.allStored()) {
        return out.close({Status::Records,
                          engine.records().errorString()
                              + QStringLiteral("; nothing of the check was stored, the point above "
                                               "included")});
    }
    if (!options.certificate.isEmpty() && !Certificate::write(check, options.certificate, &error))
        return out.close({Status::Failed, error});
    return out.close(decided(check.result));
}

} // namespace Cli
