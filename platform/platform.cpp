#include "platform/platform.h"

#include <QFile>
#include <QMetaObject>
#include <QPointer>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Platform {

#ifdef Q_OS_WIN

namespace {

bool identify(HANDLE handle, BY_HANDLE_FILE_INFORMATION *info)
{
    return handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, info);
}

} // namespace

bool isSameFile(const QFileDevice &open, const QString &path)
{
    BY_HANDLE_FILE_INFORMATION held {};
    BY_HANDLE_FILE_INFORMATION named {};
    if (!identify(HANDLE(_get_osfhandle(open.handle())), &held))
        return false;
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool found = identify(handle, &named);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return found && held.dwVolumeSerialNumber == named.dwVolumeSerialNumber
        && held.nFileIndexHigh == named.nFileIndexHigh && held.nFileIndexLow == named.nFileIndexLow;
}

bool isTerminal(std::FILE *stream)
{
    return _isatty(_fileno(stream)) != 0;
}

namespace {

QPointer<QObject> interruptContext;
std::function<void()> interruptHandler;

// Runs on a thread of its own: the handler is queued to the context's event loop.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    if (interruptContext)
        QMetaObject::invokeMethod(interruptContext, interruptHandler, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

bool watchInterrupts(QObject *context, std::function<void()> onInterrupt)
{
    interruptContext = context;
    interruptHandler = std::move(onInterrupt);
    return SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

void failWritesInsteadOfSignals()
{
    // Windows raises no signal for a closed pipe or a file too large: the write fails.
}

Written write(const QFileDevice &file, const QByteArray &bytes)
{
    Written written;
    const HANDLE handle = HANDLE(_get_osfhandle(file.handle()));
    while (written.bytes < bytes.size()) {
        DWORD done = 0;
        if (!WriteFile(handle, bytes.constData() + written.bytes,
                       DWORD(bytes.size() - written.bytes), &done, nullptr)) {
            const DWORD code = GetLastError();
            written.failed = true;
            written.readerGone = code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA;
            written.error = qt_error_string(int(code));
            return written;
        }
        written.bytes += done;
    }
    return written;
}

#else

bool isSameFile(const QFileDevice &open, const QString &path)
{
    struct stat held
    {
    };
    struct stat named
    {
    };
    return open.handle() >= 0 && ::fstat(open.handle(), &held) == 0
        && ::stat(QFile::encodeName(path).constData(), &named) == 0 && held.st_dev == named.st_dev
        && held.st_ino == named.st_ino;
}

bool isTerminal(std::FILE *stream)
{
    return ::isatty(::fileno(stream)) != 0;
}

namespace {

// A signal handler may do next to nothing: it writes a byte that the event loop then reads.
int interruptSockets[2] = {-1, -1};

void onInterruptSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(interruptSockets[0], &byte, 1);
}

} // namespace

bool watchInterrupts(QObject *context, std::function<void()> onInterrupt)
{
    if (interruptSockets[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, interruptSockets) != 0)
        return false;
    struct sigaction action
    {
    };
    action.sa_handler = onInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &action, nullptr) != 0 || ::sigaction(SIGTERM, &action, nullptr) != 0)
        return false;
    auto *notifier = new QSocketNotifier(interruptSockets[1], QSocketNotifier::Read, context);
    QObject::connect(
        notifier, &QSocketNotifier::activated, context, [handler = std::move(onInterrupt)] {
            char bytes[16];
            [[maybe_unused]] const ssize_t got = ::read(interruptSockets[1], bytes, sizeof bytes);
            handler();
        });
    return true;
}

void failWritesInsteadOfSignals()
{
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

Written write(const QFileDevice &file, const QByteArray &bytes)
{
    Written written;
    while (written.bytes < bytes.size()) {
        const ssize_t done = ::write(file.handle(), bytes.constData() + written.bytes,
                                     size_t(bytes.size() - written.bytes));
        if (done > 0) {
            written.bytes += done;
            continue;
        }
        if (done < 0 && errno == EINTR)
            continue;
        // A write that takes nothing would take nothing again.
        written.failed = true;
        written.readerGone = done < 0 && errno == EPIPE;
        written.error = done < 0 ? qt_error_string(errno) : QStringLiteral("nothing was written");
        return written;
    }
    return written;
}

#endif

} // namespace Platform
