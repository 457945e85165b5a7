#include "protocol/humidity.h"

#include <cmath>

namespace Magnus {

namespace {

constexpr double Saturated = 100.0; // %RH

// ln of the saturation vapour pressure at t, less its constant: the formula's exponent.
double exponent(double t)
{
    return B * t / (C + t);
}

// d exponent / dt, by which both sensitivities scale the humidity.
double slope(double t)
{
    return B * C / ((C + t) * (C + t));
}

} // namespace

double relativeHumidity(double temperature, double dewPoint)
{
    return Saturated * std::exp(exponent(dewPoint) - exponent(temperature));
}

double dewPoint(double temperature, double relativeHumidity)
{
    const double gamma = std::log(relativeHumidity / Saturated) + exponent(temperature);
    return C * gamma / (B - gamma);
}

Sensitivity sensitivity(double temperature, double dewPoint)
{
    const double humidity = relativeHumidity(temperature, dewPoint);
    return {humidity * slope(dewPoint), -humidity * slope(temperature)};
}

} // namespace Magnus
