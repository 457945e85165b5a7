#include "cli/options.h"

#include "check/stationsettings.h"
#include "cli/commands.h"
#include "protocol/addresslist.h"
#include "protocol/commandinputs.h"
#include "protocol/registers.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <algorithm>
#include <climits>

namespace Cli {

namespace {

// The commands that speak to a transmitter share the options of the line; those that speak to
// one at a time name it by its address and may ask again, while a run enrols by --addresses, asks
// each once, and keeps lines of its own.
constexpr const char *LineCommands = "scan info read set check run";
constexpr const char *SingleCommands = "scan info read set check";

struct KnownOption
{
    const char *name;
    const char *value; // its name in the usage; nullptr: the option takes none
    const char *commands; // the commands it belongs to, by a space; nullptr: every command
    const char *help;
};

// In the order of the usage: each command's own options under it, then the shared ones.
constexpr KnownOption OptionTable[] = {
    {"addresses", "LIST", "scan run", "addresses to try, e.g. 1-247 (the default) or 1,2,17"},
    {"bauds", "LIST|all", "scan", "rates to try, e.g. 9600,19200 (default: all)"},
    {"count", "N", "read", "stop after N readings (default: until interrupted)"},
    {"interval", "MS", "read", "one reading every MS ms (default 1000; 0: at once)"},
    {"scale", "100|10", "read", "hundredths or tenths registers (default 100)"},
    {"what", "all|temperature|humidity|dewpoint|status", "read", "(default all)"},
    {"output", "FILE", "read", "append to FILE instead of writing to stdout"},
    {"kind", "as-found|as-left", "check run", "(check: needed; run: as-found by default)"},
    {"ref-temperature", "T", "check", "the reference's degrees, typed"},
    {"ref-humidity", "H", "check", "the reference's %RH, typed"},
    {"reference", "PORT|tcp://HOST:PORT", "check run", "or read it there (default: the station's)"},
    {"reference-baud", "RATE", "check run",
     "its rate on a port of its own (default: the station's)"},
    {"reference-address", "N", "check run", "its address (default: the station's)"},
    {"reference-temperature", "F:REG:TYPE[:SCALE]", "check run",
     "its temperature, e.g. 4:0:float32"},
    {"reference-humidity", "F:REG:TYPE[:SCALE]", "check run", "its %RH, e.g. 4:2:float32"},
    {"reference-dewpoint", "F:REG:TYPE[:SCALE]", "check run", "or its dew point"},
    {"window", "S", "check run", "stability window (default: the station's)"},
    {"wait-stable", "S", "check", "give up after S s unstable (default 1800)"},
    {"certificate", "FILE", "check", "also write the check's certificate (PDF)"},
    {"resume", nullptr, "run", "go on with the newest unfinished run of PROFILE"},
    {"certificates", "DIR", "run", "also write each transmitter's certificate there (PDF)"},
    {"report", "FILE", "run", "also write the batch report there (PDF)"},
    {"log", "FILE", "run", "append every reading of the run to FILE (CSV)"},
    {"chamber", "PORT", "run", "a chamber that takes set points: its port or tcp://HOST:PORT"},
    {"chamber-baud", "RATE", "run", "its rate (a line shared with the transmitters: theirs)"},
    {"chamber-address", "N", "run", "its address"},
    {"chamber-temperature", "3:REG:TYPE[:SCALE]", "run",
     "its temperature set point, e.g. 3:0:int16:10"},
    {"chamber-humidity", "3:REG:TYPE[:SCALE]", "run", "its humidity set point, e.g. 3:1:int16:10"},
    {"port", "NAME", LineCommands, "serial port, or tcp://HOST:PORT (default: TR451_PORT)"},
    {"baud", "RATE|auto", LineCommands, "1200 to 115200 (default 9600); auto tries all"},
    {"timeout", "MS", LineCommands, "wait for an answer (default: its wire time + 100 ms)"},
    {"address", "N", SingleCommands,
     "1 to 247; 0 (the default): the transmitter alone on the line"},
    {"retries", "N", SingleCommands, "send again after no answer (default 2; scan 0)"},
    {"stats", nullptr, SingleCommands, "print the request counters to stderr at the end"},
    {"format", "table|csv|json", nullptr, "default: table on a terminal, else csv"},
    {"debug", nullptr, nullptr, "show Qt's own messages on stderr"},
};

// A request that goes unanswered is sent twice more before the command gives up; a scan asks
// each address once, since most of them have nobody to answer.
constexpr int DefaultRetries = 2;
constexpr int ScanRetries = 0;

QString noWords(const QStringList &words, Options *options);
QString settingWords(const QStringList &words, Options *options);
QString serialWord(const QStringList &words, Options *options);
QString stationWords(const QStringList &words, Options *options);
QString profileWord(const QStringList &words, Options *options);

const Command Commands[] = {
    {"ports", "", "the serial ports", false, DefaultRetries, noWords, ports},
    {"scan", "", "find the transmitters on the line", true, ScanRetries, noWords, scan},
    {"info", "", "identity and output settings of one transmitter", true, DefaultRetries, noWords,
     info},
    {"read", "", "readings with their 4-20 mA, 0-5 V and 0-10 V values", true, DefaultRetries,
     noWords, read},
    {"set", "address N | baud RATE | range MIN MAX | heater on|off", "one write, read back", true,
     DefaultRetries, settingWords, set},
    {"check", "", "one point of a calibration check, stored in the check's records", true,
     DefaultRetries, noWords, check},
    {"history", "SERIAL", "the stored checks of a serial number, newest first", false,
     DefaultRetries, serialWord, history},
    {"station", "[KEY VALUE]", "the station's settings for a check, or one of them set", false,
     DefaultRetries, stationWords, station},
    {"run", "PROFILE", "a batch of transmitters through a profile of chamber points", true,
     ScanRetries, profileWord, run},
};

// The Read selector's quantities, in its order.
const QStringList Quantities {"all", "temperature", "humidity", "dewpoint", "status"};
const QStringList Formats {"table", "csv", "json"};
const QStringList Settings {"address", "baud", "range", "heater"};
constexpr int SettingArguments[] = {1, 1, 2, 1};
constexpr int MaxTimeoutMs = 600000;
constexpr int MaxRetries = 100;
constexpr int MaxIntervalMs = 24 * 3600 * 1000;

// The references as the check window takes them: in its ranges, to hundredths.
struct ReferenceOption
{
    const char *name;
    const char *unit;
    double low;
    double high;
};
constexpr ReferenceOption References[CheckedQuantities] = {
    {"ref-temperature", "degrees", -60, 150},
    {"ref-humidity", "%RH", 0, 100},
};
// The options that read the reference or drive a run's chamber, each standing for a station
// setting for one run.
struct StationOption
{
    const char *name;
    const char *stationKey;
};
constexpr StationOption StationOptions[] = {
    {"reference", "reference-port"},
    {"reference-baud", "reference-baud"},
    {"reference-address", "reference-address"},
    {"reference-temperature", "reference-temperature"},
    {"reference-humidity", "reference-humidity"},
    {"reference-dewpoint", "reference-dewpoint"},
    {"chamber", "chamber-port"},
    {"chamber-baud", "chamber-baud"},
    {"chamber-address", "chamber-address"},
    {"chamber-temperature", "chamber-temperature"},
    {"chamber-humidity", "chamber-humidity"},
};
const QStringList CheckKinds {"as-found", "as-left"};
// The check window's range of stability windows.
constexpr int MinWindowS = 5;
constexpr int MaxWindowS = 3600;
// Long enough for a humidity step in a chamber to settle.
constexpr int DefaultWaitStableS = 1800;
constexpr int MaxWaitStableS = 24 * 3600;

// The width of the usage's left column.
constexpr int UsageColumn = 29;

// The entry of a table by its name; nullptr for none.
template<typename Entry, std::size_t Size>
const Entry *byName(const Entry (&table)[Size], const QString &name)
{
    const auto *found = std::find_if(std::begin(table), std::end(table),
                                     [&name](const Entry &entry) { return name == entry.name; });
    return found == std::end(table) ? nullptr : found;
}

// "a, b and c"
QString listed(const QStringList &items)
{
    return items.size() < 2 ? items.join(QString())
                            : items.mid(0, items.size() - 1).join(QLatin1String(", "))
            + QLatin1String(" and ") + items.last();
}

QStringList commandsOf(const KnownOption &known)
{
    return QString::fromLatin1(known.commands).split(QLatin1Char(' '));
}

QStringList commandNames()
{
    QStringList names;
    for (const Command &command : Commands)
        names << QLatin1String(command.name);
    return names;
}

bool wholeNumber(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

QString rateList()
{
    QStringList rates;
    for (const int rate : Registers::BaudRates)
        rates << QString::number(rate);
    return rates.join(QLatin1String(", "));
}

bool isRate(int rate)
{
    return std::find(Registers::BaudRates.cbegin(), Registers::BaudRates.cend(), rate)
        != Registers::BaudRates.cend();
}

QList<int> searchOrder()
{
    return QList<int>(Registers::BaudSearchOrder.cbegin(), Registers::BaudSearchOrder.cend());
}

bool reference(const QString &text, const ReferenceOption &option, double *value)
{
    static const QRegularExpression hundredths(QStringLiteral("^-?[0-9]+(\\.[0-9]{1,2})?$"));
    const double number = text.toDouble();
    if (!hundredths.match(text).hasMatch() || number < option.low || number > option.high)
        return false;
    *value = number;
    return true;
}

// "auto" or "all" (whichever allAs is) for every rate fastest first, else rates separated by
// commas (only one unless many).
bool rates(const QString &text, const QString &allAs, bool many, QList<int> *values)
{
    if (text == allAs) {
        *values = searchOrder();
        return true;
    }
    const QStringList items = text.split(QLatin1Char(','));
    if (!many && items.size() != 1)
        return false;
    values->clear();
    for (const QString &item : items) {
        int rate = 0;
        if (!wholeNumber(item, 1, INT_MAX, &rate) || !isRate(rate))
            return false;
        values->append(rate);
    }
    return true;
}

// The setting and its values, as the window checks them before it sends.
QString settingWords(const QStringList &words, Options *options)
{
    Setting *setting = &options->setting;
    const int what = Settings.indexOf(words.value(0));
    if (what < 0 || words.size() != 1 + SettingArguments[what])
        return QStringLiteral("set takes address N, baud RATE, range MIN MAX or heater on|off");
    setting->what = Setting::What(what);
    const QString &value = words.at(1);
    switch (setting->what) {
    case Setting::Address:
        if (!wholeNumber(value, Registers::FirstDeviceAddress, Registers::LastDeviceAddress,
                         &setting->value))
            return QStringLiteral("the new address is between 1 and 247, not \"%1\"").arg(value);
        return QString();
    case Setting::Baud:
        if (!wholeNumber(value, 1, INT_MAX, &setting->value) || !isRate(setting->value))
            return QStringLiteral("the baud rate is one of %1, not \"%2\"").arg(rateList(), value);
        return QString();
    case Setting::Range:
        for (int i = 1; i <= 2; ++i) {
            if (!CommandInputs::rangeLimitInTenths(
                    words.at(i), i == 1 ? &setting->rangeMin : &setting->rangeMax))
                return QStringLiteral("the range limit \"%1\" is not a temperature in degrees")
                    .arg(words.at(i));
        }
        if (setting->rangeMin > setting->rangeMax)
            return QStringLiteral("the lower range limit %1 is above the upper limit %2")
                .arg(words.at(1), words.at(2));
        return QString();
    case Setting::Heater:
        if (value != QLatin1String("on") && value != QLatin1String("off"))
            return QStringLiteral("the heater is set on or off, not \"%1\"").arg(value);
        setting->value = value == QLatin1String("on") ? 1 : 0;
        return QString();
    }
    return QString();
}

QString noWords(const QStringList &words, Options *options)
{
    if (words.isEmpty())
        return QString();
    return QStringLiteral("%1 takes no argument \"%2\"")
        .arg(QLatin1String(options->command->name), words.first());
}

QString serialWord(const QStringList &words, Options *options)
{
    if (words.size() != 1)
        return QStringLiteral("history takes the transmitter's serial number");
    options->serialNumber = words.first();
    return QString();
}

QString stationWords(const QStringList &words, Options *options)
{
    if (!words.isEmpty() && words.size() != 2)
        return QStringLiteral("station takes a KEY and its VALUE to set one, or nothing to show "
                              "them all");
    options->stationKey = words.value(0);
    options->stationValue = words.value(1);
    return QString();
}

QString profileWord(const QStringList &words, Options *options)
{
    if (words.size() != 1)
        return QStringLiteral("run takes the profile's file");
    options->profile = words.first();
    return QString();
}

// The reference typed, both values, or read, and a run's chamber, by options checked as the
// station checks its settings; the first that is not good gives the reason.
QString stationOptions(const QCommandLineParser &given, Options *o)
{
    const auto has = [&given](const char *name) { return given.isSet(QLatin1String(name)); };
    o->referencesTyped = has("ref-temperature");
    if (has("ref-humidity") != o->referencesTyped)
        return QStringLiteral("--ref-temperature and --ref-humidity go together");
    if (has("reference-humidity") && has("reference-dewpoint"))
        return QStringLiteral("--reference-humidity and --reference-dewpoint: the reference gives "
                              "one or the other");
    StationSettings trial;
    for (const StationOption &option : StationOptions) {
        if (!has(option.name))
            continue;
        if (o->referencesTyped)
            return QStringLiteral("--%1 reads the reference that --ref-temperature and "
                                  "--ref-humidity type: give one or the other")
                .arg(QLatin1String(option.name));
        const QString key = QLatin1String(option.stationKey);
        const QString value = given.value(QLatin1String(option.name));
        // The station's reasons begin with the key, which is the option's name but for the port,
        // which takes any text.
        if (QString why; !trial.set(key, value, &why))
            return QLatin1String("--") + why;
        o->stationSettings.append({key, value});
    }
    return QString();
}

// The values of the options given; the first that is not good gives the reason.
QString convert(const QCommandLineParser &given, Options *o)
{
    const auto has = [&given](const char *name) { return given.isSet(QLatin1String(name)); };
    const auto value = [&given](const char *name) { return given.value(QLatin1String(name)); };
    const auto number = [&](const char *name, int low, int high, int *to) {
        return !has(name) || wholeNumber(value(name), low, high, to);
    };
    if (!rates(has("baud") ? value("baud") : QStringLiteral("9600"), QStringLiteral("auto"), false,
               &o->bauds))
        return QStringLiteral("--baud takes one of %1, or auto").arg(rateList());
    if (!number("address", Registers::AnyAddress, Registers::LastDeviceAddress, &o->address))
        return QStringLiteral("--address takes an address from 0 to 247 (0: the transmitter "
                              "alone on the line), not \"%1\"")
            .arg(value("address"));
    if (!number("timeout", 1, MaxTimeoutMs, &o->timeoutMs))
        return QStringLiteral("--timeout takes milliseconds from 1 to %1").arg(MaxTimeoutMs);
    if (!number("retries", 0, MaxRetries, &o->retries))
        return QStringLiteral("--retries takes a count from 0 to %1").arg(MaxRetries);
    const int format = Formats.indexOf(value("format"));
    o->formatGiven = has("format");
    if (o->formatGiven && format < 0)
        return QStringLiteral("--format takes table, csv or json");
    o->format = Format(qMax(0, format));
    o->stats = has("stats");
    const std::optional<QList<int>> addresses =
        AddressList::parse(has("addresses") ? value("addresses") : QStringLiteral("1-247"));
    if (!addresses)
        return QStringLiteral("--addresses takes addresses from 1 to 247, as 1-247 or 1,2,17");
    o->scanAddresses = *addresses;
    o->scanBauds = has("baud") ? o->bauds : searchOrder();
    if (has("bauds") && !rates(value("bauds"), QStringLiteral("all"), true, &o->scanBauds))
        return QStringLiteral("--bauds takes rates out of %1 separated by commas, or all")
            .arg(rateList());
    if (!number("count", 1, INT_MAX, &o->count))
        return QStringLiteral("--count takes a number of readings from 1 up");
    if (!number("interval", 0, MaxIntervalMs, &o->intervalMs))
        return QStringLiteral("--interval takes milliseconds from 0 to %1").arg(MaxIntervalMs);
    if (has("scale") && value("scale") != QLatin1String("100") && value("scale") != "10")
        return QStringLiteral("--scale takes 100 or 10");
    o->scale = value("scale") == "10" ? Readings::Scale::Tenths : Readings::Scale::Hundredths;
    o->quantity = qMax(0, Quantities.indexOf(value("what")));
    if (has("what") && !Quantities.contains(value("what")))
        return QStringLiteral("--what takes %1").arg(Quantities.join(QLatin1String(", ")));
    o->output = value("output");
    if (has("output") && o->output.isEmpty())
        return QStringLiteral("--output takes a file name");
    if (has("kind") && !CheckKinds.contains(value("kind")))
        return QStringLiteral("--kind takes as-found or as-left");
    o->kind = CheckText::kindFrom(value("kind"));
    for (int q = 0; q < CheckedQuantities; ++q) {
        const ReferenceOption &option = References[q];
        if (has(option.name) && !reference(value(option.name), option, &o->references[size_t(q)]))
            return QStringLiteral("--%1 takes %2 from %3 to %4, to hundredths at most")
                .arg(option.name, option.unit)
                .arg(option.low)
                .arg(option.high);
    }
    if (const QString reason = stationOptions(given, o); !reason.isEmpty())
        return reason;
    int windowS = 0;
    if (!number("window", MinWindowS, MaxWindowS, &windowS))
        return QStringLiteral("--window takes seconds from %1 to %2")
            .arg(MinWindowS)
            .arg(MaxWindowS);
    o->windowMs = windowS * 1000;
    int waitS = DefaultWaitStableS;
    if (!number("wait-stable", 1, MaxWaitStableS, &waitS))
        return QStringLiteral("--wait-stable takes seconds from 1 to %1").arg(MaxWaitStableS);
    o->waitStableMs = waitS * 1000;
    o->certificate = value("certificate");
    if (has("certificate") && o->certificate.isEmpty())
        return QStringLiteral("--certificate takes a file name");
    o->resume = has("resume");
    o->certificates = value("certificates");
    o->report = value("report");
    o->log = value("log");
    for (const char *name : {"certificates", "report", "log"}) {
        if (has(name) && value(name).isEmpty())
            return QStringLiteral("--%1 takes a name").arg(QLatin1String(name));
    }
    return QString();
}

bool isNumber(const QString &text)
{
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

// QCommandLineParser takes "-20" for an option: the words, a negative temperature among them, go
// after "--", and the options with their values before it. The table tells which options take
// the next argument as their value, whatever it looks like.
QString arrange(const QStringList &arguments, QStringList *arranged)
{
    QStringList options;
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            words += arguments.mid(i + 1);
            break;
        }
        if (!argument.startsWith(QLatin1Char('-')) || argument.size() == 1 || isNumber(argument)) {
            words << argument;
            continue;
        }
        options << argument;
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1)
                                 .section(QLatin1Char('='), 0, 0);
        const KnownOption *known = byName(OptionTable, name);
        const bool inline_ = argument.contains(QLatin1Char('='));
        if (known && !known->value && inline_)
            return QStringLiteral("--%1 takes no value").arg(name);
        if (known && known->value && !inline_) {
            if (i + 1 == arguments.size())
                return QStringLiteral("--%1 needs a value").arg(name);
            options << arguments.at(++i);
        }
    }
    *arranged = QStringList {QStringLiteral("tr451")} + options + QStringList {QStringLiteral("--")}
        + words;
    return QString();
}

// One line of the usage: left in its column, text beside it or, when left is too wide, below.
QString usageLine(int indent, const QString &left, const QString &text)
{
    const QString start = QString(indent, QLatin1Char(' ')) + left;
    if (start.size() < UsageColumn)
        return start.leftJustified(UsageColumn) + text + QLatin1Char('\n');
    return start + QLatin1Char('\n') + QString(UsageColumn, QLatin1Char(' ')) + text
        + QLatin1Char('\n');
}

QString optionLine(int indent, const KnownOption &known)
{
    const QString value = known.value ? QLatin1Char(' ') + QLatin1String(known.value) : QString();
    return usageLine(indent, QLatin1String("--") + QLatin1String(known.name) + value,
                     QLatin1String(known.help));
}

} // namespace

