#ifndef RUNLINES_H
#define RUNLINES_H

#include "master/master.h"

#include <QString>

#include <memory>
#include <vector>

// The lines of a batch run: one master for each port (by any of its names), which serves every
// device on it (the transmitters, and the reference and the chamber when they share their line),
// one request at a time. A run never sends a request again: a miss is a miss, and RunLogic counts
// it.
class RunLines
{
public:
    // timeoutMs: 0 for the master's default, each request's wire time and turnaround.
    explicit RunLines(int timeoutMs);
    ~RunLines();
    RunLines(const RunLines &) = delete;
    RunLines &operator=(const RunLines &) = delete;

    // The master of port, opened at bitsPerSecond unless another device's opened it already (one
    // line has one rate); nullptr, with *error saying why, when it cannot be opened.
    Master *open(const QString &port, int bitsPerSecond, QString *error);
    // Why the line of master is gone: its port lost, or its link not made again.
    QString whyLost(const Master *master) const;
    // Ends the transaction under way on every line and sends nothing from then on.
    void cancel();

private:
    int timeoutMs;
    std::vector<std::pair<QString, std::unique_ptr<Master>>> lines;
};

#endif // RUNLINES_H
