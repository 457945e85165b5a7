#include "posixpty.h"

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace PosixPty {

namespace {

void makeRaw(int fd)
{
    termios attributes {};
    if (::tcgetattr(fd, &attributes) != 0)
        return;
    ::cfmakeraw(&attributes);
    ::tcsetattr(fd, TCSANOW, &attributes);
}

QString symlinkTarget(const QString &path)
{
    char target[4096];
    const ssize_t length = ::readlink(path.toLocal8Bit().constData(), target, sizeof target);
    return length < 0 ? QString() : QString::fromLocal8Bit(target, int(length));
}

} // namespace

int openMaster(QString *slavePath)
{
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    // A program started meanwhile must not keep the line alive after the adapter is pulled.
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    char *name = nullptr;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || (name = ::ptsname(fd)) == nullptr) {
        ::close(fd);
        return -1;
    }
    *slavePath = QString::fromLocal8Bit(name);
    makeRaw(fd);
    return fd;
}

int openSlaveKeeper(const QString &slavePath)
{
    const int fd =
        ::open(slavePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        makeRaw(fd);
    return fd;
}

int lineSpeed(int masterFd)
{
    termios attributes {};
    if (::tcgetattr(masterFd, &attributes) != 0)
        return 0;
    switch (::cfgetospeed(&attributes)) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

bool placeLink(const QString &target, const QString &link)
{
    const QByteArray path = link.toLocal8Bit();
    struct stat status
    {
    };
    if (::lstat(path.constData(), &status) == 0) {
        if (!S_ISLNK(status.st_mode) || ::unlink(path.constData()) != 0)
            return false;
    }
    return ::symlink(target.toLocal8Bit().constData(), path.constData()) == 0;
}

void removeLink(const QString &target, const QString &link)
{
    if (!link.isEmpty() && symlinkTarget(link) == target)
        ::unlink(link.toLocal8Bit().constData());
}

} // namespace PosixPty
