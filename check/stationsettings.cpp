#include "check/stationsettings.h"

#include <QSettings>

namespace {

// Every remembered field once, with its key, so that loading and saving cannot drift apart.
template<typename Settings, typename Visit>
void visitFields(Settings &s, Visit visit)
{
    visit("operator", s.operatorName);
    visit("station", s.station);
    visit("reference/instrument", s.referenceInstrument);
    visit("reference/certificate", s.referenceCertificate);
    visit("reference/due", s.referenceDue);
    visit("tolerance/temperature", s.tolerance[0]);
    visit("tolerance/humidity", s.tolerance[1]);
    visit("stability/window-ms", s.limits.windowMs);
    visit("stability/drift/temperature", s.limits.maxDrift[0]);
    visit("stability/drift/humidity", s.limits.maxDrift[1]);
    visit("stability/deviation/temperature", s.limits.maxStandardDeviation[0]);
    visit("stability/deviation/humidity", s.limits.maxStandardDeviation[1]);
    visit("database", s.database);
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

StationSettings StationSettings::load()
{
    StationSettings loaded;
    const UserSettings settings;
    visitFields(loaded, [&settings](const char *key, auto &field) {
        using Field = std::decay_t<decltype(field)>;
        const QVariant value = settings.value(QLatin1String(key));
        if (value.isValid() && value.canConvert<Field>())
            field = value.value<Field>();
    });
    return loaded;
}

void StationSettings::save() const
{
    UserSettings settings;
    visitFields(*this, [&settings](const char *key, const auto &field) {
        settings.setValue(QLatin1String(key), QVariant::fromValue(field));
    });
}

bool StationSettings::operator==(const StationSettings &other) const
{
    return operatorName == other.operatorName && station == other.station
        && referenceInstrument == other.referenceInstrument
        && referenceCertificate == other.referenceCertificate && referenceDue == other.referenceDue
        && tolerance == other.tolerance && limits == other.limits && database == other.database;
}
