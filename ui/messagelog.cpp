#include "ui/messagelog.h"

#include "app/widget.h"
#include "ui_widget.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace MessageLog {

QString formatLine(const QDateTime &when, const QString &text, bool received)
{
    // The font tag is unquoted and the text unescaped: callers pass hexadecimal digits only.
    return (received ? QStringLiteral("<font color=green>") : QStringLiteral("<font color=red>"))
        + when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
        + (received ? QStringLiteral("->RX  ") : QStringLiteral("->TX  ")) + text
        + QStringLiteral("</font>");
}

void append(QTextBrowser *log, const QString &line, int maxLines, int trimBatch)
{
    QTextDocument *document = log->document();
    // Rich text would collapse the two blanks after the direction marker into one; the style
    // applies to the lines inserted after it is set, so it is set before the first one.
    if (document->defaultStyleSheet().isEmpty())
        document->setDefaultStyleSheet(QStringLiteral("* { white-space: pre-wrap; }"));
    log->append(line);
    const int surplus = document->blockCount() - maxLines;
    if (surplus < trimBatch)
        return;
    const QTextBlock firstKept = document->findBlockByNumber(surplus);
    // A user who scrolled back keeps the lines on screen where they are: the view moves up by
    // the height of what goes. At the bottom the log follows new lines as before.
    QScrollBar *scroll = log->verticalScrollBar();
    const bool following = scroll->value() == scroll->maximum();
    const QAbstractTextDocumentLayout *layout = document->documentLayout();
    const int removedHeight = qRound(layout->blockBoundingRect(firstKept).top()
                                     - layout->blockBoundingRect(document->firstBlock()).top());
    QTextCursor cursor(document);
    cursor.setPosition(firstKept.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    scroll->setValue(following ? scroll->maximum() : scroll->value() - removedHeight);
}

} // namespace MessageLog

void Widget::AppendLog(QString text, bool received)
{
    MessageLog::append(ui->textBrowser,
                       MessageLog::formatLine(QDateTime::currentDateTime(), text, received));
}
