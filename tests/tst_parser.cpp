// The receive path through a real port: answers written on the device side of a pseudo-terminal
// reach the window's parser, which accepts them, decodes them for the pending request, updates
// the form and logs them.
#include "app/appstate.h"
#include "app/widget.h"
#include "protocol/frame.h"
#include "support/modalwatcher.h"
#include "support/ptypair.h"
#include "support/toolport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSerialPort>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray readAnswer(const QVector<quint16> &words)
{
    QByteArray body = hex("01 03");
    body.append(char(2 * words.size()));
    for (quint16 word : words) {
        body.append(char(word >> 8));
        body.append(char(word & 0xFF));
    }
    return Modbus::withCrc(body);
}

} // namespace

class TestParser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void acceptsTheHumidityExample();
    void corruptedAnswerIsNotAccepted();
    void answerInPiecesIsAcceptedOnTheLast();
    void strayByteBlocksUntilTheNextTransmit();
    void signedAndUnsignedWords();
    void informationBlockFillsTheDeviceGroup();
    void shortInformationBlock();
    void outputSelection_data();
    void outputSelection();
    void calibrationNeedsTheWholeBlock();
    void exceptionIsLoggedButNotDecoded();
    void baudRateCodeOutsideTheList();
    void flood_data();
    void flood();
    void addressField_data();
    void addressField();
    void sendingWhileClosedIsLogged();

private:
    void ask(quint16 reg, quint16 count);
    void answer(const QByteArray &bytes);
    QStringList logLines() const;
    template<typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<Widget> window;
    std::unique_ptr<ModalWatcher> watcher;
    QSerialPort *port = nullptr;
};

void TestParser::init()
{
    AppState = ApplicationState();
    pty = std::make_unique<PtyPair>();
    QVERIFY(pty->isValid());
    window = std::make_unique<Widget>();
    watcher = std::make_unique<ModalWatcher>();
    port = openToolPort(window.get(), pty->slavePath());
    QVERIFY(port);
    child<QLineEdit>("lineEditAddress")->setText(QStringLiteral("1"));
}

void TestParser::cleanup()
{
    watcher.reset();
    window.reset();
    pty.reset();
}

// Sends a read through the window, so that the answer is decoded for it.
void TestParser::ask(quint16 reg, quint16 count)
{
    window->SendReadRequest(reg, count);
    QCOMPARE(pty->readFromTool(8).size(), 8);
}

void TestParser::answer(const QByteArray &bytes)
{
    pty->writeToTool(bytes);
}

QStringList TestParser::logLines() const
{
    return child<QTextBrowser>("textBrowser")->toPlainText().split('\n', Qt::SkipEmptyParts);
}

void TestParser::acceptsTheHumidityExample()
{
    ask(0x0001, 1);
    answer(hex("01 03 02 00 64 B9 AF"));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(AppState.humidityRaw, quint16(100));
    QVERIFY(AppState.rxBuffer.isEmpty());
    QVERIFY(logLines().last().endsWith(QStringLiteral("->RX  0103020064b9af")));
    QVERIFY(child<QTimer>("timerClear")->isActive());
}

void TestParser::corruptedAnswerIsNotAccepted()
{
    ask(0x0001, 1);
    const int lines = logLines().size();
    answer(hex("01 03 02 00 65 B9 AF"));
    QTRY_COMPARE_WITH_TIMEOUT(AppState.rxBuffer.size(), 7, 1000);
    QVERIFY(!AppState.responseReceived);
    QCOMPARE(AppState.humidityRaw, quint16(0));
    QCOMPARE(logLines().size(), lines);
}

void TestParser::answerInPiecesIsAcceptedOnTheLast()
{
    ask(0x0000, 4);
    const QByteArray whole = readAnswer({2345, 4567, 1050, 3});
    for (int at = 0; at < whole.size(); at += 4) {
        QVERIFY(!AppState.responseReceived);
        answer(whole.mid(at, 4));
        QTRY_COMPARE_WITH_TIMEOUT(AppState.rxBuffer.size() % whole.size(),
                                  qMin(at + 4, whole.size()) % whole.size(), 1000);
    }
    QVERIFY(AppState.responseReceived);
    QCOMPARE(AppState.temperatureRaw, 2345);
    QCOMPARE(AppState.statusRaw, quint16(3));
}

