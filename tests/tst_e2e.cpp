// Journeys at the bench against the simulated transmitter: links found, links that fail, polling,
// every configuration command, a line or adapter that fails, the trend, and a long soak.
#include "app/appstate.h"
#include "check/recordstore.h"
#include "protocol/frame.h"
#include "support/windowfixture.h"
#include "ui/checkwindow.h"
#include "ui/historydialog.h"
#include "ui/messagelog.h"
#include "ui/trendwindow.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>

static const QString UsbError = "Error: USB device error, please reconnect USB device!";

class TestE2e : public QObject
{
    Q_OBJECT

private slots:
    void search_data();
    void search();
    void failedLinks();
    void session();
    void lineFaults_data();
    void lineFaults();
    void lossBehindABox();
    void trend();
    void check();
    void soak();
};

void TestE2e::search_data()
{
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<QList<int>>("openings");
    QTest::newRow("fixed 9600") << "9600" << 4 << QList<int>({9600});
    QTest::newRow("search, 9600") << "AUTO" << 4 << QList<int>({115200, 19200, 9600});
    QTest::newRow("search, 1200") << "AUTO" << 1
                                  << QList<int>({115200, 19200, 9600, 4800, 2400, 1200});
    QTest::newRow("search, 115200") << "AUTO" << 6 << QList<int>({115200});
}

// Linked at a fixed rate, or found by the search half a second a step, the Device group fills
// and the output block is read a moment later at the same rate, 8N1.
void TestE2e::search()
{
    QFETCH(QString, rate);
    QFETCH(int, baudCode);
    QFETCH(QList<int>, openings);
    Bench bench(baudCode);
    WindowFixture f;
    f.link(bench.sim.portPath(), rate);
    const QString found =
        QString(Identity).replace("9600", QString::number(openings.last())) + ";timerAutoUart=off";
    QTRY_COMPARE_WITH_TIMEOUT(f.describe(found), found, 8000);
    QTRY_COMPARE(bench.speeds, openings + QList<int>({openings.last()}));
    for (int i = 1; i < openings.size(); ++i)
        QVERIFY(qAbs(bench.times.at(i) - bench.times.at(i - 1) - 500) < 100);
    QVERIFY(bench.times.last() - bench.times.at(openings.size() - 1) >= 100);
    QVERIFY(f.port()->dataBits() == QSerialPort::Data8
            && f.port()->parity() == QSerialPort::NoParity
            && f.port()->stopBits() == QSerialPort::OneStop);
    QVERIFY(f.boxes.messages.isEmpty());
}

void TestE2e::failedLinks()
{
    Bench bench(4, "silent");
    WindowFixture f;
    f.link(bench.sim.portPath(), "AUTO");
    QTRY_COMPARE_WITH_TIMEOUT(f.boxes.messages, QStringList("Error: Communication error!"), 5000);
    QCOMPARE(bench.speeds, QList<int>({115200, 19200, 9600, 4800, 2400, 1200}));
    QVERIFY(bench.times.last() > 2400 && f.port()->isOpen());

    // Link during a search stops it: cancelled, the port stays closed.
    f.link(bench.sim.portPath(), "AUTO");
    QTRY_COMPARE(bench.speeds.mid(6), QList<int>({115200, 19200}));
    f.boxes.onDialog = [](QWidget *dialog) { dialog->close(); };
    QMetaObject::invokeMethod(f.child<QObject>("timerDelay"),
                              "start"); // and an output read still due
    f.run("pushButtonLink");
    QCOMPARE(f.describe("timerAutoUart=off;timerDelay=off"), "timerAutoUart=off;timerDelay=off");
    QVERIFY(!f.port()->isOpen());

    f.boxes.messages.clear();
    f.link(bench.dir.filePath("absent"), "AUTO");
    QVERIFY(f.boxes.messages.size() == 1
            && f.boxes.messages.first().startsWith("Error: Failed to open the serial port! "));
    QCOMPARE(f.describe("timerAutoUart=off"), "timerAutoUart=off");
    QCOMPARE(bench.speeds.size(), 8);
    f.link("", "9600");
    QCOMPARE(f.boxes.messages.last(), "Error: No serial port was chosen!");
    QVERIFY(f.log().filter("->TX").size() == 8);
}

