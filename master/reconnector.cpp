#include "master/reconnector.h"

Reconnector::Reconnector(std::function<void()> attempt, int intervalMs)
    : attempt(std::move(attempt))
    , intervalMs(intervalMs)
{
    // Coarse, an attempt could come up to 5% before its second.
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &Reconnector::onTimer);
}

void Reconnector::failed(const QString &why, int windowMs)
{
    reason = why;
    if (down)
        return;
    down = true;
    this->windowMs = windowMs;
    since.start();
    // Not from inside the failing socket's own signal: it takes no new connection there.
    timer.start(0);
}

bool Reconnector::restore()
{
    if (!down || givenUp)
        return false;
    down = false;
    timer.stop();
    return true;
}

QString Reconnector::errorString() const
{
    return QStringLiteral("tried for %1 s: %2").arg(QString::number(windowMs / 1000.0), reason);
}

// A timer may fire early: the window is measured, never counted in ticks.
void Reconnector::onTimer()
{
    if (since.elapsed() >= windowMs) {
        givenUp = true;
        emit gaveUp();
        return;
    }
    attempt();
    timer.start(intervalMs);
}
