#ifndef DEVICEREQUESTS_H
#define DEVICEREQUESTS_H

#include <QByteArray>
#include <QList>

// Requests as every device on the line takes them: found in what it hears by their length (which
// the function, and a block write's own fields, give) and their check bytes, and refused with the
// same exception codes.
namespace DeviceRequests {

constexpr quint8 IllegalFunction = 0x01;
constexpr quint8 IllegalDataAddress = 0x02;
constexpr quint8 IllegalDataValue = 0x03;

// Most registers one request may read or write; a read answer's byte count must fit a byte.
constexpr int MaxRegisters = 125;

bool hasValidCheck(const QByteArray &frame);

// The registers a block write names: its first and last register, both included.
int blockRegisterCount(const QByteArray &request);

// Length the request starting at bytes[0] must have; 0 while too few bytes are in to tell, -1
// when bytes[0] cannot begin a request of a function the line knows.
int length(const QByteArray &bytes);

// The requests in one frame (the bytes between two silences on the line): the frame itself
// when its check holds, none when it does not. A late read can join requests that the master
// wrote apart, so a frame made of nothing but whole requests with valid checks is split into
// them.
QList<QByteArray> in(const QByteArray &frame);

// The length of the whole request, with valid check bytes, that bytes begin with; 0 when they
// do not begin with one.
int wholeAtStart(const QByteArray &bytes);

} // namespace DeviceRequests

#endif // DEVICEREQUESTS_H
