#ifndef STATIONSETTINGS_H
#define STATIONSETTINGS_H

#include "check/stabilitygate.h"

#include <QDate>
#include <QString>

#include <array>

// What a calibration check is done with at one station: who, where, against which reference,
// how close a transmitter must come and how stable its readings must be first. Kept between
// runs for the user, in the same place for the window and the command line.
struct StationSettings
{
    QString operatorName;
    QString station;
    QString referenceInstrument;
    QString referenceCertificate;
    QDate referenceDue;
    // The largest |error| that passes, per checked quantity (degrees, %RH).
    std::array<double, CheckedQuantities> tolerance {0.3, 2.0};
    GateLimits limits;
    // Where the records go: empty for TR451_DATABASE or else the default file (RecordStore).
    QString database;

    // From the user's settings; missing entries keep the defaults above.
    static StationSettings load();
    void save() const;

    bool operator==(const StationSettings &other) const;
};

#endif // STATIONSETTINGS_H
