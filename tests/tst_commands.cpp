// The device command set: the frame each command sends for the inputs of the form, what it
// refuses and with which message, and which timers it starts and whether it empties rxBuffer.
#include "app/appstate.h"
#include "app/widget.h"
#include "protocol/frame.h"
#include "support/findchild.h"
#include "support/modalwatcher.h"
#include "support/ptypair.h"
#include "support/toolport.h"

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

// The inputs a command may read from the form.
struct FormInputs
{
    QString address = QStringLiteral("1");
    QString serialNumber;
    QString rangeMin = QStringLiteral("0");
    QString rangeMax = QStringLiteral("0");
    int baudIndex = 3;
};

FormInputs address(const QString &text)
{
    FormInputs inputs;
    inputs.address = text;
    return inputs;
}

FormInputs serialNumber(const QString &text)
{
    FormInputs inputs;
    inputs.serialNumber = text;
    return inputs;
}

FormInputs range(const QString &min, const QString &max)
{
    FormInputs inputs;
    inputs.rangeMin = min;
    inputs.rangeMax = max;
    return inputs;
}

FormInputs baud(int index)
{
    FormInputs inputs;
    inputs.baudIndex = index;
    return inputs;
}

// What a command does after its write.
enum After {
    Nothing = 0,
    ResponseTimer = 1, // timerResponse started with 500 ms
    PollTimer = 2, // timerReadHumiture started with 1000 ms
    ClearsBuffer = 4, // rxBuffer emptied
    AsReadOrWrite = ResponseTimer | PollTimer | ClearsBuffer
};

QByteArray hex(const QByteArray &bytes)
{
    return bytes.toHex(' ').toUpper();
}

QByteArray zeros(int bytes)
{
    return QByteArray("00").repeated(bytes);
}

// Half an answer that a command either keeps or throws away.
const QByteArray PartialAnswer = QByteArray::fromHex("0103");

} // namespace

Q_DECLARE_METATYPE(FormInputs)

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandSendsItsFrame_data();
    void commandSendsItsFrame();
    void refusedCommandSendsNothing_data();
    void refusedCommandSendsNothing();
    void autoSetupSendsTheDateAndTime();
    void baudRateCodeOutsideTheTableIsNotSent_data();
    void baudRateCodeOutsideTheTableIsNotSent();
    void outputSelectionFromItsButton_data();
    void outputSelectionFromItsButton();
    void applyCommandsSendTheCachedBlock();
    void emptySlotsSendNothing();

private:
    template<typename T>
    T *child(const char *name) const
    {
        return findNamedChild<T>(window.get(), name);
    }
    void fill(const FormInputs &inputs);
    bool run(const QByteArray &slot, const QByteArray &button);
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
};

void TestCommands::init()
{
    AppState = ApplicationState();
    pty = std::make_unique<PtyPair>();
    QVERIFY(pty->isValid());
    window = std::make_unique<Widget>();
    watcher = std::make_unique<ModalWatcher>();
    QVERIFY(openToolPort(window.get(), pty->slavePath()));
    child<QLineEdit>("lineEditAddress")->setText(QStringLiteral("1"));
    // An answer was taken and another is half in: a command must clear the flag, and either
    // keep or drop the bytes.
    AppState.responseReceived = true;
    AppState.rxBuffer = PartialAnswer;
}

void TestCommands::cleanup()
{
    watcher.reset();
    window.reset();
    pty.reset();
}

void TestCommands::fill(const FormInputs &inputs)
{
    child<QLineEdit>("lineEditAddress")->setText(inputs.address);
    child<QLineEdit>("lineEditSN")->setText(inputs.serialNumber);
    child<QLineEdit>("lineEditRangeMin")->setText(inputs.rangeMin);
    child<QLineEdit>("lineEditRangeMax")->setText(inputs.rangeMax);
    child<QComboBox>("comboBoxBaudRate")->setCurrentIndex(inputs.baudIndex);
}

// Clicks the command's button, or calls the slot by name where no control reaches it.
bool TestCommands::run(const QByteArray &slot, const QByteArray &button)
{
    if (button.isEmpty())
        return QMetaObject::invokeMethod(window.get(), slot.constData());
    QTest::mouseClick(child<QPushButton>(button.constData()), Qt::LeftButton);
    return true;
}

