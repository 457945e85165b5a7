#include "batch/report.h"

#include "batch/profile.h"
#include "check/certificate.h"
#include "check/pdfpages.h"
#include "check/verdict.h"

#include <QPainter>

namespace {

// Both charts on one page, one above the other, this share of the page apart.
constexpr double ChartGap = 0.04;
constexpr int RunIdDigits = 6;
const QString Units[CheckedQuantities] = {QStringLiteral("\u2103"), QStringLiteral("%RH")};

using PdfPages::cell;
using PdfPages::row;

QString table(const QString &rows, bool ruled)
{
    return QStringLiteral("<table cellpadding=\"3\"%1>%2</table>")
        .arg(ruled ? QStringLiteral(" width=\"100%\" border=\"1\" cellspacing=\"0\"") : QString(),
             rows);
}

QString number(double value, int decimals)
{
    return Certificate::number(value, decimals);
}

QString stateText(RunRecord::State state)
{
    switch (state) {
    case RunRecord::State::Finished:
        return BatchReport::tr("finished");
    case RunRecord::State::Aborted:
        return BatchReport::tr("aborted");
    case RunRecord::State::Running:
        break;
    }
    return BatchReport::tr("running");
}

QString facts(const RunRecord &run)
{
    const StationSettings &s = run.settings;
    const ReferenceMap &map = s.referenceMap;
    QString rows;
    for (const auto &[name, value] : {
             std::pair {BatchReport::tr("Report number"), BatchReport::identification(run)},
             {BatchReport::tr("Station"), run.station},
             {BatchReport::tr("Operator"), run.operatorName},
             {BatchReport::tr("Kind of check"), Certificate::kindText(run.kind)},
             {BatchReport::tr("Started"), Certificate::timeText(run.startedAt)},
             {BatchReport::tr("Finished"), Certificate::timeText(run.finishedAt)},
             {BatchReport::tr("State"), stateText(run.state)},
             {BatchReport::tr("Reference instrument"),
              BatchReport::tr("%1, certificate %2, calibration due %3")
                  .arg(s.referenceInstrument, s.referenceCertificate,
                       s.referenceDue.toString(Qt::ISODate))},
             {BatchReport::tr("Reference read"),
              BatchReport::tr("%1 at address %2: temperature %3, %4 %5")
                  .arg(map.line.port)
                  .arg(map.line.address)
                  .arg(map.temperature.toString(),
                       map.dewPoint.isSet() ? BatchReport::tr("dew point")
                                            : BatchReport::tr("humidity"),
                       (map.dewPoint.isSet() ? map.dewPoint : map.humidity).toString())},
             {BatchReport::tr("Tolerance"),
              QStringLiteral("\u00b1%1 %2, \u00b1%3 %4")
                  .arg(number(s.tolerance[0], 2), Units[0], number(s.tolerance[1], 2), Units[1])},
             {BatchReport::tr("Stability window"),
              BatchReport::tr("%1 s").arg(s.limits.windowMs / 1000.0)},
         })
        rows += QStringLiteral("<tr>") + cell(name, "th") + cell(value) + QStringLiteral("</tr>");
    return table(rows, false);
}

QString profileTable(const QVector<ProfilePoint> &points)
{
    QString rows = row({BatchReport::tr("Point"), BatchReport::tr("Temperature (\u2103)"),
                        BatchReport::tr("Humidity (%RH)"), BatchReport::tr("Soak (s)"),
                        BatchReport::tr("Max wait (s)"), BatchReport::tr("Band")},
                       "th");
    for (int p = 0; p < points.size(); ++p) {
        const ProfilePoint &point = points.at(p);
        rows +=
            row({QString::number(p + 1), number(point.temperature, 1), number(point.humidity, 1),
                 QString::number(point.soakS), QString::number(point.maxWaitS),
                 QStringLiteral("\u00b1%1 \u2103, \u00b1%2 %RH")
                     .arg(number(point.bandTemperature, 1), number(point.bandHumidity, 1))});
    }
    return table(rows, true);
}

// Every transmitter against every point, and its overall result.
QString resultsTable(const RunRecord &run, int pointCount)
{
    QString rows = QStringLiteral("<tr>") + cell(BatchReport::tr("Serial number"), "th")
        + cell(BatchReport::tr("Address"), "th");
    for (int p = 0; p < pointCount; ++p)
        rows += cell(QString::number(p + 1), "th");
    rows += cell(BatchReport::tr("Overall"), "th") + QStringLiteral("</tr>");
    for (const Check &check : run.checks) {
        rows += QStringLiteral("<tr>") + cell(check.transmitter.serialNumber)
            + cell(QString::number(check.transmitter.address));
        for (int p = 0; p < pointCount; ++p) {
            const CheckPoint *point = BatchReport::pointOf(check, p);
            rows += cell(BatchReport::cellText(point), "td", BatchReport::cellColour(point));
        }
        rows += cell(Certificate::resultText(check.result)) + QStringLiteral("</tr>");
    }
    return table(rows, true);
}

void paintCharts(QPainter &painter, const QRectF &area, const RunRecord &run)
{
    const double height = area.height() * (1 - ChartGap) / CheckedQuantities;
    for (int q = 0; q < CheckedQuantities; ++q) {
        const QRectF part(area.left(), area.top() + q * area.height() * (0.5 + ChartGap / 2),
                          area.width(), height);
        ErrorChart::paint(painter, part, BatchReport::chart(run, q));
    }
}

} // namespace

