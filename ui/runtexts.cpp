#include "ui/runtexts.h"

#include "check/certificate.h"

namespace {

constexpr int TargetDecimals = 1;
constexpr int ReadingDecimals = 2;
constexpr qint64 MsPerSecond = 1000;
constexpr qint64 SecondsPerMinute = 60;
constexpr qint64 SecondsPerHour = 3600;
constexpr int TwoDigits = 2;
const QLatin1Char Zero('0');

} // namespace

QString RunTexts::point(const BatchRun::Progress &progress)
{
    // In the order of BatchRun::Phase.
    const QString phases[] = {QString(),
                              tr("enrolling the transmitters"),
                              tr("waiting for the reference to come within the band"),
                              tr("soaking"),
                              tr("taking each transmitter's point once it is stable"),
                              tr("paused"),
                              tr("ended")};
    return tr("Point %1 of %2: %3")
        .arg(qMin(progress.point + 1, progress.points))
        .arg(progress.points)
        .arg(phases[int(progress.phase)]);
}

QString RunTexts::band(const BatchRun::Progress &progress)
{
    const QString band = progress.point < progress.points
        ? tr("Band: %1 \u00b1 %2 \u2103, %3 \u00b1 %4 %RH")
                .arg(Certificate::number(progress.target.temperature, TargetDecimals),
                     Certificate::number(progress.target.bandTemperature, TargetDecimals),
                     Certificate::number(progress.target.humidity, TargetDecimals),
                     Certificate::number(progress.target.bandHumidity, TargetDecimals))
            + QLatin1Char('\n')
        : QString();
    const ReferenceReading reference = progress.reference.value_or(ReferenceReading());
    return band
        + tr("The reference reads %1 \u2103, %2 %RH")
              .arg(Certificate::number(reference.temperature, ReadingDecimals),
                   Certificate::number(reference.humidity, ReadingDecimals));
}

QString RunTexts::times(const BatchRun::Progress &progress)
{
    return tr("Soak left: %1\nTime to go at most: %2")
        .arg(duration(progress.soakLeftMs), duration(progress.remainingAtMostMs));
}

QString RunTexts::end(BatchRun::End end, const QString &why)
{
    // In the order of BatchRun::End.
    const QString ends[] = {
        tr("The run finished: every point is done and the checks have their results."),
        tr("The run was aborted: its checks are abandoned."),
        tr("The run was stopped: the records keep it running, to be resumed."),
        tr("The run was refused."),
        tr("A port could not be opened; nothing was stored."),
        tr("No transmitter answered at the addresses; nothing was stored."),
        tr("The records hold no unfinished run of this profile."),
        tr("The records could not be reached, or did not take the run's end."),
        tr("A line was lost: the records keep the run running, to be resumed."),
        tr("Another transmitter answers at an address of the run: the records keep the run "
           "running, to be resumed."),
    };
    return ends[int(end)] + (why.isEmpty() ? QString() : QLatin1Char(' ') + why);
}

QString RunTexts::duration(qint64 ms)
{
    const qint64 seconds = (ms + MsPerSecond - 1) / MsPerSecond;
    if (seconds >= SecondsPerHour)
        return tr("%1 h %2 min")
            .arg(seconds / SecondsPerHour)
            .arg(seconds % SecondsPerHour / SecondsPerMinute, TwoDigits, 10, Zero);
    if (seconds >= SecondsPerMinute)
        return tr("%1 min %2 s")
            .arg(seconds / SecondsPerMinute)
            .arg(seconds % SecondsPerMinute, TwoDigits, 10, Zero);
    return tr("%1 s").arg(seconds);
}

QString RunTexts::gate(const GateState &gate)
{
    const QString quantities[CheckedQuantities] = {tr("temperature"), tr("humidity")};
    const auto firstUnmet = [&quantities](const GateState::Quantities &gates) {
        for (int q = 0; q < CheckedQuantities; ++q) {
            if (!gates[size_t(q)].met())
                return quantities[q] + ' ' + QuantityGate::phaseText(gates[size_t(q)].phase());
        }
        return QString();
    };
    const QString transmitter = firstUnmet(gate.quantities);
    if (!transmitter.isEmpty())
        return transmitter;
    const QString reference = gate.reference ? firstUnmet(*gate.reference) : QString();
    return reference.isEmpty() ? QuantityGate::phaseText(QuantityGate::Phase::Met)
                               : tr("reference: %1").arg(reference);
}
