// The calibration check below its window: the station's settings, the stability gate over
// settling sequences, points and the decision rule, the records on SQLite and PostgreSQL
// (another station, a refused write, two writers at once) and the certificate.
#include "check/certificate.h"
#include "support/testdatabase.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTranslator>

#include <atomic>
#include <cmath>
#include <csignal>
#include <thread>

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
const QString Serial = QStringLiteral("261206033415");

// Readings once every `every` seconds from 0 to `seconds`: an exponential approach from
// 23 + stepT (45 + stepH) to 23 (45) with time constant tau, a ramp per minute, and noise that
// alternates in sign. The gate is evaluated at now (default: the last reading).
struct Sequence
{
    double seconds = 300;
    double every = 1;
    double stepT = 0, stepH = 0, tau = 1;
    double rampT = 0, rampH = 0;
    double noiseT = 0.01, noiseH = 0.05;
    double now = -1;
    double since = -1e6;
    double window = 120;
};

qint64 ms(double seconds)
{
    return qint64(std::llround(seconds * 1000));
}

// The gate as "fsq fsq": filled, steady and quiet for temperature, then humidity; '-' for not.
QString describe(const GateState &state)
{
    QStringList parts;
    for (const QuantityGate &q : state.quantities)
        parts << QString(q.filled ? 'f' : '-') + (q.steady ? 's' : '-') + (q.quiet ? 'q' : '-');
    return parts.join(' ');
}

void feed(TrendSession &session, const QString &serial, int count)
{
    for (int i = 0; i < count; ++i) {
        TrendReading reading;
        reading.time = QDateTime::currentDateTime();
        reading.steadyMs = QDeadlineTimer::current().deadline();
        reading.serialNumber = serial;
        reading.values = {23.45f, 45.67f, NaN};
        session.add(reading);
    }
}

Check sampleCheck(const QString &station, const QDateTime &startedAt)
{
    Check check;
    check.kind = Check::Kind::AsLeft;
    check.transmitter = {Serial, 7, -40, 125};
    StationSettings &s = check.settings;
    s.operatorName = "Li Wei";
    s.station = station;
    s.referenceInstrument = "Chilled-mirror hygrometer CM-2";
    s.referenceCertificate = "CAL-2026-0142";
    s.referenceDue = QDate(2027, 3, 31);
    s.tolerance = {0.25, 1.5};
    s.limits = {90000, {0.04, 0.2}, {0.03, 0.25}};
    check.startedAt = startedAt;
    GateState gate;
    for (auto &[q, mean, deviation] : {std::tuple {0, 23.451, 0.012}, std::tuple {1, 47.1, 0.08}}) {
        gate.quantities[size_t(q)].statistics = {120, mean, mean, mean, mean, deviation, -0.01};
    }
    check.points << Decision::point(gate, {23.40, 45.5}, s.tolerance);
    gate.quantities[1].statistics.driftPerMinute = TrendStatistics::None;
    check.points << Decision::point(gate, {23.45, 45.0}, s.tolerance, "chamber door opened");
    return check;
}

// Everything a check holds, for comparing a check with what the records give back.
QString describe(const Check &c)
{
    const StationSettings &s = c.settings;
    const GateLimits &l = s.limits;
    QString text;
    {
        QDebug out(&text); // writes its text when it goes
        out << int(c.kind) << c.transmitter.serialNumber << c.transmitter.address
            << c.transmitter.rangeMin << c.transmitter.rangeMax << s.operatorName << s.station
            << s.referenceInstrument << s.referenceCertificate << s.referenceDue << l.windowMs
            << c.startedAt.toMSecsSinceEpoch() << c.finishedAt.toMSecsSinceEpoch() << int(c.result)
            << s.tolerance[0] << s.tolerance[1] << l.maxDrift[0] << l.maxDrift[1]
            << l.maxStandardDeviation[0] << l.maxStandardDeviation[1];
        for (const CheckPoint &p : c.points) {
            out << p.takenAt.toMSecsSinceEpoch() << p.earlyReason;
            for (const QuantityPoint &q : p.quantities)
                out << q.reference << q.mean << q.standardDeviation << q.driftPerMinute << q.error
                    << q.samples << q.passed;
        }
    }
    return text;
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

Q_DECLARE_METATYPE(Sequence)

class TestCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir home;

private slots:
    void initTestCase();
    void settings();
    void gate_data();
    void gate();
    void decision_data();
    void decision();
    void overall();
    void records_data() { backends(); }
    void records();
    void refusedWrite_data() { backends(); }
    void refusedWrite();
    void concurrentWriters_data() { backends(); }
    void concurrentWriters();
    void killedAfterPoint_data();
    void killedAfterPoint();
    void takePointAndDie();
    void certificate_data();
    void certificate();

private:
    void backends();
};