void TestCommands::commandSendsItsFrame_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<FormInputs>("inputs");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("after");

    const FormInputs atOne;
    // clang-format off
    QTest::newRow("address read") << QByteArray("PushButtonAddressReadSlot") << QByteArray("pushButtonAddressRead")
        << atOne << QByteArray("01 03 01 00 00 01 85 F6") << int(AsReadOrWrite);
    QTest::newRow("address read, empty address") << QByteArray("PushButtonAddressReadSlot") << QByteArray("pushButtonAddressRead")
        << address("") << QByteArray("00 03 01 00 00 01 84 27") << int(AsReadOrWrite);
    // The new address goes to address 0, which the device answers whatever its own is.
    QTest::newRow("address write 247") << QByteArray("PushButtonAddressSlot") << QByteArray("pushButtonAddress")
        << address("247") << QByteArray("00 06 01 00 00 F7 C8 61") << int(ResponseTimer | PollTimer);
    QTest::newRow("address write 5") << QByteArray("PushButtonAddressSlot") << QByteArray("pushButtonAddress")
        << address("5") << QByteArray("00 06 01 00 00 05 49 E4") << int(ResponseTimer | PollTimer);
    QTest::newRow("address write 1") << QByteArray("PushButtonAddressSlot") << QByteArray("pushButtonAddress")
        << address("1") << QByteArray("00 06 01 00 00 01 48 27") << int(ResponseTimer | PollTimer);
    QTest::newRow("baud 115200") << QByteArray("PushButtonBaudRateSlot") << QByteArray("pushButtonBaudRate")
        << baud(5) << QByteArray("01 06 01 01 00 06 59 F4") << int(AsReadOrWrite);
    QTest::newRow("baud 9600") << QByteArray("PushButtonBaudRateSlot") << QByteArray("pushButtonBaudRate")
        << baud(3) << QByteArray("01 06 01 01 00 04 D8 35") << int(AsReadOrWrite);
    QTest::newRow("baud 1200") << QByteArray("PushButtonBaudRateSlot") << QByteArray("pushButtonBaudRate")
        << baud(0) << QByteArray("01 06 01 01 00 01 18 36") << int(AsReadOrWrite);
    QTest::newRow("baud, empty address") << QByteArray("PushButtonBaudRateSlot") << QByteArray("pushButtonBaudRate")
        << address("") << QByteArray("00 06 01 01 00 04 D9 E4") << int(AsReadOrWrite);
    QTest::newRow("serial number read") << QByteArray("PushButtonReadSNSlot") << QByteArray("pushButtonReadSN")
        << atOne << QByteArray("01 03 01 04 00 03 45 F6") << int(AsReadOrWrite);
    QTest::newRow("MANU 0000000000AB") << QByteArray("PushButtonMANUSetupSlot") << QByteArray()
        << serialNumber("0000000000AB") << QByteArray("01 10 01 04 01 06 06 00 00 00 00 00 AB 2F B9") << int(PollTimer | ClearsBuffer);
    QTest::newRow("MANU 261206033415") << QByteArray("PushButtonMANUSetupSlot") << QByteArray()
        << serialNumber("261206033415") << QByteArray("01 10 01 04 01 06 06 26 12 06 03 34 15 F6 84") << int(PollTimer | ClearsBuffer);
    QTest::newRow("MANU lowercase") << QByteArray("PushButtonMANUSetupSlot") << QByteArray()
        << serialNumber("abcdef012345") << QByteArray("01 10 01 04 01 06 06 AB CD EF 01 23 45 E7 DA") << int(PollTimer | ClearsBuffer);
    QTest::newRow("range -40 80") << QByteArray("PushButtonTempRangeSlot") << QByteArray("pushButtonTempRange")
        << range("-40", "80") << QByteArray("01 10 01 07 01 08 04 FE 70 03 20 9E A8") << int(ClearsBuffer);
    // Single precision: 100.1 * 10 is 1001, not 1000.99...
    QTest::newRow("range 25.3 100.1") << QByteArray("PushButtonTempRangeSlot") << QByteArray("pushButtonTempRange")
        << range("25.3", "100.1") << QByteArray("01 10 01 07 01 08 04 00 FD 03 E9 FF 3D") << int(ClearsBuffer);
    QTest::newRow("range -0.05 3276.7") << QByteArray("PushButtonTempRangeSlot") << QByteArray("pushButtonTempRange")
        << range("-0.05", "3276.7") << QByteArray("01 10 01 07 01 08 04 00 00 7F FF CF C3") << int(ClearsBuffer);
    QTest::newRow("range -3276.8 0") << QByteArray("PushButtonTempRangeSlot") << QByteArray("pushButtonTempRange")
        << range("-3276.8", "0") << QByteArray("01 10 01 07 01 08 04 80 00 00 00 86 73") << int(ClearsBuffer);
    // The lower limit is not compared with the upper one.
    QTest::newRow("range 100 -100") << QByteArray("PushButtonTempRangeSlot") << QByteArray("pushButtonTempRange")
        << range("100", "-100") << QByteArray("01 10 01 07 01 08 04 03 E8 FC 18 6E C9") << int(ClearsBuffer);
    QTest::newRow("heater on") << QByteArray("PushButtonHeaterONSlot") << QByteArray("pushButtonHeaterON")
        << atOne << QByteArray("01 06 01 09 00 01 99 F4") << int(AsReadOrWrite);
    QTest::newRow("heater off") << QByteArray("PushButtonHeaterOFFSlot") << QByteArray("pushButtonHeaterOFF")
        << atOne << QByteArray("01 06 01 09 00 00 58 34") << int(AsReadOrWrite);
    // Through the meta-object there is no sending button.
    QTest::newRow("output selection, no sender") << QByteArray("PushButtonOutputSlot") << QByteArray()
        << atOne << QByteArray("01 06 00 00 00 00 89 CA") << int(AsReadOrWrite);
    QTest::newRow("output read") << QByteArray("PushButtonOutputReadSlot") << QByteArray()
        << atOne << QByteArray("01 03 01 0A 00 11 A4 38") << int(AsReadOrWrite);
    // Nothing was read: only the forced first register is set.
    QTest::newRow("output apply") << QByteArray("PushButtonOutputApplySlot") << QByteArray()
        << atOne << QByteArray("01 10 01 10 01 1A 17 00 01" + zeros(20) + "13 65") << int(Nothing);
    QTest::newRow("calibration read") << QByteArray("PushButtonCalibrationReadSlot") << QByteArray()
        << atOne << QByteArray("01 03 02 00 00 2D 84 6F") << int(AsReadOrWrite);
    QTest::newRow("calibration reset") << QByteArray("PushButtonCalibrationResetSlot") << QByteArray()
        << atOne << QByteArray("01 06 02 04 00 00 C9 B3") << int(AsReadOrWrite);
    QTest::newRow("calibration apply") << QByteArray("PushButtonCalibrationApplySlot") << QByteArray()
        << atOne << QByteArray("01 10 02 04 02 2C 29 00 01" + zeros(80) + "E6 E0") << int(Nothing);
    QTest::newRow("cap clear") << QByteArray("PushButtonCapClearSlot") << QByteArray()
        << atOne << QByteArray("01 06 02 02 00 00 29 B2") << int(AsReadOrWrite);
    QTest::newRow("res clear") << QByteArray("PushButtonResClearSlot") << QByteArray()
        << atOne << QByteArray("01 06 02 00 00 00 88 72") << int(AsReadOrWrite);
    QTest::newRow("unit") << QByteArray("PushButtonUnitSlot") << QByteArray()
        << atOne << QByteArray("01 06 00 08 00 00 08 08") << int(AsReadOrWrite);
    // clang-format on
}

