// Batch runs end to end: a rack of four simulated transmitters in a chamber, with a reference, run
// through a profile of two points by tr451 run as a station runs it (cut off between the points
// and resumed, interrupted, its adapter pulled, refused), against pymodbus as transmitter and
// reference, and by the driver as a window drives it.
#include "batch/batchrun.h"
#include "check/recordstore.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "support/programs.h"
#include "support/table.h"
#include "support/trendsamples.h"
#include "transmittersimulator.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// tr451 run with arguments; started may connect to the program as it runs.
Run run(const QStringList &arguments, const std::function<void(QProcess &)> &started = nullptr)
{
    return runProgram(built("cli/tr451"), QStringList {"run"} + arguments, started);
}

QString pdfText(const QString &file)
{
    return runProgram("pdftotext", {file, "-"}).out;
}

const QByteArray TwoPoints = "temperature,humidity,soak,max_wait\n23,50,1,15\n25,60,1,15\n";

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private slots:
    // A station with a short stability window and loose limits, its reference on the
    // transmitters' line; the air at 20 degrees and 40 %RH until the chamber is set.
    void init()
    {
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        qputenv(
            "TR451_DATABASE",
            dir.filePath(QString(QTest::currentTestFunction()) + QTest::currentDataTag()).toUtf8());
        for (const QString &setting :
             QStringList {"reference/instrument=Hygrometer", "reference/certificate=C-17",
                          "reference/due=2099-12-31", "stability/window=60",
                          "stability/drift/temperature=1", "stability/drift/humidity=5",
                          "stability/deviation/temperature=0.2", "stability/deviation/humidity=1",
                          "reference/port=" + dir.filePath("line"), "reference/address=30",
                          "reference/temperature=4:0:float32", "reference/humidity=4:2:float32"})
            setStation(setting);
        sim = std::make_unique<TransmitterSimulator>();
        sim->setDevices({{1, 4}, {2, 4}, {3, 4}, {4, 4}});
        sim->setPacing(false);
        sim->setAnswerAtOnce(true);
        sim->setSettling(20, 40, 1);
        QVERIFY(sim->setBias(3, 1, 0) && sim->setReference(30, 4) && sim->setChamber(31, 4));
        QVERIFY(sim->start(dir.filePath("line")));
        requests.clear();
        connect(sim.get(), &TransmitterSimulator::requestReceived,
                [this](const QByteArray &request) { requests << request; });
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(TwoPoints) > 0);
    }

    void ended_data()
    {
        // The profile's points (empty: the two points), a setting of the station for this row, and
        // how the run is cut at the first reference read (interrupted, pulled).
        const Table<QByteArray, QString, QString, QString, int, QString> row(
            "points", "setting", "arguments", "cut", "status", "said");
        row("profile without max_wait", "temperature,humidity,soak\n23,50,1\n", "", "", "", 2,
            "profile.csv: line 1, column max_wait: missing from the header\n");
        row("reference overdue", "", "reference/due=2001-01-01", "", "", 2,
            "was due on 2001-01-01");
        row("reference not read", "", "", "--reference=", "", 2, "needs the reference read by");
        row("chamber without its registers", "", "", "--chamber x", "", 2,
            "the chamber needs its temperature and humidity");
        row("chamber registers too small", "", "",
            "--chamber x --chamber-temperature 3:0:uint16:10000 --chamber-humidity 3:1:int16", "",
            2, "cannot hold point 1");
        row("nothing to resume", "", "", "--resume", "", 2, "no unfinished run");
        row("nobody at the addresses", "", "", "--addresses 5-7", "", 4, "no transmitter answered");
        row("nothing stable in time", "temperature,humidity,soak,max_wait\n20,40,0,1\n", "",
            "--addresses 1", "", 7, "no point could be taken");
        row("interrupted", "", "", "--addresses 1", "interrupted", 130, "");
        row("adapter pulled", "", "", "--addresses 1", "pulled", 1, "is gone:");
    }

    // Refused before anything is sent, naming the line and column of a bad profile; a line
    // without transmitters is found out, each address asked once; a run may take no point; cut
    // off, a run stays running in the records, to be resumed.
    void ended()
    {
        QFETCH(QByteArray, points);
        QFile file(profile);
        QVERIFY(points.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(points) > 0));
        file.close();
        QFETCH(QString, setting);
        setStation(setting);
        QFETCH(QString, arguments);
        QFETCH(QString, cut);
        const Run result = run(QStringList {profile, "--port", sim->portPath()}
                                   + arguments.split(' ', Qt::SkipEmptyParts),
                               cutOff(cut));
        QTEST(result.status, "status");
        QFETCH(QString, said);
        QVERIFY2(result.err.contains(said)
                     && result.out.contains("not stable") == (result.status == 7),
                 qPrintable(result.err));
        QCOMPARE(requests.isEmpty(), result.status == 2);
        QVERIFY(result.status != 4 || requests.size() == 3);
        const RunRecord stored = storedRun();
        QCOMPARE(stored.stored() && stored.state == RunRecord::State::Running, !cut.isEmpty());
    }

    // Against pymodbus as the transmitter at every address and, on a link of its own, as the
    // reference with float32 input registers: steady readings, so the point is taken once the
    // window is full, against the reference's values as it serves them.
    void peers()
    {
        Program transmitters, reference;
        const QString line = servePymodbus(transmitters);
        const QString instrument = servePymodbus(reference, {"30", "23.4", "45.6"});
        if (line.isEmpty() || instrument.isEmpty())
            QSKIP("pymodbus (Debian: python3-pymodbus) is not installed");
        QFile file(profile);
        QVERIFY(file.open(QIODevice::WriteOnly)
                && file.write("temperature,humidity,soak,max_wait\n23.4,45.6,0,30\n") > 0);
        file.close();
        const Run result = run({profile, "--port", "tcp://127.0.0.1:" + line, "--addresses", "1",
                                "--window", "5", "--reference", "tcp://127.0.0.1:" + instrument});
        const QRegularExpression row("\r\n1,1,[^,]+,261206033415,as-found,23\\.400,23\\.450,"
                                     "[^,]+,[^,]+,0\\.050,.*,45\\.600,45\\.670,.*,simple,pass\r\n");
        QVERIFY2(result.status == 0 && result.out.contains(row),
                 qPrintable(result.out + result.err));
    }

    // The chamber set to each point (again when it missed the first), every transmitter's point
    // printed as it is taken, then its certificate and the run's report; killed between the points
    // and resumed with the same run and checks at the second (not while another transmitter stands
    // in one's place), where one transmitter has gone silent: set aside, "no answer". The one a
    // degree off fails. The instruments on the line are asked only what they answer.
    void journey()
    {
        const QStringList arguments =
            QString("%1 --port %2 --addresses 1-4,30,31 --chamber %2 --chamber-address 31 "
                    "--chamber-temperature 3:0:int16:10 --chamber-humidity 3:1:int16:10 "
                    "--window 5 --log %3 --certificates %4 --report %4/report.pdf")
                .arg(profile, sim->portPath(), log, dir.filePath("pdf"))
                .split(' ');
        QStringList setPoints;
        sim->setDeviceSilent(31, true);
        const Run first = run(arguments, [&](QProcess &tr451) {
            connect(sim.get(), &TransmitterSimulator::requestReceived, &tr451,
                    [&](const QByteArray &request) {
                        if (!request.startsWith("\x1f\x06"))
                            return;
                        setPoints << QString::number(
                            Modbus::field(request, Modbus::OperandOffset, Modbus::WordSize));
                        sim->setDeviceSilent(31, setPoints.size() < 2);
                        if (setPoints.last() == "250") {
                            tr451.kill();
                            sim->setDeviceSilent(2, true);
                        }
                    });
        });
        QVERIFY(first.status == -1 && first.out.startsWith("Point,Address,Time,Serial number,"));
        // Stations share records: another station's run is not one to go on with.
        setStation("station=Bench 9");
        QCOMPARE(run(arguments + QStringList {"--resume"}).status, 2);
        setStation("station=");
        // Nor is a run whose transmitter was exchanged meanwhile: its points are not the other's.
        QVERIFY(sim->setRegisterValue(Registers::SerialNumber + 2, 0x9999));
        const Run exchanged = run(arguments + QStringList {"--resume"});
        QVERIFY2(exchanged.status == 1
                     && exchanged.err.contains(
                         "address 1 answers as transmitter 261206039999, not as 261206033415"),
                 qPrintable(exchanged.err));
        QVERIFY(sim->setRegisterValue(Registers::SerialNumber + 2, 0x3415));
        const Run resumed = run(arguments + QStringList {"--resume"});
        QCOMPARE(resumed.status, 6);
        QVERIFY2(resumed.err.contains("Point 2 of 2 (25 \u2103, 60 %RH): the chamber is set to it")
                     && resumed.err.contains("Set aside address 2 (261206033416)"),
                 qPrintable(resumed.err));
        QStringList results;
        for (const QString &row :
             (first.out + resumed.out).split("\r\n").filter(QRegularExpression("^\\d")))
            results << row.section(',', 0, 1) + ':' + row.section(',', -1);
        results.sort();
        QCOMPARE(results.join(' '),
                 "1,1:pass 1,2:pass 1,3:fail 1,4:pass 2,1:pass 2,2:no answer "
                 "2,3:fail 2,4:pass");
        QCOMPARE((first.out + resumed.out).count("no answer"), 3); // its quantities' and its own
        QCOMPARE(setPoints.join(' '), "230 500 230 500 250");
        QSet<QByteArray> asked;
        for (const QByteArray &request : qAsConst(requests))
            asked << request.left(2);
        QVERIFY(asked.contains("\x1e\x04") && !asked.contains("\x1e\x03")
                && !asked.contains("\x1f\x03") && asked.contains("\x1f\x06"));

        const RunRecord stored = storedRun();
        QVERIFY(stored.stored() && stored.state == RunRecord::State::Finished);
        QStringList points;
        for (const Check &check : stored.checks) {
            for (const CheckPoint &point : check.points)
                points << QString("%1:%2").arg(check.transmitter.address).arg(point.profilePoint);
        }
        QCOMPARE(points.join(' '), "1:0 1:1 2:0 2:1 3:0 3:1 4:0 4:1");

        const QString rows = QString::fromUtf8(contents(log));
        QVERIFY(rows.startsWith("Time,Point,Device,Address,Serial number,Temperature (\u2103),")
                && rows.count("Time,Point") == 1 && !rows.contains(",2,transmitter,2,"));
        QVERIFY(
            rows.contains(QRegularExpression(",2,reference,30,,\\d+\\.\\d{3},\\d+\\.\\d{3},\r\n"))
            && rows.contains(QRegularExpression(
                ",1,transmitter,2,261206033416,(\\d+\\.\\d\\d,){2}\\d+\\.\\d\\d\r\n")));
        const QString biased = pdfText(dir.filePath("pdf/261206033417.pdf"));
        if (biased.isEmpty())
            QSKIP("pdftotext (Debian: poppler-utils) is not installed");
        QVERIFY(biased.contains("261206033417") && biased.contains("Overall result: Fail"));
        QVERIFY(pdfText(dir.filePath("pdf/261206033415.pdf")).contains("Overall result: Pass"));
        const QString report = pdfText(dir.filePath("pdf/report.pdf"));
        QVERIFY2(report.contains("261206033416") && report.contains("no answer"),
                 qPrintable(report));
    }

    // As a window drives it: paused, no sweep goes out; resumed, they go on; stopped, the run stays
    // running. Resumed and aborted while its addresses are still asked, the run ends aborted with
    // its checks abandoned; when the records refuse that end, the run says so and stays running.
    void driven()
    {
        auto batch = std::make_unique<BatchRun>();
        BatchRun::Setup setup;
        setup.profile = contents(profile);
        setup.station = StationSettings::load();
        setup.port = sim->portPath();
        setup.addresses = {1, 2};
        qRegisterMetaType<BatchRun::End>();
        QSignalSpy finished(batch.get(), &BatchRun::finished);
        batch->start(setup);
        QTRY_COMPARE(batch->phase(), BatchRun::Phase::Reaching);
        batch->pause();
        QTRY_COMPARE(batch->phase(), BatchRun::Phase::Paused);
        const int asked = requests.size();
        QVERIFY(!QTest::qWaitFor([&] { return requests.size() > asked; }, 1500));
        batch->resume();
        QTRY_VERIFY(requests.size() > asked);
        batch->stop();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().first().value<BatchRun::End>(), BatchRun::End::Stopped);
        batch.reset(); // its line closed
        setup.resume = true;
        const auto abortResumed = [&setup] {
            BatchRun resumed;
            QSignalSpy ended(&resumed, &BatchRun::finished);
            resumed.start(setup);
            const bool enrolling = resumed.phase() == BatchRun::Phase::Enrolling;
            resumed.abort();
            return enrolling && (!ended.isEmpty() || ended.wait())
                ? ended.first().first().value<BatchRun::End>()
                : BatchRun::End::Finished;
        };
        {
            QSqlDatabase records = QSqlDatabase::addDatabase("QSQLITE", "refusing");
            records.setDatabaseName(qEnvironmentVariable("TR451_DATABASE"));
            QVERIFY(records.open()
                    && records
                           .exec("CREATE TRIGGER refusal BEFORE UPDATE ON runs BEGIN SELECT "
                                 "RAISE(ABORT, 'refused by the test'); END")
                           .isActive());
            QCOMPARE(abortResumed(), BatchRun::End::Records);
            QCOMPARE(storedRun().state, RunRecord::State::Running);
            QVERIFY(records.exec("DROP TRIGGER refusal").isActive());
            records.close();
        }
        QSqlDatabase::removeDatabase("refusing");
        QCOMPARE(abortResumed(), BatchRun::End::Aborted);
        const RunRecord stored = storedRun();
        QVERIFY(stored.state == RunRecord::State::Aborted && stored.checks.size() == 2
                && stored.checks.last().result == Check::Result::Abandoned);
    }

