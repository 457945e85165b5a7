#ifndef SESSION_H
#define SESSION_H

#include "cli/options.h"
#include "cli/outcome.h"
#include "master/master.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

namespace Cli {

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

// What the answer to Registers::informationRequest() says, at the rate it came at.
Identity identityOf(const ReplyDecoder::Reply &information, int rate);

// Whether a transaction ended with what came back from the address asked (an answer, a
// refusal, a garbled frame or silence), rather than with the link, the port or the run.
bool heardFromLine(Master::Result result);

// One run of a command against the line: the master with the options' timings, its failures as
// outcomes with one-line reasons, and the transmitter the command is for.
class Session
{
public:
    explicit Session(const Options &options);

    Master &master() { return line; }
    // Ends every wait at once: the command winds up and the program ends Interrupted.
    void interrupt();
    // What else an interrupt ends: a command's work on lines of its own.
    void onInterrupt(const std::function<void()> &action) { alsoInterrupt = action; }

    // Opens the port at the first of the options' rates.
    Outcome open();
    // Opens a master of its own, with the options' timings, for an instrument on another port
    // (8N1 at rate); interrupt() ends its waits too.
    Outcome openLine(const QString &port, int rate, Master **master);
    // One transaction; done for an answer.
    Outcome ask(const QByteArray &request, Master::Answer *answer);
    // How a transaction with address ended, as the run's outcome.
    Outcome outcomeOf(quint8 address, const Master::Answer &answer) const;
    // The transmitter the options name, at the first of their rates that it answers (auto:
    // tries them in turn); for address 0 the one alone on the line, by its own address from
    // then on. Only its information block is read.
    Outcome connect(Identity *identity);
    // Channel 1's output data, from the output block, when it is answered.
    Master::Answer readOutputs(Identity *identity);
    // The reading due at dueMs on the session's clock: waits for it and asks. One that the link
    // dropped in a gap is missed, not invented: counted, done, and answer's result LinkDown.
    Outcome reading(qint64 dueMs, const QByteArray &request, Master::Answer *answer);
    qint64 elapsedMs() const { return clock.elapsed(); }

    // The master's counters and the readings missed, for --stats.
    QString counters() const;

private:
    void configure(Master &master) const;

    Options options;
    Master line;
    std::vector<std::unique_ptr<Master>> others;
    QElapsedTimer clock;
    quint64 missed = 0;
    std::function<void()> alsoInterrupt;
};

} // namespace Cli

#endif // SESSION_H