void TestCommands::commandSendsItsFrame()
{
    QFETCH(QByteArray, slot);
    QFETCH(QByteArray, button);
    QFETCH(FormInputs, inputs);
    QFETCH(QByteArray, frame);
    QFETCH(int, after);

    fill(inputs);
    QVERIFY(run(slot, button));

    const QByteArray expected = QByteArray::fromHex(frame);
    QCOMPARE(hex(sent(expected.size())), hex(expected));
    QVERIFY(nothingSent());
    QCOMPARE(watcher->count(), 0);
    QVERIFY(!AppState.responseReceived);
    const QStringList lines = log().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(
        lines.first().endsWith(QStringLiteral("->TX  ") + QString::fromLatin1(expected.toHex())),
        qPrintable(lines.first()));

    auto *responseTimer = child<QTimer>("timerResponse");
    auto *pollTimer = child<QTimer>("timerReadHumiture");
    QCOMPARE(responseTimer->isActive(), bool(after & ResponseTimer));
    if (after & ResponseTimer)
        QCOMPARE(responseTimer->interval(), 500);
    QCOMPARE(pollTimer->isActive(), bool(after & PollTimer));
    if (after & PollTimer)
        QCOMPARE(pollTimer->interval(), 1000);
    QCOMPARE(AppState.rxBuffer, (after & ClearsBuffer) ? QByteArray() : PartialAnswer);
    if (slot == "PushButtonMANUSetupSlot")
        QCOMPARE(AppState.serialNumber, inputs.serialNumber);
}

