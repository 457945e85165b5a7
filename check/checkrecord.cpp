#include "check/checkrecord.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double Thousandths = 1000.0;
constexpr int PrintedDecimals = 3;

// A value in thousandths as it is printed: from its text, since rounding x * 1000 can go the
// other way at a half than the printed digits did.
qint64 printedThousandths(double value)
{
    return QString::number(value, 'f', PrintedDecimals).remove('.').toLongLong();
}

const QString KindNames[] = {QStringLiteral("as-found"), QStringLiteral("as-left")};
const QString ResultNames[] = {QStringLiteral("open"), QStringLiteral("pass"),
                               QStringLiteral("fail"), QStringLiteral("abandoned")};

int indexOf(const QString *names, int count, const QString &text)
{
    return int(std::find(names, names + count, text) - names) % count;
}

} // namespace

Check::Result Check::decision() const
{
    const bool passed = !points.isEmpty()
        && std::all_of(points.cbegin(), points.cend(),
                       [](const CheckPoint &point) { return point.passed(); });
    return passed ? Result::Pass : Result::Fail;
}

namespace Decision {

double error(double mean, double reference)
{
    return std::isfinite(mean)
        ? double(printedThousandths(mean) - printedThousandths(reference)) / Thousandths
        : TrendStatistics::None;
}

QuantityPoint judge(const TrendStatistics &statistics, double reference, double tolerance)
{
    QuantityPoint judged;
    judged.reference = reference;
    judged.mean = statistics.mean;
    judged.standardDeviation = statistics.standardDeviation;
    judged.driftPerMinute = statistics.driftPerMinute;
    judged.samples = statistics.count;
    judged.error = error(statistics.mean, reference);
    // Without readings there is no error, and nothing passes.
    judged.passed = std::isfinite(judged.error)
        && std::llabs(printedThousandths(judged.error)) <= printedThousandths(tolerance);
    return judged;
}

CheckPoint point(const GateState &gate, const std::array<double, CheckedQuantities> &references,
                 const std::array<double, CheckedQuantities> &tolerances,
                 const QString &earlyReason)
{
    CheckPoint taken;
    taken.takenAt = QDateTime::currentDateTime();
    for (size_t q = 0; q < taken.quantities.size(); ++q)
        taken.quantities[q] = judge(gate.quantities[q].statistics, references[q], tolerances[q]);
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
