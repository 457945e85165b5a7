#include "rtureceiver.h"

#include "devicerequests.h"
#include "protocol/linetiming.h"

void RtuReceiver::heard(qint64 nowUs, const QByteArray &bytes, int bitsPerSecond)
{
    if (bytes.isEmpty())
        return;
    if (!frame.isEmpty()) {
        const qint64 pause = nowUs - lastReadUs;
        if (pause >= silenceUs)
            endFrame();
        else if (pause > LineTiming::t15Us(bitsPerSecond))
            spoilt = true;
    }
    frame += bytes;
    lastReadUs = nowUs;
    silenceUs = LineTiming::t35Us(bitsPerSecond);
    while (endByLength && !spoilt) {
        const int whole = DeviceRequests::wholeAtStart(frame);
        if (whole == 0)
            break;
        ended.append(frame.left(whole));
        frame.remove(0, whole);
    }
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
