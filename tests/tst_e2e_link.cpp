// The Link button end to end: the settings dialog, opening the port at a chosen rate or by the
// automatic search, the identity and output reads that follow, and what a missing port or a
// vanishing adapter does, against the simulated transmitter.
#include "app/appstate.h"
#include "app/widget.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "support/modalwatcher.h"
#include "transmittersimulator.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <sys/resource.h>

#include <functional>

namespace {

const QString FailedToOpen = QStringLiteral("Failed to open the serial port!");
const QString CommunicationError = QStringLiteral("Communication error!");
const QString UsbError = QStringLiteral("USB device error, please reconnect USB device!");
const QList<int> SearchOrder = {115200, 19200, 9600, 4800, 2400, 1200};

// The identity read at every opening, to address 0 while lineEditAddress is still empty.
const QByteArray FirstRequest = QByteArray::fromHex("00030100000985e1");
// The output block read that follows, to the address the identity answer gave (7).
const QByteArray OutputRequest = QByteArray::fromHex("0703010a0011a45e");

constexpr int RequestRegisterOffset = 2; // start register of a read request
constexpr quint16 SimAddress = 7;
constexpr quint16 SimOutputData = 2; // dew point

int baudCode(int rate)
{
    for (quint16 code = Registers::FirstBaudCode; code <= Registers::LastBaudCode; ++code) {
        if (Registers::baudRateForCode(code) == rate)
            return code;
    }
    return 0;
}

struct Request
{
    qint64 at; // ms on the recorder's clock
    int speed; // line speed the tool had set when the request arrived
    QByteArray frame;
};

// What the simulated device heard and said, and when.
class Recorder
{
public:
    explicit Recorder(TransmitterSimulator &sim)
    {
        clock.start();
        QObject::connect(&sim, &TransmitterSimulator::requestReceived, &sim,
                         [this, &sim](const QByteArray &frame) {
                             requests.append({clock.elapsed(), sim.lineSpeed(), frame});
                         });
        QObject::connect(&sim, &TransmitterSimulator::replySent, &sim,
                         [this](const QByteArray &) { replies.append(clock.elapsed()); });
    }

    QList<Request> identityReads() const
    {
        QList<Request> found;
        for (const Request &request : requests) {
            if (Modbus::functionCode(request.frame) == Modbus::ReadRegisters
                && Modbus::word(request.frame, RequestRegisterOffset) == Registers::DeviceAddress)
                found.append(request);
        }
        return found;
    }

    QList<int> identitySpeeds() const
    {
        QList<int> speeds;
        for (const Request &request : identityReads())
            speeds.append(request.speed);
        return speeds;
    }

    QElapsedTimer clock;
    QList<Request> requests;
    QList<qint64> replies;
};

qint64 cpuMs()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

QStringList dumpedConnections;

void collectDump(QtMsgType, const QMessageLogContext &, const QString &message)
{
    dumpedConnections.append(message);
}

} // namespace

class TestE2eLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fixedRate_data();
    void fixedRate();
    void repliesOnTheLine_data();
    void repliesOnTheLine();
    void autoSearchFindsRate_data();
    void autoSearchFindsRate();
    void autoSearchWithoutAnswer();
    void cancel_data();
    void cancel();
    void linkStopsSearch_data();
    void linkStopsSearch();
    void openFailure_data();
    void openFailure();
    void searchStopsWhenPortGoesMissing();
    void readyReadReachesParserOnce();
    void adapterRemoval_data();
    void adapterRemoval();
    void repeatedResourceErrorShowsOneBox();
    void resourceErrorBehindOpenBox();

