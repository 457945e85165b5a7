// Periodic reading and the device commands against the simulated transmitter: what the labels
// show of its readings, how polling follows the selectors and the address, and how each
// configuration command changes the device and comes back as an echo in the log.
#include "app/appstate.h"
#include "app/widget.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "support/findchild.h"
#include "support/modalwatcher.h"
#include "support/toolport.h"
#include "transmittersimulator.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// Texts typed into the form before a command: object name, text.
using FormTexts = QList<QPair<QByteArray, QString>>;
// Register and value, set on the device before a command or expected on it afterwards.
using RegisterValues = QList<QPair<quint16, quint16>>;

constexpr int AnswerTimeoutMs = 1000;

// The 4-20 mA, 0-5 V and 0-10 V outputs for a value in its range, as the labels print them.
// The outputs are worked out in single precision, so a value that lands on a rounding edge
// prints as the tool prints it.
QStringList analog(double value, float min, float max)
{
    const float r = (float(value) - min) / (max - min);
    return {QString::number(double(16.0f * r + 4.0f), 'f', 3) + QStringLiteral("mA"),
            QString::number(double(5.0f * r), 'f', 3) + QStringLiteral("V"),
            QString::number(double(10.0f * r), 'f', 3) + QStringLiteral("V")};
}

bool showsAll(const QString &text, const QStringList &parts)
{
    for (const QString &part : parts) {
        if (!text.contains(part))
            return false;
    }
    return true;
}

} // namespace

Q_DECLARE_METATYPE(FormTexts)
Q_DECLARE_METATYPE(RegisterValues)

class TestE2eCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pollingShowsTheLiveReadings_data();
    void pollingShowsTheLiveReadings();
    void singleReadingPoll();
    void changedSelectionTakesEffectAtTheNextTick();
    void emptyAddressStopsPolling();
    void heaterCommandMovesTheDuePoll();
    void commandChangesTheDevice_data();
    void commandChangesTheDevice();
    void addressWriteMovesTheDevice();
    void baudRateWriteMovesTheDevice();
    void outputSelectionReachesTheDevice_data();
    void outputSelectionReachesTheDevice();
    void refusalSendsNothing_data();
    void refusalSendsNothing();

private:
    template<typename T>
    T *child(const char *name) const
    {
        return findNamedChild<T>(window.get(), name);
    }
    bool tick() { return QMetaObject::invokeMethod(window.get(), "ReadHumitureOrder"); }
    void clickRead() { QTest::mouseClick(child<QPushButton>("pushButtonRead"), Qt::LeftButton); }
    QString label(const char *name) const { return child<QLabel>(name)->text(); }
    QString log() const { return child<QTextBrowser>("textBrowser")->toPlainText(); }
    bool logged(const QByteArray &frame, bool received) const
    {
        return log().contains((received ? QStringLiteral("->RX  ") : QStringLiteral("->TX  "))
                              + QString::fromLatin1(frame.toHex()));
    }
    // Runs a command and waits until the device's answer was taken; returns the answer.
    QByteArray answered(const std::function<void()> &command);

    std::unique_ptr<TransmitterSimulator> sim;
    std::unique_ptr<Widget> window;
    std::unique_ptr<ModalWatcher> watcher;
    QSerialPort *port = nullptr;
};

void TestE2eCommands::init()
{
    AppState = ApplicationState();
    sim = std::make_unique<TransmitterSimulator>();
    QVERIFY(sim->start());
    window = std::make_unique<Widget>();
    watcher = std::make_unique<ModalWatcher>();
    port = openToolPort(window.get(), sim->portPath());
    QVERIFY(port);
    QTRY_COMPARE_WITH_TIMEOUT(sim->lineSpeed(), 9600, AnswerTimeoutMs);
    child<QLineEdit>("lineEditAddress")->setText(QStringLiteral("1"));
    child<QLineEdit>("lineEditRangeMin")->setText(QStringLiteral("-40.0"));
    child<QLineEdit>("lineEditRangeMax")->setText(QStringLiteral("80.0"));
}

void TestE2eCommands::cleanup()
{
    watcher.reset();
    window.reset();
    sim.reset();
}

QByteArray TestE2eCommands::answered(const std::function<void()> &command)
{
    QSignalSpy replies(sim.get(), &TransmitterSimulator::replySent);
    command();
    if (!QTest::qWaitFor([&] { return !replies.isEmpty() && AppState.responseReceived; },
                         AnswerTimeoutMs))
        return QByteArray();
    return replies.first().first().toByteArray();
}

