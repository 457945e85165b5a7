#include "support/ptypair.h"

#include "posixpty.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    masterFd = PosixPty::openMaster(&path);
    // Holding the slave open keeps the master readable between the tool's openings.
    if (masterFd >= 0)
        keepSlaveFd = PosixPty::openSlaveKeeper(path);
}

PtyPair::~PtyPair()
{
    closeMaster();
}

void PtyPair::closeMaster()
{
    if (keepSlaveFd >= 0)
        ::close(keepSlaveFd);
    if (masterFd >= 0)
        ::close(masterFd);
    keepSlaveFd = -1;
    masterFd = -1;
}

QByteArray PtyPair::drain()
{
    QByteArray bytes;
    if (masterFd < 0)
        return bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(masterFd, chunk, sizeof chunk);
        if (got <= 0)
            break;
        bytes.append(chunk, int(got));
    }
    return bytes;
}

QByteArray PtyPair::readFromTool(int minBytes, int timeoutMs)
{
    QByteArray bytes = drain();
    QElapsedTimer clock;
    clock.start();
    while (bytes.size() < minBytes && clock.elapsed() < timeoutMs) {
        // The tool writes from the event loop, so keep serving it while we wait.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pollfd fd {masterFd, POLLIN, 0};
        ::poll(&fd, 1, 5);
        bytes += drain();
    }
    return bytes;
}

void PtyPair::writeToTool(const QByteArray &bytes)
{
    if (masterFd < 0)
        return;
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(masterFd, data, size_t(left));
        if (put < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return;
        }
        data += put;
        left -= put;
    }
}

int PtyPair::toolBaudRate() const
{
    return masterFd < 0 ? 0 : PosixPty::lineSpeed(masterFd);
}
