// Performance figures of the tool, each measured the way a technician meets it:
// - start-up: process start to the first painted main window, against a bare QWidget program
//   whose controls the same generated form builds (run as child processes of this benchmark);
// - one accepted poll answer: acceptance, decoding, the three label updates and the log line;
// - idle CPU while polling a transmitter (the simulator program) once a second, with the main
//   window alone and with the trend window open on "All" after a week of readings.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_performance
#include "app/appstate.h"
#include "app/widget.h"
#include "display/trendsession.h"
#include "protocol/frame.h"
#include "support/windowfixture.h"
#include "ui_widget.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QtTest>

#include <sys/resource.h>

#include <algorithm>

namespace {

// Prints "painted" and quits at the first paint of the window.
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            QTimer::singleShot(0, [] {
                fputs("painted\n", stdout);
                fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }
};

int showUntilPainted(QWidget &window)
{
    FirstPaint filter;
    window.installEventFilter(&filter);
    window.show();
    return QApplication::exec();
}

// Median milliseconds from starting a child in mode to its first painted window.
double startUpMs(const QString &mode, int runs)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {mode});
        if (!child.waitForReadyRead(10000))
            return -1;
        times.append(clock.nsecsElapsed() / 1e6);
        child.waitForFinished(5000);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

class BenchPerformance : public QObject
{
    Q_OBJECT

private slots:
    void startUp();
    void pollAnswer();
    void calibrationAnswerByteByByte();
    void idleCpuWhilePolling_data();
    void idleCpuWhilePolling();
};

void BenchPerformance::startUp()
{
    constexpr int Runs = 21;
    const double tool = startUpMs(QStringLiteral("--tool"), Runs);
    const double bare = startUpMs(QStringLiteral("--bare"), Runs);
    QVERIFY(tool > 0 && bare > 0);
    qInfo("start-up to first paint (median of %d): tool %.1f ms, bare form %.1f ms, ratio %.2f",
          Runs, tool, bare, tool / bare);
}

void BenchPerformance::pollAnswer()
{
    WindowFixture f;
    f.window.show();
    f.fill("lineEditAddress=1;lineEditRangeMin=-40.0;lineEditRangeMax=125.0");
    f.window.SendReadRequest(0x0000, 4);
    f.read(Modbus::RequestSize);
    // The parser runs by hand below, on bytes already in the port's buffer.
    QSerialPort *port = f.port();
    QObject::disconnect(port, SIGNAL(readyRead()), &f.window, SLOT(my_readuart()));

    const QByteArray answer = Modbus::withCrc(QByteArray::fromHex("010308092511d7041a0000"));
    constexpr int Answers = 2000;
    qint64 parsing = 0;
    QElapsedTimer clock;
    for (int i = 0; i < Answers; ++i) {
        f.write(answer);
        while (port->bytesAvailable() < answer.size())
            port->waitForReadyRead(100);
        clock.start();
        QMetaObject::invokeMethod(&f.window, "my_readuart");
        parsing += clock.nsecsElapsed();
    }
    QVERIFY(AppState.responseReceived);
    QCOMPARE(AppState.temperatureRaw, 2341);
    QVERIFY(AppState.rxBuffer.isEmpty());
    // 10 bits a byte on the line: start, 8 data, stop.
    const double perAnswerUs = parsing / 1000.0 / Answers;
    const double wireUs = answer.size() * 10 * 1e6 / 115200;
    qInfo("one accepted %d-byte poll answer: %.1f us; its wire time at 115200 baud %.1f us "
          "(ratio %.3f)",
          int(answer.size()), perAnswerUs, wireUs, perAnswerUs / wireUs);
}

// The largest answer the tool takes, the 45-register calibration block (95 bytes), arriving
// one byte at a time: the parser rescans the whole buffer at every byte.
void BenchPerformance::calibrationAnswerByteByByte()
{
    WindowFixture f;
    f.fill("lineEditAddress=1");
    QSerialPort *port = f.port();
    QObject::disconnect(port, SIGNAL(readyRead()), &f.window, SLOT(my_readuart()));
    QByteArray body = QByteArray::fromHex("01035a");
    for (int i = 0; i < 45; ++i)
        body.append(char(0x12)).append(char(i));
    const QByteArray answer = Modbus::withCrc(body);

    constexpr int Answers = 200;
    qint64 parsing = 0;
    QElapsedTimer clock;
    for (int n = 0; n < Answers; ++n) {
        f.window.SendReadRequest(0x0200, 45);
        f.read(Modbus::RequestSize);
        for (char byte : answer) {
            f.write(QByteArray(1, byte));
            while (port->bytesAvailable() < 1)
                port->waitForReadyRead(100);
            clock.start();
            QMetaObject::invokeMethod(&f.window, "my_readuart");
            parsing += clock.nsecsElapsed();
        }
        QVERIFY(AppState.responseReceived);
    }
    QCOMPARE(AppState.calibrationRegs[44], qint16(0x122C));
    qInfo("a 45-register answer arriving byte by byte: %.1f us of parsing per answer, %.2f us "
          "per byte",
          parsing / 1000.0 / Answers, parsing / 1000.0 / Answers / answer.size());
}

