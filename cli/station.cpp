// station: the station's settings for a check, as the check window keeps them, shown or set one
// at a time, so that a station without a screen can be set up by a script.
#include "check/stationsettings.h"
#include "cli/commands.h"
#include "cli/output.h"

namespace Cli {

Outcome station(Session &, const Options &options)
{
    StationSettings settings = StationSettings::load();
    if (options.stationKey.isEmpty()) {
        Output out(options.format,
                   {{QStringLiteral("key"), QStringLiteral("Key")},
                    {QStringLiteral("value"), QStringLiteral("Value")}});
        if (const Outcome opened = out.open(); !opened.ok())
            return opened;
        // A write that fails is remembered, and the records after it go nowhere.
        out.header();
        for (const QString &key : StationSettings::keys())
            out.record({text(key), text(settings.text(key))});
        return out.close({});
    }
    QString why;
    if (!settings.set(options.stationKey, options.stationValue, &why))
        return {Status::Usage, why};
    settings.save();
    return say(QStringLiteral("%1 is now \"%2\"")
                   .arg(options.stationKey, settings.text(options.stationKey)));
}

} // namespace Cli
