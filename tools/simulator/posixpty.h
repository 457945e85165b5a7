#ifndef POSIXPTY_H
#define POSIXPTY_H

#include <QString>

// The few POSIX calls behind a pseudo-terminal that stands in for a USB serial adapter. Used by
// the transmitter simulator and by the tests; the tool itself reaches ports through Qt only.
namespace PosixPty {

// Opens a new master in raw, non-blocking mode and returns its descriptor (-1 on failure);
// *slavePath receives the path the tool opens.
int openMaster(QString *slavePath);

// Opens the slave once more and keeps it: without a slave open, reading the master fails with
// EIO whenever the tool has closed its port.
int openSlaveKeeper(const QString &slavePath);

// The speed the other side set on the line, in bit/s; 0 for an unknown speed.
int lineSpeed(int masterFd);

// A symlink at link to the pseudo-terminal target. An existing symlink is taken over (one whose
// owner did not get to clean up); any other file is not ours to replace.
bool placeLink(const QString &target, const QString &link);
// Removes link only while it still points at target: another owner may have taken it over.
void removeLink(const QString &target, const QString &link);

} // namespace PosixPty

#endif // POSIXPTY_H
