#ifndef PLATFORM_H
#define PLATFORM_H

#include <QString>

class QFileDevice;

// The few things Qt does not offer portably, one branch per system (POSIX and Windows). Nothing
// else in the tools calls the operating system directly.
namespace Platform {

// Whether path still names the file that open has open: false when it was removed, moved away
// or replaced by another file of that name (as editors save: a copy renamed over it).
bool isSameFile(const QFileDevice &open, const QString &path);

} // namespace Platform

#endif // PLATFORM_H
