#include "ui/referenceline.h"

#include "check/referencereading.h"
#include "master/instrumentreader.h"
#include "master/master.h"

ReferenceLine::ReferenceLine(const ReferenceMap &map, QObject *parent)
    : QObject(parent)
    , map(map)
{}

void ReferenceLine::read()
{
    if (reader) {
        startReading();
    } else if (!master) {
        master = new Master(this);
        connect(master, &Master::opened, this, &ReferenceLine::opened);
        master->openLater(map.line.port, map.line.bitsPerSecond);
    }
}

void ReferenceLine::opened(bool ok)
{
    if (!ok) {
        const QString why = master->errorString();
        closeLine();
        emit done({}, why);
        return;
    }
    reader = new InstrumentReader(*master, quint8(map.line.address), ReferenceReading::fields(map),
                                  master);
    connect(reader, &InstrumentReader::finished, this,
            [this](const QVector<double> &values) { emit done(values, QString()); });
    startReading();
}

// A port that went away, or a link given up on, refuses every request: it is opened anew at the
// next reading.
void ReferenceLine::startReading()
{
    if (reader->start())
        return;
    closeLine();
    emit done({}, QString());
}

// Gone once its own signals have returned.
void ReferenceLine::closeLine()
{
    master->deleteLater();
    master = nullptr;
    reader = nullptr;
}
