// history: the stored checks of a serial number from every station sharing the records, newest
// first, from the records the check window and tr451 check keep.
#include "check/recordstore.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "display/csvrecorder.h"

namespace Cli {

Outcome history(Session &, const Options &options)
{
    RecordStore records(StationSettings::load().database);
    QList<Check> checks;
    if (!records.history(options.serialNumber, &checks))
        return {Status::Records, records.errorString()};
    Output out(options.format,
               {{QStringLiteral("started"), QStringLiteral("Started")},
                {QStringLiteral("kind"), QStringLiteral("Kind")},
                {QStringLiteral("station"), QStringLiteral("Station")},
                {QStringLiteral("operator"), QStringLiteral("Operator")},
                {QStringLiteral("points"), QStringLiteral("Points")},
                {QStringLiteral("result"), QStringLiteral("Result")}});
    if (const Outcome opened = out.open(); !opened.ok())
        return opened;
    // A write that fails is remembered, and the records after it go nowhere.
    out.header();
    for (const Check &check : qAsConst(checks)) {
        out.record({text(Csv::isoTime(check.startedAt.toLocalTime())),
                    text(CheckText::kind(check.kind)), text(check.settings.station),
                    text(check.settings.operatorName), integer(check.storedPointCount),
                    text(CheckText::result(check.result))});
    }
    return out.close({});
}

} // namespace Cli
