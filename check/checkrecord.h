#ifndef CHECKRECORD_H
#define CHECKRECORD_H

#include "check/stationsettings.h"
#include "check/uncertainty.h"
#include "check/verdict.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

// The transmitter under check, as the tool read its identity.
struct Transmitter
{
    QString serialNumber;
    quint16 address = 0;
    double rangeMin = 0; // temperature output range, degrees
    double rangeMax = 0;
};

// One quantity at one point: the reference, what the transmitter read over the stability window,
// the uncertainty of the comparison and the decision.
struct QuantityPoint
{
    double reference = 0;
    // The reference's spread and readings over the window when the machine read it; a typed
    // reference has neither.
    double referenceStandardDeviation = TrendStatistics::None;
    int referenceSamples = 0;
    double mean = 0;
    double standardDeviation = 0;
    double driftPerMinute = 0;
    // The mean minus the reference as both are printed, to thousandths: what is shown, stored,
    // printed and judged.
    double error = 0;
    int samples = 0;
    UncertaintyBudget budget;
    Verdict verdict = Verdict::Fail;

    bool passed() const { return verdict == Verdict::Pass; }
};

struct CheckPoint
{
    // How a point of a batch run ended for one transmitter; a check's own points are all taken.
    enum class Outcome { Taken, NotStable, NoAnswer };

    qint64 id = 0; // in the records; 0 while not stored
    QDateTime takenAt;
    std::array<QuantityPoint, CheckedQuantities> quantities;
    // Why the point was taken before the gate was met; empty when it was met.
    QString earlyReason;
    Outcome outcome = Outcome::Taken;
    // The point of a batch run's profile it belongs to, from 0; -1 for a check's own point.
    int profilePoint = -1;
    // A reference that gives dew point: the means over the window its humidity was worked out
    // from by the Magnus formula.
    double referenceAirTemperature = TrendStatistics::None;
    double referenceDewPoint = TrendStatistics::None;

    bool stored() const { return id != 0; }
    // The worst verdict of its quantities; a point that was not taken fails.
    Verdict verdict() const;
};

struct Check
{
    enum class Kind { AsFound, AsLeft };
    // In the records' order: later results come last.
    enum class Result { Open, Pass, Fail, Abandoned, ConditionalPass, ConditionalFail };

    qint64 id = 0; // in the records; 0 while not stored
    // The batch run it belongs to, which alone closes it; 0 for a check of its own.
    qint64 runId = 0;
    Kind kind = Kind::AsFound;
    Transmitter transmitter;
    // The station's settings when the check began (without its database).
    StationSettings settings;
    // In UTC or local time, as they came; shown in local time.
    QDateTime startedAt;
    QDateTime finishedAt; // null while open
    Result result = Result::Open;
    // The result as the records hold it; differs from result until a finish is stored.
    Result storedResult = Result::Open;
    QList<CheckPoint> points;
    int storedPointCount = 0; // as the history lists it before the points are loaded

    bool stored() const { return id != 0; }
    // The worst verdict of any quantity at any point; Fail without points.
    Result decision() const;
};

namespace Decision {

// The reference at a point: typed by the technician, or read by the machine over the stability
// window.
struct ReferenceValues
{
    std::array<double, CheckedQuantities> value {};
    // Over the window when read; typed values have no spread and no readings.
    std::array<double, CheckedQuantities> standardDeviation {TrendStatistics::None,
                                                             TrendStatistics::None};
    std::array<int, CheckedQuantities> samples {};
    // A reference that gives dew point: its means of air temperature and dew point over the
    // window, from which its humidity is worked out.
    double airTemperature = TrendStatistics::None;
    double dewPoint = TrendStatistics::None;

    static ReferenceValues typed(const std::array<double, CheckedQuantities> &values);
    // The reference's gate (its statistics over the window that ends at now, counting readings
    // from since on) and, for a dew-point reference, its dew point over the same window of store.
    static ReferenceValues read(const std::array<QuantityGate, CheckedQuantities> &gate,
                                const SampleStore &store, qint64 now, qint64 since,
                                const GateLimits &limits, bool fromDewPoint);
    bool isRead() const { return samples[0] > 0 || samples[1] > 0; }
};

// The error of a mean against a reference as every view prints them, to three decimals: the printed
// mean minus the printed reference, so that no view shows numbers that contradict its error.
// None without a mean.
double error(double mean, double reference);

// One quantity: the transmitter's statistics against the reference's value, with the point's
// budget, judged by rule against tolerance.
QuantityPoint judge(const TrendStatistics &statistics, double reference, double tolerance,
                    const UncertaintyBudget &budget, DecisionRule rule);

// The point at this gate against the reference, judged with the settings the check began with
// (tolerances, the reference's uncertainty, uniformity, rule; their reference map is set exactly
// when the machine reads the reference). scale: the transmitter's registers, whose last digit is
// its resolution.
CheckPoint point(const GateState &gate, const ReferenceValues &reference,
                 const StationSettings &settings, Readings::Scale scale,
                 const QString &earlyReason = QString());

} // namespace Decision

// The records' names for kinds and results; unknown names read as the first enumerator.
namespace CheckText {
QString kind(Check::Kind kind);
QString result(Check::Result result);
Check::Kind kindFrom(const QString &text);
Check::Result resultFrom(const QString &text);
} // namespace CheckText

#endif // CHECKRECORD_H
