#ifndef REFERENCEPOLLER_H
#define REFERENCEPOLLER_H

#include "check/stationsettings.h"

#include <QDateTime>
#include <QObject>
#include <QVector>

#include <functional>

class ReferenceLine;
class TrendSession;

// Reads the reference instrument in the same cycle as the transmitter: once for each reading
// the transmitter's session gets, into a session of the reference's readings that the check
// watches. The reference's line is opened without waiting, so that the window never waits for it;
// a reading still under way when the next is due lets that one pass.
class ReferencePoller : public QObject
{
    Q_OBJECT

public:
    // linkedPort tells the port the window is linked on: the window owns it, so the reference
    // may not use it.
    ReferencePoller(TrendSession &transmitter, std::function<QString()> linkedPort,
                    QObject *parent = nullptr);
    ~ReferencePoller() override;

    // Reads the reference of map from the next reading on, into a new session: readings of
    // another line or field are not this reference's. A map that is not set reads nothing.
    void setMap(const ReferenceMap &map);
    const ReferenceMap &map() const { return reference; }
    TrendSession &readings() { return *session; }
    // Why the reference is not read, since when; empty while it answers or is not read by the
    // machine.
    QString problem() const;

private:
    bool refused() const;
    void read();
    void answered(const QVector<double> &values, const QString &why);
    void closeLine();

    std::function<QString()> linkedPort;
    ReferenceMap reference;
    TrendSession *session;
    ReferenceLine *line = nullptr;
    bool reading = false;
    // When the reference stopped giving readings; invalid while it gives them.
    QDateTime failingSince;
    QString openError; // why the line could not be opened for the last reading; empty: it was
};

#endif // REFERENCEPOLLER_H