void TestCommands::refusedCommandSendsNothing_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<FormInputs>("inputs");
    QTest::addColumn<QString>("message");

    const QString emptyAddress = QStringLiteral("The address is empty!");
    const QString badAddress = QStringLiteral("The address is between 1 and 247!");
    const QString snLength = QStringLiteral("The serial number is a fixed 12 characters!");
    const QString snDigits = QStringLiteral("The serial number must be 12 hexadecimal digits!");
    const QString emptyRange = QStringLiteral("Data is empty!");
    const QString badRange =
        QStringLiteral("The temperature range must be a number from -3276.8 to 3276.7!");
    const QByteArray addressSlot("PushButtonAddressSlot");
    const QByteArray addressButton("pushButtonAddress");
    const QByteArray manuSlot("PushButtonMANUSetupSlot");
    const QByteArray rangeSlot("PushButtonTempRangeSlot");
    const QByteArray rangeButton("pushButtonTempRange");

    // clang-format off
    QTest::newRow("address empty") << addressSlot << addressButton << address("") << emptyAddress;
    QTest::newRow("address 0") << addressSlot << addressButton << address("0") << badAddress;
    QTest::newRow("address 248") << addressSlot << addressButton << address("248") << badAddress;
    QTest::newRow("address -5") << addressSlot << addressButton << address("-5") << badAddress;
    QTest::newRow("address abc") << addressSlot << addressButton << address("abc") << badAddress;
    // Its low 16 bits would make 1: the whole number is compared.
    QTest::newRow("address 65537") << addressSlot << addressButton << address("65537") << badAddress;
    QTest::newRow("MANU 11 characters") << manuSlot << QByteArray() << serialNumber("26120603341") << snLength;
    QTest::newRow("MANU 13 characters") << manuSlot << QByteArray() << serialNumber("2612060334150") << snLength;
    QTest::newRow("MANU empty") << manuSlot << QByteArray() << serialNumber("") << snLength;
    QTest::newRow("MANU G1") << manuSlot << QByteArray() << serialNumber("00000000G1AB") << snDigits;
    QTest::newRow("MANU 0x prefix") << manuSlot << QByteArray() << serialNumber("0x0000000001") << snDigits;
    QTest::newRow("MANU blank") << manuSlot << QByteArray() << serialNumber(" 0000000000A") << snDigits;
    QTest::newRow("MANU non-Latin digits") << manuSlot << QByteArray()
        << serialNumber(QStringLiteral("\u0660\u0661\u0662\u0663\u0664\u0665\u0666\u0667\u0668\u0669\u0660\u0661")) << snDigits;
    QTest::newRow("range min empty") << rangeSlot << rangeButton << range("", "80") << emptyRange;
    QTest::newRow("range max empty") << rangeSlot << rangeButton << range("-40", "") << emptyRange;
    QTest::newRow("range both empty") << rangeSlot << rangeButton << range("", "") << emptyRange;
    // An empty field wins over a bad one.
    QTest::newRow("range abc and empty") << rangeSlot << rangeButton << range("abc", "") << emptyRange;
    QTest::newRow("range min abc") << rangeSlot << rangeButton << range("abc", "80") << badRange;
    QTest::newRow("range max abc") << rangeSlot << rangeButton << range("-40", "abc") << badRange;
    QTest::newRow("range max 5000") << rangeSlot << rangeButton << range("-40", "5000") << badRange;
    QTest::newRow("range min -3276.9") << rangeSlot << rangeButton << range("-3276.9", "80") << badRange;
    QTest::newRow("range max 3276.8") << rangeSlot << rangeButton << range("-40", "3276.8") << badRange;
    QTest::newRow("range min -5000") << rangeSlot << rangeButton << range("-5000", "80") << badRange;
    QTest::newRow("range comma") << rangeSlot << rangeButton << range("-40", "80,5") << badRange;
    QTest::newRow("range nan") << rangeSlot << rangeButton << range("nan", "80") << badRange;
    QTest::newRow("range inf") << rangeSlot << rangeButton << range("-40", "inf") << badRange;
    // clang-format on
}

