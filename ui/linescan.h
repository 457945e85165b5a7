#ifndef LINESCAN_H
#define LINESCAN_H

#include "master/master.h"

#include <QObject>
#include <QString>

// Finds the transmitters on a line: asks every address from 1 to 247 in turn for its
// information block, at one rate, on a master of its own and without ever waiting in a loop of
// its own, so that the window stays live and Stop ends it at once. Instruments that refuse the
// read (a reference, a chamber controller) are not transmitters.
class LineScan : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // False, with *error in plain words, when the port cannot be opened; otherwise the scan
    // runs until finished(). A link over TCP is waited for in a local event loop.
    bool start(const QString &port, int bitsPerSecond, QString *error);
    // Ends the scan at once, its port closed.
    void stop();
    bool isRunning() const { return master != nullptr; }

signals:
    void asking(int address);
    void found(int address);
    // why: empty when every address was asked or the scan was stopped.
    void finished(const QString &why);

private:
    void askNext();
    void answered(const Master::Answer &answer);
    void end(const QString &why);

    Master *master = nullptr;
    int address = 0;
};

#endif // LINESCAN_H
