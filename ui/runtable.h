#ifndef RUNTABLE_H
#define RUNTABLE_H

#include "batch/batchrun.h"

#include <QCoreApplication>

class QTableWidget;
struct RunRecord;

// The rack of a batch run as a table: a row per transmitter, in the order of the run's checks,
// with its newest readings and their errors against the reference's, where it stands at the
// current point (its gate), and a cell per point of the profile with its result, as the report
// shows it.
class RunTable
{
    Q_DECLARE_TR_FUNCTIONS(RunTable)

public:
    enum Column { Serial, Address, Temperature, Humidity, TemperatureError, HumidityError, Gate };
    static constexpr int FirstPointColumn = Gate + 1;

    explicit RunTable(QTableWidget *table);

    // No rows, and a column for each point.
    void setProfile(const QVector<ProfilePoint> &points);
    // A row for each of the run's checks, with the points it has, none set aside.
    void setRun(const RunRecord &run);
    void showSweep(const RunLogic::Sweep &sweep);
    void showPoints(const RunRecord &run, int transmitter);
    void setAside(int transmitter, bool aside);
    // Where each transmitter stands at the current point: set aside, done, its gate (and the
    // reference's) while points are taken, or waiting for the band and the soak.
    void showGates(const BatchRun &batch, const BatchRun::Progress &progress);

private:
    void setText(int row, int column, const QString &text);

    QTableWidget *table;
    QVector<bool> aside; // by transmitter
};

#endif // RUNTABLE_H