void TestCommands::refusedCommandSendsNothing()
{
    QFETCH(QByteArray, slot);
    QFETCH(QByteArray, button);
    QFETCH(FormInputs, inputs);
    QFETCH(QString, message);

    fill(inputs);
    QVERIFY(run(slot, button));

    QCOMPARE(watcher->count(), 1);
    QCOMPARE(watcher->messages.first().title, QStringLiteral("Error"));
    QCOMPARE(watcher->messages.first().text, message);
    QVERIFY(nothingSent());
    QVERIFY(log().isEmpty());
    QVERIFY(AppState.responseReceived);
    QCOMPARE(AppState.rxBuffer, PartialAnswer);
    QVERIFY(!child<QTimer>("timerResponse")->isActive());
    QVERIFY(!child<QTimer>("timerReadHumiture")->isActive());
    // A refused serial number stays what was typed.
    if (slot == "PushButtonMANUSetupSlot")
        QCOMPARE(AppState.serialNumber, inputs.serialNumber);
}

void TestCommands::autoSetupSendsTheDateAndTime()
{
    const QString format = QStringLiteral("yyMMddhhmmss");
    const QString before = QDateTime::currentDateTime().toString(format);
    QVERIFY(QMetaObject::invokeMethod(window.get(), "PushButtonAUTOSetupSlot"));
    const QString afterwards = QDateTime::currentDateTime().toString(format);

    const QString stamp = AppState.serialNumber;
    QVERIFY2(stamp == before || stamp == afterwards, qPrintable(stamp));
    const QByteArray frame = sent(15);
    QCOMPARE(frame.size(), 15);
    QCOMPARE(hex(frame.left(7)), hex(QByteArray::fromHex("01 10 01 04 01 06 06")));
    // Two decimal digits a byte: packed BCD.
    QCOMPARE(hex(frame.mid(7, 6)), hex(QByteArray::fromHex(stamp.toLatin1())));
    QCOMPARE(hex(frame), hex(Modbus::withCrc(frame.left(13))));
    QCOMPARE(watcher->count(), 0);
    QVERIFY(!child<QTimer>("timerResponse")->isActive());
    QVERIFY(child<QTimer>("timerReadHumiture")->isActive());
    QVERIFY(AppState.rxBuffer.isEmpty());
    QVERIFY(!AppState.responseReceived);
}

void TestCommands::baudRateCodeOutsideTheTableIsNotSent_data()
{
    QTest::addColumn<bool>("emptySelector");

    QTest::newRow("empty selector") << true;
    QTest::newRow("item without a code") << false;
}

void TestCommands::baudRateCodeOutsideTheTableIsNotSent()
{
    QFETCH(bool, emptySelector);

    auto *selector = child<QComboBox>("comboBoxBaudRate");
    if (emptySelector) {
        selector->clear();
    } else {
        selector->addItem(QStringLiteral("230400"));
        selector->setCurrentIndex(selector->count() - 1);
    }
    QTest::mouseClick(child<QPushButton>("pushButtonBaudRate"), Qt::LeftButton);
    QVERIFY(nothingSent());
    QVERIFY(log().isEmpty());
    QCOMPARE(watcher->count(), 0);
    QVERIFY(AppState.responseReceived);
    QCOMPARE(AppState.rxBuffer, PartialAnswer);
    QVERIFY(!child<QTimer>("timerReadHumiture")->isActive());
}

void TestCommands::outputSelectionFromItsButton_data()
{
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("data");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("channel 1, temperature") << 0 << 0 << QByteArray("01 06 01 0B 00 00 F9 F4");
    QTest::newRow("channel 1, TDEW") << 0 << 2 << QByteArray("01 06 01 0B 00 02 78 35");
    QTest::newRow("channel 2, humidity") << 1 << 1 << QByteArray("01 06 01 2B 00 01 39 FE");
    QTest::newRow("channel 2, TDEW") << 1 << 2 << QByteArray("01 06 01 2B 00 02 79 FF");
    // A selection past the device's three outputs is sent as the last of them.
    QTest::newRow("channel 2, fourth item") << 1 << 3 << QByteArray("01 06 01 2B 00 02 79 FF");
}

