#ifndef AIRMODEL_H
#define AIRMODEL_H

#include <QtGlobal>

#include <optional>

struct Air
{
    double temperature; // degrees Celsius
    double humidity; // %RH

    // By the Magnus formula; air drier than a sensor can tell reads as the driest it can.
    double dewPoint() const;
};

// The air around every instrument on the line, at a time the caller hands in. It drifts like a
// room's until it is held or given a set point; towards a set point it moves exponentially, as
// the air of a chamber does.
class AirModel
{
public:
    // How quickly the air follows a set point when nobody said.
    static constexpr double DefaultTimeConstantS = 30.0;

    // Milliseconds since the line was switched on: never earlier than the time before.
    void setTime(qint64 ms) { now = ms; }
    qint64 time() const { return now; }

    // Exactly this air from now on, until a set point is given.
    void hold(const Air &air);
    // From where it is now towards target, with this time constant from now on.
    void settle(const Air &target, double timeConstantS);
    // From where it is now towards target, with the time constant it has.
    void moveTo(const Air &target);
    double timeConstantS() const { return timeConstant; }

    // Where the air is held or heading; empty while it drifts like a room.
    std::optional<Air> target() const;
    // A chamber's regulation keeps the air moving a little about its set point, which the
    // instruments read as noise; a held air and a room's slow swings have none.
    bool isRegulated() const { return mode == Mode::Settling; }
    bool isHeld() const { return mode == Mode::Held; }
    Air current() const;

private:
    enum class Mode { Room, Held, Settling };

    Mode mode = Mode::Room;
    qint64 now = 0;
    qint64 fromMs = 0; // when the air set off towards its target
    Air from {0, 0}; // where it was then
    Air to {0, 0}; // where it is held or heading
    double timeConstant = DefaultTimeConstantS;
};

#endif // AIRMODEL_H
