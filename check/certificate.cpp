#include "check/certificate.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cmath>

namespace {

constexpr int Resolution = 300;
constexpr double MarginMm = 15;
constexpr double FontPoints = 9;
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString cell(const QString &text, const char *tag = "td")
{
    return QStringLiteral("<%1 align=\"left\">%2</%1>")
        .arg(QLatin1String(tag), text.toHtmlEscaped());
}

QString fieldRow(const QString &name, const QString &value)
{
    return QStringLiteral("<tr>") + cell(name, "th") + cell(value) + QStringLiteral("</tr>");
}

QString time(const QDateTime &at)
{
    return at.isValid() ? at.toLocalTime().toString(TimeFormat) : QStringLiteral("---");
}

} // namespace

QString Certificate::decisionRule()
{
    return tr("Decision rule: simple acceptance. A quantity passes when |error| \u2264 tolerance, "
              "the error being the transmitter's mean over the stability window minus the "
              "reference; the check passes when every quantity of every point passes.");
}

QString Certificate::kindText(Check::Kind kind)
{
    return kind == Check::Kind::AsLeft ? tr("As left") : tr("As found");
}

QString Certificate::resultText(Check::Result result)
{
    switch (result) {
    case Check::Result::Pass:
        return tr("Pass");
    case Check::Result::Fail:
        return tr("Fail");
    case Check::Result::Abandoned:
        return tr("Abandoned");
    default:
        return tr("Open");
    }
}

QString Certificate::number(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("---");
}

bool Certificate::write(const Check &check, const QString &fileName, QString *error)
{
    const StationSettings &s = check.settings;
    const QString units[CheckedQuantities] = {QStringLiteral("\u2103"), QStringLiteral("%RH")};
    const QString quantities[CheckedQuantities] = {tr("Temperature"), tr("Humidity")};
    const auto both = [&](const std::array<double, CheckedQuantities> &values,
                          const QString &form) {
        return form.arg(number(values[0], 2), units[0], number(values[1], 2), units[1]);
    };

    QString html = QStringLiteral("<h2>%1</h2><table cellpadding=\"3\">")
                       .arg(tr("Calibration check certificate").toHtmlEscaped());
    const Transmitter &t = check.transmitter;
    for (const auto &[name, value] : {
             std::pair {tr("Serial number"), t.serialNumber},
             {tr("Address"), QString::number(t.address)},
             {tr("Temperature output range"),
              QStringLiteral("%1 ... %2 \u2103").arg(number(t.rangeMin, 1), number(t.rangeMax, 1))},
             {tr("Kind of check"), kindText(check.kind)},
             {tr("Station"), s.station},
             {tr("Operator"), s.operatorName},
             {tr("Started"), time(check.startedAt)},
             {tr("Finished"), time(check.finishedAt)},
             {tr("Reference instrument"), s.referenceInstrument},
             {tr("Reference certificate number"), s.referenceCertificate},
             {tr("Reference calibration due"), s.referenceDue.toString(Qt::ISODate)},
             {tr("Stability window"), tr("%1 s").arg(s.limits.windowMs / 1000.0)},
             {tr("Stability limits"),
              both(s.limits.maxDrift, tr("|drift| \u2264 %1 %2/min and %3 %4/min"))
                  + QStringLiteral("; ")
                  + both(s.limits.maxStandardDeviation, tr("std dev \u2264 %1 %2 and %3 %4"))},
             {tr("Tolerance"), both(s.tolerance, QStringLiteral("\u00b1%1 %2, \u00b1%3 %4"))},
         })
        html += fieldRow(name, value);
    html += QStringLiteral("</table><h3>%1</h3><table width=\"100%\" border=\"1\" "
                           "cellspacing=\"0\" cellpadding=\"3\"><tr>")
                .arg(tr("Points").toHtmlEscaped());
    for (const QString &title :
         {tr("Point"), tr("Time"), tr("Quantity"), tr("Reference"), tr("Mean"), tr("Std dev"),
          tr("Drift /min"), tr("Error"), tr("Samples"), tr("Result")})
        html += cell(title, "th");
    html += QStringLiteral("</tr>");
    for (int p = 0; p < check.points.size(); ++p) {
        const CheckPoint &point = check.points[p];
        for (int q = 0; q < CheckedQuantities; ++q) {
            const QuantityPoint &v = point.quantities[size_t(q)];
            html += QStringLiteral("<tr>");
            for (const QString &text :
                 {QString::number(p + 1),
                  point.takenAt.toLocalTime().toString(QStringLiteral("HH:mm:ss")),
                  quantities[q] + QStringLiteral(" (") + units[q] + ')', number(v.reference, 2),
                  number(v.mean, 3), number(v.standardDeviation, 3), number(v.driftPerMinute, 3),
                  number(v.error, 3), QString::number(v.samples),
                  resultText(v.passed ? Check::Result::Pass : Check::Result::Fail)})
                html += cell(text);
            html += QStringLiteral("</tr>");
        }
        if (!point.earlyReason.isEmpty())
            html += QStringLiteral("<tr><td colspan=\"10\">%1</td></tr>")
                        .arg(tr("Point %1 was taken before the readings were stable: %2")
                                 .arg(p + 1)
                                 .arg(point.earlyReason)
                                 .toHtmlEscaped());
    }
    html += QStringLiteral("</table><p>%1</p><h3>%2</h3>")
                .arg(decisionRule().toHtmlEscaped(),
                     tr("Overall result: %1").arg(resultText(check.result)).toHtmlEscaped());

    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                              QPageLayout::Millimeter);
        writer.setResolution(Resolution);
        writer.setTitle(tr("Calibration check certificate") + ' ' + t.serialNumber);
        writer.setCreator(QStringLiteral("TR-451&573 Test Tools"));
        // Laid out with the writer's own metrics: laid out for the screen and scaled, table
        // columns come out narrower than their words.
        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        document.setPageSize(writer.pageLayout().paintRectPixels(Resolution).size());
        QFont font = document.defaultFont();
        font.setPointSizeF(FontPoints);
        document.setDefaultFont(font);
        document.setHtml(html);
        document.print(&writer);
    }
    if (file.commit())
        return true;
    *error = tr("Cannot write the certificate to %1: %2").arg(fileName, file.errorString());
    return false;
}
