#ifndef RUNLOG_H
#define RUNLOG_H

#include "batch/runlogic.h"
#include "check/runrecord.h"

#include <QDateTime>
#include <QFile>
#include <QString>

// Every reading of a batch run as CSV, by the trend recording's rules (RFC 4180, UTF-8, local
// times with their offset, '.' as the decimal point in every locale): one row for the reference
// and one for each transmitter that answered, each sweep's rows handed to the system whole before
// the next sweep, so that a crash loses nothing logged.
class RunLog
{
public:
    // Appends to fileName, with a header when it is new or empty; false, with errorString(),
    // when it cannot.
    bool open(const QString &fileName);
    // The readings of a sweep taken at time, at a point of run (from 0).
    bool append(const QDateTime &time, int point, const RunLogic::Sweep &sweep,
                const RunRecord &run);
    QString errorString() const { return error; }

private:
    bool write(const QByteArray &bytes);

    QFile file;
    QString error;
};

#endif // RUNLOG_H
