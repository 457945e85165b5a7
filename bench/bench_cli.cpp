// Performance figures of the command line against the simulator program, each beside its bound:
// - read rate: tr451 read --interval 0 against the paced simulator at 9600 and 115200 bit/s, as a
//   share of the line's limit of one read per (request wire time + t3.5 + answer wire time + the
//   simulator's turnaround, measured here from a request's write to its answer's first byte);
// - scan time: a scan of 1-247 at one rate with a given timeout, against
//   247 x (request wire time + timeout), which it may exceed by a tenth at most;
// - memory: peak resident size of a 10,000-reading run against a 100-reading one;
// - check cycle: the transmitter's reading and the reference's on one line at 9600 bit/s, asked
//   as tr451 check asks them, against the two exchanges' limit (each as the read rate's), which
//   it may exceed by a tenth at most.
// Run: build/bench/bench_cli (tr451 and tr451-simulator are taken from the same build)
#include "cli/referencepoll.h"
#include "cli/session.h"
#include "protocol/commandinputs.h"
#include "protocol/exchange.h"
#include "protocol/frame.h"
#include "protocol/linetiming.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace {

QString built(const QString &relative)
{
    return QCoreApplication::applicationDirPath() + "/../" + relative;
}

// The simulator program on a link of its own, for as long as it lives.
class Simulator
{
public:
    Simulator(const QString &link, const QStringList &options)
    {
        process.start(built("tools/tr451-simulator"), QStringList {"--link", link} + options);
        process.waitForReadyRead(10000);
    }
    ~Simulator()
    {
        process.terminate();
        process.waitForFinished(5000);
    }

private:
    QProcess process;
};

struct Run
{
    double seconds = 0;
    long peakKb = 0;
    QByteArray out;
};

