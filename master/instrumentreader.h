#ifndef INSTRUMENTREADER_H
#define INSTRUMENTREADER_H

#include "master/master.h"
#include "protocol/registerfield.h"

#include <QObject>
#include <QVector>

// Reads the values of another instrument on a line (a reference hygrometer, a chamber
// controller) by its register map: the fields in the fewest requests, one after another on the
// master, which may serve the transmitters on the same line between two readings.
class InstrumentReader : public QObject
{
    Q_OBJECT

public:
    InstrumentReader(Master &master, quint8 address, const QVector<RegisterField> &fields,
                     QObject *parent = nullptr);

    // Starts a reading; finished() gives every field's value, not a number where its request was
    // refused or lost. False, with nothing sent, while the master is busy or a reading is.
    bool start();
    // start(), then waits for it in a local event loop.
    QVector<double> read();
    // How the reading's first request that brought no values ended; Answered when all did.
    Master::Result result() const { return outcome; }

signals:
    void finished(const QVector<double> &values);

private:
    void next();
    void answered(const Master::Answer &answer);

    Master &master;
    quint8 address;
    QVector<RegisterField> fields;
    QVector<RegisterRead> reads;
    QVector<QVector<quint16>> answers;
    int reading = -1; // the read under way; -1 when none
    Master::Result outcome = Master::Result::Answered;
};

#endif // INSTRUMENTREADER_H