void TestCheck::initTestCase()
{
    // The user's settings and data folders of this run alone.
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    qunsetenv("TR451_DATABASE");
}

void TestCheck::backends()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("SQLite") << "sqlite";
    QTest::newRow("PostgreSQL") << "postgresql";
}

// The defaults of a station that saved nothing, and every field kept between runs.
void TestCheck::settings()
{
    const StationSettings defaults = StationSettings::load();
    QCOMPARE(defaults.tolerance, (std::array {0.3, 2.0}));
    QCOMPARE(defaults.limits.windowMs, 120000);
    QCOMPARE(defaults.limits.maxDrift, (std::array {0.05, 0.3}));
    QCOMPARE(defaults.limits.maxStandardDeviation, (std::array {0.05, 0.3}));
    StationSettings changed = sampleCheck("Bench 2", {}).settings;
    changed.database = "postgresql://station@records.example/line";
    changed.save();
    QVERIFY(StationSettings::load() == changed && !(defaults == changed));
}

void TestCheck::gate_data()
{
    QTest::addColumn<Sequence>("sequence");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const Sequence &s, const char *expected) {
        QTest::newRow(name) << s << QString(expected);
    };
    Sequence s;
    row("steady room", s, "fsq fsq");
    s.stepT = 5, s.stepH = 20, s.tau = 60, s.seconds = 150;
    row("a step, still settling", s, "f-- f--");
    s.seconds = 900;
    row("the same step, settled", s, "fsq fsq");
    s = Sequence();
    s.noiseT = 0.06;
    row("temperature too noisy", s, "fs- fsq");
    s.noiseT = 0.04, s.noiseH = 0.25;
    row("noise within the limits", s, "fsq fsq");
    s = Sequence();
    s.rampH = 0.4;
    row("humidity drifting", s, "fsq f-q");
    s.rampH = 0, s.rampT = -0.06;
    row("temperature falling", s, "f-q fsq");
    s = Sequence();
    s.seconds = 60;
    row("window half filled", s, "-sq -sq");
    s = Sequence();
    s.now = 307;
    row("readings stopped 7 s ago", s, "-sq -sq");
    s.now = 305;
    row("readings stopped 5 s ago", s, "fsq fsq");
    s = Sequence();
    s.since = 240;
    row("another transmitter for a minute", s, "-sq -sq");
    s = Sequence();
    s.seconds = 10, s.every = 2.5, s.window = 10, s.noiseT = s.noiseH = 0;
    row("five readings fill a short window", s, "fsq fsq");
    s.seconds = 9, s.every = 3;
    row("four do not", s, "-sq -sq");
}

void TestCheck::gate()
{
    QFETCH(Sequence, sequence);
    QFETCH(QString, expected);
    const Sequence &s = sequence;
    SampleStore store;
    int i = 0;
    for (double t = 0; t <= s.seconds + 1e-9; t += s.every, ++i) {
        const double sign = i % 2 ? -1 : 1;
        const double settling = std::exp(-t / s.tau);
        store.add(ms(t), ms(t),
                  {float(23 + s.stepT * settling + s.rampT * t / 60 + sign * s.noiseT),
                   float(45 + s.stepH * settling + s.rampH * t / 60 + sign * s.noiseH), NaN});
    }
    GateLimits limits;
    limits.windowMs = ms(s.window);
    const GateState state =
        StabilityGate::evaluate(store, ms(s.now < 0 ? s.seconds : s.now), ms(s.since), limits);
    QCOMPARE(describe(state), expected);
    QCOMPARE(state.met(), expected == "fsq fsq");
}

