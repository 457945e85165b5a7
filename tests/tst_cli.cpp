// The tr451 program through its exit status and output, against the simulated transmitters (on a
// pseudo-terminal and over TCP) and pymodbus, and with the calibration check's records.
#include "display/csvrecorder.h"
#include "display/trendfeed.h"
#include "protocol/frame.h"
#include "protocol/replydecoder.h"
#include "support/trendsamples.h"
#include "transmittersimulator.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <csignal>

namespace {

struct Run
{
    int status = -1;
    QString out, err;
};

QString program()
{
    return QCoreApplication::applicationDirPath() + "/../cli/tr451";
}

// Runs a real event loop until process ends (false after 30 s): the simulator must answer at
// once, not between sleeps.
bool finish(QProcess &process)
{
    QEventLoop loop;
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return process.state() == QProcess::NotRunning;
}

// tr451 with the words of arguments, and the simulator's port unless they name one or "noport";
// whileRunning may act on it as its output grows.
Run run(const TransmitterSimulator &sim, const QString &arguments,
        const std::function<void(QProcess &, const QString &out)> &whileRunning = nullptr)
{
    QStringList words = arguments.split(' ', Qt::SkipEmptyParts);
    if (!words.contains("--port") && !words.removeOne("noport"))
        words = QStringList {"--port", sim.portPath()} + words;
    QProcess tr451;
    QString out;
    QObject::connect(&tr451, &QProcess::readyReadStandardOutput, [&] {
        out += QString::fromUtf8(tr451.readAllStandardOutput());
        if (whileRunning)
            whileRunning(tr451, out);
    });
    tr451.start(program(), words);
    if (!finish(tr451))
        return {};
    out += QString::fromUtf8(tr451.readAllStandardOutput());
    return {tr451.exitCode(), out, QString::fromUtf8(tr451.readAllStandardError())};
}

} // namespace

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

    void refused_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error"); // how stderr begins
        const auto row = [](const QString &arguments, const QString &error, int status = 2) {
            QTest::addRow("%s", qPrintable(arguments)) << arguments << status << error;
        };
        row("", "no command given; the commands are ports, scan");
        row("frob", "unknown command \"frob\"; the commands");
        row("info --colour", "unknown option --colour");
        row("scan --count 3", "--count is an option of read");
        row("read --count", "--count needs a value");
        row("info --address 248", "--address takes an address from 0");
        row("read --address=abc", "--address takes an address from 0");
        for (const QString bad : {"0", "248", "abc"})
            row("set address " + bad, "the new address is between 1 and 247, not \"" + bad + '"');
        row("set range 80 -20.5", "the lower range limit 80 is above the upper limit -20.5");
        row("set range abc 20", "the range limit \"abc\" is not");
        row("set baud 300", "the baud rate is one of 1200, 2400, 4800");
        row("scan --addresses 0-5", "--addresses takes addresses");
        row("check --kind as-found --ref-humidity 50", "check needs --kind, --ref-temperature and");
        row("check --kind as-fund --ref-temperature 1 --ref-humidity 2",
            "--kind takes as-found or as-left");
        row("check --kind as-left --ref-temperature 1 --ref-humidity 50.125",
            "--ref-humidity takes %RH from 0 to 100, to hundredths at most");
        row("history noport", "history takes the");
        row("info noport", "no port given: name one with --port or");
        row("info --port /no/tty", "cannot open /no/tty: ", 3);
        row("info --address 9", "no answer from address 9 at 9600 bit/s after 3 attempts", 4);
    }

    // Nothing is sent after refused input; each failure is one line on stderr.
    void refused()
    {
        QFETCH(QString, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);
        const Run result = run(*sim, arguments);
        QCOMPARE(result.status, status);
        QVERIFY2(result.err.startsWith("tr451: " + error) && result.err.count('\n') == 1,
                 qPrintable(result.err));
        QCOMPARE(requests.size(), status == 4 ? 3 : 0);
    }

    // Every address of the range at every rate of the list, never address 0; progress on stderr.
    void scan()
    {
        sim->setDevices({{1, 6}, {2, 4}, {17, 4}});
        const Run result = run(*sim, "scan --addresses 1-20 --bauds 115200,9600 --timeout 20");
        QCOMPARE(result.status, 0);
        QCOMPARE(result.out,
                 QString("Address,Baud rate,Serial number,Range min (\u2103),Range max "
                         "(\u2103),Channels,Output\r\n"
                         "1,115200,261206033415,-40.0,125.0,1,Temperature\r\n"
                         "2,9600,261206033416,-40.0,125.0,1,Temperature\r\n"
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
                         "exception replies 0\n"));
        QStringList rows = csv.out.split("\r\n");
        QCOMPARE(rows.takeFirst() + "\r\n", QString::fromUtf8(Csv::header()));
        QVERIFY(rows.size() == 4 && rows.takeLast().isEmpty());
        const QVector<quint16> registers {sim->registerValue(0), sim->registerValue(1),
                                          sim->registerValue(2), 0};
        TrendReading expected = TrendFeed::fromReply(
            ReplyDecoder::decode(0, Modbus::readReply(1, registers), 8), 1, "261206033415");
        QDateTime previous;
        for (const QString &row : rows) {
            expected.time = QDateTime::fromString(row.section(',', 0, 0), Qt::ISODateWithMs);
            QCOMPARE(row + "\r\n", QString::fromUtf8(Csv::row(expected)));
            QVERIFY(previous.isNull() || previous.msecsTo(expected.time) >= 90);
            previous = expected.time;
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
    }

    // The rate auto finds, fastest first; the same line over TCP, as a table; a transmitter that
    // refuses a request (pymodbus, which lacks the output block); the ports.
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

        QProcess peer;
        if (QProcess::execute("/usr/bin/python3", {"-c", "import pymodbus.server"}) != 0)
            QSKIP("python3-pymodbus and python3-serial-asyncio are not installed");
        peer.start("/usr/bin/python3", {RTU_TCP_PEER});
        QVERIFY(peer.waitForReadyRead(10000));
        const Run refused = run(*sim, "info --port tcp://127.0.0.1:" + peer.readLine().trimmed());
        QCOMPARE(refused.status, 5);
        QCOMPARE(refused.err,
                 QString("tr451: the transmitter at address 1 at 9600 bit/s refused the "
                         "request: exception code 2 (illegal data address)\n"));
        peer.kill();
        peer.waitForFinished();
    }

    void set_data()
    {
        // The line's transmitters (all at 9600 bit/s), whether they echo writes but keep nothing;
        // what is said (stdout when done, else stderr); after: address@code, range and heater.
        QTest::addColumn<QString>("addresses");
        QTest::addColumn<bool>("forgetful");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("state");
        const auto row = [](const char *name, const char *addresses, bool forgetful,
                            const char *arguments, int status, const QString &said,
                            const QString &state) {
            QTest::newRow(name) << QString(addresses) << forgetful << QString(arguments) << status
                                << said << state;
        };
        const QString kept = " -400,1250 0";
        const QString done = "The transmitter at address ";
        row("address", "1,2", false, "set address 5 --address 2", 0, done + "2 now has address 5\n",
            "1@4 5@4" + kept);
        row("baud", "1,2", false, "set baud 19200 --address 2", 0,
            done + "2 now answers at 19200 bit/s\n", "1@4 2@5" + kept);
        row("range", "1,2", false, "set range -20 60.5 --address 1", 0,
            done + "1 now has the range -20.0 to 60.5 \u2103\n", "1@4 2@4 -200,605 0");
        row("heater, alone at address 0", "1", false, "set heater on", 0,
            "The heater of the transmitter at address 1 is now on\n", "1@4 -400,1250 1");
        row("several at address 0", "1,2", false, "set heater on", 1,
            "tr451: the answer from address 0 at 9600 bit/s failed its check; more than one "
            "transmitter may be answering address 0: name one with --address\n",
            "1@4 2@4" + kept);
        row("address not kept", "1", true, "set address 5 --retries 0", 4,
            "tr451: no answer from address 5 at 9600 bit/s after 1 attempts\n", "1@4" + kept);
        row("baud not kept", "1", true, "set baud 19200 --retries 0", 4,
            "tr451: no answer from address 1 at 19200 bit/s after 1 attempts\n", "1@4" + kept);
        row("range not kept", "1", true, "set range -20 60", 1,
            "tr451: the transmitter did not keep the new range: it reads back -40.0 to 125.0\n",
            "1@4" + kept);
    }

    // Each write goes to the transmitter's own address, never to address 0, and (but for the
    // heater) is read back, after a new rate at that rate.
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
        for (const QByteArray &request : qAsConst(requests))
            QVERIFY(request.at(0) != 0 || request.at(1) == Modbus::ReadRegisters);
    }

    void interrupted_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QString reading = "read --interval 50";
        QTest::newRow("Ctrl+C while reading") << reading << "SIGINT" << 130 << QString();
        QTest::newRow("SIGTERM while reading") << reading << "SIGTERM" << 130 << QString();
        QTest::newRow("port vanishes while reading")
            << reading << "vanish" << 1 << "tr451: the port PORT was lost: ";
        QTest::newRow("Ctrl+C while scanning")
            << "scan --bauds 9600 --timeout 50"
            << "SIGINT" << 130 << "Scanning 247 addresses at 9600 bit/s\n";
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

    // A reader that has had enough (| head) ends the run, every line it read whole.
    void closedPipe()
    {
        QProcess tr451, head;
        tr451.setStandardOutputProcess(&head);
        tr451.start(program(), {"read", "--interval", "0", "--port", sim->portPath()});
        head.start("head", {"-n", "3"});
        QVERIFY(finish(tr451) && finish(head));
        QCOMPARE(tr451.exitCode(), 0);
        const QByteArray lines = head.readAllStandardOutput();
        QVERIFY(lines.count("\r\n") == 3 && lines.endsWith("\r\n"));
    }

    void check_data()
    {
        QTest::addColumn<QString>("database"); // empty: a file of this run's own
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said"); // on stderr
        QTest::addColumn<QString>("history"); // kind to result of each check, newest first
        const QString check = "check --baud 115200 --window 5 --ref-humidity 75 --kind ";
        const QString met = "temperature met, humidity met\n";
        QTest::newRow("records out of reach")
            << "postgresql://127.0.0.1:1/records" << check + "as-found --ref-temperature 30" << 8
            << "tr451: The records database postgresql://127.0.0.1:1/records cannot be reached"
            << "";
        QTest::newRow("stable, within tolerance")
            << "" << check + "as-found --ref-temperature 30" << 0 << met << "as-found,,,1,pass";
        QTest::newRow("stable, a degree off")
            << "" << check + "as-left --ref-temperature 31 --certificate" << 6 << met
            << "as-left,,,1,fail as-found,,,1,pass";
        QTest::newRow("not stable in time")
            << "" << check + "as-left --ref-temperature 30 --wait-stable 3" << 7
            << "tr451: the readings were not stable within 3 s; nothing was stored\n"
            << "as-left,,,1,fail as-found,,,1,pass";
    }

    // A point from a script as the window takes it, against a transmitter settling in a chamber:
    // the station's remembered limits (loose, for a short window), the point stored in the same
    // records and listed by history, nothing stored when not stable in time; the certificate.
    void check()
    {
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        QSettings station(dir.filePath("tr451-test-tools/station.ini"), QSettings::IniFormat);
        station.setValue("stability/drift/temperature", 1);
        station.setValue("stability/drift/humidity", 5);
        station.sync();
        QFETCH(QString, database);
        qputenv("TR451_DATABASE",
                (database.isEmpty() ? dir.filePath("records.sqlite") : database).toUtf8());
        sim->setDevices({{1, 6}});
        sim->setSettling(30, 75, 0.5);
        QFETCH(QString, arguments);
        const QString certificate = dir.filePath("check.pdf");
        const Run result =
            run(*sim, QString(arguments).replace("--certificate", "--certificate " + certificate));
        QTEST(result.status, "status");
        QFETCH(QString, said);
        QVERIFY2(result.err.contains(said), qPrintable(result.err));
        QCOMPARE(result.out.count(QString(result.status ? ",fail" : ",pass") + "\r\n"),
                 int(result.status < 7));
        QStringList listed = run(*sim, "history 261206033415 noport").out.split("\r\n").mid(1);
        for (QString &check : listed)
            check = check.section(',', 1);
        QTEST(listed.join(' ').trimmed(), "history");

        if (!arguments.contains("--certificate"))
            return;
        QProcess pdftotext;
        pdftotext.start("pdftotext", {certificate, "-"});
        if (!pdftotext.waitForFinished())
            QSKIP("pdftotext (Debian: poppler-utils) is not installed");
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
        QVERIFY2(text.contains("261206033415") && text.contains("Overall result: Fail"),
                 qPrintable(text));
    }

private:
    QTemporaryDir dir;
    std::unique_ptr<TransmitterSimulator> sim;
    QByteArrayList requests;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
