#include "check/stabilitygate.h"

#include <QCoreApplication>

#include <algorithm>
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

QString QuantityGate::phaseText(Phase phase)
{
    switch (phase) {
    case Phase::Filling:
        return QCoreApplication::translate("QuantityGate", "filling");
    case Phase::Drifting:
        return QCoreApplication::translate("QuantityGate", "drifting");
    case Phase::Noisy:
        return QCoreApplication::translate("QuantityGate", "noisy");
    case Phase::Met:
        break;
    }
    return QCoreApplication::translate("QuantityGate", "met");
}

bool GateState::met() const
{
    const auto allMet = [](const Quantities &gates) {
        return std::all_of(gates.cbegin(), gates.cend(),
                           [](const QuantityGate &gate) { return gate.met(); });
    };
    return allMet(quantities) && (!reference || allMet(*reference));
}

namespace StabilityGate {

qint64 edgeMs(qint64 windowMs)
{
    return qMax(windowMs / 20, MinimumEdgeMs);
}

qint64 windowStart(qint64 now, qint64 since, const GateLimits &limits)
{
    return qMax(now - limits.windowMs, since);
}

GateState evaluate(const SampleStore &store, qint64 now, qint64 since, const GateLimits &limits)
{
    GateState state;
    const qint64 from = now - limits.windowMs;
    const qint64 start = windowStart(now, since, limits);
    const qint64 edge = edgeMs(limits.windowMs);
    for (int q = 0; q < CheckedQuantities; ++q) {
        const auto quantity = SampleStore::Quantity(q);
        const auto [first, last] = store.pointsBetween(quantity, start, now);
        QuantityGate &gate = state.quantities[size_t(q)];
        gate.statistics = statisticsOf(store, quantity, start, now);
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
