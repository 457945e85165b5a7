// A batch run's figures beside their bounds:
// - memory over a long run: the run's decisions fed a simulated 150 hours of sweeps of 16
//   transmitters and a reference through a profile of hour-long points; the resident size after
//   150 hours against that after 1 hour (bound: 1.1), since a run keeps only the readings a
//   stability window needs.
// Run: build/bench/bench_batch
#include "batch/runlogic.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

constexpr int Transmitters = 16;
constexpr qint64 HourMs = 3600 * 1000;
constexpr qint64 SweepMs = 1000;

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

void memoryOverLongRun()
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    memoryOverLongRun();
    return 0;
}