// tr451 with arguments, its output in a file (a pipe would hold it up), its peak memory from the
// kernel's own account of the child.
Run tr451(const QStringList &arguments, const QString &outFile)
{
    QList<QByteArray> words {built("cli/tr451").toLocal8Bit()};
    for (const QString &argument : arguments)
        words << argument.toLocal8Bit();
    QVector<char *> argv;
    for (QByteArray &word : words)
        argv << word.data();
    argv << nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.toLocal8Bit().constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    Run run;
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv.first(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage {};
        wait4(pid, &status, 0, &usage);
        run.peakKb = usage.ru_maxrss;
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    posix_spawn_file_actions_destroy(&actions);
    QFile file(outFile);
    if (file.open(QIODevice::ReadOnly))
        run.out = file.readAll();
    return run;
}

// Mean milliseconds from writing request to the first byte of its answer, less that byte's own
// wire time: what the simulator adds to the line's times.
double turnaroundMs(const QString &port, int rate, const QByteArray &request)
{
    QSerialPort line(port);
    if (!line.open(QIODevice::ReadWrite) || !line.setBaudRate(rate))
        return -1;
    constexpr int Rounds = 50;
    const int answerSize = Modbus::expectedReplySize(request);
    double totalMs = 0;
    for (int i = 0; i < Rounds; ++i) {
        QElapsedTimer clock;
        line.write(request);
        line.waitForBytesWritten(1000);
        clock.start();
        line.waitForReadyRead(1000);
        totalMs += clock.nsecsElapsed() / 1e6;
        QByteArray answer = line.readAll();
        while (answer.size() < answerSize && line.waitForReadyRead(1000))
            answer += line.readAll();
        QThread::usleep(ulong(LineTiming::t35Us(rate) + 1000));
    }
    return totalMs / Rounds - LineTiming::characterUs(rate) / 1e3;
}

QDateTime timeOf(const QByteArray &row)
{
    return QDateTime::fromString(QString::fromLatin1(row.left(row.indexOf(','))),
                                 Qt::ISODateWithMs);
}

// The line's limit for one exchange: the request's and the answer's wire times, the master's
// t3.5 before it sends and the device's turnaround.
double exchangeLimitMs(const QByteArray &request, int rate, double turnaroundMs)
{
    return (LineTiming::wireUs(request.size(), rate) + LineTiming::t35Us(rate)
            + LineTiming::wireUs(Modbus::expectedReplySize(request), rate))
        / 1e3
        + turnaroundMs;
}

void readRate(const QTemporaryDir &dir, int code, int rate)
{
    const QString port = dir.filePath(QStringLiteral("tty%1").arg(code));
    Simulator simulator(port, {"--baud-code", QString::number(code)});
    const QByteArray request = Modbus::readRequest(1, 0x0000, 4);
    const double turnaround = turnaroundMs(port, rate, request);
    constexpr int Readings = 1000;
    const Run run = tr451({"read", "--port", port, "--baud", QString::number(rate), "--interval",
                           "0", "--count", QString::number(Readings)},
                          dir.filePath("read.csv"));
    const QList<QByteArray> rows = run.out.trimmed().split('\n');
    const double spanMs = timeOf(rows.at(1)).msecsTo(timeOf(rows.last()));
    const double perReadMs = spanMs / (Readings - 1);
    const double limitMs = exchangeLimitMs(request, rate, turnaround);
    std::printf("read at %6d bit/s: %.3f ms a reading (%.1f/s); line limit %.3f ms (simulator "
                "turnaround %.3f ms): %.2f of the limit (bound: at least 0.90)\n",
                rate, perReadMs, 1000 / perReadMs, limitMs, turnaround, limitMs / perReadMs);
}

void scanTime(const QTemporaryDir &dir)
{
    const QString port = dir.filePath("scan");
    Simulator simulator(port, {});
    constexpr int TimeoutMs = 50;
    constexpr int Rate = 9600;
    const Run run = tr451({"scan", "--port", port, "--bauds", QString::number(Rate), "--timeout",
                           QString::number(TimeoutMs)},
                          dir.filePath("scan.csv"));
    const double unitS = 247 * (LineTiming::wireUs(8, Rate) / 1e6 + TimeoutMs / 1e3);
    std::printf("scan of 1-247 at %d bit/s, timeout %d ms: %.2f s; 247 x (request wire time + "
                "timeout) = %.2f s: %.3f of it (bound: at most 1.10); found %lld\n",
                Rate, TimeoutMs, run.seconds, unitS, run.seconds / unitS,
                qint64(run.out.count('\n')) - 1);
}

void memory(const QTemporaryDir &dir)
{
    const QString port = dir.filePath("memory");
    Simulator simulator(port, {"--baud-code", "6", "--no-pacing"});
    long peakKb[2] = {};
    const int counts[2] = {100, 10000};
    for (int i = 0; i < 2; ++i) {
        peakKb[i] = tr451({"read", "--port", port, "--baud", "115200", "--interval", "0", "--count",
                           QString::number(counts[i])},
                          dir.filePath("memory.csv"))
                        .peakKb;
    }
    std::printf("peak memory: %ld kB for 100 readings, %ld kB for 10,000: %.3f of it (bound: at "
                "most 1.20)\n",
                peakKb[0], peakKb[1], double(peakKb[1]) / peakKb[0]);
}

void checkCycle(const QTemporaryDir &dir)
{
    const QString port = dir.filePath("check");
    constexpr int Rate = 9600;
    constexpr int ReferenceAddress = 100;
    Simulator simulator(port, {"--reference", QString::number(ReferenceAddress)});
    ReferenceMap map;
    map.line.port = port;
    map.line.address = ReferenceAddress;
    QString why;
    map.temperature = *RegisterField::parse("4:0:float32", &why);
    map.humidity = *RegisterField::parse("4:2:float32", &why);
    const CommandInputs::PollRequest poll =
        CommandInputs::pollRequest(Readings::Scale::Hundredths, 0);
    const QByteArray transmitterRead = Modbus::readRequest(1, poll.firstRegister, poll.count);
    // Both fields in one read, as the reference's reader plans them.
    const QByteArray referenceRead =
        RegisterRead::plan({map.temperature, map.humidity}).first().request(ReferenceAddress);
    const double limitMs =
        exchangeLimitMs(transmitterRead, Rate, turnaroundMs(port, Rate, transmitterRead))
        + exchangeLimitMs(referenceRead, Rate, turnaroundMs(port, Rate, referenceRead));

    Cli::Options options;
    options.port = port;
    options.bauds = {Rate};
    Cli::Session session(options);
    Cli::ReferencePoll reference(session.master(), map);
    if (!session.open().ok())
        return;
    constexpr int Cycles = 200;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < Cycles; ++i) {
        Master::Answer answer;
        session.ask(transmitterRead, &answer);
        reference.read();
    }
    const double cycleMs = clock.nsecsElapsed() / 1e6 / Cycles;
    std::printf("check cycle at %d bit/s, transmitter and reference on one line: %.3f ms; limit "
                "of the two exchanges %.3f ms: %.3f of it (bound: at most 1.10); reference "
                "readings kept: %d of %d\n",
                Rate, cycleMs, limitMs, cycleMs / limitMs,
                reference.readings().samples().rowCount(), Cycles);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    readRate(dir, 4, 9600);
    readRate(dir, 6, 115200);
    scanTime(dir);
    memory(dir);
    checkCycle(dir);
    return 0;
}
