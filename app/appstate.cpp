#include "app/appstate.h"

#include "app/buildstamp.h"

namespace {

ApplicationState makeInitialState()
{
    ApplicationState state;
    state.buildDate = BuildStamp::parseDate(QString::fromLatin1(BuildStamp::DateStamp));
    state.buildTime = BuildStamp::parseTime(QString::fromLatin1(BuildStamp::TimeStamp));
    return state;
}

} // namespace

ApplicationState AppState = makeInitialState();