void TestE2eCommands::pollingShowsTheLiveReadings_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("temperature");
    QTest::addColumn<QString>("humidity");
    QTest::addColumn<int>("decimals");

    QTest::newRow("*100") << 1 << QStringLiteral("25.00") << QStringLiteral("50.00") << 2;
    QTest::newRow("*10") << 0 << QStringLiteral("25.0") << QStringLiteral("50.0") << 1;
}

void TestE2eCommands::pollingShowsTheLiveReadings()
{
    QFETCH(int, scale);
    QFETCH(QString, temperature);
    QFETCH(QString, humidity);
    QFETCH(int, decimals);

    sim->setFixedReadings(25.0, 50.0);
    child<QComboBox>("comboBoxRegister")->setCurrentIndex(scale);
    child<QComboBox>("comboBoxNum")->setCurrentIndex(0);
    clickRead();
    // The real first tick, a second after the click.
    QTRY_VERIFY_WITH_TIMEOUT(label("labelTemperature").contains(temperature), 2000);

    const QString celsius(QChar(0x2103));
    QVERIFY2(label("labelTemperature").startsWith(QStringLiteral("Temperature:")),
             qPrintable(label("labelTemperature")));
    QVERIFY2(label("labelTemperature").contains(temperature + celsius),
             qPrintable(label("labelTemperature")));
    QVERIFY2(showsAll(label("labelTemperature"), analog(25.0, -40.0f, 80.0f)),
             qPrintable(label("labelTemperature")));
    QVERIFY2(label("labelHumidity").contains(humidity + QStringLiteral("%")),
             qPrintable(label("labelHumidity")));
    QVERIFY2(showsAll(label("labelHumidity"), analog(50.0, 0.0f, 100.0f)),
             qPrintable(label("labelHumidity")));

    // The dew point is the device's own: read back what it reports in the polled scale.
    const quint16 first =
        scale == 0 ? Registers::MeasurementsTenths : Registers::MeasurementsHundredths;
    const double divisor = scale == 0 ? 10.0 : 100.0;
    const double dewPoint = qint16(sim->registerValue(quint16(first + 2))) / divisor;
    QVERIFY2(label("labelDewTemp").contains(QString::number(dewPoint, 'f', decimals) + celsius),
             qPrintable(label("labelDewTemp")));
    QVERIFY2(showsAll(label("labelDewTemp"), analog(dewPoint, -40.0f, 80.0f)),
             qPrintable(label("labelDewTemp")));
    QVERIFY(log().contains(QStringLiteral("->RX  ")));
    QCOMPARE(watcher->count(), 0);
}

void TestE2eCommands::singleReadingPoll()
{
    sim->setFixedReadings(21.5, 42.3);
    QSignalSpy requests(sim.get(), &TransmitterSimulator::requestReceived);
    child<QComboBox>("comboBoxRegister")->setCurrentIndex(0);
    child<QComboBox>("comboBoxNum")->setCurrentIndex(2);
    clickRead();
    const QByteArray reply = answered([this] { QVERIFY(tick()); });
    QVERIFY(!reply.isEmpty());
    QCOMPARE(requests.first().first().toByteArray(),
             QByteArray::fromHex("01 03 00 05 00 01 94 0B"));
    QVERIFY2(label("labelHumidity").contains(QStringLiteral("42.3%")),
             qPrintable(label("labelHumidity")));
    // Only the humidity was read.
    QCOMPARE(label("labelTemperature"), QStringLiteral("Temperature:---"));
    QCOMPARE(label("labelDewTemp"), QStringLiteral("DewTemp:---"));
    QVERIFY(logged(reply, true));
}

void TestE2eCommands::changedSelectionTakesEffectAtTheNextTick()
{
    sim->setFixedReadings(-12.34, 60.0);
    QSignalSpy requests(sim.get(), &TransmitterSimulator::requestReceived);
    child<QComboBox>("comboBoxRegister")->setCurrentIndex(1);
    child<QComboBox>("comboBoxNum")->setCurrentIndex(1);
    clickRead();
    QVERIFY(!answered([this] { QVERIFY(tick()); }).isEmpty());
    QVERIFY2(label("labelTemperature").contains(QStringLiteral("-12.34")),
             qPrintable(label("labelTemperature")));
    QCOMPARE(label("labelHumidity"), QStringLiteral("Humidity:---"));

    child<QComboBox>("comboBoxRegister")->setCurrentIndex(0);
    child<QComboBox>("comboBoxNum")->setCurrentIndex(0);
    QVERIFY(!answered([this] { QVERIFY(tick()); }).isEmpty());
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).first().toByteArray(), QByteArray::fromHex("01 03 00 00 00 01 84 0A"));
    QCOMPARE(requests.at(1).first().toByteArray(), QByteArray::fromHex("01 03 00 04 00 04 05 C8"));
    // Tenths now, all three readings.
    QVERIFY2(label("labelTemperature").contains(QStringLiteral("-12.3")),
             qPrintable(label("labelTemperature")));
    QVERIFY2(label("labelHumidity").contains(QStringLiteral("60.0%")),
             qPrintable(label("labelHumidity")));
}