Parsed parse(const QStringList &arguments, const QString &environmentPort)
{
    Parsed parsed;
    const auto fail = [&parsed](const QString &reason) {
        parsed.error = reason;
        return parsed;
    };
    QStringList arranged;
    if (const QString reason = arrange(arguments, &arranged); !reason.isEmpty())
        return fail(reason);
    QCommandLineParser parser;
    // -h as --help; any other single dash is taken as two.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const KnownOption &known : OptionTable) {
        parser.addOption(QCommandLineOption(QLatin1String(known.name), QString(),
                                            known.value ? QLatin1String(known.value) : QString()));
    }
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    if (!parser.parse(arranged)) {
        return fail(QStringLiteral("unknown option --%1; tr451 --help lists them")
                        .arg(parser.unknownOptionNames().value(0)));
    }
    Options &o = parsed.options;
    o.debug = parser.isSet(QStringLiteral("debug"));
    parsed.help = parser.isSet(help);
    if (parsed.help)
        return parsed;

    const QStringList words = parser.positionalArguments();
    o.command = byName(Commands, words.value(0));
    if (!o.command) {
        return fail((words.isEmpty() ? QStringLiteral("no command given")
                                     : QStringLiteral("unknown command \"%1\"").arg(words.first()))
                    + QStringLiteral("; the commands are ") + listed(commandNames()));
    }
    for (const KnownOption &known : OptionTable) {
        if (known.commands && parser.isSet(QLatin1String(known.name))
            && !commandsOf(known).contains(QLatin1String(o.command->name)))
            return fail(QStringLiteral("--%1 is an option of %2 only")
                            .arg(QLatin1String(known.name), listed(commandsOf(known))));
    }
    if (const QString reason = o.command->takeWords(words.mid(1), &o); !reason.isEmpty())
        return fail(reason);
    if (QLatin1String(o.command->name) == QLatin1String("check")
        && !parser.isSet(QStringLiteral("kind")))
        return fail(QStringLiteral("check needs --kind as-found or as-left"));
    o.retries = o.command->retries;
    if (const QString reason = convert(parser, &o); !reason.isEmpty())
        return fail(reason);
    // A batch enrols its transmitters at the line's one rate; it searches none.
    if (QLatin1String(o.command->name) == QLatin1String("run") && o.bauds.size() > 1)
        return fail(QStringLiteral("--baud: run takes the line's one rate, not auto"));
    o.port = parser.isSet(QStringLiteral("port")) ? parser.value(QStringLiteral("port"))
                                                  : environmentPort;
    if (o.port.isEmpty() && o.command->needsPort)
        return fail(QStringLiteral("no port given: name one with --port or TR451_PORT"));
    return parsed;
}

