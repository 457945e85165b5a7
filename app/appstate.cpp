#include "app/appstate.h"

#include "app/buildstamp.h"

namespace {

// The compiler fills these in; under SOURCE_DATE_EPOCH they are the reproducible build time.
ApplicationState makeInitialState()
{
    ApplicationState state;
    state.buildDate = BuildStamp::parseDate(QStringLiteral(__DATE__));
    state.buildTime = BuildStamp::parseTime(QStringLiteral(__TIME__));
    return state;
}

} // namespace

ApplicationState AppState = makeInitialState();
