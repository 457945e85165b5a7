// The trend: the store's bound, a view's statistics, recorded rows, failing writes, the window.
#include "display/trendsession.h"
#include "display/trendstatistics.h"
#include "support/windowfixture.h"
#include "ui/trendwindow.h"

#include <QComboBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <qwt_plot_panner.h>
#include <qwt_plot_zoomer.h>

#include <csignal>
#include <sys/resource.h>

static const float No = std::numeric_limits<float>::quiet_NaN();
static constexpr qint64 T0 = 1796634307123; // 2026-12-07T09:05:07.123Z

static TrendReading reading(qint64 t, SampleStore::Values v, const QString &sn = "2612",
                            int offset = 3600)
{
    return {QDateTime::fromMSecsSinceEpoch(t, Qt::OffsetFromUTC, offset),
            t,
            1,
            sn,
            "*100",
            2,
            v,
            0xAB12};
}

// count values from first in steps of step, plus amplitude in the pattern + - - + (mean 0, slope 0)
static QVector<double> series(int count, double first, double step, double amplitude)
{
    QVector<double> values;
    for (int i = 0; i < count; ++i)
        values << first + i * step + ((i % 4 == 0 || i % 4 == 3) ? amplitude : -amplitude);
    return values;
}

static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

Q_DECLARE_METATYPE(TrendReading)

