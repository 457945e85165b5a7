#include "check/pdfpages.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace {

constexpr int Resolution = 300;
constexpr double MarginMm = 15;
constexpr double FontPoints = 9;

// The text a page at a time, each page's foot left free: QTextDocument::print numbers no pages
// once a page size is set.
void print(const PdfPages::Document &source, QTextDocument &text, QPdfWriter &writer)
{
    const QRectF page(QPointF(0, 0), writer.pageLayout().paintRectPixels(Resolution).size());
    QPainter painter(&writer);
    painter.setFont(text.defaultFont());
    const qreal footerHeight = 2 * painter.fontMetrics().height();
    const QSizeF body(page.width(), page.height() - footerHeight);
    text.setPageSize(body);
    const int textPages = text.pageCount();
    const int pages = textPages + source.paintedPages;
    for (int p = 0; p < pages; ++p) {
        if (p > 0)
            writer.newPage();
        painter.save();
        if (p < textPages) {
            painter.translate(0, -p * body.height());
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = QRectF(QPointF(0, p * body.height()), body);
            painter.setClipRect(context.clip);
            text.documentLayout()->draw(&painter, context);
        } else {
            source.paint(painter, QRectF(QPointF(0, 0), body), p - textPages);
        }
        painter.restore();
        painter.drawText(QRectF(0, body.height(), page.width(), footerHeight),
                         Qt::AlignRight | Qt::AlignBottom, source.footer(p + 1, pages));
    }
}

} // namespace

namespace PdfPages {

bool write(const Document &document, const QString &fileName, QString *error)
{
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly)) {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                              QPageLayout::Millimeter);
        writer.setResolution(Resolution);
        writer.setTitle(document.title);
        writer.setCreator(QStringLiteral("TR-451&573 Test Tools"));
        QTextDocument text;
        text.documentLayout()->setPaintDevice(&writer);
        QFont font = text.defaultFont();
        font.setPointSizeF(FontPoints);
        text.setDefaultFont(font);
        text.setHtml(document.html);
        print(document, text, writer);
    }
    if (file.commit())
        return true;
    *error = file.errorString();
    return false;
}

QString cell(const QString &text, const char *tag, const QColor &colour)
{
    const QString background =
        colour.isValid() ? QStringLiteral(" bgcolor=\"%1\"").arg(colour.name()) : QString();
    return QStringLiteral("<%1 align=\"left\"%2>%3</%1>")
        .arg(QLatin1String(tag), background, text.toHtmlEscaped());
}

QString row(const QStringList &cells, const char *tag)
{
    QString html = QStringLiteral("<tr>");
    for (const QString &text : cells)
        html += cell(text, tag);
    return html + QStringLiteral("</tr>");
}

} // namespace PdfPages
