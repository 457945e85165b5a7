#ifndef TRANSMITTERSIMULATOR_H
#define TRANSMITTERSIMULATOR_H

#include "airmodel.h"
#include "transmittermodel.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// Simulated temperature and humidity transmitters on one line behind a pseudo-terminal, in one
// air, with a reference instrument and a climate chamber's controller on the line if asked. The
// tool opens portPath() like a USB serial port; the simulator frames what it reads as an RTU
// device does, answers the requests it hears at the line speed of each device's baud code, and
// can misbehave on purpose (faults) the way real lines and adapters do. The same line can also
// be served over TCP, as serial device servers carry RTU frames. Runs in the thread and event
// loop of its creator.
class Profile;

class TransmitterSimulator : public QObject
{
    Q_OBJECT

public:
    struct Faults
    {
        int splitPieces = 0; // > 1: each reply goes out in this many pieces...
        int splitGapMs = 20; // ...with this much silence between them
        int delayMs = 0; // wait this long before answering
        bool corruptCrc = false; // flip a bit of each reply's check bytes
        bool strayByte = false; // send one extra byte in front of each reply
        bool silent = false; // read requests but never answer (nor act on them)
        bool flood = false; // answer every request with 1024 bytes of 0xFF, at any line speed
    };

    explicit TransmitterSimulator(QObject *parent = nullptr);
    ~TransmitterSimulator() override;

    // The transmitters on the line, one for each address and baud code (one transmitter at
    // address 1 and 9600 bit/s unless set). Each has its own registers and readings; all but the
    // first get serial numbers counting up from its one. The faults apply to the whole line.
    void setDevices(const QList<TransmitterModel::LineSettings> &devices);
    // What each transmitter listens with now.
    QList<TransmitterModel::LineSettings> devices() const;

    // Creates the pseudo-terminal; with a linkPath, also places a symlink to it there.
    bool start(const QString &linkPath = QString());
    // Also serves the line to TCP clients on 127.0.0.1 (port 0: any free one): whole requests in,
    // replies out at once, whatever the baud codes; split and delay do not apply.
    bool listenTcp(quint16 port);
    quint16 tcpPort() const;
    // Drops every TCP client and stops listening, as a serial device server that restarts;
    // listenTcp() serves the line again.
    void closeTcp();
    // The path the tool opens: the symlink when one was asked for, else the pty's own path.
    QString portPath() const;
    // The pseudo-terminal's own path, also when a symlink stands in front of it.
    QString ptyPath() const;
    // The speed the tool set on the line, in bit/s; 0 when unknown or after removeAdapter().
    int lineSpeed() const;

    void setFaults(const Faults &faults);
    Faults faults() const;

    // On (the default), a reply goes out one character per 10 bit times of the device's speed,
    // starting when the request has ended, as on a wire; off, each reply (or each piece
    // of a split one) goes out at once, for tests that need no slow line. The flood ignores it.
    void setPacing(bool on);
    bool pacing() const;
    // Off (the default), a request ends after t3.5 of silence, as the transmitter finds it; on,
    // the moment it is whole by its length and check bytes, as most devices and every software
    // slave find it. Paced replies keep the line speed either way.
    void setAnswerAtOnce(bool on);

    // The adapter is pulled out: the pseudo-terminal disappears under the tool's open port.
    void removeAdapter();

    // The first transmitter's state. Registers not in the map read as 0 here and answer with an
    // exception.
    quint16 registerValue(quint16 reg) const;
    // False, with nothing changed, for a register the device lacks or a value it would refuse.
    bool setRegisterValue(quint16 reg, quint16 value);
    quint16 address() const;
    quint16 baudCode() const;

    // Holds the air's temperature (degrees Celsius) and relative humidity (%) fixed, for tests
    // that check displayed values; without it the air drifts like a real room's.
    void setFixedReadings(double temperature, double humidity);
    // The air steps from now on to temperature and humidity with this time constant (also the
    // chamber's from then on), and the instruments read it with a little noise, like sensors
    // settling in a chamber.
    void setSettling(double temperature, double humidity, double timeConstantS);
    // The air now, as the instruments read it without their offsets and noise.
    Air air() const;

    // The transmitter at address reads the air plus this offset. False when there is none.
    bool setBias(quint8 address, double temperature, double humidity);
    // A reference instrument or a chamber controller at address, at the line speed of
    // baudCode. False, with nothing changed, when address is no device address or another
    // device has it.
    bool setReference(quint8 address, quint16 baudCode);
    bool setChamber(quint8 address, quint16 baudCode);
    // The chamber runs profile from now on, until a set point is written to its controller.
    void setProfile(const Profile &profile);
    // The device at address neither hears nor answers anything while silent, as one that lost
    // its power or its wire.
    void setDeviceSilent(quint8 address, bool silent);

    int requestCount() const; // requests read, answered or not

    // The stored registers (all but the measurements) as text, for keeping writes across runs.
    QByteArray saveState() const;
    // False, with nothing changed, unless the text lists registers of this device the way
    // saveState() writes them (a subset will do).
    bool restoreState(const QByteArray &state);

signals:
    void requestReceived(const QByteArray &frame);
    void replySent(const QByteArray &frame);
    // A write request was taken (after its check, before its echo goes out).
    void registersWritten();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // TRANSMITTERSIMULATOR_H