private:
    // Presses Link; the dialog gets path and the rate text ("AUTO", "9600", ...) and is left with
    // OK, or with Cancel when rate is empty, after being held open for holdMs.
    void pressLink(const QString &path, const QString &rate, int holdMs = 0);
    void configure(TransmitterSimulator &sim, int rate);
    QStringList logLines(const char *marker) const;
    template<typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    QSerialPort *port() const { return child<QSerialPort>("serialPort"); }
    QTimer *timer(const char *name) const { return child<QTimer>(name); }

    Widget *window = nullptr;
    ModalWatcher *watcher = nullptr;
    qint64 dialogClosedAt = 0; // QDateTime ms of the last OK or Cancel click
    std::function<void()> whileDialogOpen;
};

void TestE2eLink::initTestCase()
{
    qRegisterMetaType<QSerialPort::SerialPortError>();
}

void TestE2eLink::init()
{
    const ApplicationState fresh;
    AppState.portName = fresh.portName;
    AppState.rxBuffer.clear();
    AppState.baudRate = fresh.baudRate;
    AppState.baudSearchIndex = fresh.baudSearchIndex;
    AppState.baudSearchCount = fresh.baudSearchCount;
    AppState.responseReceived = false;
    AppState.serialNumber.clear();
    window = new Widget;
    watcher = new ModalWatcher;
    whileDialogOpen = nullptr;
}

void TestE2eLink::cleanup()
{
    delete watcher;
    delete window;
    watcher = nullptr;
    window = nullptr;
}

void TestE2eLink::pressLink(const QString &path, const QString &rate, int holdMs)
{
    QElapsedTimer shown;
    watcher->onDialog = [=](QWidget *dialog) mutable {
        if (!shown.isValid())
            shown.start();
        if (whileDialogOpen)
            whileDialogOpen();
        if (shown.elapsed() < holdMs)
            return;
        auto *baud = dialog->findChild<QComboBox *>("comboBoxBaud");
        dialog->findChild<QComboBox *>("comboBoxName")->setEditText(path);
        const char *button = "pushButtonCancel";
        if (!rate.isEmpty()) {
            baud->setCurrentIndex(baud->findText(rate));
            button = "pushButtonOK";
        }
        dialogClosedAt = QDateTime::currentMSecsSinceEpoch();
        QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);
    };
    QTest::mouseClick(child<QPushButton>("pushButtonLink"), Qt::LeftButton);
    watcher->onDialog = nullptr;
}

// A device whose every identity field differs from what an empty form shows.
void TestE2eLink::configure(TransmitterSimulator &sim, int rate)
{
    sim.setRegisterValue(Registers::DeviceAddress, SimAddress);
    sim.setRegisterValue(Registers::BaudRateCode, quint16(baudCode(rate)));
    sim.setRegisterValue(Registers::DualChannel, 1);
    sim.setRegisterValue(Registers::SerialNumber, 0x2612);
    sim.setRegisterValue(Registers::SerialNumber + 1, 0x0603);
    sim.setRegisterValue(Registers::SerialNumber + 2, 0x3415);
    sim.setRegisterValue(Registers::TemperatureRangeMin, quint16(-400));
    sim.setRegisterValue(Registers::TemperatureRangeMax, 800);
    sim.setRegisterValue(Registers::OutputDataChannel1, SimOutputData);
}

QStringList TestE2eLink::logLines(const char *marker) const
{
    const QStringList lines =
        child<QTextBrowser>("textBrowser")->toPlainText().split(QLatin1Char('\n'));
    return lines.filter(QLatin1String(marker));
}

void TestE2eLink::fixedRate_data()
{
    QTest::addColumn<int>("rate");
    QTest::newRow("1200") << 1200;
    QTest::newRow("4800") << 4800;
    QTest::newRow("9600") << 9600;
    QTest::newRow("115200") << 115200;
}

