// Periodic reading: the Read/Stop button, the poll each tick sends for the selected registers,
// how an empty address stops it, and how other commands move the next poll.
#include "app/appstate.h"
#include "app/widget.h"
#include "support/findchild.h"
#include "support/modalwatcher.h"
#include "support/ptypair.h"
#include "support/toolport.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <memory>

namespace {

// Stands in for a loaded catalogue: the button texts come out in another language.
class ButtonTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation)
        Q_UNUSED(n)
        if (qstrcmp(context, "Widget") != 0)
            return QString();
        if (qstrcmp(sourceText, "Read") == 0)
            return QStringLiteral("\u8bfb\u53d6");
        if (qstrcmp(sourceText, "Stop") == 0)
            return QStringLiteral("\u505c\u6b62");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

QByteArray hex(const QByteArray &bytes)
{
    return bytes.toHex(' ').toUpper();
}

} // namespace

class TestPolling : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readButtonSwitchesReadingOnAndOff();
    void readButtonFollowsTheLoadedTranslation();
    void twoClicksWithinASecondSendNothing();
    void firstPollFollowsOneSecondAfterTheClick();
    void pollRequestFollowsTheSelection_data();
    void pollRequestFollowsTheSelection();
    void changedSelectionTakesEffectAtTheNextTick();
    void emptyAddressStopsPollingWithOneMessage();
    void tickWhileReadingIsOffSendsNothing();
    void commandMovesTheDuePoll();
    void commandWhileReadingIsOffLeavesTheTimerTicking();

private:
    template<typename T>
    T *child(const char *name) const
    {
        return findNamedChild<T>(window.get(), name);
    }
    bool tick() { return QMetaObject::invokeMethod(window.get(), "ReadHumitureOrder"); }
    void clickRead() { QTest::mouseClick(child<QPushButton>("pushButtonRead"), Qt::LeftButton); }
    // What the tool wrote to the line, after the event loop had the chance to flush it.
    QByteArray sent(int expectedBytes) { return pty->readFromTool(expectedBytes, 1000); }
    bool nothingSent()
    {
        return child<QSerialPort>("serialPort")->bytesToWrite() == 0
            && pty->readFromTool(1, 50).isEmpty();
    }
    QString log() const { return child<QTextBrowser>("textBrowser")->toPlainText(); }

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<Widget> window;
    std::unique_ptr<ModalWatcher> watcher;
    QTimer *pollTimer = nullptr;
};

void TestPolling::init()
{
    AppState = ApplicationState();
    pty = std::make_unique<PtyPair>();
    QVERIFY(pty->isValid());
    window = std::make_unique<Widget>();
    watcher = std::make_unique<ModalWatcher>();
    QVERIFY(openToolPort(window.get(), pty->slavePath()));
    pollTimer = child<QTimer>("timerReadHumiture");
    child<QLineEdit>("lineEditAddress")->setText(QStringLiteral("1"));
}

void TestPolling::cleanup()
{
    watcher.reset();
    window.reset();
    pty.reset();
}

void TestPolling::readButtonSwitchesReadingOnAndOff()
{
    auto *button = child<QPushButton>("pushButtonRead");
    QCOMPARE(button->text(), QStringLiteral("Read"));
    QVERIFY(!pollTimer->isActive());

    clickRead();
    QCOMPARE(button->text(), QStringLiteral("Stop"));
    QVERIFY(pollTimer->isActive());
    QCOMPARE(pollTimer->interval(), 1000);
    QVERIFY(!pollTimer->isSingleShot());

    clickRead();
    QCOMPARE(button->text(), QStringLiteral("Read"));
    QVERIFY(!pollTimer->isActive());
    QCOMPARE(watcher->count(), 0);
}

void TestPolling::readButtonFollowsTheLoadedTranslation()
{
    ButtonTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    const auto uninstall =
        qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
    // A window built under the catalogue shows its Read button translated from the start.
    Widget translated;
    auto *button = translated.findChild<QPushButton *>(QStringLiteral("pushButtonRead"));
    auto *timer = translated.findChild<QTimer *>(QStringLiteral("timerReadHumiture"));
    QVERIFY(button && timer);
    QCOMPARE(button->text(), QStringLiteral("\u8bfb\u53d6"));

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("\u505c\u6b62"));
    QVERIFY(timer->isActive());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("\u8bfb\u53d6"));
    QVERIFY(!timer->isActive());
}

