#ifndef LINEQUEUE_H
#define LINEQUEUE_H

#include "master/master.h"

#include <QList>
#include <QObject>

#include <functional>

// The requests of a batch run, one at a time whichever master they go through: the reference,
// the chamber and the transmitters may share a line or not, and a run asks them in turn either
// way. Each answer goes to its own callback, so that nothing else listening to a master mistakes
// one for its own; a request a master refuses to send is answered at once with its reason.
class LineQueue : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const Master::Answer &)>;

    explicit LineQueue(QObject *parent = nullptr);

    // Queued behind the others; sent once run() reaches it.
    void add(Master &master, const QByteArray &request, const Done &done);
    // Sends the queued requests in turn; once none is left, drained() (at once when none was
    // queued). The callbacks may add requests, but leave running them to the queue.
    void run();

    // Since run(): the first master whose line is gone (its port lost, or its link not made
    // again); nullptr while none is.
    Master *lostLine() const { return lost; }

signals:
    void drained();

private:
    struct Request
    {
        Master *master;
        QByteArray bytes;
        Done done;
    };

    void next();
    void answered(const Master::Answer &answer);
    void note(Master *master, const Master::Answer &answer);

    QList<Request> pending;
    Request current {nullptr, {}, {}};
    QMetaObject::Connection listening;
    Master *lost = nullptr;
};

#endif // LINEQUEUE_H