void TestCheck::decision_data()
{
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("reference");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<double>("error");
    QTest::addColumn<bool>("passed");
    QTest::newRow("inside") << 23.45 << 23.40 << 0.3 << 0.05 << true;
    QTest::newRow("at the tolerance above") << 23.75 << 23.45 << 0.3 << 0.3 << true;
    QTest::newRow("a thousandth above") << 23.751 << 23.45 << 0.3 << 0.301 << false;
    QTest::newRow("at the tolerance below") << 23.15 << 23.45 << 0.3 << -0.3 << true;
    QTest::newRow("a thousandth below") << 23.149 << 23.45 << 0.3 << -0.301 << false;
    QTest::newRow("humidity at 2 %RH") << 47.0 << 45.0 << 2.0 << 2.0 << true;
    QTest::newRow("to thousandths") << 45.0004 << 45.0 << 0.0 << 0.0 << true;
    QTest::newRow("no readings") << double(NaN) << 23.45 << 0.3 << double(NaN) << false;
}

void TestCheck::decision()
{
    QFETCH(double, mean);
    QFETCH(double, reference);
    QFETCH(double, tolerance);
    QFETCH(double, error);
    QFETCH(bool, passed);
    const QuantityPoint judged =
        Decision::judge({12, mean, mean, mean, mean, 0.02, 0.01}, reference, tolerance);
    QCOMPARE(Certificate::number(judged.error, 3), Certificate::number(error, 3));
    QCOMPARE(judged.passed, passed);
    QVERIFY(judged.reference == reference && judged.samples == 12
            && judged.standardDeviation == 0.02 && judged.driftPerMinute == 0.01);
}

// A check passes when it has points and every quantity of every one passed.
void TestCheck::overall()
{
    Check check;
    QCOMPARE(check.decision(), Check::Result::Fail);
    CheckPoint good;
    good.quantities[0].passed = good.quantities[1].passed = true;
    check.points = {good, good};
    QCOMPARE(check.decision(), Check::Result::Pass);
    check.points[1].quantities[1].passed = false;
    QCOMPARE(check.decision(), Check::Result::Fail);
}

// Checks and points as another station reads them back: every field, newest first, only the
// serial number asked for; the schema made once.
void TestCheck::records()
{
    TR451_TEST_DATABASE(db);
    RecordStore station(db.url());
    const QDateTime nine(QDate(2026, 12, 7), QTime(9, 0, 0, 125));
    Check first = sampleCheck("Bench 1", nine);
    QVERIFY2(station.addCheck(first), qPrintable(station.errorString()));
    for (CheckPoint &point : first.points)
        QVERIFY(station.addPoint(first, point));
    first.result = first.decision();
    first.finishedAt = nine.addSecs(600);
    QVERIFY(station.storeResult(first));
    Check second = sampleCheck("Bench 2", nine.addSecs(3600));
    second.transmitter.serialNumber = "261206033416";
    Check third = sampleCheck("Bench 2", nine.addSecs(7200));
    third.points.clear();
    QVERIFY(station.addCheck(second) && station.addCheck(third));

    RecordStore other(db.url());
    QList<Check> history;
    QVERIFY(other.history(Serial, &history));
    QCOMPARE(history.size(), 2);
    QVERIFY(history[0].settings.station == "Bench 2" && history[0].storedPointCount == 0);
    QVERIFY(history[1].result == Check::Result::Fail && history[1].storedPointCount == 2);
    for (const auto &[listed, written] : {std::pair {&history[0], &third}, {&history[1], &first}})
        QVERIFY(other.load(*listed) && describe(*listed) == describe(*written));
    QCOMPARE(first.result, Check::Result::Fail); // humidity of the first point is 1.6 off
    QVERIFY(db.exec("SELECT version FROM schema_version").next());

    RecordStore nowhere("postgresql://127.0.0.1:1/records");
    QVERIFY(!nowhere.addCheck(first));
    QVERIFY(nowhere.errorString().contains("cannot be reached"));
}

