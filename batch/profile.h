#ifndef PROFILE_H
#define PROFILE_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// One chamber point of a batch run: the chamber is set to it, the reference has to come within
// the band around it, and from then on the point soaks before its readings are taken. A
// transmitter not stable within maxWaitS of the band's entry is given up for the point.
struct ProfilePoint
{
    static constexpr double DefaultBandTemperature = 1.0; // degrees either side
    static constexpr double DefaultBandHumidity = 3.0; // %RH either side

    double temperature = 0; // degrees Celsius
    double humidity = 0; // %RH
    double soakS = 0;
    double maxWaitS = 0;
    double bandTemperature = DefaultBandTemperature;
    double bandHumidity = DefaultBandHumidity;

    bool operator==(const ProfilePoint &other) const;
    bool operator!=(const ProfilePoint &other) const { return !(*this == other); }
};

// The points of a batch run, in order, as a technician writes them in a spreadsheet: a CSV file
// with the header temperature,humidity,soak,max_wait and optionally band_temperature and
// band_humidity, in any order, then one line per point. Read as spreadsheets save it (a UTF-8
// byte-order mark, CRLF, blank lines, quoted fields, and semicolons with decimal commas, as a
// German spreadsheet writes them) and refused whole, naming the line and column, before a run
// sends anything.
class Profile
{
public:
    // The profile in bytes; empty, with *error saying where and why, when they are not one.
    static std::optional<Profile> parse(const QByteArray &bytes, QString *error);
    // Commas, '.' decimals and every column, so that parse() gives this profile back.
    QByteArray toCsv() const;

    const QVector<ProfilePoint> &points() const { return list; }

private:
    QVector<ProfilePoint> list;
};

#endif // PROFILE_H
