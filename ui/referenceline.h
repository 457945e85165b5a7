#ifndef REFERENCELINE_H
#define REFERENCELINE_H

#include "check/stationsettings.h"

#include <QObject>
#include <QVector>

#include <memory>

class InstrumentReader;
class Master;

// The reference instrument's own line, meant to live in a thread of its own: opening a TCP link
// waits until the link is made, which the window must never do. The line is opened at the first
// reading, and again at the reading after it was lost.
class ReferenceLine : public QObject
{
    Q_OBJECT

public:
    explicit ReferenceLine(const ReferenceMap &map);
    ~ReferenceLine() override;

    // Starts a reading of the map's fields; each ends with one done().
    void read();

signals:
    // The fields' values, not a number where they were not read; none, with the reason, when the
    // line could not be opened.
    void done(const QVector<double> &values, const QString &openError);

private:
    ReferenceMap map;
    std::unique_ptr<Master> master;
    std::unique_ptr<InstrumentReader> reader;
};

#endif // REFERENCELINE_H