void TestE2eLink::fixedRate()
{
    QFETCH(int, rate);
    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, rate);
    Recorder recorder(sim);

    pressLink(sim.portPath(), QString::number(rate));

    QVERIFY(port()->isOpen());
    QCOMPARE(int(port()->baudRate()), rate);
    QCOMPARE(port()->dataBits(), QSerialPort::Data8);
    QCOMPARE(port()->parity(), QSerialPort::NoParity);
    QCOMPARE(port()->stopBits(), QSerialPort::OneStop);
    QCOMPARE(port()->flowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(sim.lineSpeed(), rate);
    QCOMPARE(AppState.baudRate, rate);

    QTRY_COMPARE_WITH_TIMEOUT(recorder.requests.size(), 2, 2000);
    QCOMPARE(recorder.requests.at(0).frame, FirstRequest);
    QCOMPARE(recorder.requests.at(0).speed, rate);
    QCOMPARE(recorder.requests.at(1).frame, OutputRequest);
    QVERIFY(!recorder.replies.isEmpty());
    // The output block is read a short delay after the identity answer, not at once.
    const qint64 delay = recorder.requests.at(1).at - recorder.replies.at(0);
    QVERIFY2(delay >= 90 && delay < 400, qPrintable(QString::number(delay)));

    QCOMPARE(child<QLineEdit>("lineEditAddress")->text(), QString::number(SimAddress));
    QCOMPARE(child<QComboBox>("comboBoxBaudRate")->currentText(), QString::number(rate));
    QCOMPARE(child<QLineEdit>("lineEditSN")->text(), QStringLiteral("261206033415"));
    QCOMPARE(child<QLineEdit>("lineEditRangeMin")->text(), QStringLiteral("-40.0"));
    QCOMPARE(child<QLineEdit>("lineEditRangeMax")->text(), QStringLiteral("80.0"));
    QCOMPARE(child<QComboBox>("comboBoxChannel")->count(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(child<QComboBox>("comboBoxOutputData")->currentIndex(),
                              int(SimOutputData), 1000);
    QVERIFY(!timer("timerDelay")->isActive());
    QVERIFY(!timer("timerAutoUart")->isActive());

    const QStringList sent = logLines("->TX");
    QCOMPARE(sent.size(), 2);
    QVERIFY(sent.at(0).endsWith(QLatin1String(FirstRequest.toHex())));
    QVERIFY(sent.at(1).endsWith(QLatin1String(OutputRequest.toHex())));
    QTRY_COMPARE_WITH_TIMEOUT(logLines("->RX").size(), 2, 1000);
    QCOMPARE(watcher->count(), 0);
}

void TestE2eLink::repliesOnTheLine_data()
{
    QTest::addColumn<int>("splitPieces");
    QTest::addColumn<int>("splitGapMs");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<bool>("corrupt");
    QTest::addColumn<bool>("stray");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("in three pieces") << 3 << 20 << 0 << false << false << true;
    QTest::newRow("in seven pieces, 40 ms apart") << 7 << 40 << 0 << false << false << true;
    QTest::newRow("300 ms late") << 0 << 20 << 300 << false << false << true;
    QTest::newRow("late and in pieces") << 4 << 30 << 150 << false << false << true;
    QTest::newRow("check bytes corrupted") << 0 << 20 << 0 << true << false << false;
    QTest::newRow("corrupted, in pieces") << 3 << 20 << 0 << true << false << false;
    QTest::newRow("stray byte in front") << 0 << 20 << 0 << false << true << false;
}

void TestE2eLink::repliesOnTheLine()
{
    QFETCH(int, splitPieces);
    QFETCH(int, splitGapMs);
    QFETCH(int, delayMs);
    QFETCH(bool, corrupt);
    QFETCH(bool, stray);
    QFETCH(bool, accepted);

    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, 9600);
    TransmitterSimulator::Faults faults;
    faults.splitPieces = splitPieces;
    faults.splitGapMs = splitGapMs;
    faults.delayMs = delayMs;
    faults.corruptCrc = corrupt;
    faults.strayByte = stray;
    sim.setFaults(faults);
    Recorder recorder(sim);

    pressLink(sim.portPath(), QStringLiteral("9600"));
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.replies.isEmpty(), 2000);

    if (accepted) {
        QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>("lineEditSN")->text(),
                                  QStringLiteral("261206033415"), 1000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.requests.size(), 2, 1000);
        QCOMPARE(recorder.requests.at(1).frame, OutputRequest);
        QTRY_COMPARE_WITH_TIMEOUT(child<QComboBox>("comboBoxOutputData")->currentIndex(),
                                  int(SimOutputData), 2000);
        QCOMPARE(logLines("->RX").size(), 2);
    } else {
        // Long enough for the follow-up read that an accepted answer would have started.
        QTest::qWait(300);
        QCOMPARE(child<QLineEdit>("lineEditSN")->text(), QString());
        QCOMPARE(child<QLineEdit>("lineEditAddress")->text(), QString());
        QCOMPARE(recorder.requests.size(), 1);
        QCOMPARE(logLines("->RX").size(), 0);
        QVERIFY(!AppState.responseReceived);
    }
}

