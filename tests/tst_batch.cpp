// Batch runs: the profile of chamber points a technician writes in a spreadsheet, and the run's
// decisions over a scripted clock and line.
#include "batch/profile.h"
#include "batch/runlogic.h"
#include "support/table.h"

#include <QTest>

namespace {

// Each point as temperature/humidity/soak/max_wait/band_temperature/band_humidity, ';' apart.
QString describe(const Profile &profile)
{
    QStringList points;
    for (const ProfilePoint &p : profile.points()) {
        QStringList fields;
        for (const double value :
             {p.temperature, p.humidity, p.soakS, p.maxWaitS, p.bandTemperature, p.bandHumidity})
            fields << QString::number(value);
        points << fields.join('/');
    }
    return points.join(';');
}

const QByteArray Header = "temperature,humidity,soak,max_wait\n";

// A gate over 10 s by default: a point is taken 8 s after the band's entry at the earliest, when
// the window's first reading lies within 2.5 s of its start.
StationSettings station(qint64 windowMs)
{
    StationSettings settings;
    settings.limits.windowMs = windowMs;
    settings.limits.maxDrift = {0.5, 3};
    settings.limits.maxStandardDeviation = {0.1, 0.5};
    return settings;
}

// Points as temperature/humidity/soak/max_wait, ';' apart, in the default bands.
QVector<ProfilePoint> points(const QString &text)
{
    QVector<ProfilePoint> list;
    for (const QString &point : text.split(';', Qt::SkipEmptyParts)) {
        const QStringList f = point.split('/');
        list.append({f[0].toDouble(), f[1].toDouble(), f[2].toDouble(), f[3].toDouble()});
    }
    return list;
}

// A reading at second s: "T/H" steady, wobbling by noise up and down each second; "T/H+" its
// temperature climbing 0.1 a second (6 a minute) from second 0; "T" without humidity; "-" none.
std::optional<SampleStore::Values> reading(const QString &token, int s, double noise)
{
    if (token == "-")
        return std::nullopt;
    const QStringList f = QString(token).remove('+').split('/');
    const double wobble = s % 2 ? noise : -noise;
    const double climb = token.endsWith('+') ? 0.1 * s : 0;
    return SampleStore::Values {
        float(f[0].toDouble() + wobble + climb),
        float(f.size() > 1 ? f[1].toDouble() + wobble : ReferenceReading::None),
        float(ReferenceReading::None)};
}

const char *const Kinds[] = {"Start", "Band", "Soaked",   "Taken", "GivenUp",
                             "Aside", "Back", "Finished", "Done"};
const char *const Outcomes[] = {"Taken", "NotStable", "NoAnswer"};
const char *const Phases[] = {"Reaching", "Soaking", "Taking", "Finished"};

// A run of profile over a scripted line, its transmitters having the points of done
// ("TRANSMITTER/POINT" pairs) already. The script sweeps each second of its segments, ';' apart:
// "FROM[-TO] REFERENCE TRANSMITTER...", each a reading or "-" for silence; the transmitters read
// with a noise of 0.004, the reference exactly.
class Script
{
public:
    Script(const QString &profile, const QString &done, const QString &script,
           qint64 windowMs = 10000)
        : segments(script.split(';'))
        , logic(points(profile), station(windowMs),
                segments[0].split(' ', Qt::SkipEmptyParts).size() - 2)
    {
        for (const QString &pair : done.split(' ', Qt::SkipEmptyParts))
            logic.markDone(pair.section('/', 0, 0).toInt(), pair.section('/', 1).toInt());
    }

