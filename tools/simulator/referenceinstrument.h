#ifndef REFERENCEINSTRUMENT_H
#define REFERENCEINSTRUMENT_H

#include "instrument.h"
#include "sensor.h"

// The laboratory's reference, a chilled-mirror hygrometer beside the transmitters: it reads the
// same air with a tenth of a transmitter's noise and no offset. Its input registers (read with
// function 4) hold temperature at 0, relative humidity at 2 and dew point at 4, each an IEEE 754
// float32 with its high word first.
class ReferenceInstrument : public Instrument
{
public:
    static constexpr double NoiseShare = 0.1;
    static constexpr quint16 TemperatureRegister = 0;
    static constexpr quint16 HumidityRegister = 2;
    static constexpr quint16 DewPointRegister = 4;

    ReferenceInstrument(const AirModel &air, quint8 address, quint16 baudCode);

protected:
    QByteArray reply(quint8 function, const QByteArray &request) override;

private:
    Sensor sensor;
};

#endif // REFERENCEINSTRUMENT_H
