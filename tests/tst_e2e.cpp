// Journeys of a technician at the bench, against the simulated transmitter: linking at a fixed
// rate and by search, links that fail, polling at both scales, each configuration command
// changing the device, and a line or adapter that misbehaves.
#include "app/appstate.h"
#include "support/windowfixture.h"
#include "transmittersimulator.h"
#include "ui/messagelog.h"
#include "ui/trendwindow.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QSerialPort>
#include <QTextBrowser>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Faults = TransmitterSimulator::Faults;

const QString Identity = "lineEditAddress=1;comboBoxBaudRate=9600;lineEditSN=261206033415;"
                         "lineEditRangeMin=-40.0;lineEditRangeMax=125.0";
const QString UsbError = "Error: USB device error, please reconnect USB device!";

Faults named(const QString &fault)
{
    Faults faults;
    faults.splitPieces = fault == "split" ? 4 : 0;
    faults.splitGapMs = 15;
    faults.delayMs = fault == "delayed" ? 300 : 0;
    faults.corruptCrc = fault == "corrupted";
    faults.strayByte = fault == "stray byte";
    faults.silent = fault == "silent";
    faults.flood = fault == "flood";
    return faults;
}

// A transmitter on its own link path, recording the line speed and time of each request.
struct Bench
{
    explicit Bench(int baudCode = 4, const QString &fault = QString())
    {
        QVERIFY(sim.start(dir.filePath("tty")));
        sim.setRegisterValue(0x0101, quint16(baudCode));
        sim.setFaults(named(fault));
        sim.setFixedReadings(23.45, 45.67);
        QObject::connect(&sim, &TransmitterSimulator::requestReceived, [this] {
            speeds << sim.lineSpeed();
            times << clock.elapsed();
        });
        QObject::connect(&sim, &TransmitterSimulator::replySent, [this] { ++replies; });
        clock.start();
    }
    // Linked at 9600 and done with the reads that follow every link.
    void link(WindowFixture &f)
    {
        f.link(sim.portPath(), "9600");
        QTRY_COMPARE(f.describe(Identity), Identity);
        QTRY_VERIFY(f.log().filter("->RX  010322").size() == 1);
    }
    QTemporaryDir dir;
    TransmitterSimulator sim;
    QElapsedTimer clock;
    QList<int> speeds;
    QList<qint64> times;
    int replies = 0;
};

} // namespace

class TestE2e : public QObject
{
    Q_OBJECT

private slots:
    void fixedRate();
    void search_data();
    void search();
    void failedLinks();
    void polling();
    void commands_data();
    void commands();
    void lineFaults_data();
    void lineFaults();
    void lossBehindABox();
    void trend();
};

void TestE2e::fixedRate()
{
    Bench bench;
    WindowFixture f;
    f.link(bench.sim.portPath(), "9600");
    QTRY_COMPARE(f.describe(Identity), Identity);
    // The output block is read a moment after the identity, without the user.
    QTRY_VERIFY(f.log().filter("->RX  010322").size() == 1);
    QCOMPARE(bench.speeds, QList<int>({9600, 9600}));
    QVERIFY(bench.times.at(1) - bench.times.at(0) >= 100);
    QSerialPort *port = f.port();
    QVERIFY(port->dataBits() == QSerialPort::Data8 && port->parity() == QSerialPort::NoParity
            && port->stopBits() == QSerialPort::OneStop);
}

void TestE2e::search_data()
{
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<QList<int>>("openings");
    QTest::newRow("9600") << 4 << QList<int>({115200, 19200, 9600});
    QTest::newRow("1200") << 1 << QList<int>({115200, 19200, 9600, 4800, 2400, 1200});
    QTest::newRow("115200") << 6 << QList<int>({115200});
}

void TestE2e::search()
{
    QFETCH(int, baudCode);
    QFETCH(QList<int>, openings);
    Bench bench(baudCode);
    WindowFixture f;
    f.link(bench.sim.portPath(), "AUTO");
    const QString found =
        "comboBoxBaudRate=" + QString::number(openings.last()) + ";timerAutoUart=off";
    // Six steps half a second apart, on a line paced at the rate found.
    QTRY_COMPARE_WITH_TIMEOUT(f.describe(found), found, 8000);
    const QString rate = "comboBoxBaudRate=" + QString::number(openings.last());
    const QString identity = QString(Identity).replace("comboBoxBaudRate=9600", rate);
    QCOMPARE(f.describe(identity), identity);
    // The output block follows the success step at the rate found.
    QTRY_COMPARE(bench.speeds, openings + QList<int>({openings.last()}));
    for (int i = 1; i < openings.size(); ++i)
        QVERIFY(qAbs(bench.times.at(i) - bench.times.at(i - 1) - 500) < 100);
    QVERIFY(f.boxes.messages.isEmpty());
}