// A database that refuses the points: the user is told once, the points stay, marked not
// stored, no new check begins, and storing again gets everything in.
void TestCheck::refusedWrite()
{
    TR451_TEST_DATABASE(db);
    EngineFixture fixture(db.url());
    TrendSession &session = fixture.session;
    CheckEngine &engine = fixture.engine;
    QSignalSpy told(&engine, &CheckEngine::storeFailed);
    feed(session, Serial, 3);
    const Transmitter transmitter {Serial, 1, -40, 125};
    const auto take = [&](const QString &reason) {
        return engine.takePoint(Check::Kind::AsFound, transmitter, {23.4, 45.0}, reason);
    };
    QVERIFY(!take("") && take("reference still settling") && engine.allStored());
    db.exec("ALTER TABLE points RENAME TO points_away");
    QVERIFY(take("second") && take("third") && engine.finish());
    QCOMPARE(told.size(), 1);
    QVERIFY(!engine.check().points[1].stored() && !engine.check().points[2].stored());
    QVERIFY(!take("a new check") && !engine.storeAgain());
    db.exec("ALTER TABLE points_away RENAME TO points");
    QVERIFY(engine.storeAgain() && engine.allStored());
    QCOMPARE(told.size(), 1);
    QSqlQuery stored = db.exec("SELECT COUNT(*), MAX(early_reason) FROM points");
    QVERIFY(stored.next());
    QCOMPARE(stored.value(0).toInt(), 3);
    QCOMPARE(stored.value(1).toString(), "third");
    stored = db.exec("SELECT result FROM checks");
    QVERIFY(stored.next());
    QCOMPARE(stored.value(0).toString(), "pass");
}

// Two stations on one new database at once: the schema is made once and no point is lost.
void TestCheck::concurrentWriters()
{
    TR451_TEST_DATABASE(db);
    constexpr int Points = 40;
    std::atomic<int> failures {0};
    const auto station = [&](const QString &name) {
        RecordStore store(db.url());
        Check check = sampleCheck(name, QDateTime::currentDateTime());
        failures += !store.addCheck(check);
        for (int i = 0; i < Points; ++i)
            failures += !store.addPoint(check, check.points[i % 2]);
    };
    std::thread one(station, QStringLiteral("Bench 1"));
    std::thread two(station, QStringLiteral("Bench 2"));
    one.join();
    two.join();
    QCOMPARE(failures.load(), 0);
    QSqlQuery stored = db.exec("SELECT COUNT(*), COUNT(DISTINCT check_id) FROM points");
    QVERIFY(stored.next());
    QCOMPARE(stored.value(0).toInt(), 2 * Points);
    QCOMPARE(stored.value(1).toInt(), 2);
}

void TestCheck::killedAfterPoint_data()
{
    QTest::addColumn<QString>("then");
    QTest::addColumn<QString>("result"); // as the records hold it
    QTest::newRow("finished later") << "finish"
                                    << "pass";
    QTest::newRow("abandoned later") << "abandon"
                                     << "abandoned";
    QTest::newRow("while a check is open here") << "take a point"
                                                << "open";
}

