#ifndef PDFPAGES_H
#define PDFPAGES_H

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

class QPainter;
class QRectF;

// A4 documents as the tools print them: rich text laid out with the PDF writer's own metrics
// (laid out for the screen and scaled, table columns come out narrower than their words), then
// pages that are painted rather than written (charts), and on every page's foot a line such as
// "Certificate BENCH-2-000123, page 2 of 3". Written whole or not at all (QSaveFile).
namespace PdfPages {

struct Document
{
    QString title; // the PDF's own title
    QString html; // the text, flowed over as many pages as it needs
    int paintedPages = 0; // after the text
    // Paints painted page index (from 0) into area, in the document's font.
    std::function<void(QPainter &painter, const QRectF &area, int index)> paint;
    // The foot of page (from 1) of pages.
    std::function<QString(int page, int pages)> footer;
};

// False, with *error saying why in the system's words, when the file cannot be written.
bool write(const Document &document, const QString &fileName, QString *error);

// A cell of the documents' tables ("td" or "th"), its text escaped, on colour when one is given.
QString cell(const QString &text, const char *tag = "td", const QColor &colour = QColor());
QString row(const QStringList &cells, const char *tag = "td");

} // namespace PdfPages

#endif // PDFPAGES_H
