#ifndef RUNTEXTS_H
#define RUNTEXTS_H

#include "batch/batchrun.h"

#include <QCoreApplication>

// A batch run's progress and end in the Batch window's words.
class RunTexts
{
    Q_DECLARE_TR_FUNCTIONS(RunTexts)

public:
    // "Point 2 of 5: soaking".
    static QString point(const BatchRun::Progress &progress);
    // The point's band (none once every point is done) and the reference's reading.
    static QString band(const BatchRun::Progress &progress);
    // The soak left and the time the rest of the run takes at most.
    static QString times(const BatchRun::Progress &progress);
    static QString end(BatchRun::End end, const QString &why);
    // Why a transmitter's point is not taken yet: the first quantity whose gate is not met, the
    // transmitter's before the reference's ("humidity drifting", "reference: temperature
    // filling"), else "met".
    static QString gate(const GateState &gate);
    // "2 h 05 min", "3 min 20 s", "45 s": whole seconds, rounded up.
    static QString duration(qint64 ms);
};

#endif // RUNTEXTS_H
