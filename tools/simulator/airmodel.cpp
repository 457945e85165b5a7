#include "airmodel.h"

#include "protocol/humidity.h"

#include <algorithm>
#include <cmath>

namespace {

// A room that breathes slowly: minutes-long swings with a little faster wobble on top.
constexpr double TwoPi = 6.283185307179586;
constexpr double RoomTemperature = 23.0;
constexpr double RoomHumidity = 45.0;
// A time constant of 0 would make the first moment of a step 0/0.
constexpr double ShortestTimeConstantS = 1e-3;
// Keeps the logarithm of a dew point finite.
constexpr double DriestHumidity = 0.01;

Air room(double seconds)
{
    return {RoomTemperature + 0.8 * std::sin(TwoPi * seconds / 900.0)
                + 0.15 * std::sin(TwoPi * seconds / 67.0),
            RoomHumidity + 4.0 * std::sin(TwoPi * seconds / 1300.0 + 1.0)
                + 0.6 * std::sin(TwoPi * seconds / 53.0)};
}

} // namespace

double Air::dewPoint() const
{
    return Magnus::dewPoint(temperature, std::max(humidity, DriestHumidity));
}

void AirModel::hold(const Air &air)
{
    mode = Mode::Held;
    to = air;
}

void AirModel::settle(const Air &target, double timeConstantS)
{
    from = current();
    fromMs = now;
    to = target;
    timeConstant = timeConstantS;
    mode = Mode::Settling;
}

void AirModel::moveTo(const Air &target)
{
    settle(target, timeConstant);
}

std::optional<Air> AirModel::target() const
{
    if (mode == Mode::Room)
        return std::nullopt;
    return to;
}

Air AirModel::current() const
{
    switch (mode) {
    case Mode::Room:
        return room(double(now) / 1000.0);
    case Mode::Held:
        return to;
    case Mode::Settling:
        break;
    }
    const double left =
        std::exp(-double(now - fromMs) / 1000.0 / qMax(timeConstant, ShortestTimeConstantS));
    return {to.temperature + (from.temperature - to.temperature) * left,
            to.humidity + (from.humidity - to.humidity) * left};
}
