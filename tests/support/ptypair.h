#ifndef PTYPAIR_H
#define PTYPAIR_H

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair standing in for the USB serial line. The tool opens the slave by its
// path; the test reads what the tool sent, and writes the device's answers, on the master.
class PtyPair
{
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool isValid() const { return masterFd >= 0; }
    QString slavePath() const { return path; }

    // Everything the tool has written so far, waiting up to timeoutMs for at least minBytes.
    QByteArray readFromTool(int minBytes = 1, int timeoutMs = 2000);
    // Whatever the tool has written, without waiting.
    QByteArray drain();
    void writeToTool(const QByteArray &bytes);

    // The line speed the tool set on the slave, in bit/s (0 when unknown).
    int toolBaudRate() const;

    // Closes the master: the tool's side sees the adapter disappear.
    void closeMaster();

private:
    int masterFd = -1;
    int keepSlaveFd = -1;
    QString path;
};

#endif // PTYPAIR_H