void TestE2eLink::autoSearchFindsRate_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("splitPieces");
    QTest::addColumn<int>("delayMs");

    QTest::newRow("9600") << 9600 << 0 << 0;
    QTest::newRow("115200, the first rate") << 115200 << 0 << 0;
    QTest::newRow("4800") << 4800 << 0 << 0;
    QTest::newRow("1200, the last rate") << 1200 << 0 << 0;
    // Slow enough that an output block read sent 100 ms after the identity answer would not be
    // answered within the search step.
    QTest::newRow("9600, late and in pieces") << 9600 << 3 << 200;
    QTest::newRow("1200, late") << 1200 << 0 << 300;
}

void TestE2eLink::autoSearchFindsRate()
{
    QFETCH(int, rate);
    QFETCH(int, splitPieces);
    QFETCH(int, delayMs);

    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, rate);
    TransmitterSimulator::Faults faults;
    faults.splitPieces = splitPieces;
    faults.delayMs = delayMs;
    sim.setFaults(faults);
    Recorder recorder(sim);
    pressLink(sim.portPath(), QStringLiteral("AUTO"));
    const int steps = int(SearchOrder.indexOf(rate)) + 1;
    // The identity answer selects the device's rate as well; undoing that shows the search's
    // own selection.
    QTRY_VERIFY_WITH_TIMEOUT(!child<QLineEdit>("lineEditSN")->text().isEmpty(), 500 * steps + 500);
    QVERIFY(timer("timerAutoUart")->isActive());
    child<QComboBox>("comboBoxBaudRate")->setCurrentIndex(rate == 1200 ? 5 : 0);
    QTRY_VERIFY_WITH_TIMEOUT(!timer("timerAutoUart")->isActive(), 500 * steps + 1500);
    const qint64 endedAt = recorder.clock.elapsed();

    QCOMPARE(recorder.identitySpeeds(), SearchOrder.mid(0, steps));
    const QList<Request> openings = recorder.identityReads();
    for (int i = 1; i < openings.size(); ++i) {
        const qint64 gap = openings.at(i).at - openings.at(i - 1).at;
        QVERIFY2(gap >= 450 && gap <= 700, qPrintable(QString::number(gap)));
    }
    // Success is taken at the step after the answering rate's opening.
    const qint64 toSuccess = endedAt - openings.last().at;
    QVERIFY2(toSuccess >= 450 && toSuccess <= 800, qPrintable(QString::number(toSuccess)));
    for (const Request &opening : openings)
        QCOMPARE(opening.frame, FirstRequest);

    QCOMPARE(AppState.baudRate, rate);
    QCOMPARE(child<QComboBox>("comboBoxBaudRate")->currentText(), QString::number(rate));
    QVERIFY(port()->isOpen());
    QCOMPARE(int(port()->baudRate()), rate);
    QCOMPARE(sim.lineSpeed(), rate);
    QCOMPARE(watcher->count(), 0);
    QCOMPARE(child<QLineEdit>("lineEditSN")->text(), QStringLiteral("261206033415"));

    // Once the rate is settled, the output block is read.
    QTRY_VERIFY_WITH_TIMEOUT(recorder.requests.last().frame == OutputRequest, 1000);
    QVERIFY(recorder.requests.last().at - openings.last().at >= 450);
    QCOMPARE(recorder.requests.size(), steps + 1);
    QTRY_COMPARE_WITH_TIMEOUT(child<QComboBox>("comboBoxOutputData")->currentIndex(),
                              int(SimOutputData), 1000);

    // The search is over: no further opening at another rate.
    QTest::qWait(600);
    QCOMPARE(recorder.identityReads().size(), steps);
    QCOMPARE(sim.lineSpeed(), rate);
}