// The point is in the records the moment it is taken: a process killed right after loses none.
// A later run finishes or abandons the check left open, but not over a check of its own.
void TestCheck::killedAfterPoint()
{
    TestDatabase db("sqlite");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TR451_DIE_AFTER_POINT", db.url());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {"takePointAndDie"});
    QVERIFY(child.waitForFinished(20000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QSqlQuery stored = db.exec("SELECT COUNT(*) FROM points");
    QVERIFY(stored.next());
    QCOMPARE(stored.value(0).toInt(), 1);
    stored.finish(); // SQLite lets no other connection write while it reads

    QFETCH(QString, then);
    EngineFixture later(db.url());
    CheckEngine &engine = later.engine;
    QList<Check> left;
    QVERIFY(engine.records().history(Serial, &left) && left.size() == 1);
    const bool busy = then == "take a point";
    if (busy) {
        feed(later.session, Serial, 3);
        QVERIFY(engine.takePoint(Check::Kind::AsLeft, {Serial, 1, -40, 125}, {23.4, 45.0}, "!"));
    }
    // Once it is the open check, asking again changes nothing.
    QCOMPARE(engine.resume(left[0].id) && engine.resume(left[0].id), !busy);
    QVERIFY(busy || (then == "finish" ? engine.finish() : engine.abandon()));
    QVERIFY(!engine.resume(left[0].id));
    stored = db.exec(QString("SELECT result FROM checks WHERE id = %1").arg(left[0].id));
    QVERIFY(stored.next());
    QTEST(stored.value(0).toString(), "result");
}

// The child of killedAfterPoint.
void TestCheck::takePointAndDie()
{
    const QString url = qEnvironmentVariable("TR451_DIE_AFTER_POINT");
    if (url.isEmpty())
        QSKIP("the child of killedAfterPoint");
    EngineFixture fixture(url);
    feed(fixture.session, Serial, 3);
    QVERIFY(fixture.engine.takePoint(Check::Kind::AsFound, {Serial, 1, -40, 125}, {23.4, 45.0},
                                     "no time to settle"));
    std::raise(SIGKILL);
}

void TestCheck::certificate_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("English") << "" << QStringList {"Calibration check certificate",
                                                   "CAL-2026-0142",
                                                   "23.451",
                                                   "1.600",
                                                   "chamber door opened",
                                                   "Overall result: Fail"};
    QTest::newRow("Chinese") << "Chinese" << QStringList {QString::fromUtf8("校准核查证书"),
                                                          "CAL-2026-0142",
                                                          "23.451",
                                                          "1.600",
                                                          "chamber door opened",
                                                          QString::fromUtf8("总体结果：不合格")};
}

// An A4 PDF whose text holds the serial number, the points and the result, in the tool's
// language.
void TestCheck::certificate()
{
    QFETCH(QString, language);
    QFETCH(QStringList, texts);
    QTranslator translator;
    if (!language.isEmpty()) {
        QVERIFY(translator.load(qEnvironmentVariable("TR451_BINARY_DIR") + "/Qm/" + language));
        QCoreApplication::installTranslator(&translator);
    }
    Check check = sampleCheck("Bench 1", QDateTime::currentDateTime());
    check.result = check.decision();
    const QString file = home.filePath("certificate.pdf");
    QString error;
    QVERIFY(Certificate::write(check, file, &error));
    QCoreApplication::removeTranslator(&translator);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext and pdfinfo (Debian: poppler-utils) are not installed");
    QVERIFY(run("pdfinfo", {file})
                .contains(QRegularExpression("Page size: +595[.0-9]* x "
                                             "84[12][.0-9]* pts \\(A4\\)")));
    // Compared as plain characters without spaces: the PDF has ligatures and breaks lines.
    const auto plain = [](const QString &text) {
        return text.normalized(QString::NormalizationForm_KC).remove(QRegularExpression("\\s"));
    };
    const QString text = plain(run("pdftotext", {file, "-"}));
    for (const QString &expected : QStringList {Serial} + texts)
        QVERIFY2(text.contains(plain(expected)), qPrintable(expected + " in " + text));
    QVERIFY(!Certificate::write(check, home.filePath("no/such/folder/certificate.pdf"), &error));
}

QTEST_MAIN(TestCheck)
#include "tst_check.moc"
