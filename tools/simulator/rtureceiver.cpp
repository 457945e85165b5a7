#include "rtureceiver.h"

namespace {

constexpr qint64 UsPerSecond = 1000000;
constexpr int BitsPerCharacter = 10; // 8N1: start bit, 8 data bits, stop bit
// Above this speed t1.5 and t3.5 stop shrinking with the character time.
constexpr int FixedTimesAbove = 19200;
constexpr qint64 FixedT15Us = 750;
constexpr qint64 FixedT35Us = 1750;

} // namespace

qint64 RtuReceiver::characterUs(int bitsPerSecond)
{
    return BitsPerCharacter * UsPerSecond / bitsPerSecond;
}

qint64 RtuReceiver::t15Us(int bitsPerSecond)
{
    return bitsPerSecond > FixedTimesAbove
        ? FixedT15Us
        : 3 * BitsPerCharacter * UsPerSecond / (2 * bitsPerSecond);
}

// Rounded up: the silence that ends a frame is at least 3.5 characters long.
qint64 RtuReceiver::t35Us(int bitsPerSecond)
{
    const qint64 twice = 2 * qint64(bitsPerSecond);
    return bitsPerSecond > FixedTimesAbove
        ? FixedT35Us
        : (7 * BitsPerCharacter * UsPerSecond + twice - 1) / twice;
}

void RtuReceiver::heard(qint64 nowUs, const QByteArray &bytes, int bitsPerSecond)
{
    if (bytes.isEmpty())
        return;
    if (!frame.isEmpty()) {
        const qint64 pause = nowUs - lastReadUs;
        if (pause >= silenceUs)
            endFrame();
        else if (pause > t15Us(bitsPerSecond))
            spoilt = true;
    }
    frame += bytes;
    lastReadUs = nowUs;
    silenceUs = t35Us(bitsPerSecond);
}

QList<QByteArray> RtuReceiver::takeFrames(qint64 nowUs)
{
    if (!frame.isEmpty() && nowUs - lastReadUs >= silenceUs)
        endFrame();
    QList<QByteArray> frames;
    frames.swap(ended);
    return frames;
}

qint64 RtuReceiver::frameEndUs() const
{
    return frame.isEmpty() ? -1 : lastReadUs + silenceUs;
}

void RtuReceiver::clear()
{
    frame.clear();
    spoilt = false;
    ended.clear();
}

void RtuReceiver::endFrame()
{
    if (!spoilt)
        ended.append(frame);
    frame.clear();
    spoilt = false;
}
