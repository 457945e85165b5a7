#ifndef REFERENCELINE_H
#define REFERENCELINE_H

#include "check/stationsettings.h"

#include <QObject>
#include <QVector>

class InstrumentReader;
class Master;

// The reference instrument's own line. It is opened at the first reading, and again at the
// reading after it was lost, without waiting: a TCP link is made while the window goes on.
class ReferenceLine : public QObject
{
    Q_OBJECT

public:
    ReferenceLine(const ReferenceMap &map, QObject *parent);

    // Starts a reading of the map's fields; each ends with one done(), from the event loop.
    void read();

signals:
    // The fields' values, not a number where they were not read; none, with the reason, when the
    // line could not be opened.
    void done(const QVector<double> &values, const QString &openError);

private:
    void opened(bool ok);
    void startReading();
    void closeLine();

    ReferenceMap map;
    Master *master = nullptr; // while open or being opened
    InstrumentReader *reader = nullptr; // once open
};

#endif // REFERENCELINE_H
