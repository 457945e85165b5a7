#include "magnus.h"

#include <QtGlobal>

#include <cmath>

namespace {

constexpr double B = 17.62;
constexpr double C = 243.12; // degrees Celsius
constexpr double DriestHumidity = 0.01; // keeps the logarithm finite

double saturationExponent(double temperature)
{
    return B * temperature / (C + temperature);
}

} // namespace

namespace Magnus {

double dewPoint(double temperature, double humidity)
{
    const double gamma =
        std::log(qMax(humidity, DriestHumidity) / 100.0) + saturationExponent(temperature);
    return C * gamma / (B - gamma);
}

double humidityAt(double temperature, double dewPoint)
{
    return 100.0 * std::exp(saturationExponent(dewPoint) - saturationExponent(temperature));
}

} // namespace Magnus
