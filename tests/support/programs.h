#ifndef PROGRAMS_H
#define PROGRAMS_H

#include <QProcess>
#include <QStringList>

#include <functional>

// How a program a test ran ended: its exit status (-1 when it did not start, a signal ended it,
// or it still ran after 90 s and was killed), and all it wrote.
struct Run
{
    int status = -1;
    QString out, err;
};

// A program run to its end in an event loop that its end ends, so that whatever the test serves
// meanwhile (a simulated line) answers at once: started may connect to the process, whileRunning
// act on the output so far as it grows.
Run runProgram(const QString &program, const QStringList &arguments,
               const std::function<void(QProcess &)> &started = nullptr,
               const std::function<void(QProcess &, const QString &out)> &whileRunning = nullptr);

// A program the test starts, ended when it goes (a QProcess left running warns).
struct Program : QProcess
{
    ~Program() override
    {
        kill();
        waitForFinished();
    }
};

// A program of this build by its path in the build folder ("cli/tr451").
QString built(const QString &path);

// Whether python3 imports the modules (pymodbus and its kin are optional).
bool pythonHas(const QString &modules);

// pymodbus serving RTU over TCP (rtu_tcp_peer.py with arguments) in peer, an independent
// transmitter or reference; the port it listens on, empty when pymodbus is not installed.
QString servePymodbus(Program &peer, const QStringList &arguments = {});

#endif // PROGRAMS_H