StationSettings stationFor(const Options &options)
{
    StationSettings station = StationSettings::load();
    // Checked as they were parsed.
    for (const auto &[key, value] : options.stationSettings) {
        QString ignored;
        station.set(key, value, &ignored);
    }
    if (options.windowMs > 0)
        station.limits.windowMs = options.windowMs;
    return station;
}

QString usage()
{
    QString text = QStringLiteral(
        "Usage: tr451 COMMAND [OPTIONS]\n"
        "Configures and reads TR-451/TR-573 transmitters over a serial line or RTU over TCP.\n"
        "\n"
        "Commands:\n");
    // Each command with the options of its own; the others after, by the commands they serve.
    for (const Command &command : Commands) {
        const QString words =
            *command.words ? QLatin1Char(' ') + QLatin1String(command.words) : QString();
        text += usageLine(2, QLatin1String(command.name) + words, QLatin1String(command.summary));
        for (const KnownOption &known : OptionTable) {
            if (known.commands && commandsOf(known) == QStringList {QLatin1String(command.name)})
                text += optionLine(4, known);
        }
    }
    QString group;
    for (const KnownOption &known : OptionTable) {
        if (known.commands && commandsOf(known).size() == 1)
            continue;
        const QString of =
            known.commands ? listed(commandsOf(known)) : QStringLiteral("every command");
        if (of != group) {
            group = of;
            text += QStringLiteral("\nOptions of %1:\n").arg(group);
        }
        text += optionLine(2, known);
    }
    return text + usageLine(2, QStringLiteral("-h, --help"), QStringLiteral("this text"))
        + QStringLiteral(
               "\n"
               "Exit status: 0 done (check, run: passed), 1 failed, 2 bad usage or input, 3 port\n"
               "not opened or link not made again, 4 no answer (run: no transmitter at all), 5\n"
               "refused by the transmitter, 6 check failed or failed conditionally (run: at some\n"
               "point), 7 not stable in time (run: no point taken), 8 records database not "
               "reached\n"
               "or not written, 9 passed conditionally (within the tolerance, but not by the\n"
               "expanded uncertainty U), 130 interrupted.\n");
}

} // namespace Cli
