// The message log: the line format, and the lines the window appends for frames sent.
#include "app/appstate.h"
#include "app/widget.h"
#include "support/ptypair.h"
#include "ui/messagelog.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

namespace {

const QString TimestampFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QTextBrowser *logOf(const Widget &window)
{
    return window.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
}

// The colour every character of a paragraph is shown in; invalid when they differ.
QColor blockColour(const QTextBlock &block)
{
    QColor colour;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QColor fragment = it.fragment().charFormat().foreground().color();
        if (colour.isValid() && fragment != colour)
            return QColor();
        colour = fragment;
    }
    return colour;
}

} // namespace

class TestMessageLog : public QObject
{
    Q_OBJECT

private slots:
    void formatLine_data();
    void formatLine();
    void appendLog_data();
    void appendLog();
    void linesKeepCallOrder();
    void sentFrameIsLoggedAsWritten();
};

void TestMessageLog::formatLine_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("received");
    QTest::addColumn<QString>("line");

    const QDate day(2026, 12, 6);
    const QDateTime morning(day, QTime(9, 5, 7));
    QTest::newRow("sent") << morning << "0a0b" << false
                          << "<font color=red>2026-12-06 09:05:07->TX  0a0b</font>";
    QTest::newRow("received") << morning << "0a0b" << true
                              << "<font color=green>2026-12-06 09:05:07->RX  0a0b</font>";
    QTest::newRow("empty sent") << morning << "" << false
                                << "<font color=red>2026-12-06 09:05:07->TX  </font>";
    QTest::newRow("empty received")
        << morning << "" << true << "<font color=green>2026-12-06 09:05:07->RX  </font>";
    QTest::newRow("midnight") << QDateTime(day, QTime(0, 0, 0)) << "ff" << false
                              << "<font color=red>2026-12-06 00:00:00->TX  ff</font>";
    QTest::newRow("noon") << QDateTime(day, QTime(12, 0, 0)) << "ff" << true
                          << "<font color=green>2026-12-06 12:00:00->RX  ff</font>";
    QTest::newRow("13 h") << QDateTime(day, QTime(13, 0, 1)) << "ff" << false
                          << "<font color=red>2026-12-06 13:00:01->TX  ff</font>";
    QTest::newRow("23 h") << QDateTime(QDate(2027, 1, 2), QTime(23, 59, 59)) << "ff" << true
                          << "<font color=green>2027-01-02 23:59:59->RX  ff</font>";
    QTest::newRow("milliseconds dropped") << QDateTime(day, QTime(9, 5, 7, 999)) << "01" << false
                                          << "<font color=red>2026-12-06 09:05:07->TX  01</font>";
}

void TestMessageLog::formatLine()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    QFETCH(bool, received);
    QFETCH(QString, line);

    QCOMPARE(MessageLog::formatLine(when, text, received), line);
}

void TestMessageLog::appendLog_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("received");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QColor>("colour");

    QTest::newRow("sent") << "0a0b" << false << "->TX  " << QColor(QStringLiteral("red"));
    QTest::newRow("received") << "0a0b" << true << "->RX  " << QColor(QStringLiteral("green"));
    QTest::newRow("empty") << "" << false << "->TX  " << QColor(QStringLiteral("red"));
}

void TestMessageLog::appendLog()
{
    QFETCH(QString, text);
    QFETCH(bool, received);
    QFETCH(QString, marker);
    QFETCH(QColor, colour);

    Widget window;
    QTextBrowser *log = logOf(window);
    QVERIFY(log->document()->isEmpty());

    for (int line = 1; line <= 3; ++line) {
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-999);
        window.AppendLog(text, received);
        const QDateTime after = QDateTime::currentDateTime();

        // One paragraph per call, the newest last; the markup shows as colour, not as text.
        QCOMPARE(log->document()->blockCount(), line);
        const QTextBlock block = log->document()->lastBlock();
        const QString shown = block.text();
        QCOMPARE(shown.mid(19), marker + text);
        const QDateTime stamp = QDateTime::fromString(shown.left(19), TimestampFormat);
        QVERIFY2(stamp.isValid(), qPrintable(shown));
        QVERIFY(stamp >= before && stamp <= after);
        QCOMPARE(blockColour(block), colour);
    }
}

void TestMessageLog::linesKeepCallOrder()
{
    Widget window;
    const QStringList texts {"01", "02", "03", "04"};
    for (int i = 0; i < texts.size(); ++i)
        window.AppendLog(texts[i], i % 2);

    const QStringList lines = logOf(window)->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        QVERIFY2(lines[i].endsWith(QLatin1String(i % 2 ? "->RX  " : "->TX  ") + texts[i]),
                 qPrintable(lines[i]));
        if (i > 0)
            QVERIFY(lines[i].left(19) >= lines[i - 1].left(19));
    }
}

void TestMessageLog::sentFrameIsLoggedAsWritten()
{
    // The link's opening read goes out through the transmit path like every request.
    PtyPair pty;
    QVERIFY(pty.isValid());
    AppState.portName = pty.slavePath();
    AppState.baudRate = 9600;
    Widget window;
    QVERIFY(window.OpenSerialPort());
    const QByteArray written = pty.readFromTool(8);
    QCOMPARE(written.size(), 8);

    const QStringList lines = logOf(window)->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 1);
    const QRegularExpression pattern(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d->TX  ([0-9a-f]{16})$"));
    const QRegularExpressionMatch match = pattern.match(lines.first());
    QVERIFY2(match.hasMatch(), qPrintable(lines.first()));
    QCOMPARE(QByteArray::fromHex(match.captured(1).toLatin1()), written);
}

QTEST_MAIN(TestMessageLog)
#include "tst_messagelog.moc"
