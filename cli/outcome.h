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
    CheckFailed = 6, // the point was stored and judged: not within tolerance
    NotStable = 7, // nothing was stored
    Records = 8, // the records database could not be reached or refused a write
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