void TestParser::strayByteBlocksUntilTheNextTransmit()
{
    ask(0x0001, 1);
    answer(hex("55") + hex("01 03 02 00 64 B9 AF"));
    QTRY_COMPARE_WITH_TIMEOUT(AppState.rxBuffer.size(), 8, 1000);
    QVERIFY(!AppState.responseReceived);
    ask(0x0001, 1); // empties the buffer
    answer(hex("01 03 02 00 64 B9 AF"));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(AppState.humidityRaw, quint16(100));
}

void TestParser::signedAndUnsignedWords()
{
    ask(0x0000, 4);
    answer(readAnswer({0xFF38, 0xFF38, 0xFF38, 0}));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(AppState.temperatureRaw, -200);
    QCOMPARE(AppState.humidityRaw, quint16(65336));
    QCOMPARE(AppState.dewPointRaw, -200);
    QVERIFY(child<QLabel>("labelHumidity")->text().contains(QStringLiteral(">653.36%")));
}

void TestParser::informationBlockFillsTheDeviceGroup()
{
    // The controls are watched as they change, to check the order they are filled in.
    QStringList order;
    for (const char *name :
         {"lineEditAddress", "lineEditSN", "lineEditRangeMin", "lineEditRangeMax"}) {
        connect(child<QLineEdit>(name), &QLineEdit::textChanged, this,
                [&order, name] { order.append(QLatin1String(name)); });
    }
    connect(child<QComboBox>("comboBoxBaudRate"),
            QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [&order] { order.append(QStringLiteral("comboBoxBaudRate")); });
    connect(child<QComboBox>("comboBoxChannel"), &QComboBox::currentTextChanged, this,
            [&order] { order.append(QStringLiteral("comboBoxChannel")); });

    ask(0x0100, 9);
    order.clear();
    answer(readAnswer({7, 6, 0, 1, 0x2612, 0x0603, 0x3415, 0xFE70, 0x04E2}));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(child<QLineEdit>("lineEditAddress")->text(), QStringLiteral("7"));
    QCOMPARE(child<QComboBox>("comboBoxBaudRate")->currentText(), QStringLiteral("115200"));
    QCOMPARE(child<QLineEdit>("lineEditSN")->text(), QStringLiteral("261206033415"));
    QCOMPARE(child<QLineEdit>("lineEditRangeMin")->text(), QStringLiteral("-40.0"));
    QCOMPARE(child<QLineEdit>("lineEditRangeMax")->text(), QStringLiteral("125.0"));
    auto *channels = child<QComboBox>("comboBoxChannel");
    QCOMPARE(channels->count(), 2);
    QCOMPARE(channels->itemText(1), QStringLiteral("2"));
    order.removeDuplicates();
    QCOMPARE(order,
             (QStringList {"lineEditAddress", "comboBoxBaudRate", "lineEditSN", "lineEditRangeMin",
                           "lineEditRangeMax", "comboBoxChannel"}));
    auto *delay = child<QTimer>("timerDelay");
    QVERIFY(delay->isActive());
    QCOMPARE(delay->interval(), 100);
    // The seven controls the window does not offer stay as they were.
    QVERIFY(!channels->isEnabled());
    QVERIFY(!child<QComboBox>("comboBoxOutputData")->isEnabled());
}

void TestParser::shortInformationBlock()
{
    child<QLineEdit>("lineEditSN")->setText(QStringLiteral("unchanged"));
    ask(0x0100, 1);
    answer(readAnswer({9}));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(child<QLineEdit>("lineEditAddress")->text(), QStringLiteral("9"));
    QVERIFY(!child<QTimer>("timerDelay")->isActive());

    // Three registers: the serial number and range lie outside the data and stay as they were.
    ask(0x0100, 3);
    answer(readAnswer({9, 2, 0}));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(child<QComboBox>("comboBoxBaudRate")->currentText(), QStringLiteral("2400"));
    QCOMPARE(child<QLineEdit>("lineEditSN")->text(), QStringLiteral("unchanged"));
    QVERIFY(AppState.serialNumber.isEmpty());
}

void TestParser::outputSelection_data()
{
    QTest::addColumn<quint16>("secondWord");
    QTest::addColumn<int>("index");
    QTest::newRow("dew point") << quint16(2) << 2;
    QTest::newRow("humidity") << quint16(1) << 1;
    QTest::newRow("3 is no item") << quint16(3) << 0;
    QTest::newRow("negative is no item") << quint16(0xFFFF) << 0;
}

