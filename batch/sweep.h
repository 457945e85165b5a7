#ifndef SWEEP_H
#define SWEEP_H

#include "batch/linequeue.h"
#include "batch/runlogic.h"

#include <QVector>

// A device of a batch run: the master of its line and its address there.
struct LineDevice
{
    Master *master = nullptr;
    quint8 address = 0;
};

// One sweep of a batch run's line: the reference read by its register map, then each transmitter
// asked for its readings, queued in that order on the run's queue. Filled in by the answers; what
// did not answer stays without a reading.
class Sweep
{
public:
    Sweep(LineQueue &queue, const LineDevice &reference, const ReferenceMap &map,
          const QVector<LineDevice> &transmitters, const QVector<int> &asked);

    // Once the queue has drained: the sweep as RunLogic takes it, ended at timeMs.
    RunLogic::Sweep readings(qint64 timeMs) const;

private:
    QVector<RegisterField> fields;
    QVector<RegisterRead> reads;
    ReferenceMap map;
    QVector<QVector<quint16>> referenceAnswers;
    QVector<std::pair<int, std::optional<SampleStore::Values>>> transmitters;
};

#endif // SWEEP_H