void BenchPerformance::idleCpuWhilePolling_data()
{
    QTest::addColumn<bool>("trendAfterAWeek");
    QTest::newRow("main window") << false;
    QTest::newRow("trend window on All after a week") << true;
}

void BenchPerformance::idleCpuWhilePolling()
{
    QFETCH(bool, trendAfterAWeek);
    const QString simulatorPath =
        qEnvironmentVariable("TR451_BINARY_DIR",
                             QCoreApplication::applicationDirPath() + QStringLiteral("/.."))
        + QStringLiteral("/tools/tr451-simulator");
    QProcess simulator;
    simulator.start(simulatorPath, QStringList());
    QVERIFY(simulator.waitForReadyRead(5000));
    const QString line = QString::fromLocal8Bit(simulator.readLine()).trimmed();

    // The tool alone, linked as the Link button links it: no test fixture polls for boxes.
    AppState = ApplicationState();
    Widget tool;
    tool.show();
    auto *port = tool.findChild<QSerialPort *>(QStringLiteral("serialPort"));
    port->setPortName(line.section(QLatin1Char(' '), -1));
    QVERIFY(port->open(QIODevice::ReadWrite));
    port->setBaudRate(QSerialPort::Baud9600);
    QObject::connect(port, SIGNAL(readyRead()), &tool, SLOT(my_readuart()));
    tool.findChild<QLineEdit *>(QStringLiteral("lineEditAddress"))->setText(QStringLiteral("1"));
    tool.findChild<QComboBox *>(QStringLiteral("comboBoxRegister"))->setCurrentIndex(1);
    if (trendAfterAWeek) {
        // A week of polls once a second, ending now.
        auto *session = tool.findChild<TrendSession *>();
        const qint64 now = QDeadlineTimer::current().deadline();
        const QDateTime wallNow = QDateTime::currentDateTime();
        for (qint64 ago = SampleStore::WeekOfPolling; ago > 0; --ago) {
            TrendReading r;
            r.time = wallNow.addSecs(-ago);
            r.steadyMs = now - ago * 1000;
            r.values = {float(23 + std::sin(ago / 900.0)), float(45 + std::sin(ago / 1300.0)),
                        float(11 + std::sin(ago / 700.0))};
            session->add(r);
        }
        QTest::mouseClick(tool.findChild<QPushButton *>(QStringLiteral("pushButtonTrend")),
                          Qt::LeftButton);
        auto *spans = tool.findChild<QComboBox *>(QStringLiteral("comboBoxSpan"));
        spans->setCurrentIndex(3);
        emit spans->activated(3);
    }
    QTest::mouseClick(tool.findChild<QPushButton *>(QStringLiteral("pushButtonRead")),
                      Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived && AppState.temperatureRaw != 0, 3000);

    // The event loop as the tool runs it, idle but for the polls.
    constexpr int Seconds = 20;
    const double before = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer::singleShot(Seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = cpuSeconds() - before;
    qInfo("CPU while polling once a second for %.1f s (%s): %.3f s, %.2f%% of a core",
          clock.elapsed() / 1000.0, QTest::currentDataTag(), used,
          100.0 * used / (clock.elapsed() / 1000.0));
    simulator.terminate();
    simulator.waitForFinished();
}

int main(int argc, char *argv[])
{
    // As a child of the start-up benchmark: build one window, paint it once, quit.
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--tool" || mode == "--bare") {
        QApplication application(argc, argv);
        if (mode == "--tool") {
            Widget window;
            return showUntilPainted(window);
        }
        QWidget window;
        Ui::Widget form;
        form.setupUi(&window);
        return showUntilPainted(window);
    }
    QApplication application(argc, argv);
    BenchPerformance bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_performance.moc"
