// The trend's model: the store and its clocks, statistics, what a view draws, recorded rows and
// failing writes. Qt Core only, under a German locale whose decimal comma must change none of it.
#include "display/csvrecorder.h"
#include "display/quantityview.h"
#include "display/trendfeed.h"
#include "display/trendsession.h"
#include "display/trendstatistics.h"
#include "protocol/frame.h"
#include "protocol/replydecoder.h"
#include "support/table.h"
#include "support/trendsamples.h"

#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

// count values from first in steps of step, plus amplitude in the pattern + - - + (mean 0, slope 0)
static QVector<double> series(int count, double first, double step, double amplitude)
{
    QVector<double> values;
    for (int i = 0; i < count; ++i)
        values << first + i * step + ((i % 4 == 0 || i % 4 == 3) ? amplitude : -amplitude);
    return values;
}

static QVector<double> fields(const TrendStatistics &s)
{
    return {double(s.count),     s.last,          s.minimum, s.maximum, s.mean,
            s.standardDeviation, s.driftPerMinute};
}

// Within 1e-9 of the expected count, last, minimum, maximum, mean, standard deviation and drift.
static bool matches(const TrendStatistics &s, const QVector<double> &expected)
{
    const QVector<double> actual = fields(s);
    for (int i = 0; i < expected.size(); ++i) {
        if (std::isnan(expected[i]) ? !std::isnan(actual[i])
                                    : !(qAbs(actual[i] - expected[i]) < 1e-9))
            return false;
    }
    return true;
}

Q_DECLARE_METATYPE(TrendReading)

class TestTrend : public QObject
{
    Q_OBJECT

private slots:
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

    // The wall clock steps back an hour in the middle of a poll a second: the rows stay in the
    // order they were taken, none is lost, the last ten minutes hold ten minutes of them, and
    // each time on the axis still reads as the wall clock did then.
    void clockSteps()
    {
        TrendSession session;
        for (int i = 0; i < 1200; ++i) {
            TrendReading r = reading(T0 + i * 1000 - (i >= 900 ? 3600000 : 0), {float(i), 50, No});
            r.steadyMs = 5000 + i * 1000; // a monotonic clock has its own start
            session.add(r);
            r.values = {No, No, No};
            session.add(r); // a status alone adds no row
        }
        const SampleStore &store = session.samples();
        QCOMPARE(store.rowCount(), 1200);
        QCOMPARE(store.rowWallTime(1000), T0 + 1000 * 1000 - 3600000);
        const qint64 last = store.rowTime(1199);
        const TrendStatistics tenMinutes =
            statisticsOf(store, SampleStore::Temperature, last - 600000, last);
        QCOMPARE(QPointF(tenMinutes.count, tenMinutes.minimum), QPointF(601, 599));
        QCOMPARE(store.wallTimeAt(store.rowTime(899) + 500), T0 + 899500);
        QCOMPARE(store.wallTimeAt(store.rowTime(900) + 500), T0 + 900500 - 3600000);
        QCOMPARE(store.wallTimeAt(store.rowTime(0) - 1000), T0 - 1000);
        QCOMPARE(session.lastStatus(), std::optional<quint16>(0xAB12));
    }

    void statistics_data()
    {
        // The expected count, last, minimum, maximum, mean, standard deviation and drift.
        const Table<QVector<double>, QVector<double>> row("values", "expected");
        row("noise far from zero", series(1000, 23.45, 0, 0.01),
            {1000, 23.46, 23.44, 23.46, 23.45, 0.01, 0});
        row("noise farther", series(1000, 1e6 + 23.45, 0, 0.01),
            {1000, 1e6 + 23.46, 1e6 + 23.44, 1e6 + 23.46, 1e6 + 23.45, 0.01, 0});
        row("drift 0.12/min", series(61, 23.45, 0.002, 0),
            {61, 23.57, 23.45, 23.57, 23.51, 0.035213633723318, 0.12});
        row("one point", {23.45}, {1, 23.45, 23.45, 23.45, 23.45, 0, qQNaN()});
        row("none", {}, QVector<double> {0} + QVector<double>(6, qQNaN()));
    }

    void statistics()
    {
        QFETCH(QVector<double>, values);
        QFETCH(QVector<double>, expected);
        // A value a second, added one by one and as two runs merged (the first third, then the
        // rest).
        RunningStatistics running, first, rest;
        for (int i = 0; i < values.size(); ++i) {
            running.add(T0 + i * 1000, values[i]);
            (i < values.size() / 3 ? first : rest).add(T0 + i * 1000, values[i]);
        }
        first.merge(rest);
        for (const TrendStatistics &s : {running.result(), first.result()})
            QVERIFY(matches(s, expected));
    }

