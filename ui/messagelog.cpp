#include "ui/messagelog.h"

#include "app/widget.h"
#include "ui_widget.h"

namespace MessageLog {

QString formatLine(const QDateTime &when, const QString &text, bool received)
{
    // The font tag is unquoted and the text unescaped: callers pass hexadecimal digits only.
    return (received ? QStringLiteral("<font color=green>") : QStringLiteral("<font color=red>"))
        + when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
        + (received ? QStringLiteral("->RX  ") : QStringLiteral("->TX  ")) + text
        + QStringLiteral("</font>");
}

} // namespace MessageLog

void Widget::AppendLog(QString text, bool received)
{
    ui->textBrowser->append(MessageLog::formatLine(QDateTime::currentDateTime(), text, received));
}
