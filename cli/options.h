#ifndef OPTIONS_H
#define OPTIONS_H

#include "check/checkrecord.h"
#include "protocol/readings.h"

#include <QList>
#include <QString>
#include <QStringList>

// The command line of tr451, checked whole before anything is opened or sent: every bad input
// gives a reason, and the program then stops.
namespace Cli {

enum class Format { Table, Csv, Json };

// The value a set command writes.
struct Setting
{
    enum What { Address, Baud, Range, Heater } what = Address;
    int value = 0; // the address, the rate in bit/s, or 1 for the heater on
    qint16 rangeMin = 0; // tenths of a degree
    qint16 rangeMax = 0;
};

struct Options
{
    QString command;
    QString port;
    QList<int> bauds; // one rate, or the rates to try in turn (auto)
    int address = 0; // 0: whichever transmitter is alone on the line
    int timeoutMs = 0; // 0: the master's default for each request
    int retries = -1; // -1: the command's default
    Format format = Format::Csv;
    bool formatGiven = false;
    bool stats = false;

    QList<int> scanAddresses;
    QList<int> scanBauds;

    int count = 0; // 0: until interrupted
    int intervalMs = 1000;
    Readings::Scale scale = Readings::Scale::Hundredths;
    int quantity = 0; // as the window's Read selector: 0 all, 1 to 4 one register
    QString output;

    Setting setting;

    Check::Kind kind = Check::Kind::AsFound;
    std::array<double, CheckedQuantities> references {};
    qint64 windowMs = 0; // 0: the station's stability window
    qint64 waitStableMs = 0;
    QString certificate;

    QString serialNumber; // of history
};

struct Parsed
{
    Options options;
    bool help = false;
    QString error; // empty when the command line is good
};

// arguments without the program name; environmentPort is TR451_PORT's value.
Parsed parse(const QStringList &arguments, const QString &environmentPort);

QString usage();

} // namespace Cli

#endif // OPTIONS_H
