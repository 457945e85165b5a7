#include "check/verdict.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

const char *const VerdictNames[] = {"pass", "conditional pass", "conditional fail", "fail"};
const char *const RuleNames[] = {"simple", "guarded", "non-binary"};

// The index of name in names, or -1.
template<size_t Count>
int indexOf(const char *const (&names)[Count], const QString &name)
{
    const auto found = std::find_if(std::begin(names), std::end(names),
                                    [&name](const char *known) { return name == known; });
    return found == std::end(names) ? -1 : int(found - std::begin(names));
}

qint64 thousandths(double value)
{
    return std::llround(value * Verdicts::Thousandths);
}

} // namespace

namespace Verdicts {

Verdict judge(DecisionRule rule, double error, double tolerance, double expanded)
{
    if (!std::isfinite(error) || (rule != DecisionRule::Simple && !std::isfinite(expanded)))
        return Verdict::Fail;
    const qint64 e = std::llabs(thousandths(error));
    const qint64 t = thousandths(tolerance);
    const qint64 u = thousandths(expanded);
    switch (rule) {
    case DecisionRule::Simple:
        return e <= t ? Verdict::Pass : Verdict::Fail;
    case DecisionRule::Guarded:
        return e + u <= t ? Verdict::Pass : Verdict::Fail;
    case DecisionRule::NonBinary:
        break;
    }
    if (e <= t - u)
        return Verdict::Pass;
    if (e <= t)
        return Verdict::ConditionalPass;
    return e <= t + u ? Verdict::ConditionalFail : Verdict::Fail;
}

Verdict worst(const QVector<Verdict> &verdicts)
{
    return verdicts.isEmpty() ? Verdict::Fail
                              : *std::max_element(verdicts.cbegin(), verdicts.cend());
}

QString name(Verdict verdict)
{
    return QLatin1String(VerdictNames[int(verdict)]);
}

std::optional<Verdict> fromName(const QString &name)
{
    const int index = indexOf(VerdictNames, name);
    return index < 0 ? std::nullopt : std::optional(Verdict(index));
}

QString text(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return QCoreApplication::translate("Verdict", "Pass");
    case Verdict::ConditionalPass:
        return QCoreApplication::translate("Verdict", "Conditional pass");
    case Verdict::ConditionalFail:
        return QCoreApplication::translate("Verdict", "Conditional fail");
    case Verdict::Fail:
        break;
    }
    return QCoreApplication::translate("Verdict", "Fail");
}

} // namespace Verdicts

namespace DecisionRules {

QString name(DecisionRule rule)
{
    return QLatin1String(RuleNames[int(rule)]);
}

std::optional<DecisionRule> fromName(const QString &name)
{
    const int index = indexOf(RuleNames, name);
    return index < 0 ? std::nullopt : std::optional(DecisionRule(index));
}

namespace {

QString ruleSentences(DecisionRule rule)
{
    switch (rule) {
    case DecisionRule::Simple:
        break;
    case DecisionRule::Guarded:
        return QCoreApplication::translate(
            "DecisionRule",
            "Decision rule: guarded acceptance with a guard band w = U. A quantity passes when "
            "|error| + U \u2264 tolerance and fails otherwise. For a normally distributed "
            "measurement result and k = 2, the probability of a false accept is below 2.5 % for "
            "any result accepted; the price is a higher risk of a false reject for a transmitter "
            "within U of the limit.");
    case DecisionRule::NonBinary:
        return QCoreApplication::translate(
            "DecisionRule",
            "Decision rule: non-binary statement with a guard band w = U. Pass: |error| \u2264 "
            "tolerance \u2212 U; conditional pass: tolerance \u2212 U < |error| \u2264 "
            "tolerance; conditional fail: tolerance < |error| \u2264 tolerance + U; fail: "
            "|error| > tolerance + U. A pass carries a "
            "probability of a false accept below 2.5 %, a fail a probability of a false reject "
            "below 2.5 % (normal distribution, k = 2). A conditional result lies within U of the "
            "limit, where the transmitter may be on either side of it: it states that risk "
            "openly, up to 50 % at the limit.");
    }
    return QCoreApplication::translate(
        "DecisionRule",
        "Decision rule: simple acceptance, without a guard band. A quantity passes when |error| "
        "\u2264 tolerance and fails otherwise. U is reported but takes no part in the decision: "
        "at the tolerance limit the probability of a false accept (a transmitter out of "
        "tolerance passed) is up to 50 %, and it falls as |error| moves inside the limit.");
}

} // namespace

QString statement(DecisionRule rule)
{
    return QCoreApplication::translate("DecisionRule", "%1 %2 %3",
                                       "the rule, what is compared, how results combine")
        .arg(ruleSentences(rule),
             QCoreApplication::translate(
                 "DecisionRule",
                 "The error is the transmitter's mean over the stability window minus the "
                 "reference. Errors, tolerances and the expanded uncertainty U of each point "
                 "(coverage factor k = 2, a coverage probability of about 95 %) are taken in "
                 "thousandths, as printed."),
             QCoreApplication::translate("DecisionRule",
                                         "A check is as good as the worst result of any "
                                         "quantity at any of its points."));
}

} // namespace DecisionRules