void TestE2eLink::autoSearchWithoutAnswer()
{
    TransmitterSimulator sim;
    QVERIFY(sim.start());
    TransmitterSimulator::Faults faults;
    faults.silent = true;
    sim.setFaults(faults);
    Recorder recorder(sim);

    pressLink(sim.portPath(), QStringLiteral("AUTO"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher->count(), 1, 4500);
    const qint64 toMessage = QDateTime::currentMSecsSinceEpoch() - dialogClosedAt;
    QVERIFY2(toMessage >= 2800 && toMessage <= 3700, qPrintable(QString::number(toMessage)));
    QCOMPARE(watcher->messages.first().title, QStringLiteral("Error"));
    QCOMPARE(watcher->messages.first().text, CommunicationError);

    QCOMPARE(recorder.identitySpeeds(), SearchOrder);
    QCOMPARE(recorder.requests.size(), 6);
    QCOMPARE(logLines("->TX").size(), 6);
    QVERIFY(!timer("timerAutoUart")->isActive());
    QVERIFY(port()->isOpen());
    QCOMPARE(int(port()->baudRate()), 1200);
    QTest::qWait(600);
    QCOMPARE(watcher->count(), 1);
    QCOMPARE(recorder.requests.size(), 6);
}

void TestE2eLink::cancel_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("first Link") << "nothing";
    QTest::newRow("after a link") << "link";
    QTest::newRow("right after the identity answer") << "identity";
}

void TestE2eLink::cancel()
{
    QFETCH(QString, before);

    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, 9600);
    Recorder recorder(sim);
    if (before != QLatin1String("nothing")) {
        pressLink(sim.portPath(), QStringLiteral("9600"));
        QTRY_VERIFY_WITH_TIMEOUT(!recorder.replies.isEmpty(), 2000);
        if (before == QLatin1String("link"))
            QTRY_COMPARE_WITH_TIMEOUT(logLines("->RX").size(), 2, 2000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(timer("timerDelay")->isActive(), 1000);
    }
    const int requests = recorder.requests.size();
    const int sent = logLines("->TX").size();

    pressLink(sim.portPath(), QString());
    QVERIFY(!port()->isOpen());
    // Longer than the follow-up delay of an identity answer.
    QTest::qWait(300);
    QCOMPARE(recorder.requests.size(), requests);
    QCOMPARE(logLines("->TX").size(), sent);
    QVERIFY(!port()->isOpen());
    QCOMPARE(watcher->count(), 0);
}

void TestE2eLink::linkStopsSearch_data()
{
    QTest::addColumn<QString>("rate"); // chosen in the second dialog; empty: Cancel
    QTest::newRow("Cancel") << QString();
    QTest::newRow("fixed 4800") << "4800";
    QTest::newRow("AUTO again") << "AUTO";
}

