// The command line: its options, read schedule, outcomes and output rules in this process, and the
// tr451 program through its exit status, its one line on stderr and its output, against the
// simulated transmitters (on a pseudo-terminal and over TCP), pymodbus, and the check's records.
#include "cli/options.h"
#include "cli/output.h"
#include "cli/referencepoll.h"
#include "cli/session.h"
#include "display/csvrecorder.h"
#include "display/trendfeed.h"
#include "master/schedule.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "protocol/replydecoder.h"
#include "support/programs.h"
#include "support/table.h"
#include "support/testdatabase.h"
#include "support/trendsamples.h"
#include "transmittersimulator.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <unistd.h>

namespace {

// tr451 with the words of arguments, and the simulator's port unless they name one or "noport";
// through sh, where TR451 stands for the program and its words (to redirect its output or limit
// it); whileRunning may act on it as its output grows.
Run run(const TransmitterSimulator &sim, const QString &arguments,
        const std::function<void(QProcess &, const QString &out)> &whileRunning = nullptr,
        QString shell = "exec TR451")
{
    QStringList words = arguments.split(' ', Qt::SkipEmptyParts);
    if (!words.contains("--port") && !words.removeOne("noport"))
        words = QStringList {"--port", sim.portPath()} + words;
    return runProgram(
        "/bin/sh",
        QStringList {"-c", shell.replace("TR451", "\"$0\" \"$@\""), built("cli/tr451")} + words,
        nullptr, whileRunning);
}

// Whether every cell of a table begins where one of its title row's cells begins (cells are two
// spaces or more apart).
bool aligned(const QString &table)
{
    const auto starts = [](const QString &line) {
        QSet<int> at;
        for (auto cell = QRegularExpression("(?<=^|  )\\S").globalMatch(line); cell.hasNext();)
            at.insert(cell.next().capturedStart());
        return at;
    };
    QStringList lines = table.split('\n', Qt::SkipEmptyParts);
    const QSet<int> titles = starts(lines.value(0));
    return lines.size() > 1 && std::all_of(lines.cbegin(), lines.cend(), [&](const QString &line) {
               return titles.contains(starts(line));
           });
}

// The fields of parsed options that the parser's table compares, by name.
QString field(const Cli::Options &o, const QString &name)
{
    QString reference;
    for (const auto &[key, value] : o.stationSettings)
        reference += key + ':' + value + ',';
    return QMap<QString, QString> {
        {"port", o.port},
        {"baud", QString::number(o.bauds.first())}, // the first tried
        {"address", QString::number(o.address)},
        {"retries", QString::number(o.retries)},
        {"interval", QString::number(o.intervalMs)},
        {"range", QString("%1,%2").arg(o.setting.rangeMin).arg(o.setting.rangeMax)},
        {"references", QString("%1,%2").arg(o.references[0]).arg(o.references[1])},
        {"kind", CheckText::kind(o.kind)},
        {"reference", reference},
        {"station", o.stationKey + ':' + o.stationValue}}
        .value(name);
}

} // namespace