// Polling at both scales, a poll a second, then each configuration command changes the device;
// after a new baud rate the tool links again at that rate.
void TestE2e::session()
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
    QVERIFY(qAbs(bench.times.last() - bench.times.at(polls - 1) - 1000) < 50);
    f.run("pushButtonRead");
    QTRY_VERIFY(f.log().last().contains("->RX  ")); // the last poll's answer is in
    for (const auto &[setup, button, registers] :
         {std::tuple {"lineEditAddress=5", "pushButtonAddress", "0100=5"},
          {"", "pushButtonHeaterON", "0109=1"},
          {"lineEditRangeMin=-20.5;lineEditRangeMax=60", "pushButtonTempRange",
           "0107=-205;0108=600"},
          {"comboBoxBaudRate=5", "pushButtonBaudRate", "0101=6"}}) {
        f.fill(setup);
        f.run(button);
        const auto stored = [&bench, registers = QString(registers)] {
            QStringList values;
            for (const QString &item : registers.split(';'))
                values << item.left(5)
                        + QString::number(
                              qint16(bench.sim.registerValue(item.left(4).toUShort(nullptr, 16))));
            return values.join(';');
        };
        QTRY_COMPARE(stored(), QString(registers));
        QTRY_VERIFY(f.log().last().contains("->RX  "));
    }
    f.link(bench.sim.portPath(), "115200");
    const QString relinked = "lineEditAddress=5;lineEditSN=261206033415;comboBoxBaudRate=115200";
    QTRY_COMPARE(f.describe(relinked), relinked);
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

// Polling with the trend window open and recording, all readings and then humidity alone in tenths:
// a point per poll on each polled curve, a row per poll as the labels showed it; the log saved.
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
    for (const auto &[setup, scale, status] :
         {std::tuple {"1;comboBoxNum=0", "*100", "0x0000"}, {"0;comboBoxNum=2", "*10", ""}}) {
        f.fill(QString("comboBoxRegister=") + setup);
        f.run("pushButtonRead");
        QTRY_VERIFY_WITH_TIMEOUT(bench.replies - start >= shown.size() + 2, 5000);
        f.run("pushButtonRead");
        QTRY_COMPARE(trend->samples().rowCount(), bench.replies - start);
        QString row = QString("1,261206033415,") + scale;
        for (const char *label : {"labelTemperature", "labelHumidity", "labelDewTemp"})
            row += ',' + value.match(f.describe(label + QString("=x")).section('=', 1)).captured(1);
        row += QString(",") + status;
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
        QCOMPARE(rows[i + 1].section(',', 1, 7), shown[i]);

    auto *log = f.window.findChild<QTextBrowser *>();
    QVERIFY(MessageLog::save(log, dir.filePath("log")).isEmpty()
            && !MessageLog::save(log, dir.filePath("absent/log")).isEmpty());
    QFile saved(dir.filePath("log"));
    QVERIFY(saved.open(QIODevice::ReadOnly)
            && saved.readAll() == (log->toPlainText() + "\n").toUtf8());
}

