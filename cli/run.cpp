// run: a batch of transmitters in a climate chamber through a profile of points, unattended for
// hours or days. BatchRun enrols, sweeps, decides and keeps the records, as it does for a window;
// this prints each transmitter's point the moment it is taken, says on stderr how the run goes,
// logs every reading and writes the certificates and the report once the run is finished.
#include "batch/batchrun.h"
#include "batch/report.h"
#include "batch/runlog.h"
#include "check/certificate.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/pointrows.h"
#include "cli/session.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>

namespace Cli {

namespace {

constexpr qint64 MsPerSecond = 1000;

// Hours, minutes and seconds, as 26:40:00; a time left is rounded up.
QString duration(qint64 ms)
{
    const qint64 seconds = (ms + MsPerSecond - 1) / MsPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString who(const Transmitter &transmitter)
{
    return QStringLiteral("address %1 (%2)").arg(transmitter.address).arg(transmitter.serialNumber);
}

// How the run goes, a line on stderr whenever it moves on, so that a log tells the story of a
// day without a line a second.
class Progress
{
public:
    Progress(const BatchRun &batch, bool drivesChamber)
        : batch(batch)
        , drivesChamber(drivesChamber)
    {}

    void show(const BatchRun::Progress &progress)
    {
        if (progress.phase == shownPhase && progress.point == shownPoint)
            return;
        shownPhase = progress.phase;
        shownPoint = progress.point;
        const QString at =
            QStringLiteral("Point %1 of %2").arg(progress.point + 1).arg(progress.points);
        const ProfilePoint &target = progress.target;
        switch (progress.phase) {
        case BatchRun::Phase::Enrolling:
            tell(QStringLiteral("Asking each address which transmitter answers there"));
            break;
        case BatchRun::Phase::Reaching:
            tell(at
                 + QStringLiteral(" (%1 \u2103, %2 %RH): %3; waiting for the reference within "
                                  "\u00b1%4 \u2103 and \u00b1%5 %RH")
                       .arg(target.temperature)
                       .arg(target.humidity)
                       .arg(drivesChamber ? QStringLiteral("the chamber is set to it")
                                          : QStringLiteral("the chamber runs its own program "
                                                           "or a person sets it"))
                       .arg(target.bandTemperature)
                       .arg(target.bandHumidity));
            break;
        case BatchRun::Phase::Soaking:
            tell(at
                 + QStringLiteral(": the reference is within the band; soaking for %1, the run "
                                  "takes at most %2 more")
                       .arg(duration(progress.soakLeftMs), duration(progress.remainingAtMostMs)));
            break;
        case BatchRun::Phase::Taking:
            tell(at
                 + QStringLiteral(": soaked; taking each transmitter's point once it and the "
                                  "reference are stable"));
            break;
        default:
            break;
        }
    }

    void enrolled()
    {
        QStringList transmitters;
        for (const Check &check : batch.record().checks)
            transmitters << who(check.transmitter);
        tell(QStringLiteral("Transmitters: ") + transmitters.join(QLatin1String(", ")));
    }

    void setAside(int transmitter, bool aside)
    {
        const QString name = who(batch.record().checks.at(transmitter).transmitter);
        tell(aside ? QStringLiteral("Set aside %1: no answer in %2 sweeps; asked every %3 s")
                         .arg(name)
                         .arg(RunLogic::MissesToSetAside)
                         .arg(RunLogic::SetAsideProbeMs / MsPerSecond)
                   : QStringLiteral("Taken back %1: it answers again").arg(name));
    }

private:
    const BatchRun &batch;
    bool drivesChamber;
    BatchRun::Phase shownPhase = BatchRun::Phase::Idle;
    int shownPoint = -1;
};

QVector<Column> runColumns()
{
    return QVector<Column> {{QStringLiteral("point"), QStringLiteral("Point")},
                            {QStringLiteral("address"), QStringLiteral("Address")}}
    + pointColumns();
}

// A finished run: passed when every transmitter passed every point.
Outcome resultOf(const RunRecord &run)
{
    switch (RunLogic::result(QVector<Check>(run.checks.cbegin(), run.checks.cend()))) {
    case RunLogic::Result::Passed:
        return {};
    case RunLogic::Result::ConditionalPass:
        return {Status::ConditionalPass, QString()};
    case RunLogic::Result::Failed:
        return {Status::CheckFailed, QString()};
    case RunLogic::Result::NothingTaken:
        break;
    }
    return {Status::NotStable,
            QStringLiteral("no point could be taken: no transmitter was stable or answered")};
}

Outcome outcomeOf(BatchRun::End end, const QString &why, const RunRecord &run)
{
    switch (end) {
    case BatchRun::End::Finished:
        return resultOf(run);
    case BatchRun::End::Stopped:
        return {Status::Interrupted, why};
    case BatchRun::End::Refused:
    case BatchRun::End::NoRunToResume:
        return {Status::Usage, why};
    case BatchRun::End::NotOpened:
        return {Status::NotReached, why};
    case BatchRun::End::NoTransmitter:
        return {Status::NoAnswer, why};
    case BatchRun::End::Records:
        return {Status::Records, why};
    case BatchRun::End::Aborted:
    case BatchRun::End::LineLost:
    case BatchRun::End::Exchanged:
        break;
    }
    return {Status::Failed, why};
}

// One certificate per transmitter, named by its serial number, and the batch report.
Outcome writePapers(const RunRecord &run, const Options &options)
{
    QString error;
    const QDir folder(options.certificates);
    if (!options.certificates.isEmpty()) {
        if (!folder.mkpath(QStringLiteral(".")))
            return {Status::Failed,
                    QStringLiteral("cannot make the folder %1").arg(options.certificates)};
        for (const Check &check : run.checks) {
            const QString file = folder.filePath(check.transmitter.serialNumber + ".pdf");
            if (!Certificate::write(check, file, &error))
                return {Status::Failed, error};
        }
    }
    if (!options.report.isEmpty() && !BatchReport::write(run, options.report, &error))
        return {Status::Failed, error};
    return {};
}

} // namespace

// Ctrl+C stops the run where it is and leaves it running in the records, to be resumed.
Outcome run(Session &session, const Options &options)
{
    BatchRun::Setup setup;
    QFile profile(options.profile);
    if (!profile.open(QIODevice::ReadOnly))
        return {Status::Usage,
                QStringLiteral("cannot read %1: %2").arg(options.profile, profile.errorString())};
    setup.profile = profile.readAll();
    setup.profileName = options.profile;
    setup.station = stationFor(options);
    setup.port = options.port;
    setup.bitsPerSecond = options.bauds.first();
    setup.addresses = options.scanAddresses;
    setup.kind = options.kind;
    setup.timeoutMs = options.timeoutMs;
    setup.resume = options.resume;

    RunLog log;
    if (!options.log.isEmpty() && !log.open(options.log))
        return {Status::Failed,
                QStringLiteral("cannot open %1: %2").arg(options.log, log.errorString())};
    Output out(options.format, runColumns(), Output::Flow::Stream);
    if (const Outcome opened = out.open(); !opened.ok())
        return opened;

    BatchRun batch;
    // What stopped the run when it was not the user: the output says for itself.
    std::optional<Outcome> cause;
    bool headed = false;
    QObject::connect(&batch, &BatchRun::pointSettled, [&](int t, const CheckPoint &point) {
        const Check &check = batch.record().checks.at(t);
        const QVector<Field> fields {integer(point.profilePoint + 1),
                                     integer(check.transmitter.address)};
        headed = headed || out.header();
        if (!headed || !out.record(fields + pointRecord(check, point, pointResult(point)))) {
            cause = Outcome {};
            batch.stop();
        }
    });
    QObject::connect(
        &batch, &BatchRun::swept,
        [&](const QDateTime &time, int point, const RunLogic::Sweep &sweep) {
            if (options.log.isEmpty() || log.append(time, point, sweep, batch.record()))
                return;
            cause =
                Outcome {Status::Failed,
                         QStringLiteral("cannot write %1: %2").arg(options.log, log.errorString())};
            batch.stop();
        });
    Progress progress(batch, setup.station.chamber.isSet());
    QObject::connect(&batch, &BatchRun::progressed,
                     [&progress](const BatchRun::Progress &p) { progress.show(p); });
    QObject::connect(&batch, &BatchRun::enrolled, [&progress] { progress.enrolled(); });
    QObject::connect(&batch, &BatchRun::setAside,
                     [&progress](int t, bool aside) { progress.setAside(t, aside); });
    QObject::connect(&batch, &BatchRun::recordsFailed, [](const QString &why) {
        tell(QStringLiteral("The records did not take the run's last points: %1; they are "
                            "tried again with the next sweep")
                 .arg(why.simplified()));
    });

    BatchRun::End end = BatchRun::End::Stopped;
    QString why;
    QEventLoop loop;
    QObject::connect(&batch, &BatchRun::finished, [&](BatchRun::End how, const QString &reason) {
        end = how;
        why = reason;
        loop.quit();
    });
    session.onInterrupt([&batch] { batch.stop(); });
    batch.start(setup);
    if (batch.phase() != BatchRun::Phase::Ended)
        loop.exec();
    session.onInterrupt(nullptr);

    Outcome outcome = cause ? *cause : outcomeOf(end, why, batch.record());
    if (end == BatchRun::End::Finished) {
        if (const Outcome written = writePapers(batch.record(), options); !written.ok())
            outcome = written;
    }
    return out.close(outcome);
}

} // namespace Cli
