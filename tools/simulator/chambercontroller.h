#ifndef CHAMBERCONTROLLER_H
#define CHAMBERCONTROLLER_H

#include "chamber.h"
#include "instrument.h"

// The chamber's controller on the line: holding register 0 is the temperature set point, 1 the
// humidity set point, each in tenths as a signed 16-bit number, read with function 3 and written
// with function 6 (echoed as a device does). It takes control of the air: its set points start
// where the air is heading, or where it is when it heads nowhere.
class ChamberController : public Instrument
{
public:
    static constexpr quint16 TemperatureRegister = 0;
    static constexpr quint16 HumidityRegister = 1;

    ChamberController(Chamber &chamber, quint8 address, quint16 baudCode);

protected:
    QByteArray reply(quint8 function, const QByteArray &request) override;

private:
    QByteArray write(const QByteArray &request);

    Chamber *chamber;
};

#endif // CHAMBERCONTROLLER_H
