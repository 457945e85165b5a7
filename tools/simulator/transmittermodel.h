#ifndef TRANSMITTERMODEL_H
#define TRANSMITTERMODEL_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QtGlobal>

#include <optional>

// The transmitter as its register map: it answers whole requests and knows nothing of lines,
// timers or faults. The caller hands in the time, so the readings drift and the heater warms the
// sensor the same way under a test as on the bench.
class TransmitterModel
{
public:
    // Exception codes the device answers with.
    static constexpr quint8 IllegalFunction = 0x01;
    static constexpr quint8 IllegalDataAddress = 0x02;
    static constexpr quint8 IllegalDataValue = 0x03;

    // Requests to this address are taken by every device on the line.
    static constexpr quint8 BroadcastAddress = 0x00;
    static constexpr quint8 DefaultAddress = 1;
    static constexpr quint8 MaxAddress = 247;
    static constexpr quint16 DefaultBaudCode = 4; // 9600 bit/s

    // Most registers one request may read or write; a read answer's byte count must fit a byte.
    static constexpr int MaxRegistersPerRequest = 125;

    struct Readings
    {
        double temperature; // degrees Celsius
        double humidity; // percent relative humidity
        double dewPoint; // degrees Celsius
    };

    TransmitterModel();

    // The requests in one frame (the bytes between two silences on the line): the frame itself
    // when its check holds, none when it does not. A late read can join requests that the tool
    // wrote apart, so a frame made of nothing but whole requests with valid checks is split into
    // them.
    static QList<QByteArray> requestsIn(const QByteArray &frame);

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
    void setFixedReadings(double temperature, double humidity);
    // From now on the air steps towards temperature and humidity like a chamber reaching its
    // set point: exponentially with this time constant, with a little seeded noise on top; fixed
    // readings step from where they are held.
    void setSettling(double temperature, double humidity, double timeConstantS);
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

    qint64 now = 0;
    double heaterWarming = 0; // degrees the heater has added to the sensor so far
    bool fixed = false;
    double fixedTemperature = 0;
    double fixedHumidity = 0;

    struct Settling
    {
        qint64 fromMs; // when the step began
        Readings from; // the air at that moment
        double temperature;
        double humidity;
        double timeConstantS;
    };
    std::optional<Settling> settling;
};

#endif // TRANSMITTERMODEL_H
