#include "check/stationsettings.h"

#include "check/databaseurl.h"
#include "check/verdict.h"
#include "protocol/frame.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// One setting: its name for scripts, its key in the settings file, and how it reads as text and
// is set from text (an empty reason when the value was taken).
struct Entry
{
    const char *key;
    const char *fileKey;
    std::function<QString(const StationSettings &)> text;
    std::function<QString(StationSettings &, const QString &)> set;
};

// Each accessor is a generic lambda returning a reference to the field, so that one of them
// serves the const reading and the setting.
template<typename Access>
Entry textEntry(const char *key, const char *fileKey, Access access)
{
    return {key, fileKey, [access](const StationSettings &s) { return access(s); },
            [access](StationSettings &s, const QString &value) {
                access(s) = value.trimmed();
                return QString();
            }};
}

template<typename Access>
Entry numberEntry(const char *key, const char *fileKey, double low, double high, Access access)
{
    // Every digit kept: the text is what the station's file and a run's records hold.
    const auto text = [access](const StationSettings &s) {
        return QString::number(access(s), 'g', QLocale::FloatingPointShortest);
    };
    return {key, fileKey, text, [=](StationSettings &s, const QString &value) {
                bool ok = false;
                const double number = value.trimmed().toDouble(&ok);
                if (!ok || !std::isfinite(number) || number < low || number > high)
                    return QStringLiteral("%1 takes a number from %2 to %3")
                        .arg(QLatin1String(key))
                        .arg(low)
                        .arg(high);
                access(s) = number;
                return QString();
            }};
}

template<typename Access>
Entry wholeEntry(const char *key, const char *fileKey, int low, int high, Access access)
{
    return {key, fileKey, [access](const StationSettings &s) { return QString::number(access(s)); },
            [=](StationSettings &s, const QString &value) {
                bool ok = false;
                const int number = value.trimmed().toInt(&ok, 10);
                if (!ok || number < low || number > high)
                    return QStringLiteral("%1 takes a whole number from %2 to %3")
                        .arg(QLatin1String(key))
                        .arg(low)
                        .arg(high);
                access(s) = number;
                return QString();
            }};
}

