#include "check/checkrecord.h"

#include "protocol/humidity.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// A value in thousandths as it is printed: from its text, since rounding x * 1000 can go the
// other way at a half than the printed digits did.
qint64 printedThousandths(double value)
{
    return QString::number(value, 'f', Verdicts::Decimals).remove('.').toLongLong();
}

const QString KindNames[] = {QStringLiteral("as-found"), QStringLiteral("as-left")};
const QString ResultNames[] = {QStringLiteral("open"),
                               QStringLiteral("pass"),
                               QStringLiteral("fail"),
                               QStringLiteral("abandoned"),
                               QStringLiteral("conditional pass"),
                               QStringLiteral("conditional fail")};

int indexOf(const QString *names, int count, const QString &text)
{
    return int(std::find(names, names + count, text) - names) % count;
}

} // namespace

Verdict CheckPoint::verdict() const
{
    if (outcome != Outcome::Taken)
        return Verdict::Fail;
    return Verdicts::worst({quantities[0].verdict, quantities[1].verdict});
}

Check::Result Check::decision() const
{
    QVector<Verdict> verdicts;
    for (const CheckPoint &point : points)
        verdicts << point.verdict();
    switch (Verdicts::worst(verdicts)) {
    case Verdict::Pass:
        return Result::Pass;
    case Verdict::ConditionalPass:
        return Result::ConditionalPass;
    case Verdict::ConditionalFail:
        return Result::ConditionalFail;
    case Verdict::Fail:
        break;
    }
    return Result::Fail;
}

namespace Decision {

ReferenceValues ReferenceValues::typed(const std::array<double, CheckedQuantities> &values)
{
    ReferenceValues typed;
    typed.value = values;
    return typed;
}

ReferenceValues ReferenceValues::read(const std::array<QuantityGate, CheckedQuantities> &gate,
                                      const SampleStore &store, qint64 now, qint64 since,
                                      const GateLimits &limits, bool fromDewPoint)
{
    ReferenceValues read;
    for (size_t q = 0; q < read.value.size(); ++q) {
        const TrendStatistics &s = gate[q].statistics;
        read.value[q] = s.mean;
        read.standardDeviation[q] = s.standardDeviation;
        read.samples[q] = s.count;
    }
    if (fromDewPoint) {
        // The humidity is the one its recorded inputs give, so that a reader of the records can
        // work it out again.
        read.airTemperature = read.value[SampleStore::Temperature];
        read.dewPoint = statisticsOf(store, SampleStore::DewPoint,
                                     StabilityGate::windowStart(now, since, limits), now)
                            .mean;
        read.value[SampleStore::Humidity] =
            Magnus::relativeHumidity(read.airTemperature, read.dewPoint);
    }
    return read;
}

double error(double mean, double reference)
{
    return std::isfinite(mean) && std::isfinite(reference)
        ? double(printedThousandths(mean) - printedThousandths(reference)) / Verdicts::Thousandths
        : TrendStatistics::None;
}

QuantityPoint judge(const TrendStatistics &statistics, double reference, double tolerance,
                    const UncertaintyBudget &budget, DecisionRule rule)
{
    QuantityPoint judged;
    judged.reference = reference;
    judged.mean = statistics.mean;
    judged.standardDeviation = statistics.standardDeviation;
    judged.driftPerMinute = statistics.driftPerMinute;
    judged.samples = statistics.count;
    judged.error = error(statistics.mean, reference);
    judged.budget = budget;
    // Without readings there is no error, and nothing passes.
    judged.verdict = Verdicts::judge(rule, judged.error, tolerance, budget.expanded);
    return judged;
}

CheckPoint point(const GateState &gate, const ReferenceValues &reference,
                 const StationSettings &settings, Readings::Scale scale, const QString &earlyReason)
{
    PointSpread spread;
    spread.scale = scale;
    spread.referenceTemperature = reference.airTemperature;
    spread.referenceDewPoint = reference.dewPoint;
    for (size_t q = 0; q < spread.transmitter.size(); ++q) {
        spread.transmitter[q] = gate.quantities[q].statistics.standardDeviation;
        spread.reference[q] = reference.isRead() ? reference.standardDeviation[q] : 0.0;
    }
    const std::array<UncertaintyBudget, CheckedQuantities> budgets =
        Uncertainty::budgets(settings, spread);
    CheckPoint taken;
    taken.takenAt = QDateTime::currentDateTime();
    for (size_t q = 0; q < taken.quantities.size(); ++q) {
        QuantityPoint &judged = taken.quantities[q];
        judged = judge(gate.quantities[q].statistics, reference.value[q], settings.tolerance[q],
                       budgets[q], settings.rule);
        judged.referenceStandardDeviation = reference.standardDeviation[q];
        judged.referenceSamples = reference.samples[q];
    }
    taken.referenceAirTemperature = reference.airTemperature;
    taken.referenceDewPoint = reference.dewPoint;
    taken.earlyReason = earlyReason;
    return taken;
}

} // namespace Decision

namespace CheckText {

QString kind(Check::Kind kind)
{
    return KindNames[int(kind)];
}

QString result(Check::Result result)
{
    return ResultNames[int(result)];
}

Check::Kind kindFrom(const QString &text)
{
    return Check::Kind(indexOf(KindNames, int(std::size(KindNames)), text));
}

Check::Result resultFrom(const QString &text)
{
    return Check::Result(indexOf(ResultNames, int(std::size(ResultNames)), text));
}

} // namespace CheckText
