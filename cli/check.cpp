// check: one point of a calibration check, for chamber automation scripts. The readings are
// polled as read polls them and go to the same check engine as the check window's, with the
// station's settings that the window keeps: the gate, the point, its decision and the records
// are the window's own.
#include "check/certificate.h"
#include "check/checkengine.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/schedule.h"
#include "cli/session.h"
#include "display/csvrecorder.h"
#include "display/trendfeed.h"
#include "display/trendsession.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/timing.h"

#include <cstdio>

namespace Cli {

namespace {

const QString QuantityKeys[CheckedQuantities] = {QStringLiteral("temperature"),
                                                 QStringLiteral("humidity")};
const QString QuantityTitles[CheckedQuantities] = {QStringLiteral("Temperature"),
                                                   QStringLiteral("Humidity")};
const QString Units[CheckedQuantities] = {QStringLiteral("\u2103"), QStringLiteral("%RH")};
// In the order of QuantityGate::Phase.
const QStringList PhaseNames {"filling", "drifting", "noisy", "met"};

// As the certificate shows them.
constexpr int ReferenceDecimals = 2;
constexpr int ValueDecimals = 3;

// Streamed: each column as wide as its title, which is wider than any value, but for time and
// kind.
QVector<Column> pointColumns()
{
    const int timeWidth = Csv::isoTime(QDateTime::fromMSecsSinceEpoch(0)).size();
    const int kindWidth = qMax(CheckText::kind(Check::Kind::AsFound).size(),
                               CheckText::kind(Check::Kind::AsLeft).size());
    QVector<Column> columns {{QStringLiteral("time"), QStringLiteral("Time"), timeWidth},
                             {QStringLiteral("serial_number"), QStringLiteral("Serial number")},
                             {QStringLiteral("kind"), QStringLiteral("Kind"), kindWidth}};
    for (int q = 0; q < CheckedQuantities; ++q) {
        const QString key = QuantityKeys[q] + QLatin1Char('_');
        const QString title = QuantityTitles[q] + QLatin1Char(' ');
        const QString unit = QStringLiteral(" (%1)").arg(Units[q]);
        columns << Column {key + "reference", title + "reference" + unit}
                << Column {key + "mean", title + "mean" + unit}
                << Column {key + "std_dev", title + "std dev" + unit}
                << Column {key + "drift",
                           title + "drift" + QStringLiteral(" (%1/min)").arg(Units[q])}
                << Column {key + "error", title + "error" + unit}
                << Column {key + "samples", title + "samples"}
                << Column {key + "result", title + "result"};
    }
    columns << Column {QStringLiteral("result"), QStringLiteral("Result")};
    return columns;
}

QString passOrFail(bool passed)
{
    return CheckText::result(passed ? Check::Result::Pass : Check::Result::Fail);
}

QVector<Field> pointRecord(const Check &check, const CheckPoint &point)
{
    QVector<Field> fields {text(Csv::isoTime(point.takenAt)), text(check.transmitter.serialNumber),
                           text(CheckText::kind(check.kind))};
    for (const QuantityPoint &q : point.quantities) {
        fields << number(q.reference, ReferenceDecimals) << number(q.mean, ValueDecimals)
               << number(q.standardDeviation, ValueDecimals)
               << number(q.driftPerMinute, ValueDecimals) << number(q.error, ValueDecimals)
               << integer(q.samples) << text(passOrFail(q.passed()));
    }
    fields << text(passOrFail(point.verdict() == Verdict::Pass));
    return fields;
}

// The gate on stderr whenever a quantity's state changes, so that a log shows how the wait went
// without a line a second.
class Progress
{
public:
    void show(const GateState &gate, qint64 waitedMs)
    {
        QStringList states;
        for (int q = 0; q < CheckedQuantities; ++q) {
            states << QuantityKeys[q] + QLatin1Char(' ')
                    + PhaseNames.at(int(gate.quantities[size_t(q)].phase()));
        }
        const QString state = states.join(QLatin1String(", "));
        if (state == shown)
            return;
        shown = state;
        std::fputs(
            qUtf8Printable(
                QStringLiteral("Stability after %1 s: %2\n").arg(waitedMs / 1000).arg(state)),
            stderr);
    }

private:
    QString shown;
};

} // namespace

// A check without a traceable reference could have no certificate: it is refused before the
// port or the records are opened, saying how a script sets what is missing.
Outcome check(Session &session, const Options &options)
{
    StationSettings station = StationSettings::load();
    if (const QString problem = station.certificateProblem(QDate::currentDate());
        !problem.isEmpty()) {
        return {Status::Usage,
                problem
                    + QStringLiteral(" tr451 station KEY VALUE sets them: reference, "
                                     "reference-certificate, reference-due (YYYY-MM-DD).")};
    }
    if (options.windowMs > 0)
        station.limits.windowMs = options.windowMs;
    TrendSession readings;
    CheckEngine engine(readings);
    engine.setSettings(station);
    // Records that cannot be reached are known before the wait rather than after it.
    if (!engine.records().open())
        return {Status::Records, engine.records().errorString()};

    Identity identity;
    if (const Outcome connected = session.connect(&identity); !connected.ok())
        return connected;
    // The range registers hold tenths of a degree; kept as the window keeps them.
    const Transmitter transmitter {identity.serialNumber, identity.address,
                                   identity.rangeMin / 10.0, identity.rangeMax / 10.0};
    const CommandInputs::PollRequest poll =
        CommandInputs::pollRequest(Readings::Scale::Hundredths, 0);
    const QByteArray request =
        Modbus::readRequest(identity.address, poll.firstRegister, poll.count);
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
        out.record(pointRecord(check, check.points.last()));
    QString error;
    if (!engine.allStored()) {
        return out.close({Status::Records,
                          engine.records().errorString()
                              + QStringLiteral("; nothing of the check was stored, the point above "
                                               "included")});
    }
    if (!options.certificate.isEmpty() && !Certificate::write(check, options.certificate, &error))
        return out.close({Status::Failed, error});
    return out.close(check.result == Check::Result::Pass
                         ? Outcome {}
                         : Outcome {Status::CheckFailed, QString()});
}

} // namespace Cli
