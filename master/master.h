#ifndef MASTER_H
#define MASTER_H

#include "master/reconnector.h"
#include "protocol/replydecoder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QVector>

class QEventLoop;
class Transport;

// The master on a line of transmitters: one request at a time, each sent once the line has
// been silent for t3.5, sent again after each attempt that brought no answer, up to the retries.
// Whatever came before a request went out is stale. The answer is the first intact frame heard
// after it that fits the request, however soon it comes: devices answer as soon as a request is
// whole. Intact frames that do not fit are other devices' business (a slow one's late answer,
// another instrument on the line); only bytes that form no intact frame fail an attempt's check.
// Every transmitter answers address 0, so such an answer is taken only once the attempt's answer
// window has passed without another. Over TCP a link that drops is made again (Reconnector).
// Requests are built and answers found and decoded by the protocol library.
class Master : public QObject
{
    Q_OBJECT

public:
    enum class Result {
        Answered,
        Refused, // an exception reply
        TimedOut, // nothing came
        FailedCheck, // bytes came that form no intact frame, and no answer to the request
        Several, // a request to address 0 was answered by more than one transmitter
        LinkDown, // the TCP link dropped and is being made again; nothing was answered
        Unreachable, // the TCP link could not be made again within the reconnect window
        PortLost,
        Cancelled,
    };

    struct Answer
    {
        Result result = Result::Cancelled;
        QByteArray frame; // the accepted reply, when Answered or Refused
        ReplyDecoder::Reply reply; // decoded by the request's start register
        QVector<quint16> registers; // the values of a read (function 3 or 4), in order
        quint8 exceptionCode = 0; // when Refused
    };

    // Every attempt counts as sent, and ends in one of the next four (unless cancelled, lost or
    // its link dropped); a request to address 0 that more than one transmitter answered counts as
    // a failed check. A request that never went out for want of a link counts as not sent.
    struct Counters
    {
        quint64 sent = 0;
        quint64 answered = 0;
        quint64 timedOut = 0;
        quint64 failedCheck = 0;
        quint64 exceptions = 0;
        quint64 notSent = 0; // requests that found no link (TCP: while it was made again, or after)
        quint64 reconnects = 0; // times the link was made again
    };

    // Allowed for the transmitter to start answering, and for the adapters and the system in
    // between, on top of the wire times.
    static constexpr int TurnaroundMs = 100;
    static constexpr int ConnectTimeoutMs = 5000;
    // A TCP link that drops is made again once a second for this long before the master gives
    // up on it.
    static constexpr int ReconnectIntervalMs = 1000;
    static constexpr int ReconnectWindowMs = 60000;

    explicit Master(QObject *parent = nullptr);
    ~Master() override;

    // Opens a serial port, or RTU over TCP for tcp://HOST:PORT, once for each master, without
    // waiting: opened() tells from the event loop when it can carry requests, or that it cannot
    // (errorString() says why). A window opens its lines so, never held up by a link being made.
    void openLater(const QString &port, int bitsPerSecond);
    // openLater(), then waits for it in a local event loop. False, with errorString() set, when
    // it cannot be opened.
    bool open(const QString &port, int bitsPerSecond);
    QString errorString() const { return error; }

    void setBitsPerSecond(int bitsPerSecond);
    int bitsPerSecond() const { return rate; }
    // How long to wait for the answer to begin once the request has gone out; 0 (the default):
    // the answer's wire time at the rate plus TurnaroundMs. An answer that has begun gets its
    // wire time plus TurnaroundMs to end, whatever is left of the timeout.
    void setTimeout(int ms) { timeoutMs = ms; }
    void setRetries(int count) { retries = count; }
    void setReconnectWindow(int ms) { reconnectWindowMs = ms; }
    int retryCount() const { return retries; }

    // Starts a transaction; finished() tells how it ended. While a dropped link is made again it
    // waits for the link as long as it would wait for an answer, then ends LinkDown. False, with
    // nothing sent, while one is under way, after cancel(), once the port is lost, and once the
    // master gave up making the link again (the request counts as not sent).
    bool start(const QByteArray &request);
    // Why start() refused a request, but for one under way: Cancelled, PortLost or Unreachable.
    Result refusal() const;
    // start(), then waits for the outcome in a local event loop.
    Answer ask(const QByteArray &request);
    // Waits ms in a local event loop; false when cancelled or the port was lost meanwhile.
    bool pause(int ms);
    // Ends the transaction and any wait at once; nothing is sent from then on.
    void cancel();
    bool isCancelled() const { return cancelled; }

    const Counters &counters() const { return count; }

signals:
    void opened(bool ok);
    void finished(const Master::Answer &answer);

private:
    enum class State {
        Idle,
        Linking, // waiting for the link to be made again
        Spacing, // waiting for the line's silence before sending
        Awaiting, // the request went out
        Listening, // address 0 was answered: listening for another transmitter to the end
    };

    qint64 nowUs() const { return clock.nsecsElapsed() / 1000; }
    qint64 allowanceUs() const;
    void arm(qint64 dueUs);
    void sendWhenSilent();
    void send();
    void onReceived(const QByteArray &bytes);
    void readAnswer(const QByteArray &bytes);
    void onTimer();
    void onReady();
    void onFailed(const QString &why);
    void onGaveUp();
    void accept(const QByteArray &frame);
    void finish(Result result, const QByteArray &frame = QByteArray());
    void wake();
    void concludeOpening(bool ok);

    Transport *transport = nullptr;
    QString error;
    int rate = 9600;
    int timeoutMs = 0;
    int retries = 0;
    int reconnectWindowMs = ReconnectWindowMs;
    bool usable = false; // opened, and not cancelled meanwhile
    bool openingConcluded = false;
    QTimer connecting; // how long a link may take to be made at the first opening
    bool cancelled = false;
    bool lost = false;
    Counters count;
    Reconnector link;

    State state = State::Idle;
    QByteArray request;
    int attemptsLeft = 0;
    bool sentAny = false; // some attempt of the transaction went out
    QByteArray buffer; // what the current attempt heard that is not settled yet
    bool heard = false; // the attempt heard bytes
    bool garbled = false; // the attempt heard bytes that form no intact frame
    QByteArray answerToAll; // the one answer to address 0 heard so far
    qint64 requestEndUs = 0; // when the request's last byte has gone out on the line
    qint64 deadlineUs = 0; // when the attempt ends unanswered
    qint64 lastHeardUs = -1;
    QElapsedTimer clock;
    QTimer timer;
    QEventLoop *waiting = nullptr; // the local loop of open() or pause()
};

#endif // MASTER_H
