#include "cli/options.h"

#include "protocol/commandinputs.h"
#include "protocol/registers.h"

#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <climits>

namespace Cli {

namespace {

struct KnownOption
{
    const char *name;
    const char *command; // nullptr: an option of every command
    bool takesValue;
};

constexpr KnownOption KnownOptions[] = {
    {"port", nullptr, true},         {"baud", nullptr, true},
    {"address", nullptr, true},      {"timeout", nullptr, true},
    {"retries", nullptr, true},      {"format", nullptr, true},
    {"stats", nullptr, false},       {"addresses", "scan", true},
    {"bauds", "scan", true},         {"count", "read", true},
    {"interval", "read", true},      {"scale", "read", true},
    {"what", "read", true},          {"output", "read", true},
    {"kind", "check", true},         {"ref-temperature", "check", true},
    {"ref-humidity", "check", true}, {"window", "check", true},
    {"wait-stable", "check", true},  {"certificate", "check", true},
};

const QStringList Commands {"ports", "scan", "info", "read", "set", "check", "history"};
// The commands that speak to no transmitter.
const QStringList Offline {"ports", "history"};
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
const QStringList CheckKinds {"as-found", "as-left"};
// The check window's range of stability windows.
constexpr int MinWindowS = 5;
constexpr int MaxWindowS = 3600;
// Long enough for a humidity step in a chamber to settle.
constexpr int DefaultWaitStableS = 1800;
constexpr int MaxWaitStableS = 24 * 3600;

const KnownOption *findOption(const QString &name)
{
    const auto *end = std::end(KnownOptions);
    const auto *found =
        std::find_if(std::begin(KnownOptions), end,
                     [&name](const KnownOption &option) { return name == option.name; });
    return found == end ? nullptr : found;
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

// Addresses and ranges of them separated by commas: 1-247, or 1,2,17.
bool addressList(const QString &text, QList<int> *addresses)
{
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QStringList ends = item.split(QLatin1Char('-'));
        int first = 0;
        int last = 0;
        if (ends.size() > 2
            || !wholeNumber(ends.first(), Registers::FirstDeviceAddress,
                            Registers::LastDeviceAddress, &first)
            || !wholeNumber(ends.last(), first, Registers::LastDeviceAddress, &last))
            return false;
        for (int address = first; address <= last; ++address)
            addresses->append(address);
    }
    return true;
}

// The setting and its values, as the window checks them before it sends.
QString parseSetting(const QStringList &words, Setting *setting)
{
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

// The values of the options given; the first that is not good gives the reason.
QString convert(const QMap<QString, QString> &given, Options *o)
{
    const auto has = [&given](const char *name) { return given.contains(QLatin1String(name)); };
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
    if (has("addresses") && !addressList(value("addresses"), &o->scanAddresses))
        return QStringLiteral("--addresses takes addresses from 1 to 247, as 1-247 or 1,2,17");
    if (!has("addresses"))
        addressList(QStringLiteral("1-247"), &o->scanAddresses);
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
    return QString();
}

bool isNumber(const QString &text)
{
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

} // namespace

Parsed parse(const QStringList &arguments, const QString &environmentPort)
{
    Parsed parsed;
    const auto fail = [&parsed](const QString &reason) {
        parsed.error = reason;
        return parsed;
    };
    QMap<QString, QString> given;
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            parsed.help = true;
            return parsed;
        }
        // A negative temperature is a word, not an option.
        if (!argument.startsWith(QLatin1Char('-')) || isNumber(argument)) {
            words << argument;
            continue;
        }
        const QString name = argument.mid(2).section(QLatin1Char('='), 0, 0);
        const KnownOption *known =
            argument.startsWith(QLatin1String("--")) ? findOption(name) : nullptr;
        if (!known)
            return fail(QStringLiteral("unknown option %1; tr451 --help lists them").arg(argument));
        const bool inline_ = argument.contains(QLatin1Char('='));
        if (!known->takesValue && inline_)
            return fail(QStringLiteral("--%1 takes no value").arg(name));
        if (known->takesValue && !inline_ && i + 1 == arguments.size())
            return fail(QStringLiteral("--%1 needs a value").arg(name));
        given[name] = !known->takesValue ? QString()
            : inline_                    ? argument.section(QLatin1Char('='), 1)
                                         : arguments.at(++i);
    }

