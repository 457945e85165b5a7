#ifndef RTURECEIVER_H
#define RTURECEIVER_H

#include <QByteArray>
#include <QList>

// A device's receiver on an RTU line: a frame is the bytes between silences of 3.5 character
// times (t3.5), and a pause of more than 1.5 (t1.5) inside one spoils it, so it is dropped. A
// pseudo-terminal tells when bytes were
// read, not when they arrived, so the times here are read times and what one read brings is
// never torn apart: the tool writes each request at once, and a read that comes late because the
// reader was busy must not spoil it.
class RtuReceiver
{
public:
    // On, a frame also ends the moment it holds a whole request (by its length and check bytes),
    // as most devices and every software slave find the end of a request and answer at once;
    // what follows begins a new frame. Off (the default), only a silence ends it.
    void setEndByLength(bool on) { endByLength = on; }

    // Bytes read at nowUs (any steady clock) from a line at bitsPerSecond.
    void heard(qint64 nowUs, const QByteArray &bytes, int bitsPerSecond);
    // The unspoilt frames that have ended by nowUs, oldest first.
    QList<QByteArray> takeFrames(qint64 nowUs);
    // When the frame being heard ends unless more bytes come; -1 when none is being heard.
    qint64 frameEndUs() const;
    void clear();

private:
    void endFrame();

    QByteArray frame;
    bool spoilt = false;
    bool endByLength = false;
    qint64 lastReadUs = 0;
    qint64 silenceUs = 0; // t3.5 of the line the frame came on
    QList<QByteArray> ended;
};

#endif // RTURECEIVER_H
