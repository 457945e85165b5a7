#include "check/stabilitygate.h"

#include <cmath>

bool GateLimits::operator==(const GateLimits &other) const
{
    return windowMs == other.windowMs && maxDrift == other.maxDrift
        && maxStandardDeviation == other.maxStandardDeviation;
}

QuantityGate::Phase QuantityGate::phase() const
{
    return !filled ? Phase::Filling
        : !steady  ? Phase::Drifting
        : !quiet   ? Phase::Noisy
                   : Phase::Met;
}

namespace StabilityGate {

qint64 edgeMs(qint64 windowMs)
{
    return qMax(windowMs / 20, MinimumEdgeMs);
}

GateState evaluate(const SampleStore &store, qint64 now, qint64 since, const GateLimits &limits)
{
    GateState state;
    const qint64 from = now - limits.windowMs;
    const qint64 edge = edgeMs(limits.windowMs);
    for (int q = 0; q < CheckedQuantities; ++q) {
        const auto quantity = SampleStore::Quantity(q);
        const auto [first, last] = store.pointsBetween(quantity, qMax(from, since), now);
        QuantityGate &gate = state.quantities[size_t(q)];
        gate.statistics = statisticsOf(store, quantity, qMax(from, since), now);
        gate.filled = last - first >= MinimumSamples
            && store.pointTime(quantity, first) - from <= edge
            && now - store.pointTime(quantity, last - 1) <= edge;
        // NaN (too few readings) fails both comparisons.
        gate.steady = std::abs(gate.statistics.driftPerMinute) <= limits.maxDrift[size_t(q)];
        gate.quiet = gate.statistics.standardDeviation <= limits.maxStandardDeviation[size_t(q)];
    }
    return state;
}

} // namespace StabilityGate
