#ifndef STATIONSETTINGS_H
#define STATIONSETTINGS_H

#include "check/stabilitygate.h"
#include "protocol/registerfield.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

// How an error is judged against its tolerance and the expanded uncertainty U of the point.
enum class DecisionRule {
    Simple, // pass when |error| <= tolerance
    Guarded, // pass when |error| + U <= tolerance
    NonBinary, // pass, conditional pass, conditional fail or fail
};

// An instrument the station reaches by itself: a serial port (8N1) or tcp://HOST:PORT, the rate
// and the instrument's address on that line.
struct InstrumentLine
{
    QString port; // empty: none
    int bitsPerSecond = 9600;
    int address = 1;

    bool operator==(const InstrumentLine &other) const;
};

// The reference instrument as the machine reads it: temperature, and either relative humidity
// or dew point, each a field of its register map.
struct ReferenceMap
{
    InstrumentLine line;
    RegisterField temperature;
    RegisterField humidity;
    RegisterField dewPoint;

    bool isSet() const { return !line.port.isEmpty(); }
    // A temperature and a humidity or dew point to read: all a reference needs besides its line.
    bool hasFields() const { return temperature.isSet() && (humidity.isSet() || dewPoint.isSet()); }
    bool operator==(const ReferenceMap &other) const;
};

// A chamber controller that takes set points: temperature and humidity, each a holding register.
struct ChamberMap
{
    InstrumentLine line;
    RegisterField temperature;
    RegisterField humidity;

    bool isSet() const { return !line.port.isEmpty(); }
    bool operator==(const ChamberMap &other) const;
};

// What a calibration check is done with at one station: who, where, against which reference,
// how close a transmitter must come, how stable its readings must be first and how the result
// is judged. Kept between runs for the user, in the same place for the window and the command
// line; a script sets it one key at a time (tr451 station KEY VALUE).
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

    // The reference read by the machine; not set: the technician types its values.
    ReferenceMap referenceMap;
    // The reference's expanded uncertainty per quantity as its certificate gives it, and that
    // certificate's coverage factor. For a dew-point reference the temperature's applies to the
    // dew point too.
    std::array<double, CheckedQuantities> referenceUncertainty {0, 0};
    double referenceCoverage = 2;
    // Half-widths of the chamber's non-uniformity.
    std::array<double, CheckedQuantities> uniformity {0, 0};
    DecisionRule rule = DecisionRule::Simple;
    // A chamber that takes set points, for batch runs; not set: it runs its own program.
    ChamberMap chamber;

    // From the user's settings; missing or unreadable entries keep the defaults above.
    static StationSettings load();
    void save() const;

    // The names of the settings as a script sets them, in the order they are listed.
    static QStringList keys();
    // A setting's value as set() takes it; empty for a setting that is not set.
    QString text(const QString &key) const;
    // Sets one setting from text; false, with *why in plain words and nothing changed, when the
    // key is unknown or the value is not one it takes.
    bool set(const QString &key, const QString &value, QString *why);

    // Why a check begun on today could not have a certificate: the reference instrument, its
    // certificate number or its calibration due date missing, or that date past. Empty when
    // nothing is in the way.
    QString certificateProblem(const QDate &today) const;

    bool operator==(const StationSettings &other) const;
};

#endif // STATIONSETTINGS_H
