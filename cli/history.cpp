// history: the stored checks of a serial number from every station sharing the records, newest
// first, from the records the check window and tr451 check keep.
#include "check/recordstore.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "display/csvrecorder.h"

namespace Cli {

int history(const Options &options)
{
    RecordStore records(StationSettings::load().database);
    QList<Check> checks;
    if (!records.history(options.serialNumber, &checks))
        return Session::fail(Exit::Records, records.errorString());
    Output out(options.format,
               {{QStringLiteral("started"), QStringLiteral("Started"), 0},
                {QStringLiteral("kind"), QStringLiteral("Kind"), 8},
                {QStringLiteral("station"), QStringLiteral("Station"), 0},
                {QStringLiteral("operator"), QStringLiteral("Operator"), 0},
                {QStringLiteral("points"), QStringLiteral("Points"), 0},
                {QStringLiteral("result"), QStringLiteral("Result"), 0}});
    if (!out.open(QString()) || !out.header())
        return Exit::Done;
    for (const Check &check : qAsConst(checks)) {
        if (!out.record({text(Csv::isoTime(check.startedAt.toLocalTime())),
                         text(CheckText::kind(check.kind)), text(check.settings.station),
                         text(check.settings.operatorName), integer(check.storedPointCount),
                         text(CheckText::result(check.result))}))
            break;
    }
    return Exit::Done;
}

} // namespace Cli