// The rates another instrument may use besides the transmitter's own.
const std::vector<int> InstrumentRates {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

template<typename Access>
Entry rateEntry(const char *key, const char *fileKey, Access access)
{
    return {key, fileKey, [access](const StationSettings &s) { return QString::number(access(s)); },
            [=](StationSettings &s, const QString &value) {
                bool ok = false;
                const int rate = value.trimmed().toInt(&ok, 10);
                if (!ok
                    || std::find(InstrumentRates.cbegin(), InstrumentRates.cend(), rate)
                        == InstrumentRates.cend())
                    return QStringLiteral("%1 takes one of 1200, 2400, 4800, 9600, 19200, 38400, "
                                          "57600 and 115200")
                        .arg(QLatin1String(key));
                access(s) = rate;
                return QString();
            }};
}

// A register field, or nothing for an empty value. chamber: a holding register of 16 bits, which
// a single write can set.
template<typename Access>
Entry fieldEntry(const char *key, const char *fileKey, bool chamber, Access access)
{
    return {key, fileKey, [access](const StationSettings &s) { return access(s).toString(); },
            [=](StationSettings &s, const QString &value) {
                if (value.trimmed().isEmpty()) {
                    access(s) = RegisterField();
                    return QString();
                }
                QString why;
                const std::optional<RegisterField> field = RegisterField::parse(value, &why);
                if (!field)
                    return QStringLiteral("%1: %2").arg(QLatin1String(key), why);
                if (chamber && (field->function != Modbus::ReadRegisters || field->count() != 1))
                    return QStringLiteral("%1 takes a holding register of 16 bits (3:REG:int16 or "
                                          "3:REG:uint16, with a scale), which a write can set")
                        .arg(QLatin1String(key));
                access(s) = *field;
                return QString();
            }};
}

const std::vector<Entry> &entries()
{
    static const std::vector<Entry> table = {
        textEntry(
            "operator", "operator", [](auto &s) -> auto & { return s.operatorName; }),
        textEntry(
            "station", "station", [](auto &s) -> auto & { return s.station; }),
        textEntry(
            "reference", "reference/instrument",
            [](auto &s) -> auto & { return s.referenceInstrument; }),
        textEntry(
            "reference-certificate", "reference/certificate",
            [](auto &s) -> auto & { return s.referenceCertificate; }),
        {"reference-due", "reference/due",
         [](const StationSettings &s) { return s.referenceDue.toString(Qt::ISODate); },
         [](StationSettings &s, const QString &value) {
             static const QRegularExpression form(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
             const QString text = value.trimmed();
             const QDate date = QDate::fromString(text, Qt::ISODate);
             if (!text.isEmpty() && (!form.match(text).hasMatch() || !date.isValid()))
                 return QStringLiteral("reference-due takes a date as YYYY-MM-DD");
             s.referenceDue = date;
             return QString();
         }},
        numberEntry(
            "tolerance-temperature", "tolerance/temperature", 0, 10,
            [](auto &s) -> auto & { return s.tolerance[0]; }),
        numberEntry(
            "tolerance-humidity", "tolerance/humidity", 0, 20,
            [](auto &s) -> auto & { return s.tolerance[1]; }),
        {"window", "stability/window",
         [](const StationSettings &s) { return QString::number(s.limits.windowMs / 1000); },
         [](StationSettings &s, const QString &value) {
             bool ok = false;
             const int seconds = value.trimmed().toInt(&ok, 10);
             if (!ok || seconds < 5 || seconds > 3600)
                 return QStringLiteral("window takes whole seconds from 5 to 3600");
             s.limits.windowMs = qint64(seconds) * 1000;
             return QString();
         }},
        numberEntry(
            "max-drift-temperature", "stability/drift/temperature", 0, 10,
            [](auto &s) -> auto & { return s.limits.maxDrift[0]; }),
        numberEntry(
            "max-drift-humidity", "stability/drift/humidity", 0, 20,
            [](auto &s) -> auto & { return s.limits.maxDrift[1]; }),
        numberEntry(
            "max-std-temperature", "stability/deviation/temperature", 0, 10,
            [](auto &s) -> auto & { return s.limits.maxStandardDeviation[0]; }),
        numberEntry(
            "max-std-humidity", "stability/deviation/humidity", 0, 20,
            [](auto &s) -> auto & { return s.limits.maxStandardDeviation[1]; }),
        {"database", "database", [](const StationSettings &s) { return s.database; },
         [](StationSettings &s, const QString &value) {
             const QString text = value.trimmed();
             QString why;
             if (DatabaseUrl::isPostgres(text) && !DatabaseUrl::parse(text, &why))
                 return QStringLiteral("database: %1").arg(why);
             s.database = text;
             return QString();
         }},
        textEntry(
            "reference-port", "reference/port",
            [](auto &s) -> auto & { return s.referenceMap.line.port; }),
        rateEntry(
            "reference-baud", "reference/baud",
            [](auto &s) -> auto & { return s.referenceMap.line.bitsPerSecond; }),
        wholeEntry(
            "reference-address", "reference/address", 1, 247,
            [](auto &s) -> auto & { return s.referenceMap.line.address; }),
        fieldEntry(
            "reference-temperature", "reference/temperature", false,
            [](auto &s) -> auto & { return s.referenceMap.temperature; }),
        fieldEntry(
            "reference-humidity", "reference/humidity", false,
            [](auto &s) -> auto & { return s.referenceMap.humidity; }),
        fieldEntry(
            "reference-dewpoint", "reference/dewpoint", false,
            [](auto &s) -> auto & { return s.referenceMap.dewPoint; }),
        numberEntry(
            "reference-uncertainty-temperature", "uncertainty/reference/temperature", 0, 10,
            [](auto &s) -> auto & { return s.referenceUncertainty[0]; }),
        numberEntry(
            "reference-uncertainty-humidity", "uncertainty/reference/humidity", 0, 20,
            [](auto &s) -> auto & { return s.referenceUncertainty[1]; }),
        numberEntry(
            "reference-coverage", "uncertainty/reference/coverage", 1, 10,
            [](auto &s) -> auto & { return s.referenceCoverage; }),
        numberEntry(
            "uniformity-temperature", "uncertainty/uniformity/temperature", 0, 10,
            [](auto &s) -> auto & { return s.uniformity[0]; }),
        numberEntry(
            "uniformity-humidity", "uncertainty/uniformity/humidity", 0, 20,
            [](auto &s) -> auto & { return s.uniformity[1]; }),
        {"rule", "decision/rule",
         [](const StationSettings &s) { return DecisionRules::name(s.rule); },
         [](StationSettings &s, const QString &value) {
             const std::optional<DecisionRule> rule = DecisionRules::fromName(value.trimmed());
             if (!rule)
                 return QStringLiteral("rule takes simple, guarded or non-binary");
             s.rule = *rule;
             return QString();
         }},
        textEntry(
            "chamber-port", "chamber/port", [](auto &s) -> auto & { return s.chamber.line.port; }),
        rateEntry(
            "chamber-baud", "chamber/baud",
            [](auto &s) -> auto & { return s.chamber.line.bitsPerSecond; }),
        wholeEntry(
            "chamber-address", "chamber/address", 1, 247,
            [](auto &s) -> auto & { return s.chamber.line.address; }),
        fieldEntry(
            "chamber-temperature", "chamber/temperature", true,
            [](auto &s) -> auto & { return s.chamber.temperature; }),
        fieldEntry(
            "chamber-humidity", "chamber/humidity", true,
            [](auto &s) -> auto & { return s.chamber.humidity; }),
    };
    return table;
}

const Entry *find(const QString &key)
{
    const auto &table = entries();
    const auto found = std::find_if(table.cbegin(), table.cend(),
                                    [&key](const Entry &entry) { return key == entry.key; });
    return found == table.cend() ? nullptr : &*found;
}

// Per user, shared by the window and the command line whatever their program names.
class UserSettings : public QSettings
{
public:
    UserSettings()
        : QSettings(IniFormat, UserScope, QStringLiteral("tr451-test-tools"),
                    QStringLiteral("station"))
    {}
};

} // namespace

bool InstrumentLine::operator==(const InstrumentLine &other) const
{
    return port == other.port && bitsPerSecond == other.bitsPerSecond && address == other.address;
}

bool ReferenceMap::operator==(const ReferenceMap &other) const
{
    return line == other.line && temperature == other.temperature && humidity == other.humidity
        && dewPoint == other.dewPoint;
}

bool ChamberMap::operator==(const ChamberMap &other) const
{
    return line == other.line && temperature == other.temperature && humidity == other.humidity;
}

StationSettings StationSettings::load()
{
    StationSettings loaded;
    const UserSettings settings;
    // Kept in milliseconds before a script could set it in seconds.
    if (const QVariant ms = settings.value(QStringLiteral("stability/window-ms")); ms.isValid()) {
        QString ignored;
        loaded.set(QStringLiteral("window"), QString::number(ms.toLongLong() / 1000), &ignored);
    }
    // Each entry as the settings file holds it; one it cannot take keeps its default.
    for (const Entry &entry : entries()) {
        const QVariant value = settings.value(QLatin1String(entry.fileKey));
        if (value.isValid())
            entry.set(loaded, value.toString());
    }
    return loaded;
}

void StationSettings::save() const
{
    UserSettings settings;
    for (const Entry &entry : entries())
        settings.setValue(QLatin1String(entry.fileKey), entry.text(*this));
}

QStringList StationSettings::keys()
{
    QStringList names;
    for (const Entry &entry : entries())
        names << QLatin1String(entry.key);
    return names;
}

QString StationSettings::text(const QString &key) const
{
    const Entry *entry = find(key);
    return entry ? entry->text(*this) : QString();
}

bool StationSettings::set(const QString &key, const QString &value, QString *why)
{
    const Entry *entry = find(key);
    if (!entry) {
        *why = QStringLiteral("unknown setting \"%1\"; the settings are %2")
                   .arg(key, keys().join(QLatin1String(", ")));
        return false;
    }
    StationSettings changed = *this;
    const QString reason = entry->set(changed, value);
    if (!reason.isEmpty()) {
        *why = reason;
        return false;
    }
    // A reference gives either humidity or dew point: naming one forgets the other.
    if (key == QLatin1String("reference-humidity") && changed.referenceMap.humidity.isSet())
        changed.referenceMap.dewPoint = RegisterField();
    if (key == QLatin1String("reference-dewpoint") && changed.referenceMap.dewPoint.isSet())
        changed.referenceMap.humidity = RegisterField();
    *this = changed;
    return true;
}

QString StationSettings::certificateProblem(const QDate &today) const
{
    QStringList missing;
    if (referenceInstrument.isEmpty())
        missing << QCoreApplication::translate("StationSettings", "the reference instrument");
    if (referenceCertificate.isEmpty())
        missing << QCoreApplication::translate("StationSettings",
                                               "the number of the reference's certificate");
    if (!referenceDue.isValid())
        missing << QCoreApplication::translate("StationSettings",
                                               "the reference's calibration due date");
    if (!missing.isEmpty())
        return QCoreApplication::translate(
                   "StationSettings", "A certificate needs %1, which the station settings lack.")
            .arg(missing.join(QLatin1String(", ")));
    if (referenceDue < today)
        return QCoreApplication::translate("StationSettings",
                                           "The reference instrument's calibration was due on %1: "
                                           "it may not be used for a check until it is "
                                           "calibrated again.")
            .arg(referenceDue.toString(Qt::ISODate));
    return QString();
}

bool StationSettings::operator==(const StationSettings &other) const
{
    return operatorName == other.operatorName && station == other.station
        && referenceInstrument == other.referenceInstrument
        && referenceCertificate == other.referenceCertificate && referenceDue == other.referenceDue
        && tolerance == other.tolerance && limits == other.limits && database == other.database
        && referenceMap == other.referenceMap && referenceUncertainty == other.referenceUncertainty
        && referenceCoverage == other.referenceCoverage && uniformity == other.uniformity
        && rule == other.rule && chamber == other.chamber;
}
