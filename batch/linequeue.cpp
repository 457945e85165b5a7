#include "batch/linequeue.h"

LineQueue::LineQueue(QObject *parent)
    : QObject(parent)
{}

void LineQueue::add(Master &master, const QByteArray &request, const Done &done)
{
    pending.append({&master, request, done});
}

void LineQueue::run()
{
    lost = nullptr;
    next();
}

void LineQueue::next()
{
    while (!pending.isEmpty()) {
        const Request request = pending.takeFirst();
        if (request.master->start(request.bytes)) {
            current = request;
            listening = connect(current.master, &Master::finished, this, &LineQueue::answered);
            return;
        }
        Master::Answer refused;
        refused.result = request.master->refusal();
        note(request.master, refused);
        request.done(refused);
    }
    emit drained();
}

void LineQueue::answered(const Master::Answer &answer)
{
    disconnect(listening);
    const Request request = std::exchange(current, {nullptr, {}, {}});
    note(request.master, answer);
    request.done(answer);
    next();
}

void LineQueue::note(Master *master, const Master::Answer &answer)
{
    const bool gone =
        answer.result == Master::Result::PortLost || answer.result == Master::Result::Unreachable;
    if (gone && !lost)
        lost = master;
}
