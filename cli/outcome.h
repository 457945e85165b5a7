#ifndef OUTCOME_H
#define OUTCOME_H

#include <QString>

namespace Cli {

// What a run came to, each with the program's exit status.
enum class Status {
    Done = 0,
    Failed = 1,
    Usage = 2, // nothing was opened or sent
    NotReached = 3, // the port could not be opened, or the link could not be made again
    NoAnswer = 4,
    Refused = 5,
    CheckFailed = 6, // the point was stored and judged: failed, or failed conditionally
    NotStable = 7, // nothing was stored
    Records = 8, // the records database could not be reached or refused a write
    // The point was stored and judged: within tolerance, but closer to its limit than the
    // expanded uncertainty, which a script must tell from a plain pass.
    ConditionalPass = 9,
    Interrupted = 130, // as a shell reports a command ended by Ctrl+C
};

// The commands say what happened and why; the program's end says it once.
struct Outcome
{
    Status status = Status::Done;
    QString why; // empty: nothing to say

    bool ok() const { return status == Status::Done; }
};

// The one line a run ends with on stderr, "tr451: " and the reason, with the line breaks of a
// driver's or the system's text folded into it; empty when the outcome has no reason.
QString oneLine(const Outcome &outcome);
// Prints oneLine() and returns the exit status.
int conclude(const Outcome &outcome);

} // namespace Cli

#endif // OUTCOME_H
