#ifndef HUMIDITY_H
#define HUMIDITY_H

// Relative humidity and dew point of moist air by the Magnus formula over water, with the WMO's
// constants (good from -45 to 60 degrees). A reference hygrometer that gives a dew point is
// compared with a transmitter's relative humidity through it, and the reference's uncertainty
// reaches that humidity through its partial derivatives.
namespace Magnus {

constexpr double B = 17.62;
constexpr double C = 243.12; // degrees

// Of air at temperature whose dew point is dewPoint (degrees), in %RH.
double relativeHumidity(double temperature, double dewPoint);
// Of air at temperature with relativeHumidity (%RH); not a number at 0 %RH or below.
double dewPoint(double temperature, double relativeHumidity);

// How relativeHumidity() moves with each of its arguments, in %RH per degree.
struct Sensitivity
{
    double dewPoint; // positive: a higher dew point is moister air
    double temperature; // negative: warmer air of the same dew point is drier
};
Sensitivity sensitivity(double temperature, double dewPoint);

} // namespace Magnus

#endif // HUMIDITY_H
