#ifndef STABILITYGATE_H
#define STABILITYGATE_H

#include "display/samplestore.h"
#include "display/trendstatistics.h"

#include <QString>

#include <array>
#include <optional>

// The quantities a calibration check compares, by their index in the sample store.
constexpr int CheckedQuantities = 2;
static_assert(SampleStore::Temperature == 0 && SampleStore::Humidity == 1);

// When the readings count as stable: over the stability window, each quantity's |drift| and
// standard deviation at most their limits (degrees and %RH; drift per minute).
struct GateLimits
{
    qint64 windowMs = 2 * 60 * 1000;
    std::array<double, CheckedQuantities> maxDrift {0.05, 0.3};
    std::array<double, CheckedQuantities> maxStandardDeviation {0.05, 0.3};

    bool operator==(const GateLimits &other) const;
};

// One quantity over the stability window.
struct QuantityGate
{
    TrendStatistics statistics;
    // Readings reach from the window's start to its end and are enough for a drift: without it
    // a few readings just after a step would look stable.
    bool filled = false;
    bool steady = false; // |drift| within its limit
    bool quiet = false; // standard deviation within its limit

    // The first condition not met, as the window and the command line name it.
    enum class Phase { Filling, Drifting, Noisy, Met };
    Phase phase() const;
    // The phase in words, in the tool's language: filling, drifting, noisy, met.
    static QString phaseText(Phase phase);
    bool met() const { return phase() == Phase::Met; }
};

struct GateState
{
    using Quantities = std::array<QuantityGate, CheckedQuantities>;

    Quantities quantities; // the transmitter's
    // The reference's, when the machine reads it: a point is taken when both are stable.
    std::optional<Quantities> reference;

    bool met() const;
};

namespace StabilityGate {

// Readings needed in the window, and how far from each end of it the first and last may lie
// (a twentieth of the window, at least a few polls).
constexpr int MinimumSamples = 5;
constexpr qint64 MinimumEdgeMs = 2500;

qint64 edgeMs(qint64 windowMs);
// Where the window that ends at now begins, counting only readings at or after since.
qint64 windowStart(qint64 now, qint64 since, const GateLimits &limits);

// The gate at time now (the store's clock) over the window that ends there, counting only
// readings at or after since (those of the transmitter under check).
GateState evaluate(const SampleStore &store, qint64 now, qint64 since, const GateLimits &limits);

} // namespace StabilityGate

#endif // STABILITYGATE_H
