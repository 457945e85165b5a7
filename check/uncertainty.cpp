#include "check/uncertainty.h"

#include "check/verdict.h"
#include "protocol/humidity.h"

#include <cmath>
#include <numeric>

namespace {

constexpr int Temperature = SampleStore::Temperature;
constexpr int Humidity = SampleStore::Humidity;
// Double arithmetic leaves a U that is exactly some thousandths a few units of its last place
// above them (2 * sqrt(0.009^2 + 0.012^2) gives 0.030000000000000002); that is no larger
// uncertainty, and must not cost a thousandth.
constexpr double ArithmeticNoise = 1e-9; // thousandths

// A rectangular distribution of this half-width, and of this full width.
const double HalfWidthDivisor = std::sqrt(3.0);
const double FullWidthDivisor = std::sqrt(12.0);

// The reference's own standard uncertainty for quantity. The humidity of a reference that gives
// dew point is worked out from its temperature and dew point; its certificate's temperature
// uncertainty holds for both, and each reaches the humidity by its sensitivity.
double referenceStandard(const StationSettings &station, const PointSpread &spread, int quantity)
{
    const bool fromDewPoint = quantity == Humidity && station.referenceMap.isSet()
        && station.referenceMap.dewPoint.isSet();
    if (!fromDewPoint)
        return station.referenceUncertainty[size_t(quantity)] / station.referenceCoverage;
    const double u = station.referenceUncertainty[Temperature] / station.referenceCoverage;
    const Magnus::Sensitivity c =
        Magnus::sensitivity(spread.referenceTemperature, spread.referenceDewPoint);
    return std::hypot(c.dewPoint * u, c.temperature * u);
}

UncertaintyBudget combined(const std::array<double, UncertaintyBudget::Sources> &standard)
{
    UncertaintyBudget budget;
    budget.standard = standard;
    budget.combined =
        std::sqrt(std::inner_product(standard.cbegin(), standard.cend(), standard.cbegin(), 0.0));
    budget.expanded = Uncertainty::roundedUp(budget.coverage * budget.combined);
    return budget;
}

} // namespace

namespace Uncertainty {

double roundedUp(double value)
{
    return std::ceil(value * Verdicts::Thousandths - ArithmeticNoise) / Verdicts::Thousandths;
}

std::array<UncertaintyBudget, CheckedQuantities> budgets(const StationSettings &station,
                                                         const PointSpread &spread)
{
    // Readings a second apart are not independent (the sensors settle over many seconds), so the
    // spreads are taken whole, not divided by the root of their number.
    const double resolution = std::pow(10.0, -Readings::decimals(spread.scale));
    std::array<UncertaintyBudget, CheckedQuantities> result;
    for (int q = 0; q < CheckedQuantities; ++q) {
        const size_t i = size_t(q);
        result[i] = combined({
            referenceStandard(station, spread, q),
            station.referenceMap.isSet() ? spread.reference[i] : 0.0,
            spread.transmitter[i],
            resolution / FullWidthDivisor,
            station.uniformity[i] / HalfWidthDivisor,
        });
    }
    return result;
}

} // namespace Uncertainty
