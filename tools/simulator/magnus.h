#ifndef MAGNUS_H
#define MAGNUS_H

// Dew point and relative humidity of moist air by the Magnus formula over water (Sonntag 1990),
// good from -45 to 60 degrees Celsius.
namespace Magnus {

double dewPoint(double temperature, double humidity);
// Relative humidity of air with this dew point once warmed (or cooled) to temperature.
double humidityAt(double temperature, double dewPoint);

} // namespace Magnus

#endif // MAGNUS_H
