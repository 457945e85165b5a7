#ifndef RECONNECTOR_H
#define RECONNECTOR_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Makes a dropped link again: an attempt at once, then one each interval, until the link is back
// or the first attempt due once a window from the drop has passed. How each attempt ends is told
// from outside, by whoever hears the transport.
class Reconnector : public QObject
{
    Q_OBJECT

public:
    Reconnector(std::function<void()> attempt, int intervalMs);

    // The link failed for why. The first failure while it was up starts the window; later ones
    // are attempts that failed and only leave their reason.
    void failed(const QString &why, int windowMs);
    // The link is up again: true when it was being made again (not after giving up).
    bool restore();
    bool isDown() const { return down; }
    bool hasGivenUp() const { return givenUp; }
    // Once given up: for how long it tried, and the last reason.
    QString errorString() const;

signals:
    void gaveUp();

private:
    void onTimer();

    std::function<void()> attempt;
    const int intervalMs;
    int windowMs = 0;
    bool down = false;
    bool givenUp = false;
    QString reason;
    QElapsedTimer since;
    QTimer timer;
};

#endif // RECONNECTOR_H