    Options &o = parsed.options;
    o.command = words.value(0);
    if (!Commands.contains(o.command)) {
        return fail((o.command.isEmpty() ? QStringLiteral("no command given")
                                         : QStringLiteral("unknown command \"%1\"").arg(o.command))
                    + QStringLiteral("; the commands are ports, scan, info, read, set, check "
                                     "and history"));
    }
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        const KnownOption *known = findOption(it.key());
        if (known->command && o.command != QLatin1String(known->command))
            return fail(
                QStringLiteral("--%1 is an option of %2 only").arg(it.key(), known->command));
    }
    if (o.command == QLatin1String("set")) {
        const QString reason = parseSetting(words.mid(1), &o.setting);
        if (!reason.isEmpty())
            return fail(reason);
    } else if (o.command == QLatin1String("history")) {
        if (words.size() != 2)
            return fail(QStringLiteral("history takes the transmitter's serial number"));
        o.serialNumber = words.at(1);
    } else if (words.size() > 1) {
        return fail(QStringLiteral("%1 takes no argument \"%2\"").arg(o.command, words.at(1)));
    }
    const bool referenced = given.contains(QStringLiteral("ref-temperature"))
        && given.contains(QStringLiteral("ref-humidity"));
    if (o.command == QLatin1String("check")
        && (!given.contains(QStringLiteral("kind")) || !referenced))
        return fail(QStringLiteral("check needs --kind, --ref-temperature and --ref-humidity"));
    const QString reason = convert(given, &o);
    if (!reason.isEmpty())
        return fail(reason);
    o.port = given.value(QStringLiteral("port"), environmentPort);
    if (o.port.isEmpty() && !Offline.contains(o.command))
        return fail(QStringLiteral("no port given: name one with --port or TR451_PORT"));
    return parsed;
}

QString usage()
{
    return QStringLiteral(
        "Usage: tr451 COMMAND [OPTIONS]\n"
        "Configures and reads TR-451/TR-573 transmitters over a serial line or RTU over TCP.\n"
        "\n"
        "Commands:\n"
        "  ports                      the serial ports\n"
        "  scan                       find the transmitters on the line\n"
        "    --addresses LIST           addresses to try, e.g. 1-247 (the default) or 1,2,17\n"
        "    --bauds LIST|all           rates to try, e.g. 9600,19200 (default: all)\n"
        "  info                       identity and output settings of one transmitter\n"
        "  read                       readings with their 4-20 mA, 0-5 V and 0-10 V values\n"
        "    --count N                  stop after N readings (default: until interrupted)\n"
        "    --interval MS              one reading every MS ms (default 1000; 0: at once)\n"
        "    --scale 100|10             hundredths or tenths registers (default 100)\n"
        "    --what all|temperature|humidity|dewpoint|status\n"
        "    --output FILE              append to FILE instead of writing to stdout\n"
        "  set address N | baud RATE | range MIN MAX | heater on|off\n"
        "  check                      one point of a calibration check against a reference,\n"
        "                             stored in the check's records\n"
        "    --kind as-found|as-left    (needed)\n"
        "    --ref-temperature T        the reference's degrees (needed)\n"
        "    --ref-humidity H           the reference's %RH (needed)\n"
        "    --window S                 stability window (default: the station's)\n"
        "    --wait-stable S            give up after S s unstable (default 1800)\n"
        "    --certificate FILE         also write the check's certificate (PDF)\n"
        "  history SERIAL             the stored checks of a serial number, newest first\n"
        "\n"
        "Options of every command:\n"
        "  --port NAME                serial port, or tcp://HOST:PORT (default: TR451_PORT)\n"
        "  --baud RATE|auto           1200 to 115200 (default 9600); auto tries all\n"
        "  --address N                1 to 247; 0 (the default): the transmitter alone on the "
        "line\n"
        "  --timeout MS               wait for an answer (default: its wire time + 100 ms)\n"
        "  --retries N                send again after no answer (default 2; scan 0)\n"
        "  --format table|csv|json    default: table on a terminal, else csv\n"
        "  --stats                    print the request counters to stderr at the end\n"
        "\n"
        "Exit status: 0 done (check: passed), 1 failed, 2 bad usage or input, 3 port not\n"
        "opened, 4 no answer, 5 refused by the transmitter, 6 check failed, 7 not stable in\n"
        "time, 8 records database not reached or not written, 130 interrupted.\n");
}

} // namespace Cli
