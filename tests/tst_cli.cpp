// The tr451 program through its exit status and its output, against the simulated transmitters on
// a pseudo-terminal and over TCP: refused input, scan, read in the recording's format and as JSON,
// set with its read-back, interruption, a vanishing port and a reader that goes away.
#include "display/csvrecorder.h"
#include "display/trendfeed.h"
#include "protocol/frame.h"
#include "protocol/replydecoder.h"
#include "transmittersimulator.h"

#include <QtTest>

#include <csignal>

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

QString program()
{
    return QCoreApplication::applicationDirPath() + "/../cli/tr451";
}

// Runs the event loop until process ends (false after 30 s); a real event loop, since the
// simulator must answer at once, not between sleeps.
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

// Starts tr451 with the port unless the arguments name one; the event loop runs meanwhile, so
// that the simulator answers. whileRunning may act on the process as its output grows.
Run run(const TransmitterSimulator &sim, QStringList arguments,
        const std::function<void(QProcess &, const QString &out)> &whileRunning = nullptr)
{
    if (!arguments.contains("--port") && !arguments.contains("no port"))
        arguments = QStringList {"--port", sim.portPath()} + arguments;
    arguments.removeAll("no port");
    QProcess tr451;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("TR451_PORT");
    tr451.setProcessEnvironment(environment);
    QString out;
    QObject::connect(&tr451, &QProcess::readyReadStandardOutput, [&] {
        out += QString::fromUtf8(tr451.readAllStandardOutput());
        if (whileRunning)
            whileRunning(tr451, out);
    });
    tr451.start(program(), arguments);
    if (!finish(tr451))
        return {};
    out += QString::fromUtf8(tr451.readAllStandardOutput());
    return {tr451.exitCode(), out, QString::fromUtf8(tr451.readAllStandardError())};
}

// What the line's transmitters listen with, and the first one's range and heater.
QString state(const TransmitterSimulator &sim)
{
    QStringList parts;
    for (const TransmitterModel::LineSettings &device : sim.devices())
        parts << QStringLiteral("%1@%2").arg(device.address).arg(device.baudCode);
    return parts.join(' ')
        + QStringLiteral(" range %1,%2 heater %3")
              .arg(qint16(sim.registerValue(0x0107)))
              .arg(qint16(sim.registerValue(0x0108)))
              .arg(sim.registerValue(0x0109));
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void refused_data();
    void refused();
    void scan();
    void read();
    void info();
    void set_data();
    void set();
    void interrupted_data();
    void interrupted();
    void closedPipe();

private:
    QTemporaryDir dir;
    std::unique_ptr<TransmitterSimulator> sim;
};

void TestCli::init()
{
    sim = std::make_unique<TransmitterSimulator>();
    sim->setPacing(false);
    sim->setFixedReadings(23.45, 45.67);
    QVERIFY(sim->start(dir.filePath("tty")));
}

void TestCli::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error"); // how stderr begins
    const QString commands = "; the commands are ports, scan, info, read and set";
    const QString address = "--address takes an address from 0 to 247 (0: the transmitter alone "
                            "on the line), not ";
    QTest::newRow("no command") << QStringList() << 2 << "no command given" + commands;
    QTest::newRow("unknown command")
        << QStringList {"frob"} << 2 << "unknown command \"frob\"" + commands;
    QTest::newRow("unknown option") << QStringList {"info", "--colour"} << 2
                                    << "unknown option --colour; tr451 --help lists them";
    QTest::newRow("option of another command")
        << QStringList {"scan", "--count", "3"} << 2 << "--count is an option of read only";
    QTest::newRow("no value") << QStringList {"read", "--count"} << 2 << "--count needs a value";
    QTest::newRow("address 248") << QStringList {"info", "--address", "248"} << 2
                                 << address + "\"248\"";
    QTest::newRow("address abc") << QStringList {"read", "--address=abc"} << 2
                                 << address + "\"abc\"";
    for (const char *bad : {"0", "248", "abc"})
        QTest::addRow("new address %s", bad)
            << QStringList {"set", "address", bad} << 2
            << QString("the new address is between 1 and 247, not \"%1\"").arg(bad);
    QTest::newRow("range min > max") << QStringList {"set", "range", "80", "-20.5"} << 2
                                     << "the lower range limit 80 is above the upper limit -20.5";
    QTest::newRow("range no number") << QStringList {"set", "range", "", "20"} << 2
                                     << "the range limit \"\" is not a temperature in degrees";
    QTest::newRow("rate") << QStringList {"set", "baud", "300"} << 2
                          << "the baud rate is one of 1200, 2400, 4800, 9600, 19200, 115200, not "
                             "\"300\"";
    QTest::newRow("scan address 0") << QStringList {"scan", "--addresses", "0-5"} << 2
                                    << "--addresses takes addresses from 1 to 247, as 1-247 or "
                                       "1,2,17";
    QTest::newRow("no port") << QStringList {"info", "no port"} << 2
                             << "no port given: name one with --port or TR451_PORT";
    QTest::newRow("port not opened") << QStringList {"info", "--port", "/nonexistent/tty"} << 3
                                     << "cannot open /nonexistent/tty: ";
    QTest::newRow("nobody at the address") << QStringList {"info", "--address", "9"} << 4
                                           << "no answer from address 9 at 9600 bit/s after 3 "
                                              "attempts";
}

