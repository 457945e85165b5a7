#include "check/certificate.h"

#include "check/pdfpages.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// References, means, errors, tolerances and U in thousandths, as they are compared: the error is
// the mean minus the reference as printed.
constexpr int ValueDecimals = Verdicts::Decimals;
// A standard uncertainty to a tenth of the last digit of U, so that the budget shows where U
// comes from.
constexpr int StandardDecimals = 4;
constexpr int RatioDecimals = 1;
constexpr int IdDigits = 6;
constexpr int MaxStationLetters = 24;
const QString DateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

using PdfPages::cell;
using PdfPages::row;

QString fieldRow(const QString &name, const QString &value)
{
    return QStringLiteral("<tr>") + cell(name, "th") + cell(value) + QStringLiteral("</tr>");
}

// A line across a table of columns columns.
QString spanning(const QString &text, int columns)
{
    return QStringLiteral("<tr><td colspan=\"%1\">%2</td></tr>")
        .arg(columns)
        .arg(text.toHtmlEscaped());
}

// A section's title and a table whose column titles come again on every page; one line a row.
QString tableHead(const QString &title, const QStringList &columns)
{
    QString html = QStringLiteral("<h3>%1</h3><table width=\"100%\" border=\"1\" cellspacing=\"0\" "
                                  "cellpadding=\"3\"><thead><tr>")
                       .arg(title.toHtmlEscaped());
    for (const QString &column : columns)
        html += cell(column, "th");
    return html + QStringLiteral("</tr></thead>");
}

} // namespace

QString Certificate::identification(const Check &check)
{
    if (!check.stored())
        return QString();
    // The check's id makes it unique among the stations sharing the records.
    return stationCode(check.settings.station) + '-'
        + QString::number(check.id).rightJustified(IdDigits, '0');
}

QString Certificate::stationCode(const QString &station)
{
    // Capitals and digits of the station's name, accents dropped and anything else one dash: a
    // number that reads aloud, types anywhere and names a file on any system.
    QString code;
    for (const QChar c : station.normalized(QString::NormalizationForm_KD)) {
        if (c.unicode() < 128 && c.isLetterOrNumber())
            code += c.toUpper();
        else if (!c.isMark() && !code.isEmpty() && !code.endsWith('-'))
            code += '-';
    }
    code.truncate(MaxStationLetters);
    while (code.endsWith('-'))
        code.chop(1);
    return code.isEmpty() ? QStringLiteral("CHECK") : code;
}

QString Certificate::timeText(const QDateTime &at)
{
    if (!at.isValid())
        return QStringLiteral("---");
    const QDateTime local = at.toLocalTime();
    const int offsetMinutes = local.offsetFromUtc() / 60;
    return QLocale::c().toString(local, DateTimeFormat)
        + QStringLiteral(" %1%2:%3")
              .arg(offsetMinutes < 0 ? '-' : '+')
              .arg(std::abs(offsetMinutes) / 60, 2, 10, QLatin1Char('0'))
              .arg(std::abs(offsetMinutes) % 60, 2, 10, QLatin1Char('0'));
}

QString Certificate::kindText(Check::Kind kind)
{
    return kind == Check::Kind::AsLeft ? tr("As left") : tr("As found");
}

QString Certificate::resultText(Check::Result result)
{
    switch (result) {
    case Check::Result::Pass:
        return Verdicts::text(Verdict::Pass);
    case Check::Result::ConditionalPass:
        return Verdicts::text(Verdict::ConditionalPass);
    case Check::Result::ConditionalFail:
        return Verdicts::text(Verdict::ConditionalFail);
    case Check::Result::Fail:
        return Verdicts::text(Verdict::Fail);
    case Check::Result::Abandoned:
        return tr("Abandoned");
    case Check::Result::Open:
        break;
    }
    return tr("Open");
}

QString Certificate::number(double value, int decimals)
{
    if (!std::isfinite(value))
        return QStringLiteral("---");
    // A value that rounds to nothing has no sign: "-0.00" beside "0.00" reads as a difference.
    QString text = QString::number(value, 'f', decimals);
    const auto nonZero = [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); };
    if (text.startsWith(QLatin1Char('-')) && std::none_of(text.cbegin(), text.cend(), nonZero))
        text.remove(0, 1);
    return text;
}

QString Certificate::quantityResult(const CheckPoint &point, size_t quantity)
{
    switch (point.outcome) {
    case CheckPoint::Outcome::Taken:
        break;
    case CheckPoint::Outcome::NotStable:
        return tr("Not stable");
    case CheckPoint::Outcome::NoAnswer:
        return tr("No answer");
    }
    return Verdicts::text(point.quantities[quantity].verdict);
}

