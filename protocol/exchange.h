#ifndef EXCHANGE_H
#define EXCHANGE_H

#include <QByteArray>

// A request and its answer taken together: what a master expects back and whether an accepted
// frame is that answer. The receive step alone cannot tell, since it never sees the request.
namespace Modbus {

// The start register of a request: what its answer is decoded by.
quint16 requestRegister(const QByteArray &request);

// The length of the answer to request: a read's data (function 3 or 4), or the echo of a write.
// An exception reply is shorter.
int expectedReplySize(const QByteArray &request);

// Whether reply, an intact frame, answers request: the same address (any for a request to
// address 0, which the transmitter answers with its own), and either an exception to the
// request's function or the function itself with the byte count a read asked for, or the
// register and value of a write, or the first register and count of a block write.
bool fits(const QByteArray &request, const QByteArray &reply);

// What the bytes heard since a request was written say about its answer. Other instruments share
// the line and a slow one may answer late, so the bytes are read as frames wherever they start:
// an intact frame that does not fit the request is someone else's and is passed over, and a byte
// that begins no intact frame is garbage (stale, corrupted, collided) that the answer may follow.
struct Hearing
{
    QByteArray answer; // the first intact frame that fits, once it is whole
    int answerEnd = 0; // where the answer ends in the bytes heard: any byte after it is another
    // The leading bytes that no later byte can change the reading of (up to the answer's end
    // when there is one), and whether any of them belongs to no intact frame. A caller may drop
    // them and keep the verdict: what stays is at most a frame still arriving.
    int settled = 0;
    bool garbled = false;
};

Hearing hear(const QByteArray &request, const QByteArray &heard);

} // namespace Modbus

#endif // EXCHANGE_H