    // Starts at second 0 and sweeps, asking whom the run says. The events as "SECOND Kind", with
    // the point on a start and on any event of another point than the one started, the
    // transmitter and the temperature's mean/error where it has them; "Probe tN" when one set
    // aside is asked.
    QStringList play()
    {
        QStringList events;
        describe(0, logic.start(0), events);
        for (const QString &segment : segments) {
            const QStringList f = segment.split(' ', Qt::SkipEmptyParts);
            const int from = f[0].section('-', 0, 0).toInt();
            for (int s = from; s <= f[0].section('-', -1).toInt(); ++s) {
                endMs = s * 1000;
                RunLogic::Sweep sweep {endMs, std::nullopt, {}};
                if (const auto r = reading(f[1], s, 0))
                    sweep.reference = ReferenceReading {(*r)[0], (*r)[1]};
                for (const int t : logic.toAsk(endMs)) {
                    if (logic.isSetAside(t))
                        events << QString("%1 Probe t%2").arg(s).arg(t);
                    sweep.transmitters.append({t, reading(f[t + 2], s, 0.004)});
                }
                describe(s, logic.feed(sweep), events);
            }
        }
        return events;
    }

    QStringList segments;
    RunLogic logic;
    qint64 endMs = 0;

private:
    void describe(int s, const QVector<RunLogic::Event> &list, QStringList &events)
    {
        using Kind = RunLogic::Event::Kind;
        for (const RunLogic::Event &e : list) {
            QString text = QString("%1 %2").arg(s).arg(e.kind == Kind::PointGivenUp
                                                           ? Outcomes[int(e.result.outcome)]
                                                           : Kinds[int(e.kind)]);
            if (e.kind == Kind::PointStarted)
                started = e.point;
            const bool result = e.kind == Kind::PointTaken || e.kind == Kind::PointGivenUp;
            const int point = result ? e.result.profilePoint : e.point;
            if (e.kind == Kind::PointStarted || (e.kind != Kind::RunFinished && point != started))
                text += QString(" p%1").arg(point);
            if (e.transmitter >= 0)
                text += QString(" t%1").arg(e.transmitter);
            const QuantityPoint &q = e.result.quantities[0];
            if (q.samples > 0)
                text += QString(" %1/%2").arg(q.mean, 0, 'f', 2).arg(q.error, 0, 'f', 2);
            events << text;
        }
    }

    int started = -1;
};

} // namespace

