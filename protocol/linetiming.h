#ifndef LINETIMING_H
#define LINETIMING_H

#include <QtGlobal>

// Times on an RTU line of 8N1 characters: what a frame takes on the wire, and the silences that
// delimit frames. A master and a device must agree on them, so both take them from here.
namespace LineTiming {

// One character: start bit, 8 data bits, stop bit.
constexpr int BitsPerCharacter = 10;

qint64 characterUs(int bitsPerSecond);
// Rounded up: a whole frame of bytes has gone out only once the last bit has.
qint64 wireUs(int bytes, int bitsPerSecond);
// A pause longer than t1.5 inside a frame spoils it; a silence of t3.5 ends it. Above 19200
// bit/s both are fixed, at 750 us and 1.75 ms.
qint64 t15Us(int bitsPerSecond);
qint64 t35Us(int bitsPerSecond);

} // namespace LineTiming

#endif // LINETIMING_H