void TestE2eLink::linkStopsSearch()
{
    QFETCH(QString, rate);

    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, 4800);
    Recorder recorder(sim);

    pressLink(sim.portPath(), QStringLiteral("AUTO"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.identityReads().size(), 2, 1500);

    // The dialog stays open longer than a search step; no step may run behind it.
    int requestsAtDialog = -1;
    int requestsWhileOpen = 0;
    bool searchRanBehindDialog = false;
    whileDialogOpen = [&] {
        if (requestsAtDialog < 0)
            requestsAtDialog = recorder.requests.size();
        requestsWhileOpen = recorder.requests.size() - requestsAtDialog;
        searchRanBehindDialog = searchRanBehindDialog || timer("timerAutoUart")->isActive();
    };
    pressLink(sim.portPath(), rate, 700);
    whileDialogOpen = nullptr;
    QCOMPARE(requestsWhileOpen, 0);
    QVERIFY(!searchRanBehindDialog);

    if (rate.isEmpty()) {
        QTest::qWait(700);
        QCOMPARE(recorder.requests.size(), requestsAtDialog);
        QVERIFY(!port()->isOpen());
        QVERIFY(!timer("timerAutoUart")->isActive());
    } else if (rate == QLatin1String("4800")) {
        QTRY_COMPARE_WITH_TIMEOUT(recorder.identitySpeeds(), (QList<int> {115200, 19200, 4800}),
                                  1000);
        QTest::qWait(700);
        QCOMPARE(recorder.identityReads().size(), 3);
        QVERIFY(!timer("timerAutoUart")->isActive());
        QCOMPARE(int(port()->baudRate()), 4800);
        QCOMPARE(child<QLineEdit>("lineEditSN")->text(), QStringLiteral("261206033415"));
    } else {
        // A fresh search, from the first rate.
        QTRY_VERIFY_WITH_TIMEOUT(!timer("timerAutoUart")->isActive(), 3000);
        QCOMPARE(recorder.identitySpeeds(),
                 (QList<int> {115200, 19200, 115200, 19200, 9600, 4800}));
        QCOMPARE(int(port()->baudRate()), 4800);
    }
    QCOMPARE(watcher->count(), 0);
}

void TestE2eLink::openFailure_data()
{
    QTest::addColumn<QString>("path"); // "sim" for the simulator's port, held by another user
    QTest::addColumn<QString>("rate");

    QTest::newRow("no such port") << "/nonexistent/tr451-port"
                                  << "9600";
    QTest::newRow("no such port, AUTO") << "/nonexistent/tr451-port"
                                        << "AUTO";
    QTest::newRow("empty name") << ""
                                << "4800";
    QTest::newRow("empty name, AUTO") << ""
                                      << "AUTO";
    QTest::newRow("busy") << "sim"
                          << "9600";
    QTest::newRow("busy, AUTO") << "sim"
                                << "AUTO";
    QTest::newRow("not a serial port") << "/dev/null"
                                       << "9600";
}

void TestE2eLink::openFailure()
{
    QFETCH(QString, path);
    QFETCH(QString, rate);

    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, 9600);
    Recorder recorder(sim);
    QSerialPort holder;
    if (path == QLatin1String("sim")) {
        path = sim.portPath();
        holder.setPortName(path);
        QVERIFY(holder.open(QIODevice::ReadWrite));
    }

    pressLink(path, rate);
    QVERIFY(!timer("timerAutoUart")->isActive());
    QCOMPARE(watcher->count(), 1);
    const ModalWatcher::Message message = watcher->messages.first();
    QCOMPARE(message.title, QStringLiteral("Error"));
    QVERIFY2(message.text.startsWith(FailedToOpen + QLatin1Char(' ')), qPrintable(message.text));
    const QString reason = message.text.mid(FailedToOpen.size() + 1);
    QVERIFY2(!reason.trimmed().isEmpty(), qPrintable(message.text));
    QCOMPARE(reason, port()->errorString());
    QVERIFY(!port()->isOpen());

    // A search stops at once instead of trying the other rates against the same fault.
    QTest::qWait(700);
    QCOMPARE(watcher->count(), 1);
    QCOMPARE(logLines("->TX").size(), 0);
    QCOMPARE(recorder.requests.size(), 0);
    QCOMPARE(child<QTextBrowser>("textBrowser")->toPlainText(), QString());

    // The next Link with a usable port works as ever.
    holder.close();
    pressLink(sim.portPath(), QStringLiteral("9600"));
    QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>("lineEditSN")->text(),
                              QStringLiteral("261206033415"), 2000);
    QCOMPARE(watcher->count(), 1);
}

