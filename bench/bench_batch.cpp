// A batch run's figures beside their bounds:
// - a sweep of 16 transmitters and a reference at 9600 bit/s on one line, against the line's
//   limit for those 17 exchanges (each: request wire time + t3.5 before the answer + answer wire
//   time + t3.5 before the next request), which it may exceed by a tenth at most;
// - the same line with one transmitter dead: the mean sweep over a minute against 1.1 times the
//   limit of the 16 that answer plus one timeout per 10 s (a dead one is set aside after three
//   misses and asked once every ten seconds);
// - memory over a long run: the run's decisions fed a simulated 150 hours of sweeps of 16
//   transmitters and a reference through a profile of hour-long points; the resident size after
//   150 hours against that after 1 hour (bound: 1.1), since a run keeps only the readings a
//   stability window needs.
// With TR451_BATCH_SCREENSHOT=docs/batch.png it also takes the README's picture of the Batch
// window: a rack of six simulated transmitters, one a degree off, one a little and one losing its
// wire, run through two points.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_batch
#include "batch/runlogic.h"
#include "batch/sweep.h"
#include "master/master.h"
#include "protocol/linetiming.h"
#include "support/windowfixture.h"
#include "ui/batchwindow.h"

#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>

#include <cstdio>

namespace {

constexpr int Transmitters = 16;
constexpr qint64 HourMs = 3600 * 1000;
constexpr qint64 SweepMs = 1000;
constexpr int Rate = 9600;
constexpr quint8 ReferenceAddress = 100;
constexpr int MinuteOfSweeps = 60;
// A poll of four registers and the reference's two float32 fields each take an 8-byte request
// and a 13-byte answer.
constexpr int RequestBytes = 8;
constexpr int AnswerBytes = 13;

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// Readings of a quiet chamber at 23 degrees and 50 %RH, each transmitter a little off.
SampleStore::Values transmitterValues(int t, qint64 sweep)
{
    const float wobble = sweep % 2 ? 0.004f : -0.004f;
    return {23.0f + 0.01f * float(t) + wobble, 50.0f + 0.05f * float(t) + wobble, 12.0f};
}

double exchangeMs()
{
    const qint64 us = LineTiming::wireUs(RequestBytes, Rate) + LineTiming::t35Us(Rate)
        + LineTiming::wireUs(AnswerBytes, Rate) + LineTiming::t35Us(Rate);
    return us / 1000.0;
}

// Sweeps of the simulated line, paced like a wire, as a run makes them: whom the run's decisions
// ask, one request at a time; the mean time of a sweep in milliseconds.
double meanSweepMs(bool oneDead)
{
    TransmitterSimulator line;
    QList<TransmitterModel::LineSettings> devices;
    for (int address = 1; address <= Transmitters; ++address)
        devices.append({quint8(address), TransmitterModel::DefaultBaudCode});
    line.setDevices(devices);
    line.setReference(ReferenceAddress, TransmitterModel::DefaultBaudCode);
    line.setDeviceSilent(Transmitters, oneDead);
    QTemporaryDir dir;
    Master master;
    if (!line.start(dir.filePath(QStringLiteral("tty"))) || !master.open(line.portPath(), Rate))
        qFatal("the simulated line cannot be opened");
    QString why;
    ReferenceMap map;
    map.line.address = ReferenceAddress;
    map.temperature = *RegisterField::parse(QStringLiteral("4:0:float32"), &why);
    map.humidity = *RegisterField::parse(QStringLiteral("4:2:float32"), &why);
    StationSettings station;
    station.referenceMap = map;
    RunLogic run({ProfilePoint()}, station, Transmitters);
    QVector<LineDevice> transmitters;
    for (int address = 1; address <= Transmitters; ++address)
        transmitters.append({&master, quint8(address)});
    LineQueue queue;
    QElapsedTimer clock;
    clock.start();
    run.start(0);
    for (int i = 0; i < MinuteOfSweeps; ++i) {
        // The run's clock moves a second a sweep, whatever the sweep took.
        const qint64 now = i * SweepMs;
        Sweep sweep(queue, {&master, ReferenceAddress}, map, transmitters, run.toAsk(now));
        QEventLoop loop;
        QObject::connect(&queue, &LineQueue::drained, &loop, &QEventLoop::quit);
        queue.run();
        loop.exec();
        run.feed(sweep.readings(now));
    }
    return double(clock.nsecsElapsed()) / 1e6 / MinuteOfSweeps;
}

} // namespace

class BenchBatch : public QObject
{
    Q_OBJECT

private slots:
    void sweeps();
    void memoryOverLongRun();
    void screenshot();
};

void BenchBatch::sweeps()
{
    const double limitMs = (Transmitters + 1) * exchangeMs();
    const double allMs = meanSweepMs(false);
    std::printf("sweep of %d transmitters and the reference at %d bit/s: %.1f ms against the "
                "line's limit of %.1f ms: %.3f of it (bound: at most 1.1)\n",
                Transmitters, Rate, allMs, limitMs, allMs / limitMs);
    // What one request to nobody costs: its wire time and the master's default allowance.
    const double timeoutMs = (LineTiming::wireUs(RequestBytes, Rate)
                              + LineTiming::wireUs(AnswerBytes, Rate) + LineTiming::t35Us(Rate))
            / 1000.0
        + Master::TurnaroundMs;
    const double deadLimitMs = 1.1 * Transmitters * exchangeMs() + timeoutMs / 10;
    const double deadMs = meanSweepMs(true);
    std::printf("with one dead, the mean sweep over a minute: %.1f ms against 1.1 x %.1f ms + "
                "one timeout of %.1f ms per 10 s = %.1f ms: %.3f of it (bound: at most 1)\n",
                deadMs, Transmitters * exchangeMs(), timeoutMs, deadLimitMs, deadMs / deadLimitMs);
}