void TestE2eCommands::emptyAddressStopsPolling()
{
    clickRead();
    child<QLineEdit>("lineEditAddress")->clear();
    const int before = sim->requestCount();
    QTRY_COMPARE_WITH_TIMEOUT(watcher->count(), 1, 2000);
    QCOMPARE(watcher->messages.first().title, QStringLiteral("Error"));
    QCOMPARE(watcher->messages.first().text, QStringLiteral("The address is empty!"));
    QCOMPARE(child<QPushButton>("pushButtonRead")->text(), QStringLiteral("Read"));
    QVERIFY(!child<QTimer>("timerReadHumiture")->isActive());
    QTest::qWait(100);
    QCOMPARE(sim->requestCount(), before);
    QCOMPARE(watcher->count(), 1);
}

void TestE2eCommands::heaterCommandMovesTheDuePoll()
{
    QElapsedTimer clock;
    clock.start();
    QList<QPair<qint64, QByteArray>> requests;
    // Disconnects with the test's locals.
    QObject recording;
    connect(sim.get(), &TransmitterSimulator::requestReceived, &recording,
            [&](const QByteArray &frame) {
                requests.append({clock.elapsed(), frame});
            });
    const QByteArray heaterOn = QByteArray::fromHex("01 06 01 09 00 01 99 F4");

    clickRead();
    QTest::qWait(400);
    const QByteArray echo = answered(
        [this] { QTest::mouseClick(child<QPushButton>("pushButtonHeaterON"), Qt::LeftButton); });
    QCOMPARE(echo, heaterOn);
    QCOMPARE(sim->registerValue(Registers::Heater), quint16(Registers::HeaterOn));
    QVERIFY(logged(heaterOn, false));
    QVERIFY(logged(echo, true));

    // The poll that was due 600 ms later comes a whole second after the heater frame.
    QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 2, 2000);
    QCOMPARE(requests.at(0).second, heaterOn);
    const qint64 gap = requests.at(1).first - requests.at(0).first;
    QVERIFY2(gap >= 900, qPrintable(QString::number(gap)));
    QCOMPARE(Modbus::functionCode(requests.at(1).second), Modbus::ReadRegisters);

    QVERIFY(!answered([this] {
                 QTest::mouseClick(child<QPushButton>("pushButtonHeaterOFF"), Qt::LeftButton);
             }).isEmpty());
    QCOMPARE(sim->registerValue(Registers::Heater), quint16(Registers::HeaterOff));
}