// A check against a transmitter settling towards the reference: the gate opens only once it has
// settled (a reason opens it earlier), the point is stored at once, a polling stop closes the
// gate and closing the window leaves the check open; the history lists it open and finishes it.
void TestE2e::check()
{
    QTemporaryDir dir;
    const QString records = dir.filePath("records.sqlite");
    qputenv("TR451_DATABASE", records.toLocal8Bit());
    Bench bench(4, "", true);
    bench.sim.setSettling(30.0, 75.0, 1.0);
    WindowFixture f;
    bench.link(f);
    f.run("pushButtonCheck");
    // A short window, so drift limits that a short window's noise stays inside.
    f.fill("spinBoxWindow=5;doubleSpinBoxDriftTemperature=1;doubleSpinBoxDriftHumidity=5;"
           "doubleSpinBoxReferenceTemperature=30;doubleSpinBoxReferenceHumidity=75;"
           "comboBoxRegister=1;comboBoxNum=0");
    auto *take = f.child<QPushButton>("pushButtonTakePoint");
    const int linked = bench.replies;
    f.run("pushButtonRead");
    QTRY_VERIFY(bench.replies >= linked + 2);
    QVERIFY(!take->isEnabled());
    f.fill("lineEditReason=chamber door opened");
    QVERIFY(take->isEnabled());
    f.fill("lineEditReason=");
    QTRY_VERIFY_WITH_TIMEOUT(take->isEnabled(), 20000);
    QVERIFY(bench.clock.elapsed() > 6000);
    f.run("pushButtonTakePoint");
    const auto stored = [&records] {
        RecordStore store(records);
        QList<Check> checks;
        store.history("261206033415", &checks);
        QStringList summary;
        for (const Check &check : checks)
            summary << CheckText::result(check.result) + QString::number(check.storedPointCount);
        return summary.join(',');
    };
    QCOMPARE(stored(), "open1");
    f.run("pushButtonRead");
    QTRY_VERIFY(!take->isEnabled());
    f.window.findChild<CheckWindow *>()->close();
    f.run("pushButtonCheck,pushButtonHistory");
    QTRY_VERIFY(f.window.findChild<HistoryDialog *>());
    auto *listed = f.window.findChild<HistoryDialog *>()->findChild<QTableView *>();
    QCOMPARE(listed->model()->index(0, 5).data().toString(), "Open");
    listed->selectRow(0);
    f.run("pushButtonFinishOpen");
    QCOMPARE(stored(), "pass1");
    QCOMPARE(listed->model()->rowCount(), 1);
    QCOMPARE(listed->model()->index(0, 5).data().toString(), "Pass");
    QVERIFY(f.boxes.messages.isEmpty());
    qunsetenv("TR451_DATABASE");
}

// A bench left running: polling while the line fails in every way it can, linking again after a
// lost link. The readings stored are always ones the transmitter sent, and answers are taken
// again once the line is sound. Run on its own with TR451_SOAK_SECONDS.
void TestE2e::soak()
{
    const int seconds = qEnvironmentVariableIntValue("TR451_SOAK_SECONDS");
    if (seconds == 0)
        QSKIP("runs with TR451_SOAK_SECONDS");
    const QStringList faults {"",           "split",  "delayed", "corrupted",
                              "stray byte", "silent", "flood",   "removed"};
    QSet<QByteArray> sent {Modbus::readReply(1, {0, 0, 0, 0})}; // and the readings before any
    auto bench = std::make_unique<Bench>(4, "", true);
    const auto record = [&] {
        QObject::connect(&bench->sim, &TransmitterSimulator::replySent,
                         [&sent](const QByteArray &reply) { sent << reply; });
    };
    WindowFixture f;
    f.fill("comboBoxRegister=1;comboBoxNum=0");
    const auto linkAndPoll = [&] {
        f.link(bench->sim.portPath(), "9600"), f.run("pushButtonRead");
    };
    record(), linkAndPoll();
    for (const QString &fault : faults) {
        fault == "removed" ? bench->sim.removeAdapter() : bench->setFault(fault);
        for (QDeadlineTimer end(1000 * seconds / faults.size()); !end.hasExpired();) {
            QTest::qWait(50);
            const QByteArray stored =
                Modbus::readReply(1,
                                  {quint16(AppState.temperatureRaw), AppState.humidityRaw,
                                   quint16(AppState.dewPointRaw), AppState.statusRaw});
            QVERIFY2(sent.contains(stored), qPrintable(fault + " stored " + hex(stored)));
        }
        if (fault == "removed") // plugged in again
            bench = std::make_unique<Bench>(4, "", true), record();
        bench->setFault("");
        if (fault == "flood" || fault == "removed") // a lost link also stopped polling
            linkAndPoll();
        const int before = f.log().filter("->RX").size();
        QTRY_VERIFY2_WITH_TIMEOUT(f.log().filter("->RX").size() > before, qPrintable(fault), 3000);
    }
    QVERIFY(AppState.temperatureRaw != 0);
    QCOMPARE(f.boxes.messages, QStringList({UsbError, UsbError}));
}

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
