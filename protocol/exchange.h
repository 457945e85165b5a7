#ifndef EXCHANGE_H
#define EXCHANGE_H

#include <QByteArray>

// A request and its answer taken together: what a master expects back and whether an accepted
// frame is that answer. The receive step alone cannot tell, since it never sees the request.
namespace Modbus {

// The start register of a request: what its answer is decoded by.
quint16 requestRegister(const QByteArray &request);

// The length of the answer to request: a read's data, or the echo of a write. An exception
// reply is shorter.
int expectedReplySize(const QByteArray &request);

// Whether reply, already accepted by receive(), answers request: the same address (any for a
// request to address 0, which the transmitter answers with its own), and either an exception to
// the request's function or the function itself with the byte count a read asked for, or the
// register and value of a write, or the first register and count of a block write.
bool fits(const QByteArray &request, const QByteArray &reply);

} // namespace Modbus

#endif // EXCHANGE_H
