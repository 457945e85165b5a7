#include "check/runrecord.h"

#include <QStringList>

#include <algorithm>

namespace {

const QStringList StateNames = {QStringLiteral("running"), QStringLiteral("finished"),
                                QStringLiteral("aborted")};
const QStringList OutcomeNames = {QStringLiteral("taken"), QStringLiteral("not stable"),
                                  QStringLiteral("no answer")};

int indexOf(const QStringList &names, const QString &text)
{
    return std::max(int(names.indexOf(text)), 0);
}

} // namespace

namespace RunText {

QString state(RunRecord::State state)
{
    return StateNames[int(state)];
}

RunRecord::State stateFrom(const QString &text)
{
    return RunRecord::State(indexOf(StateNames, text));
}

QString outcome(CheckPoint::Outcome outcome)
{
    return OutcomeNames[int(outcome)];
}

CheckPoint::Outcome outcomeFrom(const QString &text)
{
    return CheckPoint::Outcome(indexOf(OutcomeNames, text));
}

} // namespace RunText
