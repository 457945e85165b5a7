#include "ui/referencepoller.h"

#include "check/referencereading.h"
#include "display/trendsession.h"
#include "ui/referenceline.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

namespace {

const QString TimeFormat = QStringLiteral("HH:mm:ss");

// Two names of one port: the same name, or links to the same device.
bool samePort(const QString &one, const QString &other)
{
    const QString device = QFileInfo(one).canonicalFilePath();
    return one == other || (!device.isEmpty() && device == QFileInfo(other).canonicalFilePath());
}

} // namespace

ReferencePoller::ReferencePoller(TrendSession &transmitter, std::function<QString()> linkedPort,
                                 QObject *parent)
    : QObject(parent)
    , linkedPort(std::move(linkedPort))
    , session(new TrendSession(SampleStore::WeekOfPolling, this))
{
    // The line's values come from its thread.
    qRegisterMetaType<QVector<double>>();
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
    thread = std::make_unique<QThread>();
    line = new ReferenceLine(map);
    line->moveToThread(thread.get());
    connect(thread.get(), &QThread::finished, line, &QObject::deleteLater);
    // Answers come through the thread's object: any still on their way go with it.
    connect(line, &ReferenceLine::done, thread.get(),
            [this](const QVector<double> &values, const QString &why) { answered(values, why); });
    thread->start();
}

bool ReferencePoller::refused() const
{
    return reference.isSet() && samePort(reference.line.port, linkedPort());
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
    QMetaObject::invokeMethod(line, &ReferenceLine::read);
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
    if (!thread)
        return;
    // Ends a wait for a TCP link at once; the line is deleted in its thread.
    thread->quit();
    thread->wait();
    thread.reset();
    line = nullptr;
    reading = false;
}
