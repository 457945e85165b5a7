#ifndef SESSION_H
#define SESSION_H

#include "cli/options.h"
#include "master/master.h"

#include <QString>

namespace Cli {

// The program's exit statuses.
namespace Exit {
constexpr int Done = 0;
constexpr int Failed = 1;
constexpr int Usage = 2;
constexpr int PortNotOpened = 3;
constexpr int NoAnswer = 4;
constexpr int Refused = 5;
constexpr int CheckFailed = 6; // the point was stored and judged: not within tolerance
constexpr int NotStable = 7; // nothing was stored
constexpr int Records = 8; // the records database could not be reached or refused a write
constexpr int Interrupted = 130; // as a shell reports a command ended by Ctrl+C
} // namespace Exit

// What a transmitter says about itself: the information block and the output block.
struct Identity
{
    quint8 address = 0;
    int rate = 0;
    QString serialNumber;
    qint16 rangeMin = 0; // tenths of a degree
    qint16 rangeMax = 0;
    int channels = 1;
    int outputData = -1; // channel 1's output data; -1 when not read
};

QByteArray informationRead(quint8 address);
// What the answer to informationRead() says, at the rate it came at.
Identity identityOf(const ReplyDecoder::Reply &information, int rate);

// One run of a command against the line: the master with the options' timings, its failures as
// exit statuses with one-line reasons on stderr, and the transmitter the command is for.
class Session
{
public:
    // defaultRetries applies when the command line names none.
    Session(const Options &options, int defaultRetries);

    Master &master() { return line; }
    // The one line on stderr that says why the program ends with status; status is returned.
    static int fail(int status, const QString &reason);
    // Ends every wait at once: the command winds up and the program ends Interrupted.
    void interrupt();

    // Opens the port at the first of the options' rates. Exit::Done or the failure, reported.
    int open();
    // One transaction. Exit::Done for an answer, else the failure, reported (an interruption
    // silently).
    int ask(const QByteArray &request, Master::Answer *answer);
    int report(const QByteArray &request, const Master::Answer &answer);
    // The transmitter the options name, at the first of their rates that it answers (auto:
    // tries them in turn); for address 0 the one alone on the line, by its own address from
    // then on. Only its information block is read.
    int connect(Identity *identity);
    // Channel 1's output data, from the output block.
    int readOutputs(Identity *identity);
    // Waits until dueMs on the session's clock; false when interrupted or the port was lost.
    bool waitUntil(qint64 dueMs);
    qint64 elapsedMs() const { return clock.elapsed(); }

    // The master's counters, for --stats.
    QString counters() const;

private:
    Options options;
    Master line;
    QElapsedTimer clock;
};

} // namespace Cli

#endif // SESSION_H
