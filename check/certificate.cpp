#include "check/certificate.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace {

constexpr int Resolution = 300;
constexpr double MarginMm = 15;
constexpr double FontPoints = 9;
constexpr int ReferenceDecimals = 3; // as the mean: the error is one minus the other
constexpr int IdDigits = 6;
constexpr int MaxStationLetters = 24;
const QString DateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString cell(const QString &text, const char *tag = "td")
{
    return QStringLiteral("<%1 align=\"left\">%2</%1>")
        .arg(QLatin1String(tag), text.toHtmlEscaped());
}

QString fieldRow(const QString &name, const QString &value)
{
    return QStringLiteral("<tr>") + cell(name, "th") + cell(value) + QStringLiteral("</tr>");
}

// The document laid out a page at a time with each page's foot left free for footer(page,
// pages): QTextDocument::print numbers no pages once a page size is set.
void print(QTextDocument &document, QPdfWriter &writer,
           const std::function<QString(int, int)> &footer)
{
    const QRectF page(QPointF(0, 0), writer.pageLayout().paintRectPixels(Resolution).size());
    QPainter painter(&writer);
    painter.setFont(document.defaultFont());
    const qreal footerHeight = 2 * painter.fontMetrics().height();
    const QSizeF body(page.width(), page.height() - footerHeight);
    document.setPageSize(body);
    const int pages = document.pageCount();
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -p * body.height());
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(QPointF(0, p * body.height()), body);
        painter.setClipRect(context.clip);
        document.documentLayout()->draw(&painter, context);
        painter.restore();
        painter.drawText(QRectF(0, body.height(), page.width(), footerHeight),
                         Qt::AlignRight | Qt::AlignBottom, footer(p + 1, pages));
    }
}

} // namespace

QString Certificate::identification(const Check &check)
{
    if (!check.stored())
        return QString();
    // Capitals and digits of the station's name, accents dropped and anything else one dash: a
    // number that reads aloud, types anywhere and names a file on any system. The check's id
    // makes it unique among the stations sharing the records.
    QString station;
    for (const QChar c : check.settings.station.normalized(QString::NormalizationForm_KD)) {
        if (c.unicode() < 128 && c.isLetterOrNumber())
            station += c.toUpper();
        else if (!c.isMark() && !station.isEmpty() && !station.endsWith('-'))
            station += '-';
    }
    station.truncate(MaxStationLetters);
    while (station.endsWith('-'))
        station.chop(1);
    return (station.isEmpty() ? QStringLiteral("CHECK") : station) + '-'
        + QString::number(check.id).rightJustified(IdDigits, '0');
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

QString Certificate::decisionRule()
{
    return tr("Decision rule: simple acceptance. A quantity passes when |error| \u2264 tolerance, "
              "the error being the transmitter's mean over the stability window minus the "
              "reference, both as printed to three decimals; the check passes when every "
              "quantity of every point passes.");
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
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("---");
}

bool Certificate::write(const Check &check, const QString &fileName, QString *error)
{
    const QString id = identification(check);
    if (id.isEmpty()) {
        *error = tr("A check that is not stored has no certificate number yet: store it first.");
        return false;
    }
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
    // Each point a line of its own, with its time, above its quantities: one line a row, and the
    // column titles again on every page.
    const QStringList titles = {tr("Quantity"),   tr("Reference"), tr("Mean"),    tr("Std dev"),
                                tr("Drift /min"), tr("Error"),     tr("Samples"), tr("Result")};
    const auto spanning = [&titles](const QString &text) {
        return QStringLiteral("<tr><td colspan=\"%1\">%2</td></tr>")
            .arg(titles.size())
            .arg(text.toHtmlEscaped());
    };
    html += QStringLiteral("</table><h3>%1</h3><table width=\"100%\" border=\"1\" "
                           "cellspacing=\"0\" cellpadding=\"3\"><thead><tr>")
                .arg(tr("Points").toHtmlEscaped());
    for (const QString &title : titles)
        html += cell(title, "th");
    html += QStringLiteral("</tr></thead>");
    for (int p = 0; p < check.points.size(); ++p) {
        const CheckPoint &point = check.points[p];
        html += spanning(tr("Point %1, taken %2").arg(p + 1).arg(timeText(point.takenAt)));
        for (int q = 0; q < CheckedQuantities; ++q) {
            const QuantityPoint &v = point.quantities[size_t(q)];
            html += QStringLiteral("<tr>");
            for (const QString &text :
                 {quantities[q] + QStringLiteral(" (") + units[q] + ')',
                  number(v.reference, ReferenceDecimals), number(v.mean, 3),
                  number(v.standardDeviation, 3), number(v.driftPerMinute, 3), number(v.error, 3),
                  QString::number(v.samples),
                  Verdicts::text(v.verdict)})
                html += cell(text);
            html += QStringLiteral("</tr>");
        }
        if (!point.earlyReason.isEmpty())
            html += spanning(tr("Point %1 was taken before the readings were stable: %2")
                                 .arg(p + 1)
                                 .arg(point.earlyReason));
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
        writer.setTitle(tr("Calibration check certificate") + ' ' + id);
        writer.setCreator(QStringLiteral("TR-451&573 Test Tools"));
        // Laid out with the writer's own metrics: laid out for the screen and scaled, table
        // columns come out narrower than their words.
        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        QFont font = document.defaultFont();
        font.setPointSizeF(FontPoints);
        document.setDefaultFont(font);
        document.setHtml(html);
        print(document, writer, [&id](int page, int pages) {
            return tr("Certificate %1, page %2 of %3").arg(id).arg(page).arg(pages);
        });
    }
    if (file.commit())
        return true;
    *error = tr("Cannot write the certificate to %1: %2").arg(fileName, file.errorString());
    return false;
}
