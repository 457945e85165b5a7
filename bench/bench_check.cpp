// The calibration check's records as a line of stations meets them: taking and storing a point,
// and opening the history of a serial number, on an empty database and on one holding 10,000
// checks of that serial number; a point of a batch run of 16 transmitters, stored with the run's
// progress; on SQLite and, when TR451_TEST_POSTGRESQL names a server (see scripts/postgres.sh), on
// PostgreSQL.
// With TR451_CHECK_SCREENSHOT=docs/check.png and TR451_CERTIFICATE_SCREENSHOT=docs/certificate.png
// it also takes the README's pictures: the check window against the settling simulator, and the
// first page of that check's certificate.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_check
#include "check/certificate.h"
#include "support/testdatabase.h"
#include "support/windowfixture.h"
#include "ui/checkwindow.h"
#include "ui/historydialog.h"

#include <QDateEdit>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QtTest>

#include <algorithm>

namespace {

constexpr int StoredChecks = 10000;
constexpr int RackTransmitters = 16;
constexpr int Rounds = 30;
const QString Serial = QStringLiteral("261206033415");

// The median of Rounds runs of work, in milliseconds.
template<typename Work>
double medianMs(Work work)
{
    QVector<double> times;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        times << double(clock.nsecsElapsed()) / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times[Rounds / 2];
}

// The columns of table but its id, as a list for SQL.
QString columnsOf(TestDatabase &db, const QString &table)
{
    QSqlQuery query = db.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(table));
    QStringList names;
    for (int i = 0; i < query.record().count(); ++i) {
        if (query.record().fieldName(i) != QLatin1String("id"))
            names << query.record().fieldName(i);
    }
    return names.join(',');
}

} // namespace

class BenchCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void records_data();
    void records();
    void runPoint_data() { records_data(); }
    void runPoint();
    void screenshot();

private:
    QTemporaryDir home;
};

void BenchCheck::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
}

void BenchCheck::records_data()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("SQLite") << "sqlite";
    QTest::newRow("PostgreSQL") << "postgresql";
}

void BenchCheck::records()
{
    TR451_TEST_DATABASE(db);
    EngineFixture fixture(db.url());
    TrendSession &session = fixture.session;
    CheckEngine &engine = fixture.engine;
    // Steady readings once a second up to now, from two minutes ago at first: the gate is met.
    qint64 fed = QDeadlineTimer::current().deadline() - 121 * 1000;
    const auto feed = [&] {
        for (const qint64 now = QDeadlineTimer::current().deadline(); fed + 1000 <= now;) {
            fed += 1000;
            TrendReading reading;
            reading.time = QDateTime::currentDateTime();
            reading.steadyMs = fed;
            reading.serialNumber = Serial;
            reading.values = {23.45f + 0.01f * float(fed / 1000 % 2), 45.6f, 11.2f};
            session.add(reading);
        }
        QVERIFY(engine.gate().met());
    };
    feed();
    const Transmitter transmitter {Serial, 1, -40, 125};
    const auto takePoint = [&] {
        QVERIFY(engine.takePoint(Check::Kind::AsFound, transmitter, {23.4, 45.0}));
    };
    // As the technician meets it: the history dialog read and shown.
    const auto openHistory = [&] {
        HistoryDialog dialog(engine, Serial);
        dialog.show();
        QCoreApplication::processEvents();
    };

    const double emptyPoint = medianMs(takePoint);
    QVERIFY(engine.finish() && engine.allStored());
    const double emptyHistory = medianMs(openHistory);

    // 10,000 checks of the serial number, three points each, copied in bulk from the first.
    const QString checkColumns = columnsOf(db, "checks");
    const QString pointColumns = columnsOf(db, "points").remove("check_id,");
    db.exec("DELETE FROM points WHERE id > (SELECT MIN(id) + 2 FROM points)");
    for (;;) {
        QSqlQuery count = db.exec("SELECT COUNT(*) FROM checks");
        const int have = count.next() ? count.value(0).toInt() : StoredChecks;
        if (have >= StoredChecks)
            break;
        db.exec(QStringLiteral("INSERT INTO checks (%1) SELECT %1 FROM checks LIMIT %2")
                    .arg(checkColumns)
                    .arg(StoredChecks - have));
    }
    db.exec(QStringLiteral("INSERT INTO points (check_id,%1) SELECT checks.id,%2 FROM checks, "
                           "points WHERE points.check_id = (SELECT MIN(id) FROM checks) AND "
                           "checks.id > (SELECT MIN(id) FROM checks)")
                .arg(pointColumns,
                     QString(pointColumns).replace(QRegularExpression("(\\w+)"), "points.\\1")));
    const double fullHistory = medianMs(openHistory);
    QList<Check> history;
    QVERIFY(engine.records().history(Serial, &history));
    QCOMPARE(history.size(), StoredChecks);
    QCOMPARE(history.first().storedPointCount, 3);
    feed();
    QVERIFY(engine.takePoint(Check::Kind::AsFound, transmitter, {23.4, 45.0}));
    const double fullPoint = medianMs(takePoint);
    QVERIFY(engine.allStored());

    qInfo().noquote() << QStringLiteral(
                             "%1: a point taken and stored: %2 ms on an empty database, %3 ms "
                             "with %4 checks (x%5); the history of a serial number: %6 ms with "
                             "one check, %7 ms with %4 (x%8), the dialog read and shown")
                             .arg(QTest::currentDataTag())
                             .arg(emptyPoint, 0, 'f', 2)
                             .arg(fullPoint, 0, 'f', 2)
                             .arg(StoredChecks)
                             .arg(fullPoint / emptyPoint, 0, 'f', 2)
                             .arg(emptyHistory, 0, 'f', 2)
                             .arg(fullHistory, 0, 'f', 1)
                             .arg(fullHistory / emptyHistory, 0, 'f', 0);
}