void TestParser::outputSelection()
{
    QFETCH(quint16, secondWord);
    QFETCH(int, index);
    QVector<quint16> words(17, 0x1234);
    words[1] = secondWord;
    ask(0x010A, 17);
    answer(readAnswer(words));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(child<QComboBox>("comboBoxOutputData")->currentIndex(), index);
    QCOMPARE(AppState.outputRegs[16], qint16(0x1234));
}

void TestParser::calibrationNeedsTheWholeBlock()
{
    ask(0x0200, 45);
    answer(readAnswer(QVector<quint16>(44, 0x0505)));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(AppState.calibrationRegs[0], qint16(0));
    ask(0x0200, 45);
    answer(readAnswer(QVector<quint16>(45, 0x0505)));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(AppState.calibrationRegs[44], qint16(0x0505));
}

void TestParser::exceptionIsLoggedButNotDecoded()
{
    ask(0x0001, 1);
    answer(Modbus::withCrc(hex("01 81 02")));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QVERIFY(logLines().last().endsWith(
        QStringLiteral("->RX  018102")
        + QString::fromLatin1(Modbus::withCrc(hex("01 81 02")).right(2).toHex())));
    QCOMPARE(AppState.humidityRaw, quint16(0));
    QCOMPARE(child<QLabel>("labelHumidity")->text(), QStringLiteral("Humidity:"));
}

void TestParser::baudRateCodeOutsideTheList()
{
    auto *baud = child<QComboBox>("comboBoxBaudRate");
    ask(0x0101, 1);
    answer(readAnswer({5}));
    QTRY_COMPARE_WITH_TIMEOUT(baud->currentText(), QStringLiteral("19200"), 1000);
    ask(0x0101, 1);
    answer(readAnswer({0}));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(baud->currentText(), QStringLiteral("19200"));
    ask(0x0101, 1);
    answer(readAnswer({7}));
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QCOMPARE(baud->currentText(), QStringLiteral("19200"));
}

void TestParser::flood_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("burst");
    QTest::addColumn<bool>("fault");
    QTest::newRow("1023 bytes") << 0 << 1023 << true;
    QTest::newRow("1024 bytes") << 1000 << 24 << true;
    QTest::newRow("1000 then 1025") << 1000 << 25 << false;
}

void TestParser::flood()
{
    QFETCH(int, before);
    QFETCH(int, burst);
    QFETCH(bool, fault);
    ask(0x0000, 4);
    const int lines = logLines().size();
    if (before) {
        answer(QByteArray(before, char(0xFF)));
        QTRY_COMPARE_WITH_TIMEOUT(AppState.rxBuffer.size(), before, 1000);
    }
    // The rest arrives in one read, so the parser sees the buffer only at its final size.
    QObject::disconnect(port, SIGNAL(readyRead()), window.get(), SLOT(my_readuart()));
    answer(QByteArray(burst, char(0xFF)));
    QTRY_COMPARE_WITH_TIMEOUT(port->bytesAvailable(), qint64(burst), 1000);
    QMetaObject::invokeMethod(window.get(), "my_readuart");
    QTRY_COMPARE_WITH_TIMEOUT(watcher->count(), fault ? 1 : 0, 1000);
    if (fault) {
        QCOMPARE(watcher->messages.last().title, QStringLiteral("Error"));
        QCOMPARE(watcher->lastText(),
                 QStringLiteral("USB device error, please reconnect USB device!"));
    }
    QCOMPARE(port->isOpen(), !fault);
    QVERIFY(AppState.rxBuffer.isEmpty());
    QCOMPARE(logLines().size(), lines);
}

void TestParser::addressField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("address");
    QTest::newRow("247") << "247" << 247;
    QTest::newRow("248") << "248" << 0;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("abc") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("65537 keeps its low 16 bits") << "65537" << 1;
}

void TestParser::addressField()
{
    QFETCH(QString, text);
    QFETCH(int, address);
    child<QLineEdit>("lineEditAddress")->setText(text);
    QCOMPARE(int(window->ReadAddressField()), address);
    window->SendReadRequest(0x0100, 1);
    QCOMPARE(quint8(pty->readFromTool(8).at(0)), quint8(address));
}

void TestParser::sendingWhileClosedIsLogged()
{
    port->close();
    const int lines = logLines().size();
    window->SendReadRequest(0x0100, 9);
    QCOMPARE(logLines().size(), lines + 1);
    QVERIFY(logLines().last().endsWith(QStringLiteral("->TX  0103010000098430")));
    QVERIFY(pty->drain().isEmpty());
}

QTEST_MAIN(TestParser)
#include "tst_parser.moc"