bool Certificate::write(const Check &check, const QString &fileName, QString *error)
{
    const QString id = identification(check);
    if (id.isEmpty()) {
        *error = tr("A check that is not stored has no certificate number yet: store it first.");
        return false;
    }
    const QString html =
        QStringLiteral("<h2>%1</h2>").arg(tr("Calibration check certificate").toHtmlEscaped())
        + fields(check, id) + points(check)
        + QStringLiteral("<p>%1</p><h3>%2</h3>")
              .arg(DecisionRules::statement(check.settings.rule).toHtmlEscaped(),
                   tr("Overall result: %1").arg(resultText(check.result)).toHtmlEscaped())
        + annex(check);

    PdfPages::Document document;
    document.title = tr("Calibration check certificate") + ' ' + id;
    document.html = html;
    document.footer = [&id](int page, int pages) {
        return tr("Certificate %1, page %2 of %3").arg(id).arg(page).arg(pages);
    };
    QString why;
    if (PdfPages::write(document, fileName, &why))
        return true;
    *error = tr("Cannot write the certificate to %1: %2").arg(fileName, why);
    return false;
}

QString Certificate::quantityTitle(size_t quantity)
{
    return quantity == 0 ? tr("Temperature (\u2103)") : tr("Humidity (%RH)");
}

QString Certificate::pointTitle(const CheckPoint &point, int index)
{
    return point.profilePoint < 0
        ? tr("Point %1, taken %2").arg(index + 1).arg(timeText(point.takenAt))
        : tr("Profile point %1, %2").arg(point.profilePoint + 1).arg(timeText(point.takenAt));
}

// Who checked what against which reference, under which conditions.
QString Certificate::fields(const Check &check, const QString &id)
{
    const StationSettings &s = check.settings;
    const QString units[CheckedQuantities] = {QStringLiteral("\u2103"), QStringLiteral("%RH")};
    const auto both = [&units](const std::array<double, CheckedQuantities> &values,
                               const QString &form) {
        return form.arg(number(values[0], 2), units[0], number(values[1], 2), units[1]);
    };
    const ReferenceMap &map = s.referenceMap;
    const bool fromDewPoint = map.dewPoint.isSet();
    const QString read = map.isSet()
        ? tr("by the machine: %1 at %2 bit/s, address %3; temperature %4, %5 %6")
              .arg(map.line.port)
              .arg(map.line.bitsPerSecond)
              .arg(map.line.address)
              .arg(map.temperature.toString(), fromDewPoint ? tr("dew point") : tr("humidity"),
                   (fromDewPoint ? map.dewPoint : map.humidity).toString())
        : tr("typed by the operator");
    const Transmitter &t = check.transmitter;
    QString html = QStringLiteral("<table cellpadding=\"3\">");
    for (const auto &[name, value] : {
             std::pair {tr("Certificate number"), id},
             {tr("Serial number"), t.serialNumber},
             {tr("Address"), QString::number(t.address)},
             {tr("Temperature output range"),
              QStringLiteral("%1 ... %2 \u2103").arg(number(t.rangeMin, 1), number(t.rangeMax, 1))},
             {tr("Kind of check"), kindText(check.kind)},
             {tr("Station"), s.station},
             {tr("Operator"), s.operatorName},
             {tr("Started"), timeText(check.startedAt)},
             {tr("Finished"), timeText(check.finishedAt)},
             {tr("Reference instrument"), s.referenceInstrument},
             {tr("Reference read"), read},
             {tr("Reference certificate number"), s.referenceCertificate},
             {tr("Reference calibration due"), s.referenceDue.toString(Qt::ISODate)},
             {tr("Reference uncertainty"),
              both(s.referenceUncertainty, tr("U = %1 %2 and %3 %4 (k = %5), from its certificate"))
                  .arg(number(s.referenceCoverage, 1))},
             {tr("Chamber non-uniformity"), both(s.uniformity, tr("\u00b1%1 %2 and \u00b1%3 %4"))},
             {tr("Stability window"), tr("%1 s").arg(s.limits.windowMs / 1000.0)},
             {tr("Stability limits"),
              both(s.limits.maxDrift, tr("|drift| \u2264 %1 %2/min and %3 %4/min"))
                  + QStringLiteral("; ")
                  + both(s.limits.maxStandardDeviation, tr("std dev \u2264 %1 %2 and %3 %4"))},
             {tr("Tolerance"), both(s.tolerance, QStringLiteral("\u00b1%1 %2, \u00b1%3 %4"))},
         })
        html += fieldRow(name, value);
    return html + QStringLiteral("</table>");
}