void BenchCheck::runPoint()
{
    TR451_TEST_DATABASE(db);
    RecordStore records(db.url());
    RunRecord run;
    run.station = QStringLiteral("Rack 1");
    run.startedAt = QDateTime::currentDateTime();
    for (quint16 address = 1; address <= RackTransmitters; ++address) {
        Check check;
        check.transmitter = {Serial + QString::number(address), address, -40, 125};
        check.startedAt = run.startedAt;
        run.addresses << address;
        run.checks << check;
    }
    QVERIFY2(records.store(run), qPrintable(records.errorString()));
    CheckPoint point;
    point.takenAt = run.startedAt;
    for (QuantityPoint &quantity : point.quantities)
        quantity.budget = {{0.05, 0.01, 0.012, 0.003, 0.03}, 0.06, 2, 0.12};
    // Each transmitter's point of the next profile point, and the run past it.
    const double stored = medianMs([&] {
        point.profilePoint = run.pointReached++;
        for (Check &check : run.checks)
            check.points << point;
        QVERIFY(records.store(run));
    });
    qInfo().noquote() << QStringLiteral("%1: a profile point of %2 transmitters stored with the "
                                        "run's progress in %3 ms")
                             .arg(QTest::currentDataTag())
                             .arg(RackTransmitters)
                             .arg(stored, 0, 'f', 2);
}

void BenchCheck::screenshot()
{
    const QString window = qEnvironmentVariable("TR451_CHECK_SCREENSHOT");
    const QString certificate = qEnvironmentVariable("TR451_CERTIFICATE_SCREENSHOT");
    if (window.isEmpty() || certificate.isEmpty())
        QSKIP("TR451_CHECK_SCREENSHOT and TR451_CERTIFICATE_SCREENSHOT name no files");
    qputenv("TR451_DATABASE", home.filePath("records.sqlite").toLocal8Bit());
    Bench bench(4, "", true);
    bench.sim.setSettling(30.0, 75.0, 6.0);
    WindowFixture f;
    f.window.show();
    bench.link(f);
    f.run("pushButtonCheck");
    f.fill("lineEditOperator=Li Wei;lineEditStation=Bench 1;"
           "lineEditReference=Chilled-mirror hygrometer CM-2;"
           "lineEditReferenceCertificate=CAL-2026-0142;spinBoxWindow=30;"
           "doubleSpinBoxReferenceTemperature=30.05;doubleSpinBoxReferenceHumidity=74.6;"
           "comboBoxRegister=1;comboBoxNum=0");
    for (const char *edit : {"lineEditOperator", "lineEditStation", "lineEditReference",
                             "lineEditReferenceCertificate"})
        emit f.child<QLineEdit>(edit)->editingFinished();
    f.child<QDateEdit>("dateEditReferenceDue")->setDate(QDate(2027, 3, 31));
    f.run("pushButtonRead");
    auto *take = f.child<QPushButton>("pushButtonTakePoint");
    QTRY_VERIFY_WITH_TIMEOUT(take->isEnabled(), 120000);
    f.run("pushButtonTakePoint");
    f.fill("doubleSpinBoxReferenceTemperature=29.9;doubleSpinBoxReferenceHumidity=75.3");
    QTest::qWait(5000);
    f.run("pushButtonTakePoint");
    QTest::qWait(3000);
    auto *check = f.window.findChild<CheckWindow *>();
    QVERIFY(check->grab().save(window));
    f.run("pushButtonFinish");
    RecordStore records;
    QList<Check> history;
    QVERIFY(records.history(Serial, &history) && records.load(history[0]));
    const QString pdf = home.filePath("certificate.pdf");
    QString error;
    QVERIFY(Certificate::write(history[0], pdf, &error));
    QCOMPARE(QProcess::execute(
                 "pdftoppm",
                 {"-png", "-r", "80", "-singlefile", "-f", "1", pdf, certificate.chopped(4)}),
             0);
}

QTEST_MAIN(BenchCheck)
#include "bench_check.moc"
