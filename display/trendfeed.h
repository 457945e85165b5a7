#ifndef TRENDFEED_H
#define TRENDFEED_H

#include "display/trendreading.h"

namespace ReplyDecoder {
struct Reply;
}

// Turns a decoded answer to a measurement poll into the protocol-free reading that the trend,
// a recording and the calibration check take, so that the window and the command line record
// exactly the same rows.
namespace TrendFeed {

// reply must be of the readings row. The reading is stamped with the wall clock and the
// monotonic clock of this moment.
TrendReading fromReply(const ReplyDecoder::Reply &reply, quint16 address,
                       const QString &serialNumber);

} // namespace TrendFeed

#endif // TRENDFEED_H