Q_DECLARE_METATYPE(Master::Result)
Q_DECLARE_METATYPE(Cli::Output::Flow)
Q_DECLARE_METATYPE(Cli::Status)

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qunsetenv("TR451_PORT"); // the port is the simulator's unless a row names one
        sim = std::make_unique<TransmitterSimulator>();
        sim->setPacing(false);
        sim->setFixedReadings(23.45, 45.67);
        QVERIFY(sim->start(dir.filePath("tty")));
        requests.clear();
        connect(sim.get(), &TransmitterSimulator::requestReceived,
                [this](const QByteArray &request) { requests << request; });
    }

    void parse_data()
    {
        // A command line as a shell passes it (TR451_PORT=... in front sets the variable), and
        // how it is taken: the reason it is refused with (how it begins), or fields as parsed.
        const Table<QString> row("taken");
        row("",
            "no command given; the commands are ports, scan, info, read, set, check, history, "
            "station and run");
        row("frob", "unknown command \"frob\"; the commands");
        row("info --colour", "unknown option --colour; tr451 --help lists them");
        row("scan --count 3", "--count is an option of read only");
        row("history 1 --port p",
            "--port is an option of scan, info, read, set, check and run only");
        row("run --port p", "run takes the profile's file");
        row("run p.csv --port p --baud auto", "--baud: run takes the line's one rate");
        row("run p.csv --port p --retries 1",
            "--retries is an option of scan, info, read, set and check only");
        row("read --count", "--count needs a value");
        row("read --stats=1", "--stats takes no value");
        row("info extra --port p", "info takes no argument \"extra\"");
        row("info --address 248", "--address takes an address from 0");
        row("set address 248", "the new address is between 1 and 247, not \"248\"");
        row("set range 80 -20.5", "the lower range limit 80 is above the upper limit -20.5");
        row("set range abc 20", "the range limit \"abc\" is not");
        row("set baud 300", "the baud rate is one of 1200, 2400, 4800");
        row("scan --addresses 0-5", "--addresses takes addresses");
        row("check --ref-humidity 50", "check needs --kind as-found or as-left");
        row("check --kind as-found --ref-humidity 50",
            "--ref-temperature and --ref-humidity go together");
        row("check --kind as-found --ref-temperature 1 --ref-humidity 2 --reference p",
            "--reference reads the reference that --ref-temperature and --ref-humidity type");
        row("check --kind as-found --reference-humidity 4:2:float32 --reference-dewpoint "
            "4:4:float32",
            "--reference-humidity and --reference-dewpoint: the reference gives one or the other");
        row("check --kind as-found --reference-temperature 4:0:float64",
            "--reference-temperature: the type of a field is int16");
        row("check --kind as-found --reference-baud 300", "--reference-baud takes one of 1200");
        row("check --kind as-fund --ref-temperature 1 --ref-humidity 2",
            "--kind takes as-found or as-left");
        row("check --kind as-left --ref-temperature 1 --ref-humidity 50.125",
            "--ref-humidity takes %RH from 0 to 100, to hundredths at most");
        row("history", "history takes the");
        row("station operator", "station takes a KEY and its VALUE");
        row("info", "no port given: name one with --port or TR451_PORT");
        row("TR451_PORT=tty info", "port=tty retries=2 baud=9600 address=0");
        row("info --port p --baud auto --retries 5 --debug", "port=p retries=5 baud=115200");
        row("scan --port=p", "retries=0 port=p");
        row("read --interval=0 --port p", "interval=0");
        row("set range -20 60.5 --address 2 --port p", "range=-200,605 address=2");
        row("--port p set range -20.5 -5", "range=-205,-50");
        row("read -interval 0 --port p", "interval=0");
        row("station operator -- --Ada", "station=operator:--Ada");
        row("station operator -", "station=operator:-");
        row("check --kind as-left --ref-temperature -5.5 --ref-humidity 50 --port p",
            "kind=as-left references=-5.5,50 reference=");
        row("check --kind as-found --reference tcp://h:1 --reference-address 7 --reference-baud "
            "19200 --reference-temperature 3:0x10:int16:10 --reference-dewpoint 4:0:float32 "
            "--port p",
            "reference=reference-port:tcp://h:1,reference-baud:19200,reference-address:7,"
            "reference-temperature:3:0x10:int16:10,reference-dewpoint:4:0:float32,");
    }

    // The command line is checked whole, before anything is opened or sent: negative numbers
    // are words, an option's value is the word after it whatever it looks like.
    void parse()
    {
        QString arguments = QTest::currentDataTag(), environment;
        if (arguments.startsWith("TR451_PORT=")) {
            environment = arguments.section(' ', 0, 0).section('=', 1);
            arguments = arguments.section(' ', 1);
        }
        const Cli::Parsed parsed =
            Cli::parse(arguments.split(' ', Qt::SkipEmptyParts), environment);
        QFETCH(QString, taken);
        QVERIFY2(parsed.error.isEmpty() || parsed.error.startsWith(taken),
                 qPrintable(parsed.error));
        for (const QString &expected : parsed.error.isEmpty() ? taken.split(' ') : QStringList()) {
            const QString name = expected.section('=', 0, 0);
            QCOMPARE(name + '=' + field(parsed.options, name), expected);
        }
    }

    void schedule_data()
    {
        // The interval, how long each reading takes from its due time, and when the next is due.
        const Table<int, QList<int>, int> row("interval", "takes", "due");
        row("a second apart", 1000, {23, 23, 23}, 3000);
        row("one late moves the rest", 1000, {23, 1500, 23}, 3500);
        row("as fast as the line", 0, {23, 23}, 46);
        // At 9600 bit/s a reading takes 23 ms: an hour of them still takes an hour.
        row("an hour", 1000, QVector<int>(3600, 23).toList(), 3600000);
    }

    void schedule()
    {
        QFETCH(int, interval);
        QFETCH(QList<int>, takes);
        Schedule schedule(0, interval);
        for (const int ms : takes)
            schedule.advance(schedule.due() + ms);
        QTEST(int(schedule.due()), "due");
    }

    void outcomes_data()
    {
        // How a transaction with an address ended, as the run's outcome: the exit status and the
        // one line; and whether the transmitter had its say (rather than the link or the run).
        const Table<Master::Result, int, int, QString, bool> row("result", "address", "status",
                                                                 "line", "heard");
        using R = Master::Result;
        row("answered", R::Answered, 3, 0, "", true);
        row("refused", R::Refused, 3, 5,
            "the transmitter at address 3 at 9600 bit/s refused the request: exception code 2 "
            "(illegal data address)",
            true);
        row("timed out", R::TimedOut, 3, 4,
            "no answer from address 3 at 9600 bit/s after 3 attempts", true);
        row("failed check", R::FailedCheck, 3, 1,
            "the answer from address 3 at 9600 bit/s failed its check", true);
        row("failed check at address 0", R::FailedCheck, 0, 1,
            "the answer from address 0 at 9600 bit/s failed its check; more than one transmitter "
            "may be answering address 0: name one with --address",
            true);
        row("several", R::Several, 0, 1,
            "more than one transmitter answered address 0: name one with --address", false);
        row("link down", R::LinkDown, 3, 1, "the link to tcp://line:4001 dropped", false);
        row("unreachable", R::Unreachable, 3, 3,
            "the link to tcp://line:4001 could not be made again:", false);
        row("port lost", R::PortLost, 3, 1, "the port tcp://line:4001 was lost:", false);
        row("cancelled", R::Cancelled, 3, 130, "", false);
    }

    void outcomes()
    {
        Cli::Options options;
        options.port = "tcp://line:4001";
        options.retries = 2;
        Cli::Session session(options);
        Master::Answer answer;
        QFETCH(Master::Result, result);
        answer.result = result;
        answer.exceptionCode = 2;
        QFETCH(int, address);
        const Cli::Outcome outcome = session.outcomeOf(quint8(address), answer);
        QTEST(Cli::conclude({outcome.status, QString()}), "status");
        QFETCH(QString, line);
        QCOMPARE(Cli::oneLine(outcome), line.isEmpty() ? line : "tr451: " + line + '\n');
        QTEST(Cli::heardFromLine(answer.result), "heard");
    }

    // A driver's text in several lines (libpq's, indented) comes out as one.
    void oneLine()
    {
        QCOMPARE(Cli::oneLine({Cli::Status::Records, "could not connect\n\tIs it running?\r\n"}),
                 "tr451: could not connect Is it running?\n");
    }

    // The reference's readings are kept only when whole, on a line of its own that an interrupt
    // ends too; a log hears once that it stopped answering and once that it answers again, and
    // nothing of an interrupted read.
    void referencePoll()
    {
        QVERIFY(sim->setReference(2, 4));
        Cli::Options options;
        Cli::Session session(options);
        Master *master = nullptr;
        QVERIFY(session.openLine(sim->portPath(), 9600, &master).ok());
        ReferenceMap map;
        map.line = {"line", 9600, 2};
        QString why;
        map.temperature = *RegisterField::parse("4:0:float32", &why);
        map.humidity = *RegisterField::parse("4:2:float32", &why);
        Cli::ReferencePoll reference(*master, map);
        // An empty reading still announced would make the engine take the last one as new.
        QSignalSpy kept(&reference.readings(), &TrendSession::readingAdded);
        QStringList told;
        for (const bool silent : {false, true, true, false, false}) {
            sim->setDeviceSilent(2, silent);
            told << reference.read();
        }
        session.interrupt();
        told << reference.read();
        const QString line = "The reference at address 2 on line ";
        const QString stopped = line + "did not answer; nothing is taken from it until it answers";
        QCOMPARE(told, QStringList({"", stopped, "", line + "answers again", "", ""}));
        QCOMPARE(kept.count(), 3);
    }

    void tables_data()
    {
        const Table<Cli::Output::Flow, QString> row("flow", "written");
        row("a list, to the widest cell", Cli::Output::Flow::List,
            "Name         Value\na long name  -1.5\nb            12345.25\n");
        row("a stream, to the widest value", Cli::Output::Flow::Stream,
            "Name  Value\na long name  -1.5\nb     12345.25\n");
    }

    // A list's table waits for its last record; a stream's is written a record at a time, in
    // columns as wide as the values they can hold (here a value of 8 characters).
    void tables()
    {
        QFETCH(Cli::Output::Flow, flow);
        const QString file = dir.filePath(QTest::currentDataTag());
        Cli::Output out(Cli::Format::Table, {{"name", "Name"}, {"value", "Value", 8}}, flow);
        QVERIFY(out.open(file).ok() && out.header());
        out.record({Cli::text("a long name"), Cli::number(-1.5, 1)});
        out.record({Cli::text("b"), Cli::number(12345.25, 2)});
        QVERIFY(out.close({}).ok());
        QTEST(QString::fromUtf8(contents(file)), "written");
    }

    void closing_data()
    {
        // The run's own outcome, its output's writes having failed, and the run's end.
        const Table<Cli::Status, int> row("outcome", "status");
        row("done", Cli::Status::Done, 1);
        row("no answer", Cli::Status::NoAnswer, 4);
    }

    // A write that failed ends a run that had nothing else to say; what went wrong first is
    // said before it.
    void closing()
    {
        // Qt's own, opening a device to append to.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot call seek"));
        Cli::Output out(Cli::Format::Csv, {{"name", "Name"}});
        QVERIFY(out.open("/dev/full").ok() && !out.header());
        QFETCH(Cli::Status, outcome);
        QTEST(int(out.close({outcome, QString()}).status), "status");
    }

    void endings_data()
    {
        // A command, where its output goes (through sh), and how the run ends: the exit status
        // and how stderr begins, all of it one line.
        const Table<QString, QString, int, QString> row("arguments", "sink", "status", "error");
        const QString full = "tr451: cannot write standard output: No space left on device\n";
        for (const QString command :
             {"read --count 1", "info", "scan --addresses 1-2 --bauds 9600", "ports noport",
              "history 261206033415 noport", "station noport"}) {
            row(command + ", disk full", command, "exec TR451 >/dev/full", 1, full);
            row(command + ", reader gone (| head)", command, "exec TR451 >&PIPE", 0, QString());
        }
    }

    // What only the program shows: its exit status, its one line, and nothing sent after bad
    // usage. Output that cannot be written is a failure; a reader that has gone (a closed pipe)
    // ends a run quietly, as | head expects.
    void endings()
    {
        int pipe[2];
        QVERIFY(::pipe(pipe) == 0);
        ::close(pipe[0]); // the reader has gone before the first write
        QFETCH(QString, arguments);
        QFETCH(QString, sink);
        const Run result =
            run(*sim, arguments, nullptr, sink.replace("PIPE", QString::number(pipe[1])));
        ::close(pipe[1]);
        QTEST(result.status, "status");
        QFETCH(QString, error);
        QVERIFY2(result.err.startsWith(error) && result.err.count('\n') == !error.isEmpty(),
                 qPrintable(result.err));
        QVERIFY(result.status != 2 || requests.isEmpty());
    }

    // A file that fails part of the way through a row (a file size limit) keeps whole rows.
    void cutBack()
    {
        const QString file = dir.filePath("limited.csv");
        const Run result = run(*sim, "read --interval 0 --count 50 --output " + file, nullptr,
                               "ulimit -f 1; exec TR451");
        QCOMPARE(result.status, 1);
        QCOMPARE(result.err,
                 "tr451: cannot write " + file
                     + ": File too large; the row it failed in was taken back, the file ends "
                       "with whole rows\n");
        const QByteArray kept = contents(file);
        QVERIFY2(kept.size() > Csv::header().size() && kept.endsWith("\r\n"), kept);
        for (const QByteArray &row : kept.split('\n').mid(1, kept.count('\n') - 1))
            QCOMPARE(row.count(','), Csv::header().count(','));
    }

    // Every address of the range at every rate of the list, never address 0; progress on stderr.
    // A transmitter whose output block read is lost is listed without it, and the scan goes on.
    void scan()
    {
        sim->setDevices({{1, 6}, {2, 4}, {17, 4}});
        const QByteArray outputsOf2 =
            Modbus::readRequest(2, Registers::OutputBlockFirst, Registers::OutputBlockCount);
        connect(sim.get(), &TransmitterSimulator::requestReceived, [&](const QByteArray &request) {
            TransmitterSimulator::Faults faults;
            faults.silent = request == outputsOf2;
            sim->setFaults(faults);
        });
        const Run result = run(*sim, "scan --addresses 1-20 --bauds 115200,9600 --timeout 20");
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out,
                 QString("Address,Baud rate,Serial number,Range min (\u2103),Range max "
                         "(\u2103),Channels,Output\r\n"
                         "1,115200,261206033415,-40.0,125.0,1,Temperature\r\n"
                         "2,9600,261206033416,-40.0,125.0,1,\r\n"
                         "17,9600,261206033417,-40.0,125.0,1,Temperature\r\n"));
        QCOMPARE(result.err,
                 QString("Scanning 20 addresses at 115200 bit/s\n"
                         "Scanning 20 addresses at 9600 bit/s\n"));
        QCOMPARE(requests.size(), 2 * 20 + 3);
        QVERIFY(std::none_of(requests.cbegin(), requests.cend(),
                             [](const QByteArray &request) { return request.at(0) == 0; }));
    }

    // CSV exactly as the window records (header, columns, numbers), a row each interval; JSON a
    // reading a line, with the outputs over the transmitter's range; a file is appended to.
    void read()
    {
        const Run csv = run(*sim, "read --count 3 --interval 100 --stats");
        QCOMPARE(csv.err,
                 QString("requests sent 4, answered 4, timed out 0, failed check 0, "
                         "exception replies 0, not sent 0, reconnects 0, readings missed 0\n"));
        QStringList rows = csv.out.split("\r\n");
        QCOMPARE(rows.takeFirst() + "\r\n", QString::fromUtf8(Csv::header()));
        QVERIFY(rows.size() == 4 && rows.takeLast().isEmpty());
        const QVector<quint16> registers {sim->registerValue(0), sim->registerValue(1),
                                          sim->registerValue(2), 0};
        TrendReading expected = TrendFeed::fromReply(
            ReplyDecoder::decode(0, Modbus::readReply(1, registers), 8), 1, "261206033415");
        for (const QString &row : rows) {
            expected.time = QDateTime::fromString(row.section(',', 0, 0), Qt::ISODateWithMs);
            QCOMPARE(row + "\r\n", QString::fromUtf8(Csv::row(expected)));
        }

        // Temperature over the transmitter's range (-20.0 to 125.0 here), humidity over 0-100 %.
        sim->setRegisterValue(0x0107, quint16(-200));
        QStringList lines;
        for (const QString what : {"all", "humidity"})
            lines << run(*sim, "read --count 1 --scale 10 --format json --what " + what).out;
        const QJsonObject all = QJsonDocument::fromJson(lines.at(0).toUtf8()).object();
        const QJsonObject humidity = QJsonDocument::fromJson(lines.at(1).toUtf8()).object();
        QVERIFY(lines.at(0).endsWith("}\n") && lines.at(0).count('\n') == 1);
        QCOMPARE(all.value("temperature").toDouble(), 23.5);
        QCOMPARE(all.value("temperature_mA").toDouble(), 8.8);
        QCOMPARE(all.value("humidity_0_5V").toDouble(), 2.285);
        QVERIFY(all.value("scale") == "*10" && all.value("status") == 0);
        QCOMPARE(humidity.value("humidity_mA").toDouble(), 11.312);
        QVERIFY(humidity.value("temperature").isNull() && humidity.value("status").isNull());
        const QString file = dir.filePath("hour.csv");
        for (int i = 0; i < 2; ++i)
            QCOMPARE(run(*sim, "read --count 1 --output " + file).out, QString());
        const QByteArray recorded = contents(file);
        QCOMPARE(recorded.count(Csv::header()), 1);
        QCOMPARE(recorded.size(), Csv::header().size() + 2 * rows.first().toUtf8().size() + 4);

        // A table streamed in columns that hold any output: the lowest reading over a tenth of a
        // degree at the top of the range.
        sim->setFixedReadings(-400, 45.67);
        QVERIFY(sim->setRegisterValue(0x0107, 32766) && sim->setRegisterValue(0x0108, 32767));
        const QString table = run(*sim, "read --count 2 --interval 0 --format table").out;
        QVERIFY2(aligned(table) && table.contains(" -577526.813 "), qPrintable(table));
    }

    // The rate auto finds, fastest first; the same line over TCP, as a table; the ports. Against
    // pymodbus, which lacks the output block: info is refused, a scan lists it without its output
    // data.
    void info()
    {
        QVERIFY(sim->listenTcp(0) && sim->setRegisterValue(0x0101, 5));
        const Run json = run(*sim, "info --baud auto --format json");
        QCOMPARE(
            json.out,
            QString("{\"address\":1,\"baud_rate\":19200,\"channels\":1,\"output\":\"Temperature\","
                    "\"range_max\":125,\"range_min\":-40,\"serial_number\":\"261206033415\"}\n"));
        const QString tcp = QString("tcp://127.0.0.1:%1").arg(sim->tcpPort());
        QCOMPARE(
            run(*sim, "info --format table --port " + tcp).out,
            QString("Address  Baud rate  Serial number  Range min (\u2103)  Range max (\u2103)  "
                    "Channels  Output\n"
                    "1        9600       261206033415   -40.0          125.0          1         "
                    "Temperature\n"));
        QVERIFY(run(*sim, "ports noport").out.startsWith("Port,Description,USB,Serial number\r\n"));

        Program peer;
        const QString port = servePymodbus(peer);
        if (port.isEmpty())
            QSKIP("python3-pymodbus and python3-serial-asyncio are not installed");
        const QString pymodbus = " --port tcp://127.0.0.1:" + port;
        const Run refused = run(*sim, "info" + pymodbus);
        QVERIFY2(refused.status == 5
                     && refused.err.contains(" refused the request: exception code 2 "),
                 qPrintable(refused.err));
        const Run scan = run(*sim, "scan --addresses 1 --bauds 9600" + pymodbus);
        QVERIFY2(scan.status == 0
                     && scan.out.endsWith("\r\n1,9600,261206033415,-40.0,125.0,1,\r\n"),
                 qPrintable(scan.out + scan.err));
    }

    void set_data()
    {
        // The line's transmitters (all at 9600 bit/s), whether they echo writes but keep nothing;
        // what is said (stdout when done, else stderr); after: address@code, range and heater.
        const Table<QString, bool, QString, int, QString, QString, int> row(
            "addresses", "forgetful", "arguments", "status", "said", "state", "requests");
        const QString kept = " -400,1250 0";
        const QString done = "The transmitter at address ";
        row("address", "1,2", false, "set address 5 --address 2", 0, done + "2 now has address 5\n",
            "1@4 5@4" + kept, 6);
        row("address taken", "1,2", false, "set address 2 --address 1", 1,
            "tr451: address 2 is taken: the transmitter 261206033416 answers it; nothing was "
            "written\n",
            "1@4 2@4" + kept, 2);
        row("own address", "1", false, "set address 1 --address 1", 0,
            done + "1 now has address 1\n", "1@4" + kept, 3);
        row("baud", "1,2", false, "set baud 19200 --address 2", 0,
            done + "2 now answers at 19200 bit/s\n", "1@4 2@5" + kept, 3);
        row("range", "1,2", false, "set range -20 60.5 --address 1", 0,
            done + "1 now has the range -20.0 to 60.5 \u2103\n", "1@4 2@4 -200,605 0", 3);
        row("heater, alone at address 0", "1", false, "set heater on", 0,
            "The heater of the transmitter at address 1 is now on\n", "1@4 -400,1250 1", 2);
        row("address not kept", "1", true, "set address 5 --retries 0", 4,
            "tr451: no answer from address 5 at 9600 bit/s after 1 attempts\n", "1@4" + kept, 4);
        row("baud not kept", "1", true, "set baud 19200 --retries 0", 4,
            "tr451: no answer from address 1 at 19200 bit/s after 1 attempts\n", "1@4" + kept, 3);
        row("range not kept", "1", true, "set range -20 60", 1,
            "tr451: the transmitter did not keep the new range: it reads back -40.0 to 125.0\n",
            "1@4" + kept, 3);
    }

    // Each write goes to the transmitter's own address, never to address 0, and (but for the
    // heater) is read back, after a new rate at that rate. A new address is asked first: one
    // that answers is taken, and nothing is written.
    void set()
    {
        QFETCH(QString, addresses);
        QFETCH(int, status);
        QList<TransmitterModel::LineSettings> devices;
        for (const QString &address : addresses.split(','))
            devices.append({quint8(address.toInt()), 4});
        sim->setDevices(devices);
        const QByteArray factory = sim->saveState();
        QFETCH(bool, forgetful);
        if (forgetful) {
            connect(sim.get(), &TransmitterSimulator::registersWritten,
                    [&] { sim->restoreState(factory); });
        }
        QFETCH(QString, arguments);
        const Run result = run(*sim, arguments);
        QCOMPARE(result.status, status);
        QTEST(status == 0 ? result.out : result.err, "said");
        QStringList state;
        for (const TransmitterModel::LineSettings &device : sim->devices())
            state << QString("%1@%2").arg(device.address).arg(device.baudCode);
        state << QString("%1,%2")
                     .arg(qint16(sim->registerValue(0x0107)))
                     .arg(qint16(sim->registerValue(0x0108)))
              << QString::number(sim->registerValue(0x0109));
        QTEST(state.join(' '), "state");
        QTEST(int(requests.size()), "requests");
        for (const QByteArray &request : qAsConst(requests))
            QVERIFY(request.at(0) != 0 || request.at(1) == Modbus::ReadRegisters);
    }

    void interrupted_data()
    {
        const Table<QString, QString, int, QString> row("arguments", "how", "status", "error");
        const QString reading = "read --interval 50";
        row("Ctrl+C while reading", reading, "SIGINT", 130, "");
        row("SIGTERM while reading", reading, "SIGTERM", 130, "");
        row("port vanishes while reading", reading, "vanish", 1, "tr451: the port PORT was lost: ");
        row("Ctrl+C while scanning", "scan --bauds 9600 --timeout 50", "SIGINT", 130,
            "Scanning 247 addresses at 9600 bit/s\n");
    }

    // Interrupted or losing its port once two records are out, a run ends at once, records whole.
    void interrupted()
    {
        QFETCH(QString, how);
        QFETCH(QString, arguments);
        bool acted = false;
        const Run result = run(*sim, arguments, [&](QProcess &tr451, const QString &out) {
            if (acted || out.count("\r\n") < 2)
                return;
            acted = true;
            if (how == "vanish")
                sim->removeAdapter();
            else
                ::kill(pid_t(tr451.processId()), how == "SIGINT" ? SIGINT : SIGTERM);
        });
        QTEST(result.status, "status");
        QFETCH(QString, error);
        error.replace("PORT", sim->portPath());
        QVERIFY2(error.isEmpty() ? result.err.isEmpty() : result.err.startsWith(error),
                 qPrintable(result.err));
        const QStringList lines = result.out.split("\r\n");
        QVERIFY(lines.size() >= 3 && lines.last().isEmpty());
        for (const QString &line : lines.mid(1, lines.size() - 2))
            QCOMPARE(line.count(','), lines.first().count(','));
    }

    void check_data()
    {
        // The records (empty: a file of the row's own), the station's settings besides its
        // reference's traceability and loose stability limits (where PTY is the line's own
        // pseudo-terminal and PEER pymodbus's reference), the transmitter's bias in degrees; the
        // command; its exit status, what stderr says, how stdout ends, fields of its CSV, and
        // the check the records list (kind to result).
        const Table<QString, QString, double, QString, int, QString, QString, QString, QString> row(
            "database", "station", "bias", "arguments", "status", "said", "ends", "fields",
            "history");
        const QString check = "check --baud 115200 --window 5 --kind as-found";
        const QString typed = check + " --ref-humidity 75 --ref-temperature ";
        const QString met = "temperature met, humidity met\n";
        const QString bothMet = "temperature met, humidity met; reference " + met;
        const QString onLine =
            "reference/port=PTY;reference/address=2;reference/temperature="
            "4:0:float32;reference/humidity=4:2:float32;decision/rule=non-binary;"
            "uncertainty/reference/temperature=0.2";
        row("records out of reach", "postgresql://127.0.0.1:1/records", "", 0, typed + "30", 8,
            "tr451: The records database postgresql://127.0.0.1:1/records cannot be reached", "",
            "", "");
        row("stable, a degree off", "", "", 0, typed + "31 --certificate", 6, met, ",simple,fail",
            "Temperature reference (\u2103)=31.000;Humidity reference (%RH)=75.000",
            "as-found,Bench 3,,1,fail");
        row("not stable in time", "", "", 0, typed + "30 --wait-stable 3", 7,
            "tr451: the readings were not stable within 3 s; nothing was stored\n", "", "", "");
        row("neither typed nor read", "", "", 0, check, 2,
            "tr451: check needs the reference: its values typed", "", "", "");
        row("read, without its fields", "", "reference/port=PTY", 0, check, 2,
            "tr451: the reference on PTY is read by its fields", "", "", "");
        row("read on a port that is not there", "", onLine, 0, check + " --reference /no/tty", 3,
            "tr451: cannot open /no/tty", "", "", "");
        row("read on the line, conditional pass, as a table", "", onLine, 0.2,
            check + " --format table", 9, bothMet, "non-binary  conditional pass", "",
            "as-found,Bench 3,,1,conditional pass");
        row("read on the line, conditional fail", "", onLine, 0.4, check, 6, bothMet,
            ",non-binary,conditional fail",
            "Temperature result=conditional fail;Humidity result=pass",
            "as-found,Bench 3,,1,conditional fail");
        row("read as dew point, the options over the station", "", onLine, 0,
            check + " --reference-dewpoint 4:4:float32", 0, bothMet, ",non-binary,pass", "",
            "as-found,Bench 3,,1,pass");
        row("a reference that does not answer", "", onLine, 0,
            check + " --reference-address 3 --wait-stable 3", 7,
            "The reference at address 3 on PTY did not answer; nothing is taken from it until it "
            "answers\n",
            "", "", "");
        row("pymodbus's reference on a port of its own", "",
            "reference/port=PEER;reference/address=5;reference/temperature=4:0:float32;"
            "reference/humidity=4:2:float32;uncertainty/reference/temperature=0.1;"
            "uncertainty/reference/humidity=1",
            0, check, 0, bothMet, ",simple,pass",
            "Temperature reference (\u2103)=23.400;Temperature error (\u2103)=0.050;Temperature U "
            "(\u2103)=0.101;Temperature k=2;Humidity U (%RH)=1.001",
            "as-found,Bench 3,,1,pass");
    }

    // A point from a script as the window takes it, against a transmitter settling in a chamber
    // and a reference typed or read in the same cycle (the simulator's on the transmitter's line,
    // by another name of its port; pymodbus's, fixed as the transmitter then is, over TCP): the
    // station's remembered settings with the options' over them, the decision by its rule, the
    // point stored and listed by history, nothing stored when not stable in time; the
    // certificate. A failure is the one last line on stderr.
    void check()
    {
        const QString home = dir.filePath(QTest::currentDataTag());
        qputenv("XDG_CONFIG_HOME", home.toUtf8());
        QFETCH(QString, station);
        Program peer;
        if (station.contains("PEER")) {
            const QString port = servePymodbus(peer, {"5", "23.4", "46.5"});
            if (port.isEmpty())
                QSKIP("python3-pymodbus and python3-serial-asyncio are not installed");
            station.replace("PEER", "tcp://127.0.0.1:" + port);
        } else {
            sim->setSettling(30, 75, 0.5);
        }
        const auto ours = [this](QString text) { return text.replace("PTY", sim->ptyPath()); };
        QSettings settings(home + "/tr451-test-tools/station.ini", QSettings::IniFormat);
        const QString common = "stability/drift/temperature=1;stability/drift/humidity=5;"
                               "station=Bench 3;reference/instrument=Hygrometer;"
                               "reference/certificate=C-17;reference/due=2099-12-31;";
        for (const QString &setting : (common + ours(station)).split(';', Qt::SkipEmptyParts))
            settings.setValue(setting.section('=', 0, 0), setting.section('=', 1));
        settings.sync();
        QFETCH(QString, database);
        qputenv("TR451_DATABASE", (database.isEmpty() ? home + ".sqlite" : database).toUtf8());
        sim->setDevices({{1, 6}});
        QVERIFY(sim->setReference(2, 6));
        QFETCH(double, bias);
        sim->setBias(1, bias, 0);
        QFETCH(QString, arguments);
        const QString certificate = dir.filePath("check.pdf");
        const Run result =
            run(*sim, QString(arguments).replace("--certificate", "--certificate " + certificate));
        QTEST(result.status, "status");
        QFETCH(QString, said);
        QVERIFY2(result.err.contains(ours(said))
                     && result.err.section("tr451:", 1).count('\n') <= 1,
                 qPrintable(result.err));
        QVERIFY(result.status != 2 || requests.isEmpty());
        QFETCH(QString, ends);
        QVERIFY2(ends.isEmpty() ? result.out.isEmpty() : result.out.trimmed().endsWith(ends),
                 qPrintable(result.out));
        // Printed to thousandths, the error is the mean less the reference as printed.
        const QStringList csv = result.out.split("\r\n");
        const auto field = [&csv](const QString &title) {
            return csv.value(1).split(',').value(csv.first().split(',').indexOf(title));
        };
        for (const QString quantity : {"Temperature %1 (\u2103)", "Humidity %1 (%RH)"}) {
            const double error = field(quantity.arg("mean")).toDouble()
                - field(quantity.arg("reference")).toDouble();
            QVERIFY(csv.size() != 3
                    || field(quantity.arg("error")) == QString::number(error, 'f', 3));
        }
        QFETCH(QString, fields);
        for (const QString &expected : fields.split(';', Qt::SkipEmptyParts))
            QCOMPARE(expected.section('=', 0, 0) + '=' + field(expected.section('=', 0, 0)),
                     expected);
        QVERIFY(!arguments.contains("--format table") || aligned(result.out));
        QStringList listed = run(*sim, "history 261206033415 noport").out.split("\r\n").mid(1);
        for (QString &check : listed)
            check = check.section(',', 1);
        QFETCH(QString, history);
        QCOMPARE(listed.join(' ').trimmed(), history);

        if (!arguments.contains("--certificate"))
            return;
        const Run text = runProgram("pdftotext", {certificate, "-"});
        if (text.status < 0)
            QSKIP("pdftotext (Debian: poppler-utils) is not installed");
        QVERIFY2(text.out.contains("261206033415") && text.out.contains("Overall result: Fail"),
                 qPrintable(text.out));
    }

    void station_data()
    {
        // In turn on one station: a command, its exit status, and what it says (on stdout when
        // done, else stderr: how it begins). A refusal changes nothing.
        const Table<QString, int, QString> row("arguments", "status", "said");
        row("set", "station reference Hygrometer", 0, "reference is now \"Hygrometer\"\n");
        row("shown", "station", 0,
            "Key,Value\r\noperator,\r\nstation,\r\nreference,Hygrometer\r\n");
        row("bad key", "station colour red", 2, "tr451: unknown setting \"colour\"; the settings");
        row("bad value", "station reference-due soon", 2,
            "tr451: reference-due takes a date as YYYY-MM-DD\n");
        const QString check =
            "check --kind as-found --ref-temperature 20 --ref-humidity 50 --certificate c.pdf";
        row("check without a due date", check, 2,
            "tr451: A certificate needs the number of the reference's certificate, the reference's "
            "calibration due date, which the station settings lack. tr451 station KEY VALUE sets "
            "them: reference, reference-certificate, "
            "reference-due (YYYY-MM-DD).\n");
        row("check, debug", check + " --debug", 2,
            "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to");
    }

    // The station's settings shown and set by a script, and a check refused before anything is
    // opened while they lack its reference's traceability. Qt's own warnings (Gui's, without
    // XDG_RUNTIME_DIR) are its debug output, not beside the one line.
    void station()
    {
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_CONFIG_HOME", dir.filePath("station").toUtf8());
        const QString records = dir.filePath("station.sqlite");
        qputenv("TR451_DATABASE", records.toUtf8());
        const QString settings = dir.filePath("station/tr451-test-tools/station.ini");
        const QByteArray before = contents(settings);
        QFETCH(QString, arguments);
        const Run result =
            run(*sim, arguments.contains("check") ? arguments : arguments + " noport");
        QTEST(result.status, "status");
        QFETCH(QString, said);
        const QString &text = result.status == 0 ? result.out : result.err;
        QVERIFY2(text.startsWith(said) || text.endsWith(said), qPrintable(text));
        QCOMPARE(contents(settings) == before, result.status != 0 || arguments == "station");
        QVERIFY(requests.isEmpty() && !QFile::exists(records));
    }

    // A serial device server that restarts while readings stream: the readings due in the gap
    // are missed, never invented, and counted; the run goes on at the next due time.
    void linkDropped()
    {
        QVERIFY(sim->listenTcp(0));
        const quint16 port = sim->tcpPort();
        bool dropped = false;
        const Run result = run(
            *sim,
            QString("read --interval 100 --count 30 --stats --port tcp://127.0.0.1:%1").arg(port),
            [&](QProcess &, const QString &out) {
                if (dropped || out.count("\r\n") < 4)
                    return;
                dropped = true;
                sim->closeTcp();
                QTimer::singleShot(500, sim.get(), [this, port] { sim->listenTcp(port); });
            });
        const int rows = result.out.count("\r\n") - 1;
        const int missed = result.err.section("readings missed ", 1).trimmed().toInt();
        QVERIFY2(result.status == 0 && missed > 0 && rows > 3 && rows + missed == 30,
                 qPrintable(result.err));
    }

private:
    QTemporaryDir dir;
    std::unique_ptr<TransmitterSimulator> sim;
    QByteArrayList requests;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