Q_DECLARE_METATYPE(RunLogic::Result)

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void profile_data()
    {
        const Table<QByteArray, QString> row("file", "read"); // the points, or why it is refused
        row("plain, bands by default", Header + "20,50,600,1800\n-40,10.5,0,0.5",
            "20/50/600/1800/1/3;-40/10.5/0/0.5/1/3");
        row("limits taken", Header + "-60,0,0,604800\n150,100,604800,1",
            "-60/0/0/604800/1/3;150/100/604800/1/1/3");
        row("spreadsheet: mark, CRLF, blank lines, columns in any order, empty band",
            "\xEF\xBB\xBF"
            "Max_Wait,band_humidity,temperature,SOAK,humidity,band_temperature\r\n\r\n"
            "1800,2,25,600,75,0.5\r\n,,,,,\r\n900,,-10,60,30,\r\n",
            "25/75/600/1800/0.5/2;-10/30/60/900/1/3");
        row("quoted, a line break inside quotes",
            "\"temperature\",humidity,soak,max_wait\n\" 20\",\"50\n\",600,1800",
            "20/50/600/1800/1/3");
        row("semicolons and decimal commas",
            "temperature;humidity;soak;max_wait;band_humidity\n\"23,5\";45,5;600;1800;2.5",
            "23.5/45.5/600/1800/1/2.5");

        row("empty", "\r\n\r\n", "the file is empty");
        row("no points", Header + "\n,,,\n", "the file has no points after its header");
        row("unknown column", "temperature,humidity,soak,max_wait,\"pre\"\"ssure\"\n",
            "line 1, column pre\"ssure: unknown column; the columns are temperature, humidity, "
            "soak, max_wait, band_temperature, band_humidity");
        row("column without a name", "temperature,,humidity,soak,max_wait\n",
            "line 1, column 2: unknown column; the columns are temperature, humidity, soak, "
            "max_wait, band_temperature, band_humidity");
        row("repeated column", "temperature,humidity,soak,max_wait,Soak\n",
            "line 1, column soak: given twice");
        row("missing column", "temperature,humidity,max_wait,band_humidity\n1,2,3,4",
            "line 1, column soak: missing from the header");
        row("quote not closed", Header + "20,50,600,1800\n20,\"50,600,1800\n",
            "line 3: a quoted field is not closed");
        row("more fields than columns", Header + "20,50,600,1800,,7",
            "line 2, column 6: the header has no such column");
        row("empty cell", Header + "20,50,,1800", "line 2, column soak: empty");
        row("not a number", Header + "20,abc,600,1800",
            "line 2, column humidity: \"abc\" is not a number");
        row("infinite", Header + "20,50,inf,1800", "line 2, column soak: \"inf\" is not a number");
        row("thousands between commas", Header + "\"1,000\",50,600,1800",
            "line 2, column temperature: \"1,000\" is not a number");
        row("thousands between semicolons", "temperature;humidity;soak;max_wait\n20;50;1.000,5;60",
            "line 2, column soak: \"1.000,5\" is not a number");
        const QByteArray lines = Header + "\n20,50,\"600\n\",1800\n";
        row("lines counted", lines + "20,50,600,0",
            "line 5, column max_wait: \"0\" is not above 0");
        row("too cold", Header + "-60.5,50,600,1800",
            "line 2, column temperature: \"-60.5\" is below -60");
        row("too hot", Header + "150.1,50,600,1800",
            "line 2, column temperature: \"150.1\" is above 150");
        row("humidity below 0", Header + "20,-0.1,600,1800",
            "line 2, column humidity: \"-0.1\" is below 0");
        row("humidity above 100", Header + "20,100.1,600,1800",
            "line 2, column humidity: \"100.1\" is above 100");
        row("negative soak", Header + "20,50,-1,1800", "line 2, column soak: \"-1\" is below 0");
        row("soak over a week", Header + "20,50,604801,1800",
            "line 2, column soak: \"604801\" is above 604800");
        row("wait over a week", Header + "20,50,60,604801",
            "line 2, column max_wait: \"604801\" is above 604800");
        const QByteArray banded =
            "temperature,humidity,soak,max_wait,band_temperature,band_humidity\n";
        row("temperature band 0", banded + "20,50,60,60,0,3",
            "line 2, column band_temperature: \"0\" is not above 0");
        row("humidity band negative", banded + "20,50,60,60,1,-2",
            "line 2, column band_humidity: \"-2\" is not above 0");
    }

    void profile()
    {
        QFETCH(QByteArray, file);
        QString error;
        const std::optional<Profile> profile = Profile::parse(file, &error);
        QTEST(profile ? describe(*profile) : error, "read");
    }

    // Written back for a window that edits it: every column, commas and '.' in any locale, and
    // read back as it was.
    void roundTrip()
    {
        QString error;
        const std::optional<Profile> profile = Profile::parse(
            "temperature;humidity;soak;max_wait;band_humidity\n23,45;0,1;0;599,999;0,001\n-40;95;"
            "3600;1e3;\n",
            &error);
        QVERIFY2(profile, qPrintable(error));
        const QByteArray csv = profile->toCsv();
        QCOMPARE(csv,
                 "temperature,humidity,soak,max_wait,band_temperature,band_humidity\r\n"
                 "23.45,0.1,0,599.999,1,0.001\r\n-40,95,3600,1000,1,3\r\n");
        const std::optional<Profile> again = Profile::parse(csv, &error);
        QVERIFY(again && again->points() == profile->points());
    }
    void run_data()
    {
        const Table<QString, QString, QString, QString> row("profile", "done", "script", "events");
        const char *const one = "23/50/0/60";
        const char *const three = "23/50/0/60;33/50/0/60;43/50/0/60";
        row("band: not entered out of it, without humidity or silent; entered at its edge", one, "",
            "0 24.1/50 23/50; 1 23/46.9 23/50; 2 23 23/50; 3 - 23/50; 4 22/47 23/50",
            "0 Start p0; 4 Band; 4 Soaked");
        row("band: not entered by a sweep before the point's", "23/50/0/60;23/50/0/60", "",
            "0-7 23/50 23/50; 8 - 23/50; 9 23/50 23/50",
            "0 Start p0; 0 Band; 0 Soaked; 8 Taken t0 23.00/0.00; 8 Finished; 8 Start p1; "
            "9 Band; 9 Soaked");
        row("soak: the stable wait for its end", "23/50/15/60", "",
            "0-1 20/40 23/50 23.2/50; 2-17 23/50 23/50 23.2/50",
            "0 Start p0; 2 Band; 17 Soaked; 17 Taken t0 23.00/0.00; 17 Taken t1 23.20/0.20; "
            "17 Finished; 17 Done");
        row("gate: one stable, one drifting to max_wait", "23/50/5/30", "",
            "0-30 23/50 23/50 23/50+",
            "0 Start p0; 0 Band; 5 Soaked; 8 Taken t0 23.00/0.00; 30 NotStable t1 25.50/2.50; "
            "30 Finished; 30 Done");
        row("gate: the reference drifting stops all", "23/50/0/20", "", "0-20 23/50+ 23/50",
            "0 Start p0; 0 Band; 0 Soaked; 20 NotStable t0 23.00/-1.50; 20 Finished; 20 Done");
        row("gate: a soak beyond max_wait decides at its end", "23/50/20/10", "",
            "0-20 23/50 23/50 23/50+",
            "0 Start p0; 0 Band; 20 Soaked; 20 Taken t0 23.00/0.00; 20 NotStable t1 24.50/1.50; "
            "20 Finished; 20 Done");
        row("gate at max_wait: silent since the band, without humidity", "23/50/0/1", "",
            "0-1 23/50 - 23",
            "0 Start p0; 0 Band; 0 Soaked; 1 NoAnswer t0; 1 NotStable t1 23.00/0.00; "
            "1 Finished; 1 Done");
        row("set aside after three misses, not two; asked every 10 s", one, "",
            "0-1 23/50 23/50+ -; 2 23/50 23/50+ 23/50; 3-26 23/50 23/50+ -",
            "0 Start p0; 0 Band; 0 Soaked; 5 Aside t1; 15 Probe t1; 25 Probe t1");
        row("set aside: no answer once the rest have the point; taken back",
            "23/50/0/60;23/50/0/60", "",
            "0-3 23/50 23/50 23/50; 4-15 23/50 23/50 -; 16-24 23/50 23/50 23/50",
            "0 Start p0; 0 Band; 0 Soaked; 6 Aside t1; 8 Taken t0 23.00/0.00; "
            "8 NoAnswer t1 23.00/0.00; 8 Finished; 8 Start p1; 8 Band; 8 Soaked; 16 Probe t1; "
            "16 Back t1; 16 Taken t0 23.00/0.00; 24 Taken t1 23.00/0.00; 24 Finished; 24 Done");
        row("set aside, all: max_wait waited out; taken back after it", "23/50/0/20;33/50/0/60", "",
            "0-21 23/50 - -; 22 23/50 23/50 23/50; 23-31 33/50 33/50 33/50",
            "0 Start p0; 0 Band; 0 Soaked; 2 Aside t0; 2 Aside t1; 12 Probe t0; 12 Probe t1; "
            "20 NoAnswer t0; 20 NoAnswer t1; 20 Finished; 20 Start p1; 22 Probe t0; "
            "22 Probe t1; 22 Back t0; 22 Back t1; 23 Band; 23 Soaked; 31 Taken t0 33.00/0.00; "
            "31 Taken t1 33.00/0.00; 31 Finished; 31 Done");
        row("resume: at a point partly taken, kept where taken", three, "0/0 1/0 0/1",
            "0-8 33/50 33/50 33/50",
            "0 Start p1; 0 Band; 0 Soaked; 8 Taken t1 33.00/0.00; 8 Finished; 8 Start p2");
        row("resume: points taken by all skipped to the end", three, "0/1 1/1 0/2 1/2",
            "0-8 23/50 23/50 23/50",
            "0 Start p0; 0 Band; 0 Soaked; 8 Taken t0 23.00/0.00; 8 Taken t1 23.00/0.00; "
            "8 Finished; 8 Done");
        row("resume: every point taken, no one asked", "23/50/0/60;33/50/0/60", "0/0 0/1",
            "0-3 23/50 -", "0 Done");
        row("empty profile", "", "", "0 23/50 23/50", "0 Done");
    }

    void run()
    {
        QFETCH(QString, profile);
        QFETCH(QString, done);
        QFETCH(QString, script);
        QTEST(Script(profile, done, script).play().join("; "), "events");
    }

    // A 2-minute window counts a reading for 6 s at its end: one set aside 3 s after its last is
    // not taken from them.
    void setAsideNotTaken()
    {
        Script run("23/50/0/600", "", "0-110 23/50 23/50 23/50; 111-114 23/50 23/50 -",
                   StationSettings().limits.windowMs);
        QCOMPARE(run.play().mid(3).join("; "),
                 "113 Aside t1; 114 Taken t0 23.00/0.00; 114 NoAnswer t1 23.00/0.00; "
                 "114 Finished; 114 Done");
    }

    // Where the run stands after its script: phase, point, soak left / time left at most (s),
    // whom the next sweep asks.
    void clock_data()
    {
        const Table<QString, QString, QString> row("done", "script", "stands");
        row("reaching: the soak whole, every point at its longest", "", "0-4 20/40 23/50",
            "Reaching p0 20/130 ask 0");
        row("soaking", "", "0-4 20/40 23/50; 5-9 23/50 23/50", "Soaking p0 16/126 ask 0");
        row("taking", "", "0-4 20/40 23/50; 5-30 23/50 23/50+", "Taking p0 0/105 ask 0");
        row("a later point every one has", "0/1", "0-4 20/40 23/50", "Reaching p0 20/100 ask 0");
        row("finished", "0/0 0/1 0/2", "0 23/50 23/50", "Finished p3 0/0 ask");
    }

    void clock()
    {
        QFETCH(QString, done);
        QFETCH(QString, script);
        Script run("23/50/20/60;33/50/5/30;43/50/40/10", done, script);
        run.play();
        const RunLogic &logic = run.logic;
        QStringList asked;
        for (const int t : logic.toAsk(run.endMs))
            asked << QString::number(t);
        QTEST(QString("%1 p%2 %3/%4 ask %5")
                  .arg(Phases[int(logic.phase())])
                  .arg(logic.point())
                  .arg(logic.soakLeftMs(run.endMs) / 1000)
                  .arg(logic.remainingAtMostMs(run.endMs) / 1000)
                  .arg(asked.join(' '))
                  .trimmed(),
              "stands");
    }

    void result_data()
    {
        // Per transmitter, ';' apart: each point's verdict, or "unstable" or "silent".
        const Table<QString, RunLogic::Result> row("points", "result");
        using Result = RunLogic::Result;
        row("every point passed", "pass,pass;pass", Result::Passed);
        row("a conditional pass the worst", "pass;conditional pass,pass", Result::ConditionalPass);
        row("a conditional fail", "conditional pass;conditional fail", Result::Failed);
        row("a fail", "pass;fail", Result::Failed);
        row("not stable", "pass,unstable;pass", Result::Failed);
        row("no answer", "pass;silent", Result::Failed);
        row("nothing taken", "unstable;silent,silent", Result::NothingTaken);
        row("no points", ";", Result::NothingTaken);
    }

    void result()
    {
        QFETCH(QString, points);
        QVector<Check> checks;
        for (const QString &transmitter : points.split(';')) {
            Check check;
            for (const QString &name : transmitter.split(',', Qt::SkipEmptyParts)) {
                CheckPoint point;
                // Quantities that passed: only the outcome fails a point not taken.
                point.outcome = name == "unstable" ? CheckPoint::Outcome::NotStable
                    : name == "silent"             ? CheckPoint::Outcome::NoAnswer
                                                   : CheckPoint::Outcome::Taken;
                for (QuantityPoint &quantity : point.quantities)
                    quantity.verdict = Verdicts::fromName(name).value_or(Verdict::Pass);
                check.points << point;
            }
            checks << check;
        }
        QTEST(RunLogic::result(checks), "result");
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