void TestE2e::failedLinks()
{
    Bench bench(4, "silent");
    WindowFixture f;
    f.link(bench.sim.portPath(), "AUTO");
    QTRY_COMPARE_WITH_TIMEOUT(f.boxes.messages, QStringList("Error: Communication error!"), 5000);
    QCOMPARE(bench.speeds, QList<int>({115200, 19200, 9600, 4800, 2400, 1200}));
    QVERIFY(bench.times.last() > 2400);
    QVERIFY(f.port()->isOpen());

    // Link during a search stops it: cancelled, the port stays closed.
    f.link(bench.sim.portPath(), "AUTO");
    QTRY_COMPARE(bench.speeds.mid(6), QList<int>({115200, 19200}));
    f.boxes.onDialog = [](QWidget *dialog) { dialog->close(); };
    f.run("pushButtonLink");
    QCOMPARE(f.describe("timerAutoUart=off"), "timerAutoUart=off");
    QVERIFY(!f.port()->isOpen());

    f.boxes.messages.clear();
    f.link(bench.dir.filePath("absent"), "AUTO");
    QCOMPARE(f.boxes.messages.size(), 1);
    QVERIFY(f.boxes.messages.first().startsWith("Error: Failed to open the serial port! "));
    QCOMPARE(f.describe("timerAutoUart=off"), "timerAutoUart=off");
    QCOMPARE(bench.speeds.size(), 8);
    f.link("", "9600");
    QCOMPARE(f.boxes.messages.last(), "Error: No serial port was chosen!");
    QVERIFY(f.log().filter("->TX").size() == 8);
}

void TestE2e::polling()
{
    Bench bench;
    WindowFixture f;
    bench.link(f);
    f.fill("comboBoxRegister=1;comboBoxNum=0");
    f.run("pushButtonRead");
    const QString hundredths = QString::fromUtf8("labelTemperature~>23.45℃;labelHumidity~>45.67%");
    QTRY_COMPARE(f.describe(hundredths), hundredths);
    f.fill("comboBoxRegister=0");
    const QString tenths = QString::fromUtf8("labelTemperature~>23.5℃;labelHumidity~>45.7%");
    QTRY_COMPARE(f.describe(tenths), tenths);
    const int polls = bench.speeds.size();
    QTRY_VERIFY_WITH_TIMEOUT(bench.speeds.size() == polls + 1, 1500);
    QVERIFY(qAbs(bench.times.last() - bench.times.at(polls - 1) - 1000) < 100);
}

void TestE2e::commands_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("registers");
    // clang-format off
    QTest::newRow("address") << "lineEditAddress=5" << QByteArray("pushButtonAddress") << "0100=5";
    QTest::newRow("heater on") << "" << QByteArray("pushButtonHeaterON") << "0109=1";
    QTest::newRow("range") << "lineEditRangeMin=-20.5;lineEditRangeMax=60" << QByteArray("pushButtonTempRange") << "0107=-205;0108=600";
    QTest::newRow("baud rate") << "comboBoxBaudRate=5" << QByteArray("pushButtonBaudRate") << "0101=6";
    // clang-format on
}

void TestE2e::commands()
{
    QFETCH(QString, setup);
    QFETCH(QByteArray, button);
    QFETCH(QString, registers);
    Bench bench;
    WindowFixture f;
    bench.link(f);
    f.fill(setup);
    f.run(button);
    const auto stored = [&bench, &registers] {
        QStringList values;
        for (const QString &item : registers.split(';'))
            values << item.left(5)
                    + QString::number(
                          qint16(bench.sim.registerValue(item.left(4).toUShort(nullptr, 16))));
        return values.join(';');
    };
    QTRY_COMPARE(stored(), registers);
    QTRY_VERIFY(f.log().last().contains("->RX  "));
    if (button == "pushButtonBaudRate") {
        f.link(bench.sim.portPath(), "115200");
        QTRY_COMPARE(f.describe("lineEditSN=261206033415;comboBoxBaudRate=115200"),
                     "lineEditSN=261206033415;comboBoxBaudRate=115200");
    }
}

void TestE2e::lineFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QStringList>("messages");
    for (const char *fault : {"split", "delayed", "corrupted", "stray byte"})
        QTest::newRow(fault) << QString(fault) << QStringList();
    QTest::newRow("flood") << "flood" << QStringList(UsbError);
    QTest::newRow("adapter removed") << "removed" << QStringList(UsbError);
}

