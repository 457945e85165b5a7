// Journeys at the bench against the simulated transmitter: links found, links that fail, a line or
// adapter that fails, a calibration check, and a long soak.
#include "app/appstate.h"
#include "protocol/frame.h"
#include "support/windowfixture.h"
#include "ui/checkwindow.h"
#include "ui/historydialog.h"

#include <QDateEdit>
#include <QTableView>
#include <QTableWidget>

static const QString UsbError = "Error: USB device error, please reconnect USB device!";

class TestE2e : public QObject
{
    Q_OBJECT

private slots:
    void search_data()
    {
        QTest::addColumn<int>("baudCode");
        QTest::addColumn<QList<int>>("openings");
        QTest::newRow("9600") << 4 << QList<int>({115200, 19200, 9600});
        QTest::newRow("1200") << 1 << QList<int>({115200, 19200, 9600, 4800, 2400, 1200});
        QTest::newRow("115200") << 6 << QList<int>({115200});
    }

    // Found by the search half a second a step, the Device group fills and the output block is read
    // a moment later at the same rate, 8N1.
    void search()
    {
        QFETCH(int, baudCode);
        QFETCH(QList<int>, openings);
        Bench bench(baudCode);
        WindowFixture f;
        f.link(bench.sim.portPath(), "AUTO");
        const QString found = QString(Identity).replace("9600", QString::number(openings.last()))
            + ";timerAutoUart=off";
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

    void failedLinks()
    {
        Bench bench(4, "silent");
        WindowFixture f;
        f.link(bench.sim.portPath(), "AUTO");
        QTRY_COMPARE_WITH_TIMEOUT(f.boxes.messages, QStringList("Error: Communication error!"),
                                  5000);
        QCOMPARE(bench.speeds, QList<int>({115200, 19200, 9600, 4800, 2400, 1200}));
        QVERIFY(bench.times.last() > 2400 && f.port()->isOpen());

        // Link during a search stops it, and an output read still due: cancelled, the port closed.
        f.link(bench.sim.portPath(), "AUTO");
        QTRY_COMPARE(bench.speeds.mid(6), QList<int>({115200, 19200}));
        f.boxes.onDialog = [](QWidget *dialog) { dialog->close(); };
        QMetaObject::invokeMethod(f.child<QObject>("timerDelay"), "start");
        f.run("pushButtonLink");
        COMPARE_FORM(f, "timerAutoUart=off;timerDelay=off");
        QVERIFY(!f.port()->isOpen());

        f.boxes.messages.clear();
        f.link(bench.dir.filePath("absent"), "AUTO");
        QVERIFY(f.boxes.messages.size() == 1
                && f.boxes.messages.first().startsWith("Error: Failed to open the serial port! "));
        COMPARE_FORM(f, "timerAutoUart=off");
        QCOMPARE(bench.speeds.size(), 8);
        f.link("", "9600");
        QCOMPARE(f.boxes.messages.last(), "Error: No serial port was chosen!");
        QVERIFY(f.log().filter("->TX").size() == 8);
    }

    void lineFaults_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("messages");
        for (const char *fault : {"split", "delayed", "corrupted", "stray byte"})
            QTest::newRow(fault) << QString(fault) << QStringList();
        QTest::newRow("flood") << "flood" << QStringList(UsbError);
        QTest::newRow("adapter removed") << "removed" << QStringList(UsbError);
    }

    void lineFaults()
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
            COMPARE_FORM(f,
                         "timerAutoUart=off;timerDelay=off;timerReadHumiture=off;"
                         "pushButtonRead=Read");
            QCOMPARE(bench.speeds.size(), 1);
        }
    }

    // The adapter pulled while a box is open: its news follows that box, once, and commands then
    // behave as on any closed port.
    void lossBehindABox()
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

    // A check against a transmitter settling to the reference: no check begins while the
    // station's reference lacks its calibration due date; the gate opens once it has settled (or
    // with a reason); a point the records refuse is told once, kept and stored again; a polling
    // stop closes the gate; the history finishes the check that the closed window left open.
    void check()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("records");
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly)); // a file where the records' folder goes
        qputenv("TR451_DATABASE", (folder + "/records.sqlite").toLocal8Bit());
        Bench bench(4, "", true);
        bench.sim.setSettling(30.0, 75.0, 1.0);
        WindowFixture f;
        bench.link(f);
        f.run("pushButtonCheck");
        auto *take = f.child<QPushButton>("pushButtonTakePoint");
        const int linked = bench.replies;
        // A short window, so drift limits that a short window's noise stays inside.
        f.run("spinBoxWindow=5,doubleSpinBoxDriftTemperature=1,doubleSpinBoxDriftHumidity=5,"
              "doubleSpinBoxReferenceTemperature=30,doubleSpinBoxReferenceHumidity=75,"
              "comboBoxRegister=1,comboBoxNum=0,pushButtonRead");
        QTRY_VERIFY(bench.replies >= linked + 2);
        QVERIFY(!take->isEnabled());
        f.fill("lineEditReference=CM-2;lineEditReferenceCertificate=CAL-2026-0142;"
               "lineEditReason=chamber door opened");
        for (const char *edit : {"lineEditReference", "lineEditReferenceCertificate"})
            emit f.child<QLineEdit>(edit)->editingFinished();
        auto *due = f.child<QDateEdit>("dateEditReferenceDue");
        due->setDate(due->minimumDate()); // not set
        QVERIFY(!take->isEnabled());
        COMPARE_FORM(f, "labelGate~the reference's calibration due date");
        due->setDate(QDate::currentDate().addYears(1));
        QVERIFY(take->isEnabled());
        f.fill("lineEditReason=");
        QTRY_VERIFY_WITH_TIMEOUT(take->isEnabled(), 20000);
        QVERIFY(bench.clock.elapsed() > 6000);
        f.run("pushButtonTakePoint");
        QTRY_VERIFY(f.boxes.messages.value(0).startsWith("Records: "));
        QVERIFY(f.child<QTableWidget>("tablePoints")->item(0, 10)->text().contains("not stored"));
        QVERIFY(QFile::remove(folder) && QDir().mkpath(folder));
        f.run("pushButtonStoreAgain,pushButtonRead");
        QTRY_VERIFY(!take->isEnabled());
        f.window.findChild<CheckWindow *>()->close();
        f.run("pushButtonCheck,pushButtonHistory");
        QTRY_VERIFY(f.window.findChild<HistoryDialog *>());
        auto *listed = f.window.findChild<HistoryDialog *>()->findChild<QTableView *>();
        const auto newest = [m = listed->model()] { // its points and result
            return m->index(0, 4).data().toString() + ' ' + m->index(0, 5).data().toString();
        };
        QCOMPARE(newest(), "1 Open");
        listed->selectRow(0);
        f.run("pushButtonFinishOpen");
        QCOMPARE(listed->model()->rowCount(), 1);
        QCOMPARE(newest(), "1 Pass");
        QCOMPARE(f.boxes.messages.size(), 1); // told once
        qunsetenv("TR451_DATABASE");
    }

    // A bench polling through every line fault, linking again after a lost link: the readings
    // stored are always ones sent, and answers come again once the line is sound.
    // (TR451_SOAK_SECONDS)
    void soak()
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
            const int had = f.log().filter("->RX").size();
            QTRY_VERIFY2_WITH_TIMEOUT(f.log().filter("->RX").size() > had, qPrintable(fault), 3000);
        }
        QVERIFY(AppState.temperatureRaw != 0);
        QCOMPARE(f.boxes.messages, QStringList({UsbError, UsbError}));
    }
};

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
