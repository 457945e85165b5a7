#include "ui/referencepoller.h"

#include "check/referencereading.h"
#include "display/trendsession.h"
#include "master/transport.h"
#include "ui/referenceline.h"

#include <QDeadlineTimer>

namespace {

const QString TimeFormat = QStringLiteral("HH:mm:ss");

} // namespace

ReferencePoller::ReferencePoller(TrendSession &transmitter, std::function<QString()> linkedPort,
                                 QObject *parent)
    : QObject(parent)
    , linkedPort(std::move(linkedPort))
    , session(new TrendSession(SampleStore::WeekOfPolling, this))
{
    connect(&transmitter, &TrendSession::readingAdded, this, &ReferencePoller::read);
}

ReferencePoller::~ReferencePoller()
{
    closeLine();
}

void ReferencePoller::setMap(const ReferenceMap &map)
{
    if (map == reference)
        return;
    closeLine();
    reference = map;
    failingSince = QDateTime();
    // The check lets go of the old session when it is handed the new one.
    session->deleteLater();
    session = new TrendSession(SampleStore::WeekOfPolling, this);
    if (!map.isSet())
        return;
    line = new ReferenceLine(map, this);
    connect(line, &ReferenceLine::done, this, &ReferencePoller::answered);
}

bool ReferencePoller::refused() const
{
    return reference.isSet() && Transport::samePort(reference.line.port, linkedPort());
}

QString ReferencePoller::problem() const
{
    if (refused())
        return tr("The reference's port %1 is the one the transmitter is linked on: the "
                  "reference needs a line of its own.")
            .arg(reference.line.port);
    if (!failingSince.isValid())
        return QString();
    const QString since = failingSince.toString(TimeFormat);
    return openError.isEmpty() ? tr("The reference has given no reading since %1.").arg(since)
                               : tr("The reference's port %1 cannot be opened since %2: %3")
                                     .arg(reference.line.port, since, openError);
}

void ReferencePoller::read()
{
    if (!line || reading || refused())
        return;
    reading = true;
    line->read();
}

// Only a whole reading goes into the session: nothing is taken from a reference not read.
void ReferencePoller::answered(const QVector<double> &values, const QString &why)
{
    reading = false;
    const ReferenceReading got = ReferenceReading::fromValues(reference, values);
    if (!got.isComplete()) {
        if (!failingSince.isValid())
            failingSince = QDateTime::currentDateTime();
        openError = why;
        return;
    }
    failingSince = QDateTime();
    session->add(
        got.trendReading(QDateTime::currentDateTime(), QDeadlineTimer::current().deadline()));
}

void ReferencePoller::closeLine()
{
    // A reading still under way ends with the line; its answer goes with it.
    delete line;
    line = nullptr;
    reading = false;
}