void TestE2eCommands::commandChangesTheDevice_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<FormTexts>("texts");
    QTest::addColumn<QByteArray>("readFirst"); // slot that reads the block back first, or none
    QTest::addColumn<RegisterValues>("before");
    QTest::addColumn<RegisterValues>("after");

    RegisterValues outputBlock;
    RegisterValues outputApplied;
    for (quint16 i = 0; i < Registers::OutputBlockCount; ++i) {
        const quint16 reg = quint16(Registers::OutputBlockFirst + i);
        outputBlock.append({reg, quint16(0x0300 + i)});
        outputApplied.append({reg, reg == 0x0110 ? quint16(1) : quint16(0x0300 + i)});
    }
    RegisterValues calibrationBlock;
    RegisterValues calibrationApplied;
    for (quint16 i = 0; i < Registers::CalibrationBlockCount; ++i) {
        const quint16 reg = quint16(Registers::CalibrationBlockFirst + i);
        calibrationBlock.append({reg, quint16(0x0500 + i)});
        calibrationApplied.append({reg, reg == 0x0204 ? quint16(1) : quint16(0x0500 + i)});
    }

    // clang-format off
    QTest::newRow("temperature range") << QByteArray("PushButtonTempRangeSlot") << QByteArray("pushButtonTempRange")
        << FormTexts{{"lineEditRangeMin", "-40.5"}, {"lineEditRangeMax", "85"}} << QByteArray()
        << RegisterValues{} << RegisterValues{{0x0107, quint16(-405)}, {0x0108, 850}};
    QTest::newRow("serial number, MANU") << QByteArray("PushButtonMANUSetupSlot") << QByteArray()
        << FormTexts{{"lineEditSN", "ABCDEF012345"}} << QByteArray()
        << RegisterValues{} << RegisterValues{{0x0104, 0xABCD}, {0x0105, 0xEF01}, {0x0106, 0x2345}};
    QTest::newRow("output apply after a read") << QByteArray("PushButtonOutputApplySlot") << QByteArray()
        << FormTexts{} << QByteArray("PushButtonOutputReadSlot") << outputBlock << outputApplied;
    QTest::newRow("calibration apply after a read") << QByteArray("PushButtonCalibrationApplySlot") << QByteArray()
        << FormTexts{} << QByteArray("PushButtonCalibrationReadSlot") << calibrationBlock << calibrationApplied;
    QTest::newRow("calibration reset") << QByteArray("PushButtonCalibrationResetSlot") << QByteArray()
        << FormTexts{} << QByteArray() << RegisterValues{{0x0204, 7}} << RegisterValues{{0x0204, 0}};
    QTest::newRow("cap clear") << QByteArray("PushButtonCapClearSlot") << QByteArray()
        << FormTexts{} << QByteArray() << RegisterValues{{0x0202, 7}} << RegisterValues{{0x0202, 0}};
    QTest::newRow("res clear") << QByteArray("PushButtonResClearSlot") << QByteArray()
        << FormTexts{} << QByteArray() << RegisterValues{{0x0200, 7}} << RegisterValues{{0x0200, 0}};
    QTest::newRow("unit") << QByteArray("PushButtonUnitSlot") << QByteArray()
        << FormTexts{} << QByteArray() << RegisterValues{{0x0008, 1}} << RegisterValues{{0x0008, 0}};
    // clang-format on
}

void TestE2eCommands::commandChangesTheDevice()
{
    QFETCH(QByteArray, slot);
    QFETCH(QByteArray, button);
    QFETCH(FormTexts, texts);
    QFETCH(QByteArray, readFirst);
    QFETCH(RegisterValues, before);
    QFETCH(RegisterValues, after);

    for (const auto &preset : before)
        sim->setRegisterValue(preset.first, preset.second);
    for (const auto &text : texts)
        child<QLineEdit>(text.first.constData())->setText(text.second);
    if (!readFirst.isEmpty()) {
        QVERIFY(!answered([&] {
                     QVERIFY(QMetaObject::invokeMethod(window.get(), readFirst.constData()));
                 }).isEmpty());
    }

    QSignalSpy requests(sim.get(), &TransmitterSimulator::requestReceived);
    const QByteArray echo = answered([&] {
        if (button.isEmpty())
            QVERIFY(QMetaObject::invokeMethod(window.get(), slot.constData()));
        else
            QTest::mouseClick(child<QPushButton>(button.constData()), Qt::LeftButton);
    });
    QVERIFY(!echo.isEmpty());
    QCOMPARE(requests.size(), 1);
    // An echo, not an exception.
    QCOMPARE(Modbus::functionCode(echo),
             Modbus::functionCode(requests.first().first().toByteArray()));
    QVERIFY(logged(requests.first().first().toByteArray(), false));
    QVERIFY(logged(echo, true));
    for (const auto &expected : after) {
        QVERIFY2(sim->registerValue(expected.first) == expected.second,
                 qPrintable(QStringLiteral("register %1: %2, expected %3")
                                .arg(expected.first, 4, 16, QLatin1Char('0'))
                                .arg(sim->registerValue(expected.first), 4, 16, QLatin1Char('0'))
                                .arg(expected.second, 4, 16, QLatin1Char('0'))));
    }
    QCOMPARE(watcher->count(), 0);
}

void TestE2eCommands::addressWriteMovesTheDevice()
{
    child<QLineEdit>("lineEditAddress")->setText(QStringLiteral("5"));
    const QByteArray echo = answered(
        [this] { QTest::mouseClick(child<QPushButton>("pushButtonAddress"), Qt::LeftButton); });
    QCOMPARE(echo, QByteArray::fromHex("00 06 01 00 00 05 49 E4"));
    QVERIFY(logged(echo, true));
    QTRY_COMPARE_WITH_TIMEOUT(sim->address(), quint16(5), AnswerTimeoutMs);
    QCOMPARE(AppState.deviceAddress, quint16(5));

    // Reading goes on at the new address.
    QSignalSpy requests(sim.get(), &TransmitterSimulator::requestReceived);
    clickRead();
    QVERIFY(!answered([this] { QVERIFY(tick()); }).isEmpty());
    QCOMPARE(Modbus::field(requests.first().first().toByteArray(), Modbus::AddressOffset, 1),
             quint32(5));
}

