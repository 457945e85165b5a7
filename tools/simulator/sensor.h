#ifndef SENSOR_H
#define SENSOR_H

#include "airmodel.h"

// One instrument's view of the air: the air plus the instrument's own offset (what a
// calibration finds and corrects) and its own noise while the air is regulated. The noise is
// seeded by the millisecond and the sensor's stream, so that a run reads the same every time and
// no two sensors read alike.
class Sensor
{
public:
    // A transmitter's noise: well inside the tightest stability limits a check uses (0.05
    // degrees and 0.3 %RH of standard deviation), so that the gate opens once a step has settled.
    static constexpr double NoiseTemperature = 0.02;
    static constexpr double NoiseHumidity = 0.1;

    // noiseShare: the sensor's noise as a share of a transmitter's.
    Sensor(const AirModel &air, quint64 stream, double noiseShare = 1.0);

    void setBias(const Air &bias) { offset = bias; }
    // At the air's time.
    Air reading() const;
    const AirModel &air() const { return *source; }

private:
    const AirModel *source;
    quint64 stream;
    double noiseShare;
    Air offset {0, 0};
};

#endif // SENSOR_H