// Nothing is sent after refused input; each failure is one line on stderr.
void TestCli::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, error);
    const Run result = run(*sim, arguments);
    QCOMPARE(result.status, status);
    QVERIFY2(result.err.startsWith("tr451: " + error) && result.err.count('\n') == 1,
             qPrintable(result.err));
    QCOMPARE(sim->requestCount(), status == 4 ? 3 : 0);
}

// Every address of the range at every rate of the list, never address 0; progress on stderr.
void TestCli::scan()
{
    sim->setDevices({{1, 6}, {2, 4}, {17, 4}});
    QList<quint8> to;
    connect(sim.get(), &TransmitterSimulator::requestReceived,
            [&to](const QByteArray &request) { to << quint8(request.at(0)); });
    const Run result = run(*sim,
                           {"scan", "--addresses", "1-20", "--bauds", "115200,9600", "--timeout",
                            "20", "--format", "csv"});
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
    QCOMPARE(to.size(), 2 * 20 + 3);
    QVERIFY(!to.contains(0));
}

// CSV exactly as the window records (header, columns, numbers), a row as the reading is taken;
// JSON a reading a line, with the outputs over the transmitter's range; a file is appended to.
void TestCli::read()
{
    const Run csv = run(*sim, {"read", "--count", "3", "--interval", "100", "--stats"});
    QCOMPARE(csv.status, 0);
    QCOMPARE(csv.err,
             QString("requests sent 4, answered 4, timed out 0, failed check 0, "
                     "exception replies 0\n"));
    QStringList rows = csv.out.split("\r\n");
    QCOMPARE(rows.takeFirst() + "\r\n", QString::fromUtf8(Csv::header()));
    QCOMPARE(rows.takeLast(), QString());
    QCOMPARE(rows.size(), 3);
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
    for (const char *what : {"all", "humidity"}) {
        lines << run(*sim,
                     {"read", "--count", "1", "--scale", "10", "--what", what, "--format", "json"})
                     .out;
    }
    const QJsonObject all = QJsonDocument::fromJson(lines.at(0).toUtf8()).object();
    const QJsonObject humidity = QJsonDocument::fromJson(lines.at(1).toUtf8()).object();
    QVERIFY(lines.at(0).endsWith("}\n") && lines.at(0).count('\n') == 1);
    QCOMPARE(all.value("temperature").toDouble(), 23.5);
    QCOMPARE(all.value("temperature_mA").toDouble(), 8.8);
    QCOMPARE(all.value("humidity_0_5V").toDouble(), 2.285);
    QCOMPARE(all.value("scale").toString(), QString("*10"));
    QCOMPARE(all.value("status").toInt(-1), 0);
    QCOMPARE(humidity.value("humidity_mA").toDouble(), 11.312);
    QVERIFY(humidity.value("temperature").isNull() && humidity.value("status").isNull());

    const QString file = dir.filePath("hour.csv");
    for (int i = 0; i < 2; ++i)
        QCOMPARE(run(*sim, {"read", "--count", "1", "--output", file}).out, QString());
    QFile recorded(file);
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    QCOMPARE(recorded.readAll().count(Csv::header()), 1);
    QCOMPARE(recorded.size(), Csv::header().size() + 2 * rows.first().toUtf8().size() + 4);
}

// The transmitter's rate found by auto, fastest first; the same line over TCP; a table; a
// transmitter that refuses a request (pymodbus, which lacks the output block); the ports.
void TestCli::info()
{
    QVERIFY(sim->listenTcp(0) && sim->setRegisterValue(0x0101, 5));
    const QString identity = "{\"address\":1,\"baud_rate\":%1,\"channels\":1,\"output\":"
                             "\"Temperature\",\"range_max\":125,\"range_min\":-40,"
                             "\"serial_number\":\"261206033415\"}\n";
    QCOMPARE(run(*sim, {"info", "--baud", "auto", "--format", "json"}).out, identity.arg(19200));
    const QString tcp = QString("tcp://127.0.0.1:%1").arg(sim->tcpPort());
    QCOMPARE(run(*sim, {"info", "--port", tcp, "--format", "json"}).out, identity.arg(9600));
    QVERIFY(
        run(*sim, {"ports", "no port"}).out.startsWith("Port,Description,USB,Serial number\r\n"));
}

