#ifndef UNCERTAINTY_H
#define UNCERTAINTY_H

#include "check/stationsettings.h"
#include "protocol/readings.h"

#include <array>
#include <limits>

// The uncertainty of one quantity at one point: each standard uncertainty that makes it up (the
// records keep every one), their combination in quadrature and the expanded uncertainty.
struct UncertaintyBudget
{
    // Where each standard uncertainty comes from, in the order the records keep them.
    enum Source {
        Reference, // the reference's certificate
        ReferenceVariation, // the reference's readings over the stability window
        TransmitterVariation, // the transmitter's readings over the stability window
        Resolution, // the transmitter's last digit
        Uniformity, // the chamber between the reference and the transmitter
        Sources
    };
    static constexpr double Coverage = 2;

    std::array<double, Sources> standard {};
    double combined = 0;
    double coverage = Coverage;
    // coverage * combined, rounded up to thousandths: what is printed and decided with. Never
    // rounded down, which would claim a better measurement than was made.
    double expanded = 0;

    // The test uncertainty ratio: tolerance / expanded (infinite when expanded is 0).
    double ratio(double tolerance) const { return tolerance / expanded; }
};

// What a point's budgets are made from besides the station's settings.
struct PointSpread
{
    static constexpr double None = std::numeric_limits<double>::quiet_NaN();

    // Standard deviations over the stability window, per checked quantity, of the transmitter
    // and of a reference the machine reads (a typed reference has none).
    std::array<double, CheckedQuantities> transmitter {0, 0};
    std::array<double, CheckedQuantities> reference {0, 0};
    Readings::Scale scale = Readings::Scale::Hundredths;
    // For a reference that gives dew point: its means over the window, where the humidity's
    // sensitivity to its temperature and dew point is taken.
    double referenceTemperature = None;
    double referenceDewPoint = None;
};

namespace Uncertainty {

// value rounded up to thousandths, as an expanded uncertainty is printed and decided with.
double roundedUp(double value);

// Each checked quantity's budget at a point checked at station.
std::array<UncertaintyBudget, CheckedQuantities> budgets(const StationSettings &station,
                                                         const PointSpread &spread);

} // namespace Uncertainty

#endif // UNCERTAINTY_H