// Each point a line of its own, with its time, above its quantities.
QString Certificate::points(const Check &check)
{
    const QStringList titles = {tr("Quantity"),
                                tr("Reference"),
                                tr("Mean"),
                                tr("Error"),
                                tr("U (k = %1)").arg(UncertaintyBudget::Coverage),
                                tr("Tolerance"),
                                tr("TUR"),
                                tr("Result")};
    QString html = tableHead(tr("Points"), titles);
    for (int p = 0; p < check.points.size(); ++p) {
        const CheckPoint &point = check.points[p];
        html += spanning(pointTitle(point, p), titles.size());
        for (size_t q = 0; q < CheckedQuantities; ++q) {
            const QuantityPoint &v = point.quantities[q];
            const double tolerance = check.settings.tolerance[q];
            // A U of 0 leaves the ratio infinite, which prints as none.
            html +=
                row({quantityTitle(q), number(v.reference, ValueDecimals),
                     number(v.mean, ValueDecimals), number(v.error, ValueDecimals),
                     number(v.budget.expanded, ValueDecimals), number(tolerance, ValueDecimals),
                     number(v.budget.ratio(tolerance), RatioDecimals), quantityResult(point, q)});
        }
        if (!point.earlyReason.isEmpty())
            html += spanning(tr("Point %1 was taken before the readings were stable: %2")
                                 .arg(p + 1)
                                 .arg(point.earlyReason),
                             titles.size());
    }
    return html + QStringLiteral("</table>");
}

// Where each point's U comes from: a section after the points, which may take pages of its own.
QString Certificate::annex(const Check &check)
{
    using Figure = std::function<QString(const QuantityPoint &)>;
    QVector<std::pair<QString, Figure>> figures;
    const QString contributions[UncertaintyBudget::Sources] = {
        tr("Reference certificate"), tr("Reference variation"), tr("Transmitter variation"),
        tr("Resolution"), tr("Chamber non-uniformity")};
    for (size_t source = 0; source < UncertaintyBudget::Sources; ++source)
        figures.append({contributions[source], [source](const QuantityPoint &v) {
                            return number(v.budget.standard[source], StandardDecimals);
                        }});
    figures += {
        {tr("Combined standard uncertainty"),
         [](const QuantityPoint &v) { return number(v.budget.combined, StandardDecimals); }},
        {tr("Coverage factor k"),
         [](const QuantityPoint &v) { return number(v.budget.coverage, 1); }},
        {tr("Expanded uncertainty U"),
         [](const QuantityPoint &v) { return number(v.budget.expanded, ValueDecimals); }},
        {tr("Reference std dev"),
         [](const QuantityPoint &v) {
             return number(v.referenceStandardDeviation, ValueDecimals);
         }},
        {tr("Reference readings"),
         [](const QuantityPoint &v) { return QString::number(v.referenceSamples); }},
        {tr("Transmitter drift /min"),
         [](const QuantityPoint &v) { return number(v.driftPerMinute, ValueDecimals); }},
        {tr("Transmitter readings"),
         [](const QuantityPoint &v) { return QString::number(v.samples); }},
    };
    const QStringList titles = {tr("Standard uncertainty"), quantityTitle(0), quantityTitle(1)};
    QString html = tableHead(tr("Annex: uncertainty budgets"), titles);
    for (int p = 0; p < check.points.size(); ++p) {
        const CheckPoint &point = check.points[p];
        html += spanning(pointTitle(point, p), titles.size());
        for (const auto &[name, figure] : qAsConst(figures))
            html += row({name, figure(point.quantities[0]), figure(point.quantities[1])});
        if (std::isfinite(point.referenceAirTemperature))
            html += spanning(tr("The reference's humidity was worked out by the Magnus formula "
                                "from its air temperature %1 \u2103 and dew point %2 \u2103.")
                                 .arg(number(point.referenceAirTemperature, ValueDecimals),
                                      number(point.referenceDewPoint, ValueDecimals)),
                             titles.size());
    }
    return html
        + QStringLiteral("</table><p>%1</p>")
              .arg(tr("Standard uncertainties per quantity, combined in quadrature; U is k times "
                      "the combined standard uncertainty, rounded up to thousandths.")
                       .toHtmlEscaped());
}