void TestCommands::outputSelectionFromItsButton()
{
    QFETCH(int, channel);
    QFETCH(int, data);
    QFETCH(QByteArray, frame);

    auto *channels = child<QComboBox>("comboBoxChannel");
    while (channels->count() < 2)
        channels->addItem(QString::number(channels->count() + 1));
    auto *outputs = child<QComboBox>("comboBoxOutputData");
    while (outputs->count() <= data)
        outputs->addItem(QStringLiteral("extra"));
    // Disabled combo boxes take an index set from code.
    channels->setCurrentIndex(channel);
    outputs->setCurrentIndex(data);

    // The window keeps the button disabled; only a click on it makes it the sender.
    auto *button = child<QPushButton>("pushButtonOutputData");
    button->setEnabled(true);
    QTest::mouseClick(button, Qt::LeftButton);
    button->setEnabled(false);

    const QByteArray expected = QByteArray::fromHex(frame);
    QCOMPARE(hex(sent(expected.size())), hex(expected));
    QVERIFY(child<QTimer>("timerResponse")->isActive());
    QVERIFY(child<QTimer>("timerReadHumiture")->isActive());
    QVERIFY(AppState.rxBuffer.isEmpty());

    // The same selection through the meta-object has no sender and writes 0 to register 0.
    QVERIFY(QMetaObject::invokeMethod(window.get(), "PushButtonOutputSlot"));
    QCOMPARE(hex(sent(8)), hex(QByteArray::fromHex("01 06 00 00 00 00 89 CA")));
}

void TestCommands::applyCommandsSendTheCachedBlock()
{
    // As a read of both blocks would have left them.
    for (int i = 0; i < ApplicationState::OutputRegisterCount; ++i)
        AppState.outputRegs[i] = qint16(0x1100 + i);
    for (int i = 0; i < ApplicationState::CalibrationRegisterCount; ++i)
        AppState.calibrationRegs[i] = qint16(0x2200 + i);
    AppState.calibrationRegs[44] = qint16(-2);

    QVERIFY(QMetaObject::invokeMethod(window.get(), "PushButtonOutputApplySlot"));
    QByteArray output = QByteArray::fromHex("01 10 01 10 01 1A 17 00 01");
    for (int i = 7; i < ApplicationState::OutputRegisterCount; ++i)
        output += QByteArray::fromHex(QByteArray::number(0x1100 + i, 16));
    output = Modbus::withCrc(output);
    QCOMPARE(hex(sent(output.size())), hex(output));
    QCOMPARE(AppState.outputRegs[6], qint16(1));
    QCOMPARE(AppState.outputRegs[5], qint16(0x1105));

    QVERIFY(QMetaObject::invokeMethod(window.get(), "PushButtonCalibrationApplySlot"));
    QByteArray calibration = QByteArray::fromHex("01 10 02 04 02 2C 29 00 01");
    for (int i = 5; i < 44; ++i)
        calibration += QByteArray::fromHex(QByteArray::number(0x2200 + i, 16));
    calibration += QByteArray::fromHex("FF FE");
    calibration = Modbus::withCrc(calibration);
    QCOMPARE(hex(sent(calibration.size())), hex(calibration));
    QCOMPARE(AppState.calibrationRegs[4], qint16(1));
    QCOMPARE(AppState.calibrationRegs[3], qint16(0x2203));
}

void TestCommands::emptySlotsSendNothing()
{
    const char *const emptySlots[] = {
        "PushButtonHumiditySimpleSlot",    "PushButtonHumidityOffsetSlot",
        "PushButtonTemperatureSimpleSlot", "PushButtonTemperatureOffsetSlot",
        "PushButtonCapacitorSlot",         "PushButtonCalculateSlot",
        "PushButtonLoadFileSlot",          "PushButtonSaveFileSlot"};
    for (const char *slot : emptySlots)
        QVERIFY2(QMetaObject::invokeMethod(window.get(), slot), slot);
    QVERIFY(nothingSent());
    QVERIFY(log().isEmpty());
    QCOMPARE(watcher->count(), 0);
    QCOMPARE(AppState.rxBuffer, PartialAnswer);
}

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