void TestPolling::twoClicksWithinASecondSendNothing()
{
    clickRead();
    QTest::qWait(100);
    clickRead();
    QVERIFY(!pollTimer->isActive());
    QVERIFY(nothingSent());
    QVERIFY(log().isEmpty());
}

void TestPolling::firstPollFollowsOneSecondAfterTheClick()
{
    child<QComboBox>("comboBoxRegister")->setCurrentIndex(1);
    QElapsedTimer clock;
    clickRead();
    clock.start();
    // Nothing at once...
    QVERIFY(pty->readFromTool(1, 850).isEmpty());
    // ...and the poll when the second is up.
    const QByteArray poll = sent(8);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(hex(poll), hex(QByteArray::fromHex("01 03 00 00 00 04 44 09")));
    // The timer is a coarse one, which Qt lets fire up to 5 % early or late.
    QVERIFY2(elapsed >= 900, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 1400, qPrintable(QString::number(elapsed)));
}

void TestPolling::pollRequestFollowsTheSelection_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("deviceAddress");

    // clang-format off
    QTest::newRow("*10 ALL")            << 0 << 0 << "1" << QByteArray("01 03 00 04 00 04 05 C8") << 1;
    QTest::newRow("*10 Temperature")    << 0 << 1 << "1" << QByteArray("01 03 00 04 00 01 C5 CB") << 1;
    QTest::newRow("*10 Humidity")       << 0 << 2 << "1" << QByteArray("01 03 00 05 00 01 94 0B") << 1;
    QTest::newRow("*10 DewTemp")        << 0 << 3 << "1" << QByteArray("01 03 00 06 00 01 64 0B") << 1;
    QTest::newRow("*10 Status")         << 0 << 4 << "1" << QByteArray("01 03 00 07 00 01 35 CB") << 1;
    QTest::newRow("*100 ALL")           << 1 << 0 << "1" << QByteArray("01 03 00 00 00 04 44 09") << 1;
    QTest::newRow("*100 Temperature")   << 1 << 1 << "1" << QByteArray("01 03 00 00 00 01 84 0A") << 1;
    QTest::newRow("*100 Humidity")      << 1 << 2 << "1" << QByteArray("01 03 00 01 00 01 D5 CA") << 1;
    QTest::newRow("*100 DewTemp")       << 1 << 3 << "1" << QByteArray("01 03 00 02 00 01 25 CA") << 1;
    QTest::newRow("*100 Status")        << 1 << 4 << "1" << QByteArray("01 03 00 03 00 01 74 0A") << 1;
    QTest::newRow("address 5")          << 1 << 0 << "5" << QByteArray("05 03 00 00 00 04 45 8D") << 5;
    // An address text that is no address polls address 0 without a word.
    QTest::newRow("address abc")        << 1 << 0 << "abc" << QByteArray("00 03 00 00 00 04 45 D8") << 0;
    QTest::newRow("address 248")        << 1 << 0 << "248" << QByteArray("00 03 00 00 00 04 45 D8") << 0;
    // clang-format on
}

void TestPolling::pollRequestFollowsTheSelection()
{
    QFETCH(int, scale);
    QFETCH(int, quantity);
    QFETCH(QString, address);
    QFETCH(QByteArray, frame);
    QFETCH(int, deviceAddress);

    child<QComboBox>("comboBoxRegister")->setCurrentIndex(scale);
    child<QComboBox>("comboBoxNum")->setCurrentIndex(quantity);
    child<QLineEdit>("lineEditAddress")->setText(address);
    clickRead();
    // Half an answer left from an earlier poll, and a flag the last answer raised.
    AppState.rxBuffer = QByteArray::fromHex("0103");
    AppState.responseReceived = true;
    // A long countdown shows whether the tick restarts the timer at its own interval.
    pollTimer->start(5000);

    QVERIFY(tick());
    const QByteArray expected = QByteArray::fromHex(frame);
    QCOMPARE(hex(sent(expected.size())), hex(expected));
    QCOMPARE(int(AppState.deviceAddress), deviceAddress);
    QVERIFY(!AppState.responseReceived);
    QVERIFY(AppState.rxBuffer.isEmpty());
    // The tick restarted the countdown and started no answer timer.
    QVERIFY(pollTimer->isActive());
    QCOMPARE(pollTimer->interval(), 1000);
    // 5 % slack for the coarse timer.
    QVERIFY2(pollTimer->remainingTime() <= 1050,
             qPrintable(QString::number(pollTimer->remainingTime())));
    QVERIFY(!child<QTimer>("timerResponse")->isActive());
    QVERIFY(log().contains(QStringLiteral("->TX  ") + QString::fromLatin1(expected.toHex())));
    QCOMPARE(watcher->count(), 0);
}

