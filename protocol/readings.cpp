#include "protocol/readings.h"

#include <limits>

namespace Readings {

namespace {

constexpr float CurrentSpan = 16.0f;
constexpr float CurrentZero = 4.0f;
constexpr float LowVoltageSpan = 5.0f;
constexpr float HighVoltageSpan = 10.0f;
constexpr float VoltageZero = 0.0f;

} // namespace

int decimals(Scale scale)
{
    return scale == Scale::Tenths ? 1 : 2;
}

float value(qint64 raw, Scale scale)
{
    return float(double(raw) / (scale == Scale::Tenths ? 10.0 : 100.0));
}

AnalogOutputs analogOutputs(float min, float max, float value)
{
    const float span = max - min;
    const float r = span != 0.0f ? (value - min) / span : std::numeric_limits<float>::quiet_NaN();
    return {CurrentSpan * r + CurrentZero, LowVoltageSpan * r + VoltageZero,
            HighVoltageSpan * r + VoltageZero};
}

} // namespace Readings
