#ifndef OPTIONS_H
#define OPTIONS_H

#include "check/checkrecord.h"
#include "cli/outcome.h"
#include "protocol/readings.h"

#include <QList>
#include <QPair>
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

struct Options;
class Session;

// A command: its words as the usage shows them, whether it speaks to a transmitter, and how
// often an unanswered request is sent again unless --retries says.
struct Command
{
    const char *name;
    const char *words;
    const char *summary;
    bool needsPort;
    int retries;
    // Takes the words after the command's name; the reason when they are not good.
    QString (*takeWords)(const QStringList &words, Options *options);
    Outcome (*run)(Session &session, const Options &options);
};

struct Options
{
    const Command *command = nullptr;
    QString port;
    QList<int> bauds; // one rate, or the rates to try in turn (auto)
    int address = 0; // 0: whichever transmitter is alone on the line
    int timeoutMs = 0; // 0: the master's default for each request
    int retries = 0;
    Format format = Format::Csv;
    bool formatGiven = false;
    bool stats = false;
    bool debug = false;

    QList<int> scanAddresses;
    QList<int> scanBauds;

    int count = 0; // 0: until interrupted
    int intervalMs = 1000;
    Readings::Scale scale = Readings::Scale::Hundredths;
    int quantity = 0; // as the window's Read selector: 0 all, 1 to 4 one register
    QString output;

    Setting setting;

    Check::Kind kind = Check::Kind::AsFound;
    // Typed by the technician: --ref-temperature and --ref-humidity; else the machine reads them.
    bool referencesTyped = false;
    std::array<double, CheckedQuantities> references {};
    // The station's settings of the reference read by the machine, and of a run's chamber, that
    // the options give for this run, by key, in the order they are set over the station's own.
    QList<QPair<QString, QString>> stationSettings;
    qint64 windowMs = 0; // 0: the station's stability window
    qint64 waitStableMs = 0;
    QString certificate;

    QString profile; // of run: its file
    bool resume = false;
    QString certificates; // a folder
    QString report;
    QString log;

    QString serialNumber; // of history
    QString stationKey; // of station; empty: show them all
    QString stationValue;
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

// The station's settings as the user keeps them, with those the options give for this run over
// them (a read reference, a run's chamber, the stability window).
StationSettings stationFor(const Options &options);

} // namespace Cli

#endif // OPTIONS_H
