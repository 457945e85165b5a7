#include "ui/referenceline.h"

#include "check/referencereading.h"
#include "master/instrumentreader.h"
#include "master/master.h"

ReferenceLine::ReferenceLine(const ReferenceMap &map)
    : map(map)
{}

ReferenceLine::~ReferenceLine() = default;

void ReferenceLine::read()
{
    if (!reader) {
        master = std::make_unique<Master>();
        if (!master->open(map.line.port, map.line.bitsPerSecond)) {
            const QString why = master->errorString();
            master.reset();
            emit done({}, why);
            return;
        }
        reader = std::make_unique<InstrumentReader>(*master, quint8(map.line.address),
                                                    ReferenceReading::fields(map));
        connect(reader.get(), &InstrumentReader::finished, this,
                [this](const QVector<double> &values) { emit done(values, QString()); });
    }
    // A port that went away, or a link given up on, refuses every request: open it anew.
    if (!reader->start()) {
        reader.reset();
        master.reset();
        emit done({}, QString());
    }
}
