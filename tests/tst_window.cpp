// The window on a pseudo-terminal: commands sent or refused, answers shown, polling, the log, the
// start and the trend window, under an Arabic locale whose digits must reach no frame or stamp.
#include "app/appstate.h"
#include "app/buildstamp.h"
#include "display/trendsession.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "serial/serialportsettingdialog.h"
#include "support/table.h"
#include "support/trendsamples.h"
#include "support/windowfixture.h"
#include "ui/messagelog.h"
#include "ui/profileeditor.h"
#include "ui/runtexts.h"
#include "ui/trendwindow.h"

#include <QFileDialog>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_draw.h>

#include <cstdio>

using namespace Modbus;

// Values the block write-backs send from the caches, as the last block reads stored them.
static constexpr qint16 CachedOutput = 0x1234;
static constexpr qint16 CachedCalibration = 0x5678;

static const QwtPlotCurve *temperatureCurve(const TrendWindow &trend)
{
    const QwtPlot *plot = trend.findChild<QwtPlot *>();
    return static_cast<const QwtPlotCurve *>(plot->itemList(QwtPlotItem::Rtti_PlotCurve).first());
}

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void startUp()
    {
        WindowFixture f;
        const QRegularExpression title(
            R"(^TR-451&573 Test Tools   V[0-9]{4}\.[0-9]{2}\.[0-9]{2}\.[0-9]{4}$)");
        QVERIFY(title.match(f.window.windowTitle()).hasMatch());
        for (const char *name : {"pushButtonAUTO", "pushButtonMANU", "labelWetBulbTemp"})
            QVERIFY2(f.child<QWidget>(name)->isHidden(), name);
        for (const char *name :
             {"labelChannel", "comboBoxChannel", "comboBoxOutputData", "pushButtonOutputData"})
            QVERIFY2(!f.child<QWidget>(name)->isEnabled(), name);
        COMPARE_FORM(f,
                     "comboBoxBaudRate=9600;comboBoxChannel#1;timerClear=off;timerResponse=off;"
                     "timerReadHumiture=off;timerAutoUart=off;timerDelay=off");
        QVERIFY(f.nothingSent());
        QVERIFY(f.child<QTimer>("timerReadHumiture")->timerType() == Qt::PreciseTimer
                && f.child<QTimer>("timerAutoUart")->timerType() == Qt::PreciseTimer);

        // The selector's items are the rates of the codes 1..6; the dialog offers them after AUTO.
        SerialportSettingDialog dialog;
        auto *rates = dialog.findChild<QComboBox *>("comboBoxBaud");
        QCOMPARE(rates->currentText(), "AUTO");
        for (int code = Registers::FirstBaudCode; code <= Registers::LastBaudCode; ++code) {
            const int rate = Registers::baudRateForCode(code);
            QVERIFY(f.child<QComboBox>("comboBoxBaudRate")->itemText(code - 1).toInt() == rate
                    && rates->itemText(code).toInt() == rate);
        }

        QCOMPARE(Widget::Crc16(reinterpret_cast<const quint8 *>("123456789"), 9), quint16(0x374B));
        QCOMPARE(BuildStamp::versionSuffix(BuildStamp::parseDate("Jun  6 2023"),
                                           BuildStamp::parseTime("09:05:07")),
                 " V2023.06.06.0905");
        QCOMPARE(BuildStamp::versionSuffix(BuildStamp::parseDate("Jun 16 2023"), QTime(15, 3, 57)),
                 " V2023.06.16.1503");
        QCOMPARE(BuildStamp::versionSuffix(BuildStamp::parseDate("Jux 16 2023"), QTime()), " V.");

        QTimer::singleShot(0, [&f] { f.run("pushButtonClose"); });
        // A guard that goes with the window: left running, it would end later tests' event loops.
        QTimer::singleShot(5000, &f.window, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    void commands_data()
    {
        const Table<QByteArray, QByteArray, QString, bool, QString> row("steps", "frame", "timers",
                                                                        "clears", "message");
        const QString poll = "timerResponse=off;timerReadHumiture=1000";
        const QString none = "timerResponse=off;timerReadHumiture=off";
        QVector<quint16> output(11, 0), calibration(41, 0);
        output.first() = calibration.first() = Registers::ApplyBlock;
        output.last() = quint16(CachedOutput);
        calibration.last() = quint16(CachedCalibration);
        // Most commands wait for an answer, move the poll a whole interval on, clear what came in.
        const auto send = [&row](const char *name, const char *steps, const QByteArray &frame,
                                 const QString &timers = "timerResponse=500;timerReadHumiture=1000",
                                 bool clears = true) {
            row(name, steps, frame, timers, clears, "");
        };
        send("address read", "pushButtonAddressRead", readRequest(1, 0x0100, 1));
        send("read at 7", "lineEditAddress=7,pushButtonAddressRead", readRequest(7, 0x0100, 1));
        send("address write", "lineEditAddress=247,pushButtonAddress", writeRequest(0, 0x0100, 247),
             "timerResponse=500;timerReadHumiture=1000", false);
        send("baud 115200", "comboBoxBaudRate=5,pushButtonBaudRate", writeRequest(1, 0x0101, 6));
        send("serial read", "pushButtonReadSN", readRequest(1, 0x0104, 3));
        send("range", "lineEditRangeMin=25.3,lineEditRangeMax=-40,pushButtonTempRange",
             blockWrite(1, Registers::TemperatureRangeBlock, {253, 0xFE70}), none);
        send("heater on", "pushButtonHeaterON", writeRequest(1, 0x0109, 1));
        send("heater off", "pushButtonHeaterOFF", writeRequest(1, 0x0109, 0));
        send("manual serial", "lineEditSN=0000000000AB,PushButtonMANUSetupSlot",
             blockWrite(1, Registers::SerialNumberBlock, {0, 0, 0xAB}), poll);
        send("output read", "PushButtonOutputReadSlot", readRequest(1, 0x010A, 17));
        send("output apply", "PushButtonOutputApplySlot",
             blockWrite(1, Registers::OutputWriteBack, output), none, false);
        send("output, no button", "PushButtonOutputSlot", writeRequest(1, 0x0000, 0));
        send("calibration read", "PushButtonCalibrationReadSlot", readRequest(1, 0x0200, 45));
        send("calibration apply", "PushButtonCalibrationApplySlot",
             blockWrite(1, Registers::CalibrationWriteBack, calibration), none, false);
        send("calibration reset", "PushButtonCalibrationResetSlot", writeRequest(1, 0x0204, 0));
        send("cap clear", "PushButtonCapClearSlot", writeRequest(1, 0x0202, 0));
        send("res clear", "PushButtonResClearSlot", writeRequest(1, 0x0200, 0));
        send("unit", "PushButtonUnitSlot", writeRequest(1, 0x0008, 0));
        send("poll, *100 all", "comboBoxRegister=1,comboBoxNum=0,pushButtonRead,ReadHumitureOrder",
             readRequest(1, 0x0000, 4), poll);
        send(
            "poll, *10 humidity",
            "lineEditAddress=abc,comboBoxRegister=0,comboBoxNum=2,pushButtonRead,ReadHumitureOrder",
            readRequest(0, 0x0005, 1), poll);
        // Refused: a message, nothing sent or logged, nothing started.
        const QString refused = "timerResponse=off;timerReadHumiture=off;pushButtonRead=Read";
        const QString between = "The address is between 1 and 247!";
        const auto refuse = [&](const char *name, const QByteArray &steps, const QString &message) {
            row(name, steps, {}, refused, false, message.isEmpty() ? "" : "Error: " + message);
        };
        refuse("address empty", "lineEditAddress=,pushButtonAddress", "The address is empty!");
        for (const char *address : {"0", "248", "-5", "abc", "65537"})
            refuse(address, QByteArray("lineEditAddress=") + address + ",pushButtonAddress",
                   between);
        refuse("range min empty", "lineEditRangeMin=,lineEditRangeMax=1,pushButtonTempRange",
               "Data is empty!");
        refuse("range max empty", "lineEditRangeMin=1,lineEditRangeMax=,pushButtonTempRange",
               "Data is empty!");
        refuse("range not a number", "lineEditRangeMin=1,lineEditRangeMax=x,pushButtonTempRange",
               "The temperature range must be a number from -3276.8 to 3276.7!");
        refuse("serial of 11", "lineEditSN=00000000000,PushButtonMANUSetupSlot",
               "The serial number is a fixed 12 characters!");
        refuse("serial of 13", "lineEditSN=0000000000000,PushButtonMANUSetupSlot",
               "The serial number is a fixed 12 characters!");
        refuse("serial not hex", "lineEditSN=00000000000G,PushButtonMANUSetupSlot",
               "The serial number must be 12 hexadecimal digits!");
        refuse("poll without address", "lineEditAddress=,pushButtonRead,ReadHumitureOrder",
               "The address is empty!");
        refuse("baud, empty selector", "comboBoxBaudRate=-1,pushButtonBaudRate", "");
    }

    void commands()
    {
        QFETCH(QByteArray, steps);
        QFETCH(QByteArray, frame);
        QFETCH(QString, timers);
        QFETCH(QString, message);
        WindowFixture f;
        AppState.outputRegs[Registers::OutputBlockCount - 1] = CachedOutput;
        AppState.calibrationRegs[Registers::CalibrationBlockCount - 1] = CachedCalibration;
        // An answer taken, another half in: a command clears the flag and keeps or drops the bytes.
        AppState.responseReceived = true;
        AppState.rxBuffer = QByteArray::fromHex("0103");
        f.run("lineEditAddress=1," + steps);
        QCOMPARE(frame.isEmpty() ? QByteArray(f.nothingSent() ? "" : "sent") : f.sent(frame.size()),
                 hex(frame));
        QCOMPARE(f.describe(timers), timers);
        QTEST(AppState.rxBuffer.isEmpty(), "clears");
        QCOMPARE(AppState.responseReceived, frame.isEmpty());
        QCOMPARE(f.log().size(), frame.isEmpty() ? 0 : 1);
        QVERIFY(frame.isEmpty() || f.log().last().endsWith("->TX  " + frame.toHex()));
        QCOMPARE(f.boxes.messages.join('|'), message);
        // A refused serial number stays in the device record all the same.
        QCOMPARE(AppState.serialNumber,
                 steps.contains("PushButtonMANU") ? f.child<QLineEdit>("lineEditSN")->text() : "");
        QCOMPARE(QPoint(AppState.tempRangeMin, AppState.tempRangeMax),
                 QTest::currentDataTag() == QByteArray("range") ? QPoint(253, -400) : QPoint());
    }

    void unreachableInputs()
    {
        WindowFixture f;
        f.fill("lineEditAddress=1;comboBoxOutputData=2");
        f.window.RefillChannelCombo(2);
        f.fill("comboBoxChannel=1");
        f.child<QPushButton>("pushButtonOutputData")->setEnabled(true);
        f.run("pushButtonOutputData");
        QCOMPARE(f.sent(8), hex(writeRequest(1, 0x012B, 2)));

        const QDateTime before = QDateTime::currentDateTime();
        AppState.rxBuffer = "\x01";
        f.run("PushButtonAUTOSetupSlot");
        const QByteArray sent = f.sent(15);
        QVERIFY(AppState.rxBuffer.isEmpty()
                && f.describe("timerReadHumiture=x") == "timerReadHumiture=1000");
        QStringList stamps; // the time of the click in ASCII digits
        for (const QDateTime &at : {before, QDateTime::currentDateTime()})
            stamps << hex(blockWrite(
                1, Registers::SerialNumberBlock,
                CommandInputs::serialNumberWords(QLocale::c().toString(at, "yyMMddhhmmss"))));
        QVERIFY2(stamps.contains(sent), sent);
        // Noise longer than any answer: dropped, not taken for a lost adapter.
        f.answer(QByteArray(1025, 'U'));
        QVERIFY(f.port()->isOpen() && f.boxes.messages.isEmpty() && AppState.rxBuffer.isEmpty());
    }

    void answers_data()
    {
        const Table<QByteArray, QByteArray, QString> row("steps", "answer", "shown");
        const QByteArray poll = ",pushButtonRead,ReadHumitureOrder";
        row("identity", "pushButtonAddressRead",
            frame("010312 0007 0005 0003 0001 2612 0603 3415 FE6B 04E2"),
            "lineEditAddress=7;comboBoxBaudRate=19200;lineEditSN=261206033415;lineEditRangeMin=-40."
            "5;lineEditRangeMax=125.0;comboBoxChannel#2;timerDelay=100");
        row("identity, unknown baud code", "pushButtonAddressRead",
            frame("01030E 0003 0007 0000 0000 0000 0000 0001"),
            "lineEditAddress=3;comboBoxBaudRate=;lineEditSN=000000000001;lineEditRangeMin=-40;"
            "comboBoxChannel#1;timerDelay=100");
        row("address read", "pushButtonAddressRead", frame("010302 0005"),
            "lineEditAddress=5;lineEditSN=;comboBoxChannel#1;timerDelay=off");
        row("baud echo", "pushButtonBaudRate", frame("010601010002"), "comboBoxBaudRate=2400");
        row("serial read", "pushButtonReadSN", frame("010306 0000 0000 00AB"),
            "lineEditSN=0000000000ab");
        row("output block", "comboBoxOutputData=2,PushButtonOutputReadSlot",
            frame("010322 0000 0000" + QByteArray("0000").repeated(15)),
            "comboBoxOutputData=Temperature");
        row("output block, unknown output", "comboBoxOutputData=1,PushButtonOutputReadSlot",
            frame("010322 0000 0003" + QByteArray("0000").repeated(15)),
            "comboBoxOutputData=Humidity");
        row("all, *100", "comboBoxRegister=1,comboBoxNum=0" + poll,
            frame("010308 0929 11D7 FF38 0000"),
            QString::fromUtf8("labelTemperature=Temperature:<font color=red>23.45℃  "
                              "</font><font color=green>10.153mA  </font>"
                              "<font color=blue>1.923V  </font><font "
                              "color=blue>3.845V</font>;labelHumidity~>45.67%  "
                              "</font><font color=green>11.307mA;labelDewTemp~>-2.00℃  <"));
        row("humidity above 0x7FFF", "comboBoxRegister=1,comboBoxNum=2" + poll,
            frame("010302 FF38"), "labelHumidity~>653.36%  </font><font color=green>108.538mA");
        row("humidity, *10", "comboBoxRegister=0,comboBoxNum=2" + poll, frame("010302 01C9"),
            "labelTemperature=Temperature:---;labelHumidity~>45.7%  <;labelDewTemp=DewTemp:---");
        row("temperature, equal ends",
            "lineEditRangeMin=,lineEditRangeMax=,comboBoxRegister=1,comboBoxNum=1" + poll,
            frame("010302 0929"), "labelTemperature~>---mA  <;labelHumidity=Humidity:---");
        row("status", "comboBoxRegister=1,comboBoxNum=4" + poll, frame("010302 0001"),
            "labelTemperature=Temperature:---;labelHumidity=Humidity:---;labelDewTemp=DewTemp:---");
        row("exception", "pushButtonAddressRead", frame("018302"), "lineEditAddress=1");
        // A refused baud rate or serial number leaves the control showing what the device reported.
        row("exception to baud", "comboBoxBaudRate=5,pushButtonBaudRate", frame("018603"),
            "comboBoxBaudRate=2400");
        row("exception to serial", "lineEditSN=x,pushButtonReadSN", frame("018302"),
            "lineEditSN=0123456789ab");
    }

    void answers()
    {
        QFETCH(QByteArray, steps);
        QFETCH(QByteArray, answer);
        QFETCH(QString, shown);
        WindowFixture f;
        AppState.baudRateCode = 2;
        AppState.serialNumber = "0123456789ab";
        f.run("lineEditAddress=1,lineEditRangeMin=-40,lineEditRangeMax=125," + steps);
        f.read(8, 1000);
        f.answer(answer);
        QCOMPARE(f.describe(shown), shown);
        QVERIFY(AppState.responseReceived && AppState.rxBuffer.isEmpty());
        const bool identity = QTest::currentDataTag() == QByteArray("identity");
        QCOMPARE(AppState.infoReg0102, quint16(identity ? 3 : 0)); // kept, not shown
        QVERIFY(f.log().last().endsWith("->RX  " + answer.toHex()));
    }

    void polling()
    {
        WindowFixture f;
        f.fill("lineEditAddress=1");
        auto *timer = f.child<QTimer>("timerReadHumiture");
        f.run("pushButtonRead");
        COMPARE_FORM(f, "pushButtonRead=Stop;timerReadHumiture=1000");
        QVERIFY(f.nothingSent()); // the first poll follows a whole interval after the click
        QTRY_VERIFY(timer->remainingTime() < 800);
        f.run("pushButtonHeaterON"); // a command moves the poll that was due a whole interval on
        QVERIFY(timer->remainingTime() > 900);
        // Reading off, a command still starts the timer, and its ticks send nothing.
        f.run("pushButtonRead,pushButtonHeaterOFF,ReadHumitureOrder");
        QCOMPARE(f.read(17, 300).size(), 16);
        COMPARE_FORM(f, "pushButtonRead=Read;timerReadHumiture=1000");
    }

    void messageLog()
    {
        const QDateTime at(QDate(2026, 12, 6), QTime(9, 5, 7));
        QCOMPARE(MessageLog::formatLine(at, "0a0b", false),
                 "<font color=red>2026-12-06 09:05:07->TX  0a0b</font>");
        QCOMPARE(MessageLog::formatLine(at.addSecs(4 * 3600), "", true),
                 "<font color=green>2026-12-06 13:05:07->RX  </font>");

        QTextBrowser log;
        for (int i = 1; i <= 12; ++i)
            MessageLog::append(&log, QString::number(i), 10, 2);
        QCOMPARE(log.toPlainText(), "3\n4\n5\n6\n7\n8\n9\n10\n11\n12");
        MessageLog::append(&log, "13", 10, 2);
        QCOMPARE(log.document()->blockCount(), 11);

        // Trimmed while the user reads back, the lines on screen stay; at the bottom, new show.
        log.resize(200, 80);
        log.show();
        const auto top = [&log] { return log.cursorForPosition(QPoint(5, 5)).block().text(); };
        log.verticalScrollBar()->setValue(log.verticalScrollBar()->maximum() / 2);
        const QString shown = top();
        MessageLog::append(&log, "14", 10, 2);
        QCOMPARE(top(), shown);
        log.verticalScrollBar()->setValue(log.verticalScrollBar()->maximum());
        for (const char *line : {"15", "16", "17"})
            MessageLog::append(&log, line, 10, 2);
        QCOMPARE(log.verticalScrollBar()->value(), log.verticalScrollBar()->maximum());

        // The bound the tool lives with: the newest 20,000 lines.
        QTextBrowser full;
        for (int i = 1; i <= 22000; ++i)
            MessageLog::append(&full, QString::number(i));
        QCOMPARE(full.document()->blockCount(), 20000);
        QCOMPARE(full.document()->firstBlock().text(), "2001");
        QTemporaryDir dir;
        QVERIFY(MessageLog::save(&log, dir.filePath("log")).isEmpty()
                && !MessageLog::save(&log, dir.filePath("absent/log")).isEmpty());
        QCOMPARE(contents(dir.filePath("log")), (log.toPlainText() + "\n").toUtf8());
    }

    // The trend window follows the newest readings over the chosen span; a zoom or a pan holds the
    // view until a step back at the start (right click, Ctrl + right click) or a span chosen again;
    // the wall clock stepping back changes neither, and the time axis still says when readings were
    // taken. The table gives the statistics of what is in view.
    void trendView()
    {
        WindowFixture f;
        f.run("pushButtonTrend,pushButtonTrend");
        QCOMPARE(f.window.findChildren<TrendWindow *>().size(), 1);
        auto *trend = f.window.findChild<TrendWindow *>();
        auto *session = f.window.findChild<TrendSession *>();
        // temperature points in view @ the lowest, which is its second / their mean
        const auto view = [table = trend->findChild<QTableWidget *>()] {
            return table->item(0, 0)->text() + '@' + table->item(0, 2)->text() + '/'
                + table->item(0, 4)->text();
        };
        qint64 t = 0;
        const auto add = [&](int count, qint64 clockStepMs = 0) {
            for (const qint64 end = t + count; t < end; ++t) {
                TrendReading r = reading(T0 + t * 1000, {float(t), 50, No});
                r.time = r.time.addMSecs(clockStepMs);
                session->add(r);
            }
        };
        add(700);
        QCOMPARE(view(), "601@99.00/399.000"); // the last 10 minutes
        auto *span = trend->findChild<QComboBox *>("comboBoxSpan");
        QTest::keyClick(span, Qt::Key_Up);
        QCOMPARE(view(), "61@639.00/669.000");
        auto *zoomer = trend->findChildren<QwtPlotZoomer *>()[0];
        zoomer->zoom(QRectF(T0 + 650000, 0, 10000, 30));
        add(1);
        QCOMPARE(view(), "11@650.00/655.000"); // zoomed in: the view stays
        zoomer->zoom(0);
        QCOMPARE(view(), "61@640.00/670.000"); // back at the start: following again
        QWidget *canvas = zoomer->canvas();
        auto *panner = trend->findChild<QwtPlotPanner *>();
        for (const Qt::KeyboardModifiers modifiers : {Qt::NoModifier, Qt::ControlModifier}) {
            emit panner->panned(canvas->width() / 2, 0); // half a minute back, and there it stays
            add(1);
            QCOMPARE(view().section('/', 0, 0).section('@', 1), QString("%1.00").arg(t - 92));
            QVERIFY(view().section('@', 0, 0).toInt() >= 59);
            QTest::mouseClick(canvas, Qt::RightButton, modifiers, canvas->rect().center());
            QCOMPARE(view(), QString("61@%1.00/%2.000").arg(t - 61).arg(t - 31));
        }
        emit panner->panned(canvas->width() / 2, 0);
        emit span->activated(0);
        QCOMPARE(view(), QString("61@%1.00/%2.000").arg(t - 61).arg(t - 31));
        QCOMPARE(trend->findChild<QObject *>("labelStatus")->property("text"), "Status: 0xAB12");
        const QwtPlot *plot = trend->findChild<QwtPlot *>();
        QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), double(T0 + (t - 1) * 1000));

        add(30, -3600 * 1000);
        QCOMPARE(view(), QString("61@%1.00/%2.000").arg(t - 61).arg(t - 31));
        const QwtScaleDraw *axis = plot->axisScaleDraw(QwtPlot::xBottom);
        const double stepped = double(T0 + (t - 1) * 1000);
        QCOMPARE(axis->label(stepped).text(), axis->label(stepped - 3600 * 1000).text());
    }

    // The label names the file as it is, percent signs and all. A file replaced under the recording
    // stops it, with the rows before kept; the user is told once, and only after the answer that
    // found it out has been handled.
    void trendRecording()
    {
        WindowFixture f;
        f.fill("lineEditAddress=1;comboBoxRegister=1;comboBoxNum=0");
        f.run("pushButtonTrend,pushButtonRead");
        auto *trend = f.window.findChild<TrendWindow *>();
        QTemporaryDir dir;
        QVERIFY(!trend->startRecording(dir.filePath("absent/r.csv")));
        QTRY_COMPARE(f.boxes.messages.size(), 1);
        const QString path = dir.filePath("%2 %1.csv");
        QVERIFY(trend->startRecording(path));
        const auto poll = [&f] {
            f.run("ReadHumitureOrder");
            f.read(8);
            f.answer(frame("010308 0929 11D7 FF38 0000"));
        };
        poll();
        QCOMPARE(trend->findChild<QLabel *>("labelRecording")->text(),
                 "Recording to " + QDir::toNativeSeparators(path) + ", rows written: 1");
        const QByteArray kept = contents(path);
        QVERIFY(QFile::copy(path, dir.filePath("copy"))
                && std::rename(qPrintable(dir.filePath("copy")), qPrintable(path)) == 0);
        int answersAtBox = 0;
        f.boxes.onMessage = [&](QMessageBox *) { answersAtBox = f.log().filter("->RX  ").size(); };
        poll();
        QTRY_COMPARE(f.boxes.messages.size(), 2);
        QCOMPARE(answersAtBox, 2);
        QVERIFY2(f.boxes.messages.last().startsWith("Recording: Cannot write to "
                                                    + QDir::toNativeSeparators(path)
                                                    + ": The file was removed, moved or replaced"),
                 qPrintable(f.boxes.messages.last()));
        poll();
        poll();
        QTest::qWait(20);
        QCOMPARE(f.boxes.messages.size(), 2);
        QCOMPARE(contents(path), kept);
        QCOMPARE(trend->samples().rowCount(), 4);
    }

    // Images are written in the format their name says; a bare name gets the chosen type's suffix,
    // and replacing a file of that name is asked first. A hidden window whose store has dropped
    // rows meanwhile saves what the store holds now.
    void trendImages()
    {
        TrendSession session(100);
        TrendWindow trend(session);
        ModalWatcher boxes;
        trend.show();
        qint64 t = 0;
        for (; t < 50; ++t)
            session.add(reading(T0 + t * 1000, {float(t), 50, No}));
        trend.hide();
        for (; t < 250; ++t)
            session.add(reading(T0 + t * 1000, {float(t), 50, No}));
        QTemporaryDir dir;
        const QString png = dir.filePath("t.png");
        QVERIFY(trend.saveImage(png) && trend.saveImage(dir.filePath("t.SVG"))
                && trend.saveImage(dir.filePath("t.jpg")));
        QCOMPARE(temperatureCurve(trend)->dataSize(), size_t(100));
        QCOMPARE(temperatureCurve(trend)->sample(99), QPointF(T0 + 249000, 249));
        QVERIFY(contents(png).startsWith("\x89PNG"));
        QVERIFY(contents(dir.filePath("t.SVG")).contains("<svg"));
        QVERIFY(contents(dir.filePath("t.jpg")).startsWith("\xFF\xD8"));
        QVERIFY(!trend.saveImage(dir.filePath("t.txt")) && !QFile::exists(dir.filePath("t.txt")));
        QCOMPARE(boxes.messages.value(0),
                 "Save image: Cannot save the image to "
                     + QDir::toNativeSeparators(dir.filePath("t.txt"))
                     + ": the name must end in .png or .svg");

        const QByteArray before = contents(png);
        boxes.onDialog = [&dir](QWidget *dialog) {
            static_cast<QFileDialog *>(dialog)->selectFile(dir.filePath("t"));
            static_cast<QDialog *>(dialog)->accept();
        };
        trend.show();
        QTest::mouseClick(trend.findChild<QPushButton *>("pushButtonSaveImage"), Qt::LeftButton);
        QTRY_COMPARE(boxes.messages.value(boxes.messages.size() - 1),
                     "Save image: " + QDir::toNativeSeparators(png)
                         + " already exists. Replace it?");
        QCOMPARE(contents(png), before); // not answered with Yes
    }

    // Many more readings in view than the plot has columns: each curve draws the lowest and the
    // highest of every stretch, and a new extreme at once, though the view moved less than a
    // column.
    void trendEnvelope()
    {
        TrendSession session;
        for (qint64 t = 0; t < 20000; ++t)
            session.add(reading(T0 + t * 1000, {float(t % 10), 50, No}));
        TrendWindow trend(session);
        auto *span = trend.findChild<QComboBox *>("comboBoxSpan");
        span->setCurrentIndex(3); // everything
        emit span->activated(3);
        trend.show();
        const QwtPlot *plot = trend.findChild<QwtPlot *>();
        QVERIFY(temperatureCurve(trend)->dataSize() < size_t(plot->canvas()->width()));
        QVERIFY(plot->axisScaleDiv(QwtPlot::yLeft).upperBound() < 20);
        session.add(reading(T0 + 19999 * 1000, {35, 50, No}));
        QVERIFY(plot->axisScaleDiv(QwtPlot::yLeft).upperBound() >= 35);
    }

    // A profile's table reads as its file does, a decimal comma and a quote too, and names the
    // line and column it refuses; a point added copies the current one.
    void profileTable()
    {
        QTableWidget table(0, 6);
        ProfileEditor editor(&table);
        QString error;
        editor.show(*Profile::parse("temperature,humidity,soak,max_wait\n23,50,1,15\n", &error));
        table.setCurrentCell(0, 0);
        editor.addPoint();
        table.item(1, 0)->setText("25,5");
        const std::optional<Profile> edited = editor.profile(&error);
        QVERIFY2(edited, qPrintable(error));
        QCOMPARE(edited->toCsv().split('\n').mid(1).join('|'),
                 "23,50,1,15,1,3\r|25.5,50,1,15,1,3\r|");
        table.item(1, 1)->setText("wet\"");
        QVERIFY(!editor.profile(&error));
        QCOMPARE(error, "line 3, column humidity: \"wet\"\" is not a number");
        editor.removePoint();
        QCOMPARE(editor.profile(&error)->points().size(), 1);
    }

    void gateTexts_data()
    {
        // The gates filled, steady, quiet: T and H, then the reference's.
        const Table<QString, QString> row("gates", "shown");
        row("all met", "fsq fsq fsq fsq", "met");
        row("humidity drifting", "fsq f-q -sq -sq", "humidity drifting");
        row("temperature first", "fs- ---", "temperature noisy");
        row("then the reference", "fsq fsq -sq fsq", "reference: temperature filling");
    }

    // Why a transmitter of a batch run waits: the first gate not met, its own before the
    // reference's.
    void gateTexts()
    {
        QFETCH(QString, gates);
        const QStringList parts = gates.split(' ');
        const auto gate = [&parts](int i) {
            QuantityGate g;
            g.filled = parts.value(i).startsWith('f');
            g.steady = parts.value(i).mid(1, 1) == "s";
            g.quiet = parts.value(i).endsWith('q');
            return g;
        };
        GateState state;
        state.quantities = {gate(0), gate(1)};
        if (parts.size() > 2)
            state.reference = GateState::Quantities {gate(2), gate(3)};
        QTEST(RunTexts::gate(state), "shown");
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
