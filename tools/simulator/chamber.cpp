#include "chamber.h"

#include <cmath>

Chamber::Chamber(AirModel &air)
    : air(&air)
{}

void Chamber::runProfile(const Profile &profile)
{
    this->profile = profile.points();
    nextMs = air->time();
    advance(nextMs);
}

void Chamber::advance(qint64 ms)
{
    while (!profile.isEmpty() && nextMs <= ms) {
        const ProfilePoint point = profile.takeFirst();
        air->setTime(nextMs);
        air->moveTo({point.temperature, point.humidity});
        nextMs += std::llround((point.soakS + point.maxWaitS) * 1000.0);
    }
    air->setTime(ms);
}

Air Chamber::setPoint() const
{
    return air->target().value_or(air->current());
}

void Chamber::setSetPoint(const Air &point)
{
    profile.clear();
    air->moveTo(point);
}

void Chamber::takeControl()
{
    if (!air->target())
        air->moveTo(air->current());
}
