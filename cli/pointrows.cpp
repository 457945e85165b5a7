#include "cli/pointrows.h"

#include "check/runrecord.h"
#include "check/verdict.h"
#include "display/csvrecorder.h"

namespace Cli {

namespace {

const QString QuantityKeys[CheckedQuantities] = {QStringLiteral("temperature"),
                                                 QStringLiteral("humidity")};
const QString QuantityTitles[CheckedQuantities] = {QStringLiteral("Temperature"),
                                                   QStringLiteral("Humidity")};
const QString Units[CheckedQuantities] = {QStringLiteral("\u2103"), QStringLiteral("%RH")};

// As the certificate and the records show them: the printed error is the printed mean minus the
// printed reference.
constexpr int Decimals = Verdicts::Decimals;

// The widest of texts.
int widest(const QStringList &texts)
{
    int width = 0;
    for (const QString &text : texts)
        width = qMax(width, int(text.size()));
    return width;
}

QString resultOf(const CheckPoint &point, Verdict verdict)
{
    if (point.outcome != CheckPoint::Outcome::Taken)
        return RunText::outcome(point.outcome);
    return Verdicts::name(verdict);
}

} // namespace

QString quantityKey(int quantity)
{
    return QuantityKeys[quantity];
}

QVector<Column> pointColumns()
{
    const int timeWidth = Csv::isoTime(QDateTime::fromMSecsSinceEpoch(0)).size();
    const int kindWidth =
        widest({CheckText::kind(Check::Kind::AsFound), CheckText::kind(Check::Kind::AsLeft)});
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
                << Column {key + "expanded_uncertainty", title + "U" + unit}
                << Column {key + "coverage_factor", title + "k"}
                << Column {key + "samples", title + "samples"}
                << Column {key + "result", title + "result"};
    }
    // The longest decisions.
    const int verdictWidth = widest(
        {Verdicts::name(Verdict::ConditionalPass), Verdicts::name(Verdict::ConditionalFail)});
    const int ruleWidth = widest({DecisionRules::name(DecisionRule::Simple),
                                  DecisionRules::name(DecisionRule::Guarded),
                                  DecisionRules::name(DecisionRule::NonBinary)});
    columns << Column {QStringLiteral("rule"), QStringLiteral("Rule"), ruleWidth}
            << Column {QStringLiteral("result"), QStringLiteral("Result"), verdictWidth};
    return columns;
}

QVector<Field> pointRecord(const Check &check, const CheckPoint &point, const QString &result)
{
    QVector<Field> fields {text(Csv::isoTime(point.takenAt)), text(check.transmitter.serialNumber),
                           text(CheckText::kind(check.kind))};
    for (const QuantityPoint &q : point.quantities) {
        fields << number(q.reference, Decimals) << number(q.mean, Decimals)
               << number(q.standardDeviation, Decimals) << number(q.driftPerMinute, Decimals)
               << number(q.error, Decimals) << number(q.budget.expanded, Decimals)
               << Field {QString::number(q.budget.coverage), q.budget.coverage}
               << integer(q.samples) << text(resultOf(point, q.verdict));
    }
    fields << text(DecisionRules::name(check.settings.rule)) << text(result);
    return fields;
}

QString pointResult(const CheckPoint &point)
{
    return resultOf(point, point.verdict());
}

} // namespace Cli