QString BatchReport::identification(const RunRecord &run)
{
    if (!run.stored())
        return QString();
    return Certificate::stationCode(run.station) + QStringLiteral("-RUN-")
        + QString::number(run.id).rightJustified(RunIdDigits, '0');
}

const CheckPoint *BatchReport::pointOf(const Check &check, int profilePoint)
{
    for (const CheckPoint &point : check.points) {
        if (point.profilePoint == profilePoint)
            return &point;
    }
    return nullptr;
}

QString BatchReport::cellText(const CheckPoint *point)
{
    if (!point)
        return QString();
    switch (point->outcome) {
    case CheckPoint::Outcome::NotStable:
        return tr("not stable");
    case CheckPoint::Outcome::NoAnswer:
        return tr("no answer");
    case CheckPoint::Outcome::Taken:
        break;
    }
    return Verdicts::text(point->verdict());
}

QColor BatchReport::cellColour(const CheckPoint *point)
{
    if (!point)
        return QColor();
    if (point->outcome != CheckPoint::Outcome::Taken)
        return QColor(0xe0, 0xe0, 0xe0);
    switch (point->verdict()) {
    case Verdict::Pass:
        return QColor(0xc8, 0xe6, 0xc9);
    case Verdict::ConditionalPass:
        return QColor(0xff, 0xf5, 0x9d);
    case Verdict::ConditionalFail:
        return QColor(0xff, 0xcc, 0x80);
    case Verdict::Fail:
        break;
    }
    return QColor(0xef, 0x9a, 0x9a);
}

ErrorChartData BatchReport::chart(const RunRecord &run, int quantity)
{
    ErrorChartData data;
    const bool humidity = quantity == SampleStore::Humidity;
    data.title = humidity ? tr("Humidity") : tr("Temperature");
    data.unit = Units[quantity];
    data.referenceAxis = tr("Reference (%1)").arg(data.unit);
    data.errorAxis = tr("Error and U (%1)").arg(data.unit);
    data.tolerance = run.settings.tolerance[size_t(quantity)];
    for (const Check &check : run.checks) {
        ErrorChartSeries series;
        series.name = check.transmitter.serialNumber;
        for (const CheckPoint &point : check.points) {
            if (point.outcome != CheckPoint::Outcome::Taken)
                continue;
            const QuantityPoint &q = point.quantities[size_t(quantity)];
            series.points.append({q.reference, q.error, q.budget.expanded});
        }
        data.series.append(series);
    }
    return data;
}

bool BatchReport::write(const RunRecord &run, const QString &fileName, QString *error)
{
    const QString id = identification(run);
    if (id.isEmpty()) {
        *error = tr("The run is not stored, so its report has no number yet.");
        return false;
    }
    QString why;
    const std::optional<Profile> profile = Profile::parse(run.profile, &why);
    const QVector<ProfilePoint> points = profile ? profile->points() : QVector<ProfilePoint>();
    PdfPages::Document document;
    document.title = tr("Batch report") + ' ' + id;
    document.html = QStringLiteral("<h2>%1</h2>").arg(tr("Batch report").toHtmlEscaped())
        + facts(run) + QStringLiteral("<h3>%1</h3>").arg(tr("Profile").toHtmlEscaped())
        + profileTable(points)
        + QStringLiteral("<h3>%1</h3>").arg(tr("Transmitters and points").toHtmlEscaped())
        + resultsTable(run, points.size())
        + QStringLiteral("<p>%1</p>")
              .arg(DecisionRules::statement(run.settings.rule).toHtmlEscaped());
    document.paintedPages = 1;
    document.paint = [&run](QPainter &painter, const QRectF &area, int) {
        paintCharts(painter, area, run);
    };
    document.footer = [&id](int page, int pages) {
        return tr("Batch report %1, page %2 of %3").arg(id).arg(page).arg(pages);
    };
    if (PdfPages::write(document, fileName, &why))
        return true;
    *error = tr("Cannot write the batch report to %1: %2").arg(fileName, why);
    return false;
}