void TestPolling::changedSelectionTakesEffectAtTheNextTick()
{
    child<QComboBox>("comboBoxRegister")->setCurrentIndex(1);
    child<QComboBox>("comboBoxNum")->setCurrentIndex(0);
    clickRead();
    QVERIFY(tick());
    QCOMPARE(hex(sent(8)), hex(QByteArray::fromHex("01 03 00 00 00 04 44 09")));

    child<QComboBox>("comboBoxRegister")->setCurrentIndex(0);
    child<QComboBox>("comboBoxNum")->setCurrentIndex(2);
    // The change alone sends nothing.
    QVERIFY(nothingSent());
    QVERIFY(tick());
    QCOMPARE(hex(sent(8)), hex(QByteArray::fromHex("01 03 00 05 00 01 94 0B")));
}

void TestPolling::emptyAddressStopsPollingWithOneMessage()
{
    bool timerRanWhileShown = true;
    QString buttonWhileShown;
    watcher->onMessage = [&](QMessageBox *) {
        timerRanWhileShown = pollTimer->isActive();
        buttonWhileShown = child<QPushButton>("pushButtonRead")->text();
    };
    clickRead();
    child<QLineEdit>("lineEditAddress")->clear();

    // The real tick, a second after the click.
    QTRY_COMPARE_WITH_TIMEOUT(watcher->count(), 1, 1500);
    QCOMPARE(watcher->messages.first().title, QStringLiteral("Error"));
    QCOMPARE(watcher->messages.first().text, QStringLiteral("The address is empty!"));
    // Stopped before the box, so its event loop served no further tick.
    QVERIFY(!timerRanWhileShown);
    QCOMPARE(buttonWhileShown, QStringLiteral("Read"));
    QCOMPARE(child<QPushButton>("pushButtonRead")->text(), QStringLiteral("Read"));
    QVERIFY(!pollTimer->isActive());
    QVERIFY(nothingSent());
    QVERIFY(log().isEmpty());
    QCOMPARE(watcher->count(), 1);
}

void TestPolling::tickWhileReadingIsOffSendsNothing()
{
    AppState.rxBuffer = QByteArray::fromHex("0103");
    QVERIFY(tick());
    QVERIFY(nothingSent());
    QVERIFY(log().isEmpty());
    // Left as it was: an answer still arriving is not thrown away.
    QCOMPARE(AppState.rxBuffer, QByteArray::fromHex("0103"));
    QVERIFY(!pollTimer->isActive());
}

void TestPolling::commandMovesTheDuePoll()
{
    clickRead();
    QTest::qWait(300);
    const int before = pollTimer->remainingTime();
    QVERIFY2(before <= 800, qPrintable(QString::number(before)));

    QTest::mouseClick(child<QPushButton>("pushButtonHeaterON"), Qt::LeftButton);
    QCOMPARE(hex(sent(8)), hex(QByteArray::fromHex("01 06 01 09 00 01 99 F4")));
    QVERIFY(pollTimer->isActive());
    QVERIFY2(pollTimer->remainingTime() >= 900,
             qPrintable(QString::number(pollTimer->remainingTime())));
    QCOMPARE(child<QPushButton>("pushButtonRead")->text(), QStringLiteral("Stop"));
}

void TestPolling::commandWhileReadingIsOffLeavesTheTimerTicking()
{
    QTest::mouseClick(child<QPushButton>("pushButtonHeaterON"), Qt::LeftButton);
    QCOMPARE(hex(sent(8)), hex(QByteArray::fromHex("01 06 01 09 00 01 99 F4")));
    QVERIFY(pollTimer->isActive());
    QCOMPARE(pollTimer->interval(), 1000);

    // Its ticks change nothing, and do not stop it either.
    QVERIFY(tick());
    QVERIFY(nothingSent());
    QVERIFY(pollTimer->isActive());

    // The Read click restarts the countdown: the first poll is a whole second away.
    QTest::qWait(300);
    clickRead();
    QCOMPARE(child<QPushButton>("pushButtonRead")->text(), QStringLiteral("Stop"));
    QVERIFY2(pollTimer->remainingTime() >= 900,
             qPrintable(QString::number(pollTimer->remainingTime())));
}

QTEST_MAIN(TestPolling)
#include "tst_polling.moc"
