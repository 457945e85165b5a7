#include "sensor.h"

namespace {

// splitmix64's finaliser: neighbouring inputs give unrelated outputs.
quint64 mixed(quint64 z)
{
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Uniform in [-1, 1].
double noise(qint64 ms, quint64 stream, quint64 quantity)
{
    const quint64 z = mixed(mixed(quint64(ms) * 2 + quantity) + stream);
    return double(z >> 11) / double(1ULL << 52) - 1.0;
}

} // namespace

Sensor::Sensor(const AirModel &air, quint64 stream, double noiseShare)
    : source(&air)
    , stream(stream)
    , noiseShare(noiseShare)
{}

Air Sensor::reading() const
{
    const Air now = source->current();
    Air sensed {now.temperature + offset.temperature, now.humidity + offset.humidity};
    if (source->isRegulated()) {
        const qint64 ms = source->time();
        sensed.temperature += noiseShare * NoiseTemperature * noise(ms, stream, 0);
        sensed.humidity += noiseShare * NoiseHumidity * noise(ms, stream, 1);
    }
    return sensed;
}