void BenchBatch::memoryOverLongRun()
{
    // Each point soaks 50 minutes and is taken at the end of it: three points every 2.5 hours.
    ProfilePoint point;
    point.temperature = 23;
    point.humidity = 50;
    point.soakS = 3000;
    point.maxWaitS = 3600;
    const QVector<ProfilePoint> profile(200, point);
    StationSettings station;
    station.referenceMap.line.port = QStringLiteral("bench");
    RunLogic run(profile, station, Transmitters);
    run.start(0);
    ReferenceReading reference;
    reference.temperature = 23.001;
    reference.humidity = 50.002;
    long afterHour = 0;
    QElapsedTimer clock;
    clock.start();
    int points = 0;
    for (qint64 sweep = 0; sweep * SweepMs <= 150 * HourMs; ++sweep) {
        RunLogic::Sweep readings;
        readings.timeMs = sweep * SweepMs;
        readings.reference = reference;
        for (const int t : run.toAsk(readings.timeMs))
            readings.transmitters.append({t, transmitterValues(t, sweep)});
        for (const RunLogic::Event &event : run.feed(readings))
            points += event.kind == RunLogic::Event::Kind::PointFinished;
        if (readings.timeMs == HourMs)
            afterHour = residentKb();
    }
    const long afterRun = residentKb();
    std::printf(
        "memory over a long run: %d points in 150 simulated hours (%.1f s); resident %ld kB "
        "after 1 hour, %ld kB after 150 hours: %.3f of it (bound: at most 1.1)\n",
        points, clock.elapsed() / 1000.0, afterHour, afterRun,
        double(afterRun) / double(afterHour));
}

void BenchBatch::screenshot()
{
    const QString path = qEnvironmentVariable("TR451_BATCH_SCREENSHOT");
    if (path.isEmpty())
        QSKIP("TR451_BATCH_SCREENSHOT names no file");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    qputenv("TR451_DATABASE", dir.filePath("records.sqlite").toUtf8());
    // The line on its pseudo-terminal's own path, which reads like a serial port's.
    TransmitterSimulator sim;
    sim.setDevices({{1, 4}, {2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}});
    sim.setPacing(false);
    sim.setAnswerAtOnce(true);
    sim.setSettling(20, 40, 1);
    // One a degree off fails; one just inside the tolerance passes only conditionally.
    QVERIFY(sim.setBias(2, 0.27, 0) && sim.setBias(4, 1, 0) && sim.setReference(30, 4)
            && sim.setChamber(31, 4));
    QVERIFY(sim.start());
    // A station with a short stability window and loose limits, its reference and chamber on
    // the transmitters' line.
    QSettings station(dir.filePath("tr451-test-tools/station.ini"), QSettings::IniFormat);
    for (const QString &setting :
         QStringList {"station=Chamber 2", "reference/instrument=Chilled-mirror hygrometer CM-2",
                      "reference/certificate=CAL-2026-0142", "reference/due=2027-03-31",
                      "decision/rule=non-binary", "stability/window=5",
                      "stability/drift/temperature=1", "stability/drift/humidity=5",
                      "stability/deviation/temperature=0.2", "stability/deviation/humidity=1",
                      "reference/port=" + sim.portPath(), "reference/address=30",
                      "reference/temperature=4:0:float32", "reference/humidity=4:2:float32",
                      "chamber/port=" + sim.portPath(), "chamber/address=31",
                      "chamber/temperature=3:0:int16:10", "chamber/humidity=3:1:int16:10"})
        station.setValue(setting.section('=', 0, 0), setting.section('=', 1));
    station.sync();
    const QString profile = dir.filePath("profile.csv");
    QFile file(profile);
    QVERIFY(file.open(QIODevice::WriteOnly)
            && file.write("temperature,humidity,soak,max_wait\n15,30,1,30\n35,70,1,30\n") > 0);
    file.close();

    WindowFixture f;
    f.run("pushButtonBatch");
    auto *batch = f.window.findChild<BatchWindow *>();
    QVERIFY(batch->openProfile(profile));
    f.fill("lineEditBatchPort=" + sim.portPath() + ";lineEditAddresses=1-6");
    f.run("pushButtonStart");
    // One loses its wire at the second point: set aside, "no answer".
    QTRY_VERIFY_WITH_TIMEOUT(f.child<QLabel>("labelRunPoint")->text().startsWith("Point 2"), 60000);
    sim.setDeviceSilent(5, true);
    QTRY_VERIFY_WITH_TIMEOUT(
        f.child<QLabel>("labelRunState")->text().startsWith("The run finished"), 120000);
    // Tall enough for both charts whole; the splitter dragged, as a technician would, until
    // every column of the table is in view.
    batch->resize(1440, 940);
    QCoreApplication::sendPostedEvents();
    const auto *table = f.child<QTableWidget>("tableTransmitters");
    const int tableWidth = table->verticalHeader()->width() + table->horizontalHeader()->length()
        + 2 * table->frameWidth();
    auto *splitter = f.child<QSplitter>("splitterRun");
    splitter->setSizes({tableWidth, splitter->width() - splitter->handleWidth() - tableWidth});
    QTRY_VERIFY(!table->horizontalScrollBar()->isVisible());
    // The window's few colours, kept in a palette, make the file a quarter of the size.
    QVERIFY(batch->grab()
                .toImage()
                .convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither)
                .save(path));
}

QTEST_MAIN(BenchBatch)
#include "bench_batch.moc"
