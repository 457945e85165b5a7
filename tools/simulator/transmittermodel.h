#ifndef TRANSMITTERMODEL_H
#define TRANSMITTERMODEL_H

#include "sensor.h"

#include <QByteArray>
#include <QMap>
#include <QtGlobal>

// The transmitter as its register map: it answers whole requests and knows nothing of lines,
// timers or faults. Its sensor reads the air of the line, and the caller hands in the time, so
// the readings follow the air and the heater warms the sensor the same way under a test as on
// the bench.
class TransmitterModel
{
public:
    // Requests to this address are taken by every transmitter on the line.
    static constexpr quint8 BroadcastAddress = 0x00;
    static constexpr quint8 DefaultAddress = 1;
    static constexpr quint8 MaxAddress = 247;
    static constexpr quint16 DefaultBaudCode = 4; // 9600 bit/s

    struct Readings
    {
        double temperature; // degrees Celsius
        double humidity; // percent relative humidity
        double dewPoint; // degrees Celsius
    };

    // The transmitter's sensor reads air; noiseStream tells its noise from other sensors'.
    TransmitterModel(const AirModel &air, quint64 noiseStream);

    // The reply to one request; empty when the request is not addressed to this device or is not
    // a whole request. A valid frame of a function this device lacks gets IllegalFunction.
    QByteArray answer(const QByteArray &request);

    // What the device listens with: its address and baud code.
    struct LineSettings
    {
        quint8 address;
        quint16 baudCode;
    };
    // An address or baud-code write changes what the device listens with only once its echo has
    // gone out, and a reply already going out ends at the old speed: the caller takes the
    // settings as they stand after a request and applies them when its reply has gone out.
    LineSettings pendingLineSettings() const;
    void applyLineSettings(const LineSettings &settings);
    quint8 address() const { return listening.address; }
    quint16 baudCode() const { return listening.baudCode; }

    bool hasRegister(quint16 reg) const;
    // Measurement registers follow the readings; the status word can be set, the rest are
    // stored. Setting the address or baud code here takes effect at once. False, with nothing
    // changed, for a register the device lacks or a value it would refuse.
    quint16 registerValue(quint16 reg) const;
    bool setRegisterValue(quint16 reg, quint16 value);
    // Goes up with every write request the device took.
    quint64 revision() const { return writes; }

    // Milliseconds since the device was switched on; only ever moves forward.
    void setTime(qint64 ms);
    // Its offset from the air is what an as-found check should catch.
    Sensor &sensor() { return sensing; }
    // The readings of a held air are what the sensor shows, heater or not.
    Readings readings() const;

    // The stored registers as text, one "register value" pair of hexadecimal numbers a line.
    QByteArray saveState() const;
    // False, with nothing changed, when the text is not such a list of this device's registers.
    bool restoreState(const QByteArray &state);

private:
    QByteArray readReply(quint16 first, int count) const;
    QByteArray writeReply(const QByteArray &request);
    QByteArray blockReply(const QByteArray &request);
    QByteArray exceptionReply(quint8 function, quint8 code) const;
    quint8 checkWrite(quint16 reg, quint16 value) const;
    void store(quint16 reg, quint16 value);
    quint16 measurementValue(quint16 reg) const;

    QMap<quint16, quint16> stored;
    quint16 status = 0;
    LineSettings listening {DefaultAddress, DefaultBaudCode};
    quint64 writes = 0;

    Sensor sensing;
    qint64 now = 0;
    double heaterWarming = 0; // degrees the heater has added to the sensor so far
};

#endif // TRANSMITTERMODEL_H
