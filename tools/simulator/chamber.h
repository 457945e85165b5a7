#ifndef CHAMBER_H
#define CHAMBER_H

#include "airmodel.h"
#include "batch/profile.h"

#include <QVector>

// The climate chamber around the line. It moves the air to its set point, which comes either
// from the line (through its controller) or from a profile it runs by itself. A set point from
// the line stops the profile, as switching a chamber to manual does, so the two never fight.
class Chamber
{
public:
    explicit Chamber(AirModel &air);

    // From the air's time on: each point held for its soak and its longest wait, then the next;
    // the last one stays.
    void runProfile(const Profile &profile);
    // The air to ms, each point of the profile set at the moment it begins.
    void advance(qint64 ms);

    // Where the chamber holds the air: its set point, or the air itself while it has none.
    Air setPoint() const;
    void setSetPoint(const Air &point);
    // A chamber that is switched on regulates its air: from now on it holds it where it is,
    // unless it has a set point already.
    void takeControl();

private:
    AirModel *air;
    QVector<ProfilePoint> profile; // the points still to come, next first
    qint64 nextMs = 0; // when the next point begins
};

#endif // CHAMBER_H
