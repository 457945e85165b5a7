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

// Writing to a pipe whose reader has gone, or past the largest file the system allows a process,
// fails with an error instead of ending the process.
void failWritesInsteadOfSignals();

// How handing bytes to the system ended.
struct Written
{
    qint64 bytes = 0; // how many it took
    bool failed = false;
    // The reader of a pipe has gone: the end of what a reader wanted rather than a fault.
    bool readerGone = false;
    QString error; // the system's reason, when it failed
};

// Hands all of bytes to the system through the handle of a file opened unbuffered, again after
// a short write, so that the write that fails is the one that says why.
Written write(const QFileDevice &file, const QByteArray &bytes);

} // namespace Platform

#endif // PLATFORM_H