void TestE2eCommands::baudRateWriteMovesTheDevice()
{
    child<QComboBox>("comboBoxBaudRate")->setCurrentIndex(4);
    const QByteArray echo = answered(
        [this] { QTest::mouseClick(child<QPushButton>("pushButtonBaudRate"), Qt::LeftButton); });
    // Echoed at the old speed, then the device listens at the new one.
    QCOMPARE(echo, QByteArray::fromHex("01 06 01 01 00 05 19 F5"));
    QVERIFY(logged(echo, true));
    QTRY_COMPARE_WITH_TIMEOUT(sim->baudCode(), quint16(5), AnswerTimeoutMs);
    // The command leaves the tool's own line speed alone.
    QCOMPARE(port->baudRate(), qint32(9600));

    QVERIFY(openToolPort(window.get(), sim->portPath()));
    port->setBaudRate(QSerialPort::Baud19200);
    QTRY_COMPARE_WITH_TIMEOUT(sim->lineSpeed(), 19200, AnswerTimeoutMs);
    const QByteArray reply = answered(
        [this] { QTest::mouseClick(child<QPushButton>("pushButtonAddressRead"), Qt::LeftButton); });
    QCOMPARE(reply.left(5), QByteArray::fromHex("01 03 02 00 01"));
    QVERIFY(logged(reply, true));
}

void TestE2eCommands::outputSelectionReachesTheDevice_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("data");
    QTest::addColumn<int>("reg");

    QTest::newRow("channel 1, TDEW") << 0 << 2 << int(Registers::OutputDataChannel1);
    QTest::newRow("channel 2, humidity") << 1 << 1 << int(Registers::OutputDataChannel2);
}

void TestE2eCommands::outputSelectionReachesTheDevice()
{
    QFETCH(int, channel);
    QFETCH(int, data);
    QFETCH(int, reg);

    sim->setRegisterValue(quint16(reg), 0);
    auto *channels = child<QComboBox>("comboBoxChannel");
    while (channels->count() < 2)
        channels->addItem(QString::number(channels->count() + 1));
    channels->setCurrentIndex(channel);
    child<QComboBox>("comboBoxOutputData")->setCurrentIndex(data);
    auto *button = child<QPushButton>("pushButtonOutputData");
    button->setEnabled(true);
    const QByteArray echo = answered([button] { QTest::mouseClick(button, Qt::LeftButton); });
    button->setEnabled(false);
    QCOMPARE(Modbus::functionCode(echo), Modbus::WriteRegister);
    QVERIFY(logged(echo, true));
    QCOMPARE(sim->registerValue(quint16(reg)), quint16(data));
}

void TestE2eCommands::refusalSendsNothing_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<FormTexts>("texts");

    // clang-format off
    QTest::newRow("address empty") << QByteArray("PushButtonAddressSlot") << FormTexts{{"lineEditAddress", ""}};
    QTest::newRow("address 248") << QByteArray("PushButtonAddressSlot") << FormTexts{{"lineEditAddress", "248"}};
    QTest::newRow("MANU 11 characters") << QByteArray("PushButtonMANUSetupSlot") << FormTexts{{"lineEditSN", "ABCDEF01234"}};
    QTest::newRow("MANU not hexadecimal") << QByteArray("PushButtonMANUSetupSlot") << FormTexts{{"lineEditSN", "ABCDEFG12345"}};
    QTest::newRow("range empty") << QByteArray("PushButtonTempRangeSlot") << FormTexts{{"lineEditRangeMax", ""}};
    QTest::newRow("range 5000") << QByteArray("PushButtonTempRangeSlot") << FormTexts{{"lineEditRangeMax", "5000"}};
    // clang-format on
}

void TestE2eCommands::refusalSendsNothing()
{
    QFETCH(QByteArray, slot);
    QFETCH(FormTexts, texts);

    for (const auto &text : texts)
        child<QLineEdit>(text.first.constData())->setText(text.second);
    const QByteArray state = sim->saveState();
    const int before = sim->requestCount();
    QVERIFY(QMetaObject::invokeMethod(window.get(), slot.constData()));
    QCOMPARE(watcher->count(), 1);
    QTest::qWait(100);
    QCOMPARE(sim->requestCount(), before);
    QCOMPARE(sim->saveState(), state);
    QVERIFY(log().isEmpty());
}

QTEST_MAIN(TestE2eCommands)
#include "tst_e2e_commands.moc"