    // What a view draws and the statistics it gives: every point while they are few for the
    // plot's columns; of many, the lowest and the highest point of each stretch of about two
    // columns, with statistics over every point all the same. Followed reading by reading while
    // the store drops its oldest, the view kept from one refresh to the next must show exactly
    // what a view made afresh does.
    void views_data()
    {
        // The view from fromOffset after the first row's time to the last row's.
        const Table<int, int, int, qint64, int> row("capacity", "points", "columns", "fromOffset",
                                                    "drawn");
        row("few: every point", 1000, 400, 100, 0, 400);
        row("many: two per stretch", 5000, 5000, 100, 0, 80);
        row("stretches cut by the view", 5000, 5000, 100, 70001, 78);
        row("no columns: every point", 5000, 5000, 0, 0, 5000);
        row("store dropping", 3000, 5000, 50, 0, 48);
    }

    void views()
    {
        QFETCH(int, capacity);
        QFETCH(int, points);
        QFETCH(int, columns);
        QFETCH(qint64, fromOffset);
        SampleStore store(capacity);
        QuantityView followed(store, SampleStore::Temperature);
        qint64 panned = -1; // from where a fixed ten minutes are shown, when not following
        const auto shown = [&](QuantityView &view) {
            const qint64 from = panned < 0 ? store.rowTime(0) + fromOffset : panned;
            const qint64 to = panned < 0 ? store.rowTime(store.rowCount() - 1) : panned + 600000;
            view.show(from, to, columns);
            QVector<float> drawn;
            for (int i = 0; i < view.size(); ++i)
                drawn << store.pointValue(SampleStore::Temperature, view.point(i));
            return std::make_tuple(drawn, view.statistics(),
                                   statisticsOf(store, SampleStore::Temperature, from, to));
        };
        const auto add = [&store](int i) {
            // A slow swing with a spike every 37 readings: each stretch has its own extremes.
            const float value = float(20 + 5 * std::sin(i / 300.0) + (i % 37 == 0 ? 3 : 0));
            store.add(T0 + i * 1000, T0 + i * 1000, {value, No, No});
        };
        for (int i = 0; i < points; ++i) {
            add(i);
            if (i % 97 != 0 && i != points - 1)
                continue;
            QuantityView fresh(store, SampleStore::Temperature);
            const auto [drawn, statistics, direct] = shown(followed);
            QCOMPARE(drawn, std::get<0>(shown(fresh)));
            QVERIFY2(matches(statistics, fields(direct)), qPrintable(QString::number(i)));
        }
        const auto [drawn, statistics, direct] = shown(followed);
        QTEST(int(drawn.size()), "drawn");
        if (columns > 0 && direct.count > QuantityView::PointsPerColumn * columns) {
            // Each drawn point is the lowest or the highest of its stretch, so the drawn line
            // reaches the lowest and the highest point in view.
            const auto [low, high] = std::minmax_element(drawn.cbegin(), drawn.cend());
            QVERIFY(*low == float(direct.minimum) && *high == float(direct.maximum));
        }
        // Panned to a fixed range, shown again once the store has taken (and maybe dropped) more,
        // then panned back and forth by parts of stretches: what a view made afresh draws.
        panned = store.rowTime(store.rowCount() / 2);
        shown(followed);
        for (int i = points; i < points + 300; ++i)
            add(i);
        for (const qint64 back : {0, 61500, -30500}) {
            panned -= back;
            QuantityView fresh(store, SampleStore::Temperature);
            QCOMPARE(std::get<0>(shown(followed)), std::get<0>(shown(fresh)));
        }
    }

    // A reduced view says when its drawing changed: not when the oldest stretch loses a point the
    // store drops, nor for a reading inside the newest stretch's range, but for a new extreme.
    void viewChanges()
    {
        SampleStore store(1000);
        QuantityView view(store, SampleStore::Temperature);
        const auto add = [&store](qint64 second, float value) {
            store.add(T0 + second * 1000, T0 + second * 1000, {value, No, No});
        };
        const auto show = [&] {
            return view.show(store.rowTime(0), store.rowTime(store.rowCount() - 1), 10);
        };
        for (int i = 0; i < 1000; ++i)
            add(i, float(i % 10));
        QVERIFY(show() && view.isReduced());
        QVERIFY(!show());
        add(999, 5);
        QVERIFY(!show());
        add(999, 20);
        QVERIFY(show());
    }

