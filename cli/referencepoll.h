#ifndef REFERENCEPOLL_H
#define REFERENCEPOLL_H

#include "check/stationsettings.h"
#include "display/trendsession.h"
#include "master/instrumentreader.h"

#include <QString>

namespace Cli {

// The reference instrument a check reads beside the transmitter, on a master of its own or the
// transmitter's: its fields once a cycle into readings of its own, which the check engine holds
// beside the transmitter's. A reading that lacks temperature or humidity is not kept, so that the
// gate closes as the reference's readings stop; a log learns why once, when it stops being read,
// and once more when it is read again.
class ReferencePoll
{
public:
    ReferencePoll(Master &master, const ReferenceMap &map);

    TrendSession &readings() { return session; }
    // One reading; what a log is told of it, empty when the reference is as it was or the run is
    // being interrupted.
    QString read();

private:
    Master &master;
    ReferenceMap map;
    InstrumentReader reader;
    TrendSession session;
    bool answering = true;
};

} // namespace Cli

#endif // REFERENCEPOLL_H