class TestTrend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German)); } // decimal comma

    // At its capacity the store drops its oldest rows; each point keeps its row's time and value.
    void store()
    {
        SampleStore store(3);
        const float rows[][3] = {{1, 1, 1}, {2, No, No}, {No, 3, No}, {No, No, 4}, {5, 5, No}};
        for (int i = 0; i < 5; ++i)
            store.add(i + 1, i + 1, {rows[i][0], rows[i][1], rows[i][2]});
        QString kept = QString("%1 rows from %2").arg(store.rowCount()).arg(store.rowTime(0));
        for (auto q : {SampleStore::Temperature, SampleStore::Humidity, SampleStore::DewPoint}) {
            kept += '|';
            for (int p = 0; p < store.pointCount(q); ++p)
                kept += QString("%1=%2,").arg(store.pointTime(q, p)).arg(store.pointValue(q, p));
        }
        QCOMPARE(kept, "3 rows from 3|5=5,|3=3,5=5,|4=4,");
    }

    void statistics_data()
    {
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<qint64>("step");
        // count, last, minimum, maximum, mean, standard deviation, drift
        QTest::addColumn<QVector<double>>("expected");
        QTest::newRow("noise far from zero")
            << series(1000, 23.45, 0, 0.01) << qint64(1000)
            << QVector<double> {1000, 23.46, 23.44, 23.46, 23.45, 0.01, 0};
        QTest::newRow("noise farther")
            << series(1000, 1e6 + 23.45, 0, 0.01) << qint64(1000)
            << QVector<double> {1000, 1e6 + 23.46, 1e6 + 23.44, 1e6 + 23.46, 1e6 + 23.45, 0.01, 0};
        QTest::newRow("drift 0.12/min")
            << series(61, 23.45, 0.002, 0) << qint64(1000)
            << QVector<double> {61, 23.57, 23.45, 23.57, 23.51, 0.035213633723318, 0.12};
        QTest::newRow("one point") << QVector<double> {23.45} << qint64(1000)
                                   << QVector<double> {1, 23.45, 23.45, 23.45, 23.45, 0, qQNaN()};
        QTest::newRow("none") << QVector<double> {} << qint64(1000)
                              << QVector<double> {0,       qQNaN(), qQNaN(), qQNaN(),
                                                  qQNaN(), qQNaN(), qQNaN()};
    }

    void statistics()
    {
        QFETCH(QVector<double>, values);
        QFETCH(qint64, step);
        QFETCH(QVector<double>, expected);
        RunningStatistics running;
        for (int i = 0; i < values.size(); ++i)
            running.add(T0 + i * step, values[i]);
        const TrendStatistics s = running.result();
        const double actual[] {double(s.count),     s.last,          s.minimum, s.maximum, s.mean,
                               s.standardDeviation, s.driftPerMinute};
        for (int i = 0; i < 7; ++i)
            QVERIFY2(std::isnan(expected[i]) ? std::isnan(actual[i])
                                             : qAbs(actual[i] - expected[i]) < 1e-9,
                     qPrintable(QString::number(i)));
    }

    void csv_data()
    {
        QTest::addColumn<TrendReading>("reading");
        QTest::addColumn<QString>("row");
        TrendReading tenths = reading(T0, {No, 45.67f, No});
        tenths = {
            tenths.time.toOffsetFromUtc(-12600), T0, 7, "2\"612", "*10", 1, tenths.values, {}};
        QTest::newRow("all, hundredths")
            << reading(T0, {-23.45f, 45.6f, 10}, "26,12")
            << "2026-12-07T10:05:07.123+01:00,1,\"26,12\",*100,-23.45,45.60,10.00,0xAB12\r\n";
        QTest::newRow("humidity, tenths")
            << tenths << "2026-12-07T05:35:07.123-03:30,7,\"2\"\"612\",*10,,45.7,,\r\n";
        QTest::newRow("comma and quotes")
            << reading(T0, {1, 2, 3}, "12,\"34\"")
            << "2026-12-07T10:05:07.123+01:00,1,\"12,\"\"34\"\"\",*100,1.00,2.00,3.00,0xAB12\r\n";
        QTest::newRow("line feed, UTC")
            << reading(T0, {1, 2, 3}, "1\n2", 0)
            << "2026-12-07T09:05:07.123+00:00,1,\"1\n2\",*100,1.00,2.00,3.00,0xAB12\r\n";
        QTest::newRow("carriage return")
            << reading(T0, {1, 2, 3}, "1\r2")
            << "2026-12-07T10:05:07.123+01:00,1,\"1\r2\",*100,1.00,2.00,3.00,0xAB12\r\n";
    }

    void csv()
    {
        QFETCH(TrendReading, reading);
        QTEST(QString::fromUtf8(Csv::row(reading)), "row");
    }

    // A size limit reached in the third row: the two rows before it stay whole, nothing after; a
    // recording goes on in its file, and stops when the file is removed.
    void writeFailures()
    {
        QTemporaryDir dir;
        CsvRecorder recorder;
        QVERIFY(recorder.start(dir.filePath("r.csv")));
        const TrendReading r = reading(T0, {1, 2, 3});
        rlimit saved {}, limit {};
        getrlimit(RLIMIT_FSIZE, &saved);
        limit = {rlim_t(Csv::header().size() + Csv::row(r).size() * 5 / 2), saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool twoOfThree = recorder.append(r) && recorder.append(r) && !recorder.append(r);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(twoOfThree && !recorder.isRecording() && recorder.rowCount() == 2);
        QCOMPARE(recorder.errorString(), "File too large");
        QVERIFY(recorder.start(dir.filePath("r.csv"))
                && recorder.append(r)); // on, without a second header
        QCOMPARE(contents(dir.filePath("r.csv")),
                 QString::fromUtf8("Time,Address,Serial number,Scale,Temperature (℃),Humidity "
                                   "(%),Dew point (℃),Status\r\n")
                         .toUtf8()
                     + Csv::row(r).repeated(3));
        QVERIFY(QFile::remove(dir.filePath("r.csv")) && !recorder.append(r)
                && !recorder.isRecording());
        QCOMPARE(recorder.errorString(), "The file was removed, moved or replaced");
    }

    void window()
    {
        WindowFixture f;
        f.run("pushButtonTrend,pushButtonTrend");
        QCOMPARE(f.window.findChildren<TrendWindow *>().size(), 1);
        auto *trend = f.window.findChild<TrendWindow *>();
        auto *session = f.window.findChild<TrendSession *>();
        // temperature samples in view @ the first one's value, which is its time / their mean
        const auto view = [table = trend->findChild<QTableWidget *>()] {
            return table->item(0, 0)->text() + '@' + table->item(0, 2)->text() + '/'
                + table->item(0, 4)->text();
        };
        int t = 0;
        const auto add = [&](int count) {
            for (int end = t + count; t < end; ++t)
                session->add(reading(T0 + t * 1000, {float(t), 50, No}));
        };
        add(700);
        QCOMPARE(view(), "601@99.00/399.000"); // following the last 10 min
        auto *span = trend->findChild<QComboBox *>("comboBoxSpan");
        QTest::keyClick(span, Qt::Key_Up);
        QCOMPARE(view(), "61@639.00/669.000");
        auto *zoomer = trend->findChildren<QwtPlotZoomer *>()[0];
        zoomer->zoom(QRectF(T0 + 650000, 0, 10000, 30));
        add(1);
        QCOMPARE(view(), "11@650.00/655.000"); // zoomed in: the view stays
        zoomer->zoom(0);
        QCOMPARE(view(), "61@640.00/670.000"); // zoomed back out: following again
        emit trend->findChild<QwtPlotPanner *>()->panned(-zoomer->canvas()->width() / 2, 0);
        add(1);
        QVERIFY(view().section('@', 0, 0).toInt() < 50); // panned: the view stays
        emit span->activated(0);
        QCOMPARE(view(), "61@641.00/671.000");
        QCOMPARE(trend->findChild<QObject *>("labelStatus")->property("text"), "Status: 0xAB12");

        // A full device: told once, with the file's name and the reason, however many readings.
        QVERIFY(!trend->startRecording("/dev/full"));
        add(3);
        QCOMPARE(f.boxes.messages.join('|').count("/dev/full: No space left on device"), 1);
        session->add(reading(T0 + 1000000, {No, No, No})); // a status alone adds no row
        session->add(reading(T0 + 3000000, {0, 50, No}));
        for (int down = 1; down <= 3; ++down) { // 10 minutes, the last hour, everything
            QTest::keyClick(span, Qt::Key_Down);
            QCOMPARE(view(), down == 1 ? "1@0.00/0.000" : "706@0.00/351.501");
        }
        QCOMPARE(trend->samples().rowCount(), 706);
        QTemporaryDir dir;
        QVERIFY(trend->saveImage(dir.filePath("t.png")) && trend->saveImage(dir.filePath("t.SVG")));
        QVERIFY(contents(dir.filePath("t.png")).startsWith("\x89PNG"));
        QVERIFY(contents(dir.filePath("t.SVG")).contains("<svg"));
    }
};

QTEST_MAIN(TestTrend)
#include "tst_trend.moc"
