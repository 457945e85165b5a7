#include "ui/messagelog.h"

#include "app/widget.h"
#include "ui_widget.h"

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
    QTextCursor cursor(document);
    cursor.setPosition(document->findBlockByNumber(surplus).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

} // namespace MessageLog

void Widget::AppendLog(QString text, bool received)
{
    MessageLog::append(ui->textBrowser,
                       MessageLog::formatLine(QDateTime::currentDateTime(), text, received));
}