private:
    // At each reading of the reference: the run interrupted, or its adapter pulled.
    std::function<void(QProcess &)> cutOff(const QString &how)
    {
        return [this, how](QProcess &tr451) {
            connect(sim.get(), &TransmitterSimulator::requestReceived, &tr451,
                    [this, how, &tr451](const QByteArray &request) {
                        if (request.at(Modbus::FunctionOffset) != Modbus::ReadInputRegisters)
                            return;
                        if (how == "pulled")
                            sim->removeAdapter();
                        else if (how == "interrupted")
                            tr451.terminate();
                    });
        };
    }

    void setStation(const QString &setting)
    {
        QSettings station(dir.filePath("tr451-test-tools/station.ini"), QSettings::IniFormat);
        if (!setting.isEmpty())
            station.setValue(setting.section('=', 0, 0), setting.section('=', 1));
    }

    // The test's one run, whole from the records as they stand; not stored when they lack it.
    static RunRecord storedRun()
    {
        RecordStore records;
        RunRecord stored;
        stored.id = 1;
        if (!records.loadRun(stored))
            stored.id = 0;
        return stored;
    }

    QTemporaryDir dir;
    const QString profile = dir.filePath("profile.csv");
    const QString log = dir.filePath("log.csv");
    std::unique_ptr<TransmitterSimulator> sim;
    QByteArrayList requests;
};

QTEST_GUILESS_MAIN(TestRun)
#include "tst_run.moc"
