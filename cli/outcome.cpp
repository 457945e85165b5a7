#include "cli/outcome.h"

#include <cstdio>

namespace Cli {

QString oneLine(const Outcome &outcome)
{
    if (outcome.why.isEmpty())
        return QString();
    // libpq's texts, among others, come in several indented lines.
    return QStringLiteral("tr451: %1\n").arg(outcome.why.simplified());
}

int conclude(const Outcome &outcome)
{
    std::fputs(qUtf8Printable(oneLine(outcome)), stderr);
    return int(outcome.status);
}

} // namespace Cli