void TestE2eLink::searchStopsWhenPortGoesMissing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("ttyTR451"));
    TransmitterSimulator sim;
    QVERIFY(sim.start(link));
    TransmitterSimulator::Faults faults;
    faults.silent = true;
    sim.setFaults(faults);
    Recorder recorder(sim);

    pressLink(link, QStringLiteral("AUTO"));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.requests.size(), 1, 1000);
    // The name goes away while the port is open; the next step cannot reopen it.
    QVERIFY(QFile::remove(link));
    QTRY_COMPARE_WITH_TIMEOUT(watcher->count(), 1, 1000);
    QVERIFY(watcher->lastText().startsWith(FailedToOpen + QLatin1Char(' ')));
    QVERIFY(!timer("timerAutoUart")->isActive());
    QCOMPARE(int(AppState.baudSearchIndex), 2);
    QTest::qWait(1200);
    QCOMPARE(watcher->count(), 1);
    QCOMPARE(recorder.requests.size(), 1);
    QCOMPARE(logLines("->TX").size(), 1);
}

void TestE2eLink::readyReadReachesParserOnce()
{
    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, 9600);
    Recorder recorder(sim);
    for (int link = 1; link <= 3; ++link) {
        pressLink(sim.portPath(), QStringLiteral("9600"));
        QTRY_COMPARE_WITH_TIMEOUT(logLines("->RX").size(), 2 * link, 2000);
    }

    dumpedConnections.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectDump);
    port()->dumpObjectInfo();
    qInstallMessageHandler(previous);
    QCOMPARE(dumpedConnections.filter(QLatin1String("my_readuart")).size(), 1);
}

void TestE2eLink::adapterRemoval_data()
{
    QTest::addColumn<bool>("searching");
    QTest::newRow("open and reading") << false;
    QTest::newRow("during a search") << true;
}

