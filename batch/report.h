#ifndef REPORT_H
#define REPORT_H

#include "batch/errorchart.h"
#include "check/runrecord.h"

#include <QCoreApplication>
#include <QString>

// The printable record of a batch run: an A4 PDF in the tool's language with the run (station,
// operator, times, reference, rule), its profile, every transmitter against every point (a cell
// per point with its result) and, per quantity, a chart of each transmitter's error against the
// reference value with the tolerance band and U as error bars. The Batch window shows the same
// cells and charts while the run goes on. Qt Gui only, so that the command line writes it too.
class BatchReport
{
    Q_DECLARE_TR_FUNCTIONS(BatchReport)

public:
    // False, with *error in plain words, when the run is not stored (it has no number yet) or the
    // file cannot be written.
    static bool write(const RunRecord &run, const QString &fileName, QString *error);

    // The report's number: the station's, as a certificate's, and the run's id in the records,
    // as BENCH-2-RUN-000042. Empty for a run not stored.
    static QString identification(const RunRecord &run);
    // Quantity's chart (SampleStore::Temperature or Humidity) over the points taken so far: a
    // series per transmitter, named by its serial number, in the order of the run's checks.
    static ErrorChartData chart(const RunRecord &run, int quantity);

    // A transmitter's point as a cell shows it: its verdict, "not stable" or "no answer"; empty
    // for a point not yet done.
    static QString cellText(const CheckPoint *point);
    // The cell's colour: green to red by the verdict, grey for a point not taken, none (invalid)
    // for a point not yet done.
    static QColor cellColour(const CheckPoint *point);
    // The transmitter's point of the profile, or null.
    static const CheckPoint *pointOf(const Check &check, int profilePoint);
};

#endif // REPORT_H
