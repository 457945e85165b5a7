// Journeys at the bench against the simulated transmitter: links found, links that fail, a line or
// adapter that fails, calibration checks against a typed reference and one read from its
// instrument, a batch run of a rack, and a long soak.
#include "app/appstate.h"
#include "check/recordstore.h"
#include "check/stationsettings.h"
#include "display/trendsession.h"
#include "protocol/frame.h"
#include "support/table.h"
#include "support/windowfixture.h"
#include "ui/batchwindow.h"
#include "ui/checkwindow.h"
#include "ui/errorchartwidget.h"
#include "ui/historydialog.h"

#include <QDateEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>

static const QString UsbError = "Error: USB device error, please reconnect USB device!";

// Each transmitter's cell of a profile point in the Batch window: its text and colour.
static QString cells(const WindowFixture &f, int point)
{
    const auto *table = f.child<QTableWidget>("tableTransmitters");
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *cell = table->item(row, RunTable::FirstPointColumn + point);
        texts << cell->text() + ' ' + cell->background().color().name();
    }
    return texts.join(", ");
}

class TestE2e : public QObject
{
    Q_OBJECT

private slots:
    // Records and a station of each journey's own, whatever the journeys before left.
    void init()
    {
        const QString records = dir.filePath(QTest::currentTestFunction()) + "/records.sqlite";
        qputenv("TR451_DATABASE", records.toLocal8Bit());
        StationSettings().save();
    }

