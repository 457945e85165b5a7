#include "cli/referencepoll.h"

#include "check/referencereading.h"

#include <QDeadlineTimer>

namespace Cli {

namespace {

// Why a reading gave no temperature or humidity, by how its first request that brought no
// values ended; a request that could not be sent (a lost port) ends none.
QString notRead(Master::Result result)
{
    switch (result) {
    case Master::Result::TimedOut:
        return QStringLiteral("did not answer");
    case Master::Result::Refused:
        return QStringLiteral("refused the read");
    case Master::Result::FailedCheck:
        return QStringLiteral("answered with a frame that failed its check");
    default:
        return QStringLiteral("gave no temperature and humidity");
    }
}

} // namespace

ReferencePoll::ReferencePoll(Master &master, const ReferenceMap &map)
    : master(master)
    , map(map)
    , reader(master, quint8(map.line.address), ReferenceReading::fields(map))
{}

QString ReferencePoll::read()
{
    const ReferenceReading reading = ReferenceReading::fromValues(map, reader.read());
    const bool whole = reading.isComplete();
    if (whole)
        session.add(reading.trendReading(QDateTime::currentDateTime(),
                                         QDeadlineTimer::current().deadline()));
    if (whole == answering || master.isCancelled())
        return QString();
    answering = whole;
    const QString reference = QStringLiteral("The reference at address %1 on %2")
                                  .arg(map.line.address)
                                  .arg(map.line.port);
    return whole ? reference + QStringLiteral(" answers again")
                 : reference + QLatin1Char(' ') + notRead(reader.result())
            + QStringLiteral("; nothing is taken from it until it answers");
}

} // namespace Cli