void TestE2e::lineFaults()
{
    QFETCH(QString, fault);
    QFETCH(QStringList, messages);
    Bench bench(4, fault);
    WindowFixture f;
    f.run("pushButtonRead");
    // A flooding adapter is met by the search's first step.
    f.link(bench.sim.portPath(), fault == "flood" ? "AUTO" : "9600");
    QTRY_VERIFY(bench.replies > 0);
    const bool taken = fault == "split" || fault == "delayed" || fault == "removed";
    QTRY_COMPARE(f.describe(Identity) == Identity, taken);
    if (fault == "removed")
        bench.sim.removeAdapter();
    QTRY_COMPARE(f.boxes.messages, messages);
    // What the line spoiled is never taken.
    QTest::qWait(50);
    QCOMPARE(f.describe(Identity) == Identity, taken);
    QCOMPARE(f.port()->isOpen(), messages.isEmpty());
    if (!messages.isEmpty()) { // a lost link stops what would send on it
        const QString stopped =
            "timerAutoUart=off;timerDelay=off;timerReadHumiture=off;pushButtonRead=Read";
        QCOMPARE(f.describe(stopped), stopped);
        QCOMPARE(bench.speeds.size(), 1);
    }
}

// The adapter pulled while a box is open: its news follows that box, once, and commands then
// behave as on any closed port.
void TestE2e::lossBehindABox()
{
    Bench bench;
    WindowFixture f;
    bench.link(f);
    int boxesOpen = 0; // most message boxes on screen at once
    f.boxes.onMessage = [&](QMessageBox *) {
        boxesOpen = qMax(boxesOpen, int(f.window.findChildren<QMessageBox *>().size()));
        if (f.port()->isOpen()) {
            bench.sim.removeAdapter();
            QTRY_VERIFY(!f.port()->isOpen());
        }
    };
    f.fill("lineEditAddress=");
    f.run("pushButtonAddress");
    QTRY_COMPARE(f.boxes.messages, QStringList({"Error: The address is empty!", UsbError}));
    QCOMPARE(boxesOpen, 1);
    f.fill("lineEditAddress=1");
    f.run("pushButtonHeaterON");
    QVERIFY(f.log().last().endsWith("->TX  01060109000199f4"));
    QTest::qWait(100);
    QCOMPARE(f.boxes.messages.size(), 2);
}

// Polling with the trend window open and recording, all readings and then humidity alone: a point
// per poll on each polled curve, a row per poll with the values the labels showed; the log saved.
void TestE2e::trend()
{
    Bench bench;
    WindowFixture f;
    bench.link(f);
    f.run("pushButtonTrend");
    auto *trend = f.window.findChild<TrendWindow *>();
    QTemporaryDir dir;
    f.boxes.onDialog = [&dir](QWidget *dialog) {
        static_cast<QFileDialog *>(dialog)->selectFile(dir.filePath("r.csv"));
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog's own checks the name
    };
    QMetaObject::invokeMethod(trend->findChild<QObject *>("pushButtonRecord"), "click");
    const QRegularExpression value(">(-?\\d+\\.\\d+)[℃%]|---");
    const int start = bench.replies;
    QStringList shown; // a row's fields from the address to the dew point, per poll
    for (const char *what : {"0", "2"}) {
        f.fill(QString("comboBoxRegister=1;comboBoxNum=") + what);
        f.run("pushButtonRead");
        QTRY_VERIFY_WITH_TIMEOUT(bench.replies - start >= shown.size() + 2, 5000);
        f.run("pushButtonRead");
        QTRY_COMPARE(trend->samples().rowCount(), bench.replies - start);
        QString row = "1,261206033415,*100";
        for (const char *label : {"labelTemperature", "labelHumidity", "labelDewTemp"})
            row += ',' + value.match(f.describe(label + QString("=x")).section('=', 1)).captured(1);
        while (shown.size() < bench.replies - start)
            shown << row;
    }
    const int all = shown.indexOf(shown.last()); // the polls of all readings come first
    for (auto q : {SampleStore::Temperature, SampleStore::Humidity, SampleStore::DewPoint})
        QCOMPARE(trend->samples().pointCount(q), q == SampleStore::Humidity ? shown.size() : all);
    QFile file(dir.filePath("r.csv"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 1 + shown.size());
    for (int i = 0; i < shown.size(); ++i)
        QCOMPARE(rows[i + 1].section(',', 1, 6), shown[i]);

    auto *log = f.window.findChild<QTextBrowser *>();
    QVERIFY(MessageLog::save(log, dir.filePath("log")).isEmpty());
    QVERIFY(!MessageLog::save(log, dir.filePath("absent/log")).isEmpty());
    QFile saved(dir.filePath("log"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), (log->toPlainText() + "\n").toUtf8());
}

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
