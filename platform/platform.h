#ifndef PLATFORM_H
#define PLATFORM_H

#include <QString>

#include <cstdio>
#include <functional>

class QFileDevice;
class QObject;

// The few things Qt does not offer portably, one branch per system (POSIX and Windows). Nothing
// else in the tools calls the operating system directly.
namespace Platform {

// Whether path still names the file that open has open: false when it was removed, moved away
// or replaced by another file of that name (as editors save: a copy renamed over it).
bool isSameFile(const QFileDevice &open, const QString &path);

// Whether stream is a terminal rather than a pipe or a file.
bool isTerminal(std::FILE *stream);

// From now on, the user interrupting the program (Ctrl+C) or the system asking it to end
// (SIGTERM; on Windows also Ctrl+Break and closing the console) calls onInterrupt in context's
// event loop instead of ending the process. False when that cannot be arranged.
bool watchInterrupts(QObject *context, std::function<void()> onInterrupt);

// Writing to a pipe whose reader has gone fails with an error instead of ending the process.
void ignoreBrokenPipe();

} // namespace Platform

#endif // PLATFORM_H
