// The trend window's cost as the session grows:
// - one reading added with the plot and the statistics brought up to date and painted, in the
//   span the window follows by default (the last 10 minutes) after a minute (60) and after a day
//   (86,400) of readings, where the day may cost at most twice the minute; and after a week
//   (604,800: the store full, so every reading also drops the oldest) in the last 10 minutes and
//   in the "All" span, where everything may cost at most twice the last 10 minutes;
// - the memory the store takes per reading over a week of full polls; at most 64 bytes.
// With TR451_TREND_SCREENSHOT=docs/trend.png it also takes the README's picture: the main window
// polls the transmitter simulator for 90 s while its heater is switched on and off.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_trend
#include "app/widget.h"
#include "display/trendsession.h"
#include "transmittersimulator.h"
#include "ui/trendwindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <malloc.h>

#include <algorithm>

namespace {

constexpr int Minute = 60;
constexpr int Day = 24 * 60 * 60;
constexpr int TenMinutesSpan = 1;
constexpr int AllSpan = 3;
constexpr int Rounds = 7;
constexpr int AddsPerRound = 100;

TrendReading reading(qint64 second)
{
    TrendReading r;
    r.time = QDateTime::fromMSecsSinceEpoch(second * 1000);
    r.steadyMs = second * 1000;
    r.scale = QStringLiteral("*100");
    r.values = {float(23.45 + 0.5 * std::sin(second / 300.0)), float(45.67 + (second % 7) * 0.01),
                float(11.2 + 0.3 * std::sin(second / 500.0))};
    r.status = 0;
    return r;
}

// Median microseconds to add one reading and paint the result, with history readings before it,
// the window following the span of the selector's index span.
double addMicroseconds(int history, int span)
{
    TrendSession session;
    qint64 second = 1'800'000'000;
    for (int i = 0; i < history; ++i)
        session.add(reading(second++));
    TrendWindow window(session);
    auto *spans = window.findChild<QComboBox *>(QStringLiteral("comboBoxSpan"));
    spans->setCurrentIndex(span);
    emit spans->activated(span);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return -1;
    QVector<double> rounds;
    for (int round = 0; round <= Rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < AddsPerRound; ++i) {
            session.add(reading(second++));
            QCoreApplication::processEvents(); // the repaint the replot asked for
        }
        if (round > 0) // the first round warms up
            rounds << double(clock.nsecsElapsed()) / 1000.0 / AddsPerRound;
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

} // namespace

class BenchTrend : public QObject
{
    Q_OBJECT

private slots:
    void addAndRefresh();
    void memoryPerSample();
    void screenshot();
};

void BenchTrend::addAndRefresh()
{
    const double minute = addMicroseconds(Minute, TenMinutesSpan);
    const double day = addMicroseconds(Day, TenMinutesSpan);
    const double weekTenMinutes = addMicroseconds(SampleStore::WeekOfPolling, TenMinutesSpan);
    const double weekAll = addMicroseconds(SampleStore::WeekOfPolling, AllSpan);
    qInfo("one reading added, plot and statistics refreshed and painted:");
    qInfo("  last 10 min in view, after a minute of readings: %.1f us", minute);
    qInfo("  last 10 min in view, after a day: %.1f us, ratio %.2f to a minute (at most 2)", day,
          day / minute);
    qInfo("  last 10 min in view, after a week (the store full): %.1f us", weekTenMinutes);
    qInfo("  everything in view, after a week: %.1f us, ratio %.2f to the last 10 min (at most "
          "2)",
          weekAll, weekAll / weekTenMinutes);
    QVERIFY(minute > 0 && day > 0 && weekTenMinutes > 0 && weekAll > 0);
    QVERIFY(day <= 2 * minute);
    QVERIFY(weekAll <= 2 * weekTenMinutes);
}

void BenchTrend::memoryPerSample()
{
    const size_t before = mallinfo2().uordblks;
    {
        SampleStore store;
        for (int i = 0; i < SampleStore::WeekOfPolling; ++i)
            store.add(qint64(i) * 1000, qint64(i) * 1000, {23.45f, 45.67f, 11.2f});
        const size_t after = mallinfo2().uordblks;
        const double perSample = double(after - before) / SampleStore::WeekOfPolling;
        qInfo("a week of full polls (%d readings): %.1f MB on the heap, %.1f bytes per reading "
              "(at most 64)",
              store.rowCount(), double(after - before) / 1e6, perSample);
        QVERIFY(perSample <= 64);
    }
}

void BenchTrend::screenshot()
{
    const QString path = qEnvironmentVariable("TR451_TREND_SCREENSHOT");
    if (path.isEmpty())
        QSKIP("TR451_TREND_SCREENSHOT names no file");
    QTemporaryDir dir;
    TransmitterSimulator sim;
    QVERIFY(sim.start(dir.filePath("tty")));
    sim.setRegisterValue(0x0101, 4); // 9600 bit/s
    Widget tool;
    tool.show();
    auto *port = tool.findChild<QSerialPort *>(QStringLiteral("serialPort"));
    port->setPortName(sim.portPath());
    QVERIFY(port->open(QIODevice::ReadWrite));
    port->setBaudRate(QSerialPort::Baud9600);
    QObject::connect(port, SIGNAL(readyRead()), &tool, SLOT(my_readuart()));
    tool.findChild<QLineEdit *>(QStringLiteral("lineEditAddress"))->setText(QStringLiteral("1"));
    tool.findChild<QComboBox *>(QStringLiteral("comboBoxRegister"))->setCurrentIndex(1);
    QTest::mouseClick(tool.findChild<QPushButton *>(QStringLiteral("pushButtonTrend")),
                      Qt::LeftButton);
    QTest::mouseClick(tool.findChild<QPushButton *>(QStringLiteral("pushButtonRead")),
                      Qt::LeftButton);
    auto *trend = tool.findChild<TrendWindow *>();
    auto *span = trend->findChild<QComboBox *>(QStringLiteral("comboBoxSpan"));
    span->setCurrentIndex(3);
    emit span->activated(3);
    QTest::qWait(25'000);
    sim.setRegisterValue(0x0109, 1); // heater on
    QTest::qWait(35'000);
    sim.setRegisterValue(0x0109, 0);
    QTest::qWait(30'000);
    QVERIFY(trend->grab().save(path));
}

QTEST_MAIN(BenchTrend)
#include "bench_trend.moc"
