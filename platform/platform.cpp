#include "platform/platform.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
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

#endif

} // namespace Platform
