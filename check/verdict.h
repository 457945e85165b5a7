#ifndef VERDICT_H
#define VERDICT_H

#include "check/stationsettings.h"

#include <QVector>

#include <optional>

// What a decision rule says of a quantity, from best to worst: a check or a batch is as good as
// its worst quantity.
enum class Verdict { Pass, ConditionalPass, ConditionalFail, Fail };

namespace Verdicts {

// Results are printed, stored and compared to thousandths: the digits a view prints are the ones
// a rule judges, and an error is its printed mean minus its printed reference.
constexpr int Decimals = 3;
constexpr double Thousandths = 1000; // per unit, for Decimals

// The rule applied to error, tolerance and the expanded uncertainty U (as printed, rounded to
// thousandths, where they are compared). Without an error, or without the U the rule needs,
// nothing passes.
Verdict judge(DecisionRule rule, double error, double tolerance, double expanded);
// The worst of verdicts; Fail for none, as nothing checked passes nothing.
Verdict worst(const QVector<Verdict> &verdicts);

// The records' and files' names: pass, conditional pass, conditional fail, fail.
QString name(Verdict verdict);
std::optional<Verdict> fromName(const QString &name);
// As the window and the certificate show it, translated.
QString text(Verdict verdict);

} // namespace Verdicts

namespace DecisionRules {

// The names a station's rule is set by: simple, guarded, non-binary.
QString name(DecisionRule rule);
std::optional<DecisionRule> fromName(const QString &name);
// The rule, its guard band and the risk of a false accept it leaves, in words for the
// certificate, translated.
QString statement(DecisionRule rule);

} // namespace DecisionRules

#endif // VERDICT_H
