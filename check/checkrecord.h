#ifndef CHECKRECORD_H
#define CHECKRECORD_H

#include "check/stationsettings.h"

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
// and the decision.
struct QuantityPoint
{
    double reference = 0;
    double mean = 0;
    double standardDeviation = 0;
    double driftPerMinute = 0;
    // The mean minus the reference as both are printed, to thousandths: what is shown, stored,
    // printed and judged.
    double error = 0;
    int samples = 0;
    bool passed = false;
};

struct CheckPoint
{
    qint64 id = 0; // in the records; 0 while not stored
    QDateTime takenAt;
    std::array<QuantityPoint, CheckedQuantities> quantities;
    // Why the point was taken before the gate was met; empty when it was met.
    QString earlyReason;

    bool stored() const { return id != 0; }
    bool passed() const { return quantities[0].passed && quantities[1].passed; }
};

struct Check
{
    enum class Kind { AsFound, AsLeft };
    enum class Result { Open, Pass, Fail, Abandoned };

    qint64 id = 0; // in the records; 0 while not stored
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
    // Pass when there are points and every quantity of every point passed.
    Result decision() const;
};

namespace Decision {

// The error of a mean against a reference as every view prints them, to three decimals: the printed
// mean minus the printed reference, so that no view shows numbers that contradict its error.
// None without a mean.
double error(double mean, double reference);

// Simple acceptance: a quantity passes when |error| <= tolerance, both in thousandths.
QuantityPoint judge(const TrendStatistics &statistics, double reference, double tolerance);

// The point at this gate, against the references and the check's tolerances.
CheckPoint point(const GateState &gate, const std::array<double, CheckedQuantities> &references,
                 const std::array<double, CheckedQuantities> &tolerances,
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