void TestCli::set_data()
{
    QTest::addColumn<QString>("addresses"); // of the transmitters on the line, all at 9600 bit/s
    QTest::addColumn<bool>("forgetful"); // the transmitter echoes writes but keeps nothing
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on stdout when done, else on stderr
    QTest::addColumn<QString>("state"); // afterwards
    const QString factory = " range -400,1250 heater 0";
    QTest::newRow("address") << "1,2" << false
                             << QStringList {"set", "address", "5", "--address", "2"} << 0
                             << "The transmitter at address 2 now has address 5\n"
                             << "1@4 5@4" + factory;
    QTest::newRow("baud") << "1,2" << false
                          << QStringList {"set", "baud", "19200", "--address", "2"} << 0
                          << "The transmitter at address 2 now answers at 19200 bit/s\n"
                          << "1@4 2@5" + factory;
    QTest::newRow("range")
        << "1,2" << false << QStringList {"set", "range", "-20", "60.5", "--address", "1"} << 0
        << "The transmitter at address 1 now has the range -20.0 to 60.5 \u2103\n"
        << "1@4 2@4 range -200,605 heater 0";
    QTest::newRow("heater, alone at address 0")
        << "1" << false << QStringList {"set", "heater", "on"} << 0
        << "The heater of the transmitter at address 1 is now on\n"
        << "1@4 range -400,1250 heater 1";
    QTest::newRow("several at address 0")
        << "1,2" << false << QStringList {"set", "heater", "on"} << 1
        << "tr451: the answer from address 0 at 9600 bit/s failed its check; more than one "
           "transmitter may be answering address 0: name one with --address\n"
        << "1@4 2@4" + factory;
    QTest::newRow("address not kept")
        << "1" << true << QStringList {"set", "address", "5", "--retries", "0"} << 4
        << "tr451: no answer from address 5 at 9600 bit/s after 1 attempts\n"
        << "1@4" + factory;
    QTest::newRow("baud not kept")
        << "1" << true << QStringList {"set", "baud", "19200", "--retries", "0"} << 4
        << "tr451: no answer from address 1 at 19200 bit/s after 1 attempts\n"
        << "1@4" + factory;
    QTest::newRow("range not kept")
        << "1" << true << QStringList {"set", "range", "-20", "60"} << 1
        << "tr451: the transmitter did not keep the new range: it reads back -40.0 to 125.0\n"
        << "1@4" + factory;
}

// Each write goes to the transmitter's own address, never to address 0, and (but for the
// heater) is read back, after a new rate at that rate.
void TestCli::set()
{
    QFETCH(QString, addresses);
    QFETCH(bool, forgetful);
    QFETCH(int, status);
    QList<TransmitterModel::LineSettings> devices;
    for (const QString &address : addresses.split(','))
        devices.append({quint8(address.toInt()), 4});
    sim->setDevices(devices);
    const QByteArray factory = sim->saveState();
    bool toAddress0 = false;
    connect(sim.get(), &TransmitterSimulator::requestReceived, [&](const QByteArray &request) {
        toAddress0 = toAddress0 || (request.at(0) == 0 && request.at(1) != 0x03);
    });
    if (forgetful) {
        connect(sim.get(), &TransmitterSimulator::registersWritten,
                [&] { sim->restoreState(factory); });
    }
    QFETCH(QStringList, arguments);
    const Run result = run(*sim, arguments);
    QCOMPARE(result.status, status);
    QTEST(status == 0 ? result.out : result.err, "said");
    QTEST(state(*sim), "state");
    QVERIFY(!toAddress0);
}

void TestCli::interrupted_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("error");
    const QStringList reading {"read", "--interval", "50"};
    QTest::newRow("Ctrl+C while reading") << reading << "SIGINT" << 130 << "";
    QTest::newRow("SIGTERM while reading") << reading << "SIGTERM" << 130 << "";
    QTest::newRow("port vanishes while reading")
        << reading << "vanish" << 1 << "tr451: the port PORT was lost: ";
    QTest::newRow("Ctrl+C while scanning")
        << QStringList {"scan", "--bauds", "9600", "--timeout", "50"} << "SIGINT" << 130
        << "Scanning 247 addresses at 9600 bit/s\n";
}

// Once two records are out, the run is interrupted or loses its port: it ends at once, its
// records whole.
void TestCli::interrupted()
{
    QFETCH(QString, how);
    QFETCH(QStringList, arguments);
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
void TestCli::closedPipe()
{
    QProcess tr451;
    QProcess head;
    tr451.setStandardOutputProcess(&head);
    tr451.start(program(), {"read", "--interval", "0", "--port", sim->portPath()});
    head.start("head", {"-n", "3"});
    QVERIFY(finish(tr451) && finish(head));
    QCOMPARE(tr451.exitCode(), 0);
    const QByteArray lines = head.readAllStandardOutput();
    QCOMPARE(lines.count("\r\n"), 3);
    QVERIFY(lines.endsWith("\r\n"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
