#ifndef READINGS_H
#define READINGS_H

#include <QtGlobal>

// Arithmetic of the measurements: register values to readings, and readings to the analog
// outputs a transmitter would give for them. The window formats and shows the results.
namespace Readings {

// The device offers every reading in hundredths and in tenths.
enum class Scale { Hundredths, Tenths };

// Which readings an answer carries, and so which the window shows.
enum Mode : int {
    ShowAll = 0,
    ShowTemperature = 1,
    ShowHumidity = 2,
    ShowDewPoint = 3,
    ShowNone = 4
};

int decimals(Scale scale);
// The division is done in double precision, the reading kept in single precision.
float value(qint64 raw, Scale scale);

constexpr float HumidityMin = 0.0f;
constexpr float HumidityMax = 100.0f;

// 4-20 mA, 0-5 V and 0-10 V, proportional to where the value lies between min and max, computed
// in single precision and not limited to the range. Not a number when min equals max.
struct AnalogOutputs
{
    float current;
    float lowVoltage;
    float highVoltage;
};
AnalogOutputs analogOutputs(float min, float max, float value);

} // namespace Readings

#endif // READINGS_H
