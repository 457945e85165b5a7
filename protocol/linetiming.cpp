#include "protocol/linetiming.h"

namespace LineTiming {

namespace {

constexpr qint64 UsPerSecond = 1000000;
// Above this speed t1.5 and t3.5 stop shrinking with the character time.
constexpr int FixedTimesAbove = 19200;
constexpr qint64 FixedT15Us = 750;
constexpr qint64 FixedT35Us = 1750;

qint64 roundedUp(qint64 numerator, qint64 denominator)
{
    return (numerator + denominator - 1) / denominator;
}

} // namespace

qint64 characterUs(int bitsPerSecond)
{
    return BitsPerCharacter * UsPerSecond / bitsPerSecond;
}

qint64 wireUs(int bytes, int bitsPerSecond)
{
    return roundedUp(qint64(bytes) * BitsPerCharacter * UsPerSecond, bitsPerSecond);
}

qint64 t15Us(int bitsPerSecond)
{
    return bitsPerSecond > FixedTimesAbove
        ? FixedT15Us
        : 3 * BitsPerCharacter * UsPerSecond / (2 * bitsPerSecond);
}

// Rounded up: the silence that ends a frame is at least 3.5 characters long.
qint64 t35Us(int bitsPerSecond)
{
    return bitsPerSecond > FixedTimesAbove
        ? FixedT35Us
        : roundedUp(7 * BitsPerCharacter * UsPerSecond, 2 * qint64(bitsPerSecond));
}

} // namespace LineTiming
