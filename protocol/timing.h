#ifndef TIMING_H
#define TIMING_H

// The intervals the request paths start the window's timers with.
namespace Timing {

// Every start of timerReadHumiture: a poll goes out once a second, and a command that restarts
// the timer moves the next poll a whole interval past itself.
constexpr int PollIntervalMs = 1000;
constexpr int ResponseTimeoutMs = 500;

} // namespace Timing

#endif // TIMING_H
