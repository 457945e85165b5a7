#include "ui/messagelog.h"

#include "app/widget.h"
#include "ui_widget.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QMenu>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace MessageLog {

QString formatLine(const QDateTime &when, const QString &text, bool received)
{
    // The font tag is unquoted and the text unescaped: callers pass hexadecimal digits only. The
    // time keeps ASCII digits whatever the system's locale writes its numbers with.
    return (received ? QStringLiteral("<font color=green>") : QStringLiteral("<font color=red>"))
        + QLocale::c().toString(when, QStringLiteral("yyyy-MM-dd hh:mm:ss"))
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

QString save(const QTextBrowser *log, const QString &fileName)
{
    // Written whole or not at all: a failed save leaves an earlier file of that name as it was.
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        const QString text = log->toPlainText();
        file.write(text.toUtf8());
        if (!text.isEmpty())
            file.write("\n");
        if (file.commit())
            return QString();
    }
    return file.errorString();
}

} // namespace MessageLog

void Widget::AppendLog(QString text, bool received)
{
    MessageLog::append(ui->textBrowser,
                       MessageLog::formatLine(QDateTime::currentDateTime(), text, received));
}

void Widget::showLogMenu(const QPoint &position)
{
    QMenu *menu = ui->textBrowser->createStandardContextMenu(position);
    menu->addSeparator();
    menu->addAction(tr("Save log as..."), this, [this] { saveLog(); });
    menu->exec(ui->textBrowser->viewport()->mapToGlobal(position));
    delete menu;
}

void Widget::saveLog()
{
    const QString fileName = QFileDialog::getSaveFileName(this, tr("Save log as"), QString(),
                                                          tr("Text files (*.txt);;All files (*)"));
    if (fileName.isEmpty())
        return;
    const QString error = MessageLog::save(ui->textBrowser, fileName);
    if (!error.isEmpty())
        showError(
            tr("Cannot save the log to %1: %2").arg(QDir::toNativeSeparators(fileName), error));
}