void TestE2eLink::adapterRemoval()
{
    QFETCH(bool, searching);

    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, 9600);
    Recorder recorder(sim);
    if (searching) {
        TransmitterSimulator::Faults faults;
        faults.silent = true;
        sim.setFaults(faults);
        pressLink(sim.portPath(), QStringLiteral("AUTO"));
        QTRY_COMPARE_WITH_TIMEOUT(recorder.requests.size(), 1, 1000);
    } else {
        pressLink(sim.portPath(), QStringLiteral("9600"));
        QTRY_COMPARE_WITH_TIMEOUT(logLines("->RX").size(), 2, 2000);
        QTest::mouseClick(child<QPushButton>("pushButtonRead"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.requests.size() >= 3, 2000);
    }

    QSignalSpy errors(port(), &QSerialPort::errorOccurred);
    sim.removeAdapter();
    QTRY_COMPARE_WITH_TIMEOUT(watcher->count(), 1, 2000);
    const int sent = logLines("->TX").size();
    QCOMPARE(watcher->messages.first().title, QStringLiteral("Error"));
    QCOMPARE(watcher->messages.first().text, UsbError);
    QVERIFY(!port()->isOpen());
    QVERIFY(!timer("timerAutoUart")->isActive());
    QVERIFY(!timer("timerDelay")->isActive());

    // Polling ticks and commands go on, but nothing is sent, nor reported again, nor spun on.
    const qint64 cpuBefore = cpuMs();
    QTest::mouseClick(child<QPushButton>("pushButtonAddressRead"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>("pushButtonHeaterON"), Qt::LeftButton);
    QTest::qWait(1200);
    const qint64 cpuUsed = cpuMs() - cpuBefore;
    QVERIFY2(cpuUsed < 400, qPrintable(QString::number(cpuUsed)));
    QCOMPARE(watcher->count(), 1);
    QCOMPARE(logLines("->TX").size(), sent);
    int resourceErrors = 0;
    for (const QList<QVariant> &error : errors)
        resourceErrors +=
            error.first().value<QSerialPort::SerialPortError>() == QSerialPort::ResourceError;
    QCOMPARE(resourceErrors, 1);
    QVERIFY(errors.size() <= 4);

    // A new adapter and a new Link bring the link back.
    TransmitterSimulator replacement;
    QVERIFY(replacement.start());
    configure(replacement, 9600);
    Recorder again(replacement);
    pressLink(replacement.portPath(), QStringLiteral("9600"));
    QTRY_COMPARE_WITH_TIMEOUT(again.replies.size(), 1, 2000);
    QCOMPARE(Modbus::word(again.requests.first().frame, RequestRegisterOffset),
             Registers::DeviceAddress);
    QVERIFY(logLines("->TX").size() > sent);
    QVERIFY(port()->isOpen());
}

void TestE2eLink::repeatedResourceErrorShowsOneBox()
{
    TransmitterSimulator sim;
    QVERIFY(sim.start());
    configure(sim, 9600);
    pressLink(sim.portPath(), QStringLiteral("9600"));
    QTRY_COMPARE_WITH_TIMEOUT(logLines("->RX").size(), 2, 2000);
    const int sent = logLines("->TX").size();

    emit port()->errorOccurred(QSerialPort::ResourceError);
    emit port()->errorOccurred(QSerialPort::ResourceError);
    QCOMPARE(watcher->count(), 1);
    QCOMPARE(watcher->lastText(), UsbError);
    QVERIFY(!port()->isOpen());
    QTest::mouseClick(child<QPushButton>("pushButtonAddressRead"), Qt::LeftButton);
    QCOMPARE(logLines("->TX").size(), sent);

    // Errors other than a vanished adapter are not this handler's to report...
    pressLink(sim.portPath(), QStringLiteral("9600"));
    QTRY_COMPARE_WITH_TIMEOUT(logLines("->TX").size(), sent + 1, 1000);
    emit port()->errorOccurred(QSerialPort::TimeoutError);
    emit port()->errorOccurred(QSerialPort::WriteError);
    QVERIFY(port()->isOpen());
    QCOMPARE(watcher->count(), 1);

    // ...but a line that hung up reports read errors until the port is closed.
    emit port()->errorOccurred(QSerialPort::ReadError);
    emit port()->errorOccurred(QSerialPort::ReadError);
    QVERIFY(!port()->isOpen());
    QCOMPARE(watcher->count(), 2);
}

void TestE2eLink::resourceErrorBehindOpenBox()
{
    TransmitterSimulator sim;
    QVERIFY(sim.start());
    TransmitterSimulator::Faults faults;
    faults.silent = true;
    sim.setFaults(faults);

    // The adapter fails while "Communication error!" is on screen. The watcher is busy with
    // that box, so a box stacked on top is closed (and counted) here.
    QStringList stacked;
    watcher->onMessage = [&](QMessageBox *open) {
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box != open && box->isVisible()) {
                stacked.append(box->text());
                box->done(QMessageBox::Ok);
            }
        });
        closer.start(5);
        emit port()->errorOccurred(QSerialPort::ResourceError);
    };
    pressLink(sim.portPath(), QStringLiteral("AUTO"));
    QTRY_COMPARE_WITH_TIMEOUT(watcher->count(), 1, 4500);
    watcher->onMessage = nullptr;
    QCOMPARE(watcher->lastText(), CommunicationError);
    QCOMPARE(stacked, QStringList());
    QVERIFY(!port()->isOpen());
    // The lost link is still in force: nothing is sent until the next Link.
    QTest::mouseClick(child<QPushButton>("pushButtonAddressRead"), Qt::LeftButton);
    QCOMPARE(logLines("->TX").size(), 6);
}

QTEST_MAIN(TestE2eLink)
#include "tst_e2e_link.moc"