    void search_data()
    {
        const Table<int, QList<int>> row("baudCode", "openings");
        row("9600", 4, {115200, 19200, 9600});
        // An answer at the last rate still counts.
        row("1200", 1, {115200, 19200, 9600, 4800, 2400, 1200});
        row("115200", 6, {115200});
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
        const Table<QString, QStringList> row("fault", "messages");
        for (const char *fault : {"split", "delayed", "corrupted", "stray byte"})
            row(fault, fault, {});
        row("flood", "flood", {UsbError});
        row("adapter removed", "removed", {UsbError});
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
        const QString folder = dir.filePath("check");
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly)); // a file where the records' folder goes
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
        QVERIFY(f.child<QTableWidget>("tablePoints")->item(0, 12)->text().contains("not stored"));
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
    }

    // A check against the reference read from its instrument over the same simulated line, served
    // over TCP: the window's own port is refused as the reference's, a lost one is opened again,
    // and a field is checked as typed; the gate waits for both, each reference's readings its
    // own; the point takes the reference's means, with U beside each error and the verdicts in
    // words by the station's rule; a reference that stops answering closes the gate, and the
    // window says since when.
    void checkAgainstInstrument()
    {
        Bench bench(4, "", true);
        QVERIFY(bench.sim.setReference(30, 4) && bench.sim.listenTcp(0));
        bench.sim.setSettling(30.0, 75.0, 1.0);
        // Within the tolerance of 0.3 degrees, but not by U.
        QVERIFY(bench.sim.setBias(1, 0.25, 0));
        int toReference = 0;
        QObject::connect(&bench.sim, &TransmitterSimulator::requestReceived,
                         [&toReference](const QByteArray &r) { toReference += r.at(0) == 30; });
        WindowFixture f;
        bench.link(f);
        f.run("pushButtonCheck");
        auto *take = f.child<QPushButton>("pushButtonTakePoint");
        auto *live = f.child<QTableWidget>("tableLive");
        // Empty when text is a number in [low, high).
        const auto within = [](const QString &text, double low, double high) {
            return text.toDouble() >= low && text.toDouble() < high ? QString() : text;
        };
        const auto gateSays = [&f](const char *part) {
            return f.child<QLabel>("labelGate")->text().contains(part);
        };
        f.child<QDateEdit>("dateEditReferenceDue")->setDate(QDate::currentDate().addYears(1));
        auto *typed = f.child<QRadioButton>("radioButtonTyped");
        auto *instrument = f.child<QRadioButton>("radioButtonInstrument");
        instrument->click();
        // The reference's port: the pseudo-terminal behind the link the window opened.
        f.fill("lineEditReferencePort=" + bench.sim.ptyPath());
        f.run("lineEditReference=CM-2,lineEditReferenceCertificate=CAL-2026-0142,spinBoxWindow=5,"
              "doubleSpinBoxDriftTemperature=1,doubleSpinBoxDriftHumidity=5,comboBoxRule=2,"
              "doubleSpinBoxUncertaintyTemperature=0.1,spinBoxReferenceAddress=30,"
              "comboBoxReferenceRate=3,lineEditReferenceTemperatureField=4:0,"
              "lineEditReferenceSecondField=4:2:float32,comboBoxRegister=1,comboBoxNum=0,"
              "pushButtonRead");
        const int linked = bench.replies;
        QTRY_VERIFY(bench.replies >= linked + 2);
        COMPARE_FORM(f,
                     "labelReferenceFields~Temperature field: a register field is;"
                     "labelDecisionRule~non-binary statement");
        QVERIFY(gateSays("is the one the transmitter is linked on") && toReference == 0);
        QCOMPARE(live->item(0, 1)->text(), "---");
        typed->click(); // no port, and nothing to read
        QVERIFY(!gateSays("linked on"));
        COMPARE_FORM(f, "labelReferenceFields=");
        instrument->click();
        // A reference in other air on a serial line of its own, whose adapter is pulled.
        TransmitterSimulator own;
        QVERIFY(own.start(dir.filePath("reference")) && own.setReference(30, 4));
        own.setFixedReadings(20, 40);
        f.fill("lineEditReferenceTemperatureField=4:0:float32;lineEditReferencePort="
               + own.portPath());
        QTRY_VERIFY(live->item(0, 1)->text() != "---");
        own.removeAdapter();
        QTRY_VERIFY(gateSays("cannot be opened since"));

        f.fill("lineEditReferencePort=tcp://127.0.0.1:" + QString::number(bench.sim.tcpPort()));
        QTRY_VERIFY(live->item(0, 1)->text() != "---");
        QCOMPARE(within(live->item(0, 1)->text(), 29, 31), QString());
        QTRY_VERIFY_WITH_TIMEOUT(take->isEnabled(), 20000);
        for (int row : {0, 1})
            QCOMPARE(live->item(row, 9)->text(), "met");
        // Its dew point instead of its humidity: the gate waits for the reference anew.
        f.run("lineEditReferenceSecondField=4:4:float,comboBoxReferenceSecond=1");
        COMPARE_FORM(f, "labelReferenceFields~Dew-point field: the type of a field");
        QTRY_VERIFY(gateSays("has given no reading since"));
        f.run("lineEditReferenceSecondField=4:4:float32");
        COMPARE_FORM(f, "labelReferenceFields=");
        QVERIFY(!gateSays("no reading"));
        QTRY_VERIFY(live->item(0, 1)->text() != "---");
        QVERIFY(live->item(0, 8)->text() == "met" && live->item(0, 9)->text() == "filling");
        QVERIFY(!take->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(take->isEnabled(), 20000);
        // U of the temperature: twice the reference's 0.05 and a little of the readings' spread.
        QCOMPARE(within(live->item(0, 5)->text(), 0.1, 0.2), QString());
        f.run("pushButtonTakePoint");
        const auto taken = [points = f.child<QTableWidget>("tablePoints")](int column) {
            return points->item(0, column)->text();
        };
        QCOMPARE(within(taken(1), 29.95, 30.05) + within(taken(4), 0.1, 0.2), QString());
        QCOMPARE(taken(5) + ", " + taken(10), "Conditional pass, Pass");

        f.fill("lineEditReason=reference unplugged");
        bench.sim.setDeviceSilent(30, true);
        QTRY_VERIFY(gateSays("has given no reading since"));
        QVERIFY(!take->isEnabled());
        const QString told = f.child<QLabel>("labelGate")->text();
        const int asked = toReference;
        QTRY_VERIFY(toReference >= asked + 2);
        QCOMPARE(f.child<QLabel>("labelGate")->text(), told); // since the first unanswered
        QTRY_COMPARE(live->item(0, 9)->text(), "filling");
        bench.sim.setDeviceSilent(30, false);
        QTRY_VERIFY(!gateSays("no reading"));
        QVERIFY(!typed->isEnabled()); // while the check is open

        // Kept for the next run: a window opened now shows the station as it was left.
        TrendSession none;
        CheckWindow again(
            none, [] { return Transmitter(); }, [] { return QString(); });
        const auto station = [](const QWidget *window) {
            QStringList shown;
            for (const char *group :
                 {"groupBoxStation", "groupBoxReferenceReading", "groupBoxConditions"})
                for (const QWidget *w :
                     window->findChild<QWidget *>(group)->findChildren<QWidget *>())
                    shown << w->property("text").toString() + w->property("currentText").toString()
                            + w->property("checked").toString();
            return shown;
        };
        QCOMPARE(station(&again), station(f.window.findChild<CheckWindow *>()));
        QCOMPARE(StationSettings::load().text("reference-humidity"), QString());
        // Changed elsewhere (tr451 station, the Batch window), shown once the window is active.
        StationSettings changed = StationSettings::load();
        QString why;
        QVERIFY(changed.set("reference-address", "31", &why));
        changed.save();
        QEvent activated(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&again, &activated);
        QCOMPARE(again.findChild<QSpinBox *>("spinBoxReferenceAddress")->value(), 31);
        QCOMPARE(StationSettings::load().text("reference-address"), "31");
    }

    // A rack of three transmitters, one a degree off, a reference and a chamber on one line, run
    // through two points from the Batch window: a refused profile names its line and column, a
    // chamber field it cannot set and the main window's port are refused, the scan finds the
    // rack; closing the tool during the run asks and keeps it running, closing the window leaves
    // it to be resumed; the next start offers it and finishes it, every cell coloured with its
    // result, the charts and the records holding it.
    void batch()
    {
        StationSettings station;
        QString why;
        for (const QString &setting :
             QStringList {"reference=Hygrometer", "reference-certificate=C-17",
                          "reference-due=2099-12-31", "window=5", "max-drift-temperature=1",
                          "max-drift-humidity=5", "max-std-temperature=0.2", "max-std-humidity=1"})
            QVERIFY(station.set(setting.section('=', 0, 0), setting.section('=', 1), &why));
        station.save();
        TransmitterSimulator sim;
        sim.setDevices({{1, 4}, {2, 4}, {3, 4}});
        sim.setPacing(false);
        sim.setAnswerAtOnce(true);
        sim.setSettling(20, 40, 1);
        QVERIFY(sim.setBias(3, 1, 0) && sim.setReference(30, 4) && sim.setChamber(31, 4));
        QVERIFY(sim.start(dir.filePath("line")));
        QList<int> asked; // by address
        connect(&sim, &TransmitterSimulator::requestReceived,
                [&asked](const QByteArray &request) { asked << quint8(request.at(0)); });
        const QString profile = dir.filePath("profile.csv");
        const auto write = [&profile](const QByteArray &points) {
            QFile file(profile);
            return file.open(QIODevice::WriteOnly)
                && file.write("temperature,humidity,soak,max_wait\n" + points) > 0;
        };
        {
            WindowFixture f;
            f.run("pushButtonBatch");
            auto *batch = f.window.findChild<BatchWindow *>();
            QVERIFY(write("23,wet,1,15\n") && !batch->openProfile(profile));
            QVERIFY(f.boxes.messages.value(0).endsWith(
                "profile.csv is not a profile: line 2, column humidity: \"wet\" is not a number"));
            QVERIFY(write("23,50,1,15\n25,60,1,15\n") && batch->openProfile(profile));
            f.fill("lineEditBatchReferencePort=" + sim.portPath()
                   + ";spinBoxBatchReferenceAddress=30;"
                     "lineEditBatchReferenceTemperature=4:0:float32;"
                     "lineEditBatchReferenceSecond=4:2:float32;lineEditChamberPort="
                   + sim.portPath()
                   + ";spinBoxChamberAddress=31;lineEditChamberHumidity=3:1:int16:10;"
                     "lineEditChamberTemperature=4:0:float32");
            COMPARE_FORM(f, "labelStationRefusal~chamber-temperature takes a holding register");
            f.fill("lineEditChamberTemperature=3:0:int16:10;lineEditBatchPort="
                   + f.port()->portName());
            COMPARE_FORM(f, "labelStationRefusal=");
            f.run("pushButtonScan");
            QVERIFY(f.boxes.messages.value(1).endsWith(": press Link there to close it first."));
            f.fill("lineEditBatchPort=" + sim.portPath());
            f.run("pushButtonScan");
            QTRY_VERIFY(asked.size() > 4);
            f.run("pushButtonScan");
            QCOMPARE(asked.mid(0, 4), QList<int>({1, 2, 3, 4}));
            COMPARE_FORM(f, "lineEditAddresses=1-3;pushButtonScan=Scan");

            f.run("pushButtonStart");
            QTRY_VERIFY_WITH_TIMEOUT(
                cells(f, 0).count('#') == 3 && !cells(f, 0).contains("#000000"), 30000);
            QVERIFY(!f.window.close());
            QVERIFY(f.boxes.messages.value(2).endsWith("or keep it running?"));
            f.boxes.onMessage = [](QMessageBox *box) {
                for (QAbstractButton *button : box->buttons()) {
                    if (button->text() == "Leave it to resume later")
                        button->click();
                }
            };
            QVERIFY(batch->close());
            QCOMPARE(f.boxes.messages.size(), 4);
        }
        RunRecord stored;
        stored.id = 1;
        QVERIFY(RecordStore().loadRun(stored) && stored.state == RunRecord::State::Running);

        sim.setDeviceSilent(2, true);
        WindowFixture f;
        f.window.show();
        QTRY_VERIFY(f.window.findChild<BatchWindow *>());
        QVERIFY(f.boxes.messages.value(0).startsWith(
            "Batch run: The batch run of 3 transmitter(s) begun "));
        QTRY_VERIFY_WITH_TIMEOUT(f.child<QPushButton>("pushButtonPause")->isEnabled(), 15000);
        f.run("pushButtonPause");
        QTRY_VERIFY(f.child<QLabel>("labelRunPoint")->text().endsWith(": paused"));
        COMPARE_FORM(f, "labelRunBand~Band: 25.0 \u00b1 1.0 \u2103, 60.0 \u00b1 3.0 %RH");
        f.run("pushButtonResume");
        QTRY_VERIFY_WITH_TIMEOUT(
            f.child<QLabel>("labelRunState")->text().startsWith("The run finished"), 40000);
        COMPARE_FORM(f,
                     "labelRunPoint=Point 2 of 2: ended;labelRunTimes=Soak left: 0 s\nTime to go "
                     "at most: 0 s");
        QCOMPARE(cells(f, 0) + " | " + cells(f, 1),
                 "Pass #c8e6c9, Pass #c8e6c9, Fail #ef9a9a | Pass #c8e6c9, no answer #e0e0e0, Fail "
                 "#ef9a9a");
        const auto *table = f.child<QTableWidget>("tableTransmitters");
        QCOMPARE(table->item(1, RunTable::Gate)->text(), "set aside");
        QVERIFY(qAbs(table->item(2, RunTable::TemperatureError)->text().toDouble() - 1) < 0.2);
        for (const char *chart : {"chartTemperature", "chartHumidity"}) {
            const ErrorChartData data = f.child<ErrorChartWidget>(chart)->data();
            QCOMPARE(data.series.size(), 3);
            QVERIFY(data.series.at(2).name == "261206033417"
                    && data.series.at(2).points.size() == 2);
        }
        QVERIFY(RecordStore().loadRun(stored) && stored.state == RunRecord::State::Finished
                && stored.kind == Check::Kind::AsFound);
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

private:
    QTemporaryDir dir;
};

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
