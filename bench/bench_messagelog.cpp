// The message log after a day of polling: 172,800 lines (a request and an answer every second).
// Reports the cost of one append at the start and at the end of the day and the resident memory,
// with the log's bound in force. Run: build/bench/bench_messagelog (offscreen).
#include "app/widget.h"
#include "ui/messagelog.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTextBrowser>
#include <QtTest>

namespace {

constexpr int LinesPerDay = 2 * 24 * 60 * 60;

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Microseconds per append over the next count lines.
double appendMicroseconds(QTextBrowser *log, bool bounded, int count, int &serial)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        const QString line = MessageLog::formatLine(QDateTime::currentDateTime(),
                                                    QString::number(serial++, 16), i % 2);
        if (bounded)
            MessageLog::append(log, line);
        else
            log->append(line);
    }
    // Let the window lay out and paint what was added, as it would while polling.
    QCoreApplication::processEvents();
    return double(clock.nsecsElapsed()) / 1000.0 / count;
}

} // namespace

class BenchMessageLog : public QObject
{
    Q_OBJECT

private slots:
    void dayOfPolling_data();
    void dayOfPolling();
};

void BenchMessageLog::dayOfPolling_data()
{
    QTest::addColumn<bool>("bounded");
    QTest::newRow("bounded log") << true;
    QTest::newRow("every line kept") << false;
}

void BenchMessageLog::dayOfPolling()
{
    QFETCH(bool, bounded);
    Widget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *log = window.findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
    QVERIFY(log);
    const long before = residentKilobytes();
    int serial = 0;
    const double first = appendMicroseconds(log, bounded, 1000, serial);
    while (serial < LinesPerDay - 1000)
        appendMicroseconds(log, bounded, 1000, serial);
    const double last = appendMicroseconds(log, bounded, 1000, serial);
    const long after = residentKilobytes();
    qInfo("lines appended: %d, lines kept: %d", serial, log->document()->blockCount());
    qInfo("append at the start: %.1f us, at the end of the day: %.1f us", first, last);
    qInfo("resident memory: %ld KB before, %ld KB after (%+ld KB)", before, after, after - before);
    if (bounded)
        QVERIFY(log->document()->blockCount() < MessageLog::MaxLines + MessageLog::TrimBatch);
}

QTEST_MAIN(BenchMessageLog)
#include "bench_messagelog.moc"