    // A poll's answer as the trend, a recording and the check take it, stamped now: the values at
    // its scale, nothing for what was not polled, the status only when it was.
    void feed_data()
    {
        // The first register polled, the registers, the row as recorded from the address on.
        const Table<quint16, QVector<quint16>, QString> row("polled", "registers", "row");
        row("all, hundredths", 0x0000, {2345, 4567, 0xFF38, 7},
            "7,2612,*100,23.45,45.67,-2.00,0x0007\r\n");
        row("humidity, tenths", 0x0005, {457}, "7,2612,*10,,45.7,,\r\n");
        row("dew point, tenths", 0x0006, {0xFFEC}, "7,2612,*10,,,-2.0,\r\n");
        row("status", 0x0003, {5}, "7,2612,*100,,,,0x0005\r\n");
    }

    void feed()
    {
        QFETCH(quint16, polled);
        QFETCH(QVector<quint16>, registers);
        const QByteArray frame = Modbus::readReply(1, registers);
        const ReplyDecoder::Reply reply = ReplyDecoder::decode(polled, frame, 2 * registers.size());
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const TrendReading r = TrendFeed::fromReply(reply, 7, "2612");
        QTEST(QString::fromUtf8(Csv::row(r)).section(',', 1), "row");
        QVERIFY(r.time.toMSecsSinceEpoch() >= before
                && r.time.toMSecsSinceEpoch() <= QDateTime::currentMSecsSinceEpoch());
        QVERIFY(qAbs(r.steadyMs - QDeadlineTimer::current().deadline()) < 1000);
    }

    void csv_data()
    {
        const Table<TrendReading, QString> row("reading", "row");
        TrendReading tenths = reading(T0, {No, 45.67f, No});
        tenths = {
            tenths.time.toOffsetFromUtc(-12600), T0, 7, "2\"612", "*10", 1, tenths.values, {}};
        row("all, hundredths", reading(T0, {-23.45f, 45.6f, 10}, "26,12"),
            "2026-12-07T10:05:07.123+01:00,1,\"26,12\",*100,-23.45,45.60,10.00,0xAB12\r\n");
        row("humidity, tenths", tenths,
            "2026-12-07T05:35:07.123-03:30,7,\"2\"\"612\",*10,,45.7,,\r\n");
        row("comma and quotes", reading(T0, {1, 2, 3}, "12,\"34\""),
            "2026-12-07T10:05:07.123+01:00,1,\"12,\"\"34\"\"\",*100,1.00,2.00,3.00,0xAB12\r\n");
        row("line feed, UTC", reading(T0, {1, 2, 3}, "1\n2", 0),
            "2026-12-07T09:05:07.123+00:00,1,\"1\n2\",*100,1.00,2.00,3.00,0xAB12\r\n");
        row("carriage return", reading(T0, {1, 2, 3}, "1\r2"),
            "2026-12-07T10:05:07.123+01:00,1,\"1\r2\",*100,1.00,2.00,3.00,0xAB12\r\n");
    }

    void csv()
    {
        QFETCH(TrendReading, reading);
        QTEST(QString::fromUtf8(Csv::row(reading)), "row");
    }

    // A size limit reached in the third row: the two rows before it stay whole, nothing after; a
    // recording goes on in its file, and stops when the file is removed (tst_window replaces it).
    void writeFailures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("r.csv");
        CsvRecorder recorder;
        QVERIFY(recorder.start(path));
        const TrendReading r = reading(T0, {1, 2, 3});
        rlimit saved {}, limit {};
        getrlimit(RLIMIT_FSIZE, &saved);
        limit = {rlim_t(Csv::header().size() + Csv::row(r).size() * 5 / 2), saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool twoOfThree = recorder.append(r) && recorder.append(r) && !recorder.append(r);
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(twoOfThree && !recorder.isRecording() && recorder.rowCount() == 2);
        QCOMPARE(recorder.errorString(), QString::fromLocal8Bit(std::strerror(EFBIG)));
        QVERIFY(recorder.start(path) && recorder.append(r)); // on, without a second header
        const QByteArray header = "Time,Address,Serial number,Scale,Temperature (℃),Humidity (%),"
                                  "Dew point (℃),Status\r\n";
        QCOMPARE(contents(path), header + Csv::row(r).repeated(3));
        QVERIFY(QFile::remove(path) && !recorder.append(r) && !recorder.isRecording());
        QCOMPARE(recorder.errorString(), "The file was removed, moved or replaced");
    }
};

QTEST_GUILESS_MAIN(TestTrend)
#include "tst_trend.moc"
