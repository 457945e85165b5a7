// The transmit paths of the window through a real port: the frames they put on the line, what
// each does to the timers, the receive buffer, the answer flag and the log, and which decoder a
// following answer meets.
#include "app/appstate.h"
#include "app/widget.h"
#include "protocol/frame.h"
#include "support/findchild.h"
#include "support/ptypair.h"
#include "support/toolport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSerialPort>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

enum Path {
    IdentityRead, // SendReadRequest(0x0100, 9), as at port opening
    AddressRead, // SendReadRequest(0x0100, 1)
    TemperatureRead, // SendReadRequest(0x0000, 1)
    HumidityRead, // SendReadRequest(0x0001, 1)
    HeaterOn, // SendWriteRequest(0x0109, 1)
    BaudRateWrite, // SendWriteRequest(0x0101, 2)
    SerialNumber,
    OutputBlock,
    CalibrationBlock,
};

const char *const OtherTimers[] = {"timerClear", "timerAutoUart", "timerDelay",
                                   "timerSettingResponse"};

} // namespace

class TestTransmit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void frames_data();
    void frames();
    void sideEffects_data();
    void sideEffects();
    void pendingRegister_data();
    void pendingRegister();

private:
    // Sends on the given path and returns what reached the device side of the line.
    QByteArray send(int path);
    QString lastLogLine() const;
    int logLineCount() const;
    template<typename T>
    T *control(const char *name) const
    {
        return findNamedChild<T>(window.get(), name);
    }

    std::unique_ptr<PtyPair> pty;
    std::unique_ptr<Widget> window;
};

void TestTransmit::init()
{
    AppState = ApplicationState();
    AppState.serialNumber = QStringLiteral("261206033415");
    for (int i = 0; i < ApplicationState::OutputRegisterCount; ++i)
        AppState.outputRegs[i] = qint16(0x1100 + i);
    for (int i = 0; i < ApplicationState::CalibrationRegisterCount; ++i)
        AppState.calibrationRegs[i] = qint16(0x2200 + i);
    pty = std::make_unique<PtyPair>();
    QVERIFY(pty->isValid());
    window = std::make_unique<Widget>();
    QVERIFY(openToolPort(window.get(), pty->slavePath()));
    control<QLineEdit>("lineEditAddress")->setText(QStringLiteral("1"));
}

void TestTransmit::cleanup()
{
    window.reset();
    pty.reset();
}

QByteArray TestTransmit::send(int path)
{
    int size = Modbus::RequestSize;
    switch (path) {
    case IdentityRead:
        window->SendReadRequest(0x0100, 9);
        break;
    case AddressRead:
        window->SendReadRequest(0x0100, 1);
        break;
    case TemperatureRead:
        window->SendReadRequest(0x0000, 1);
        break;
    case HumidityRead:
        window->SendReadRequest(0x0001, 1);
        break;
    case HeaterOn:
        window->SendWriteRequest(0x0109, 1);
        break;
    case BaudRateWrite:
        window->SendWriteRequest(0x0101, 2);
        break;
    case SerialNumber:
        window->WriteSerialNumber();
        size = 15;
        break;
    case OutputBlock:
        window->WriteOutputBlock();
        size = 31;
        break;
    case CalibrationBlock:
        window->WriteCalibrationBlock();
        size = 91;
        break;
    }
    return pty->readFromTool(size);
}

QString TestTransmit::lastLogLine() const
{
    return control<QTextBrowser>("textBrowser")->document()->lastBlock().text();
}

int TestTransmit::logLineCount() const
{
    const QString text = control<QTextBrowser>("textBrowser")->toPlainText();
    return text.isEmpty() ? 0 : text.split(QLatin1Char('\n')).size();
}

void TestTransmit::frames_data()
{
    QTest::addColumn<int>("path");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("identity read at 1")
        << int(IdentityRead) << "1" << hex("01 03 01 00 00 09 84 30");
    QTest::newRow("address read, field empty")
        << int(AddressRead) << "" << hex("00 03 01 00 00 01 84 27");
    QTest::newRow("heater on at 1") << int(HeaterOn) << "1" << hex("01 06 01 09 00 01 99 F4");
    QTest::newRow("heater on, field not a number")
        << int(HeaterOn) << "abc" << Modbus::withCrc(hex("00 06 01 09 00 01"));
    QTest::newRow("serial number at 1")
        << int(SerialNumber) << "1" << hex("01 10 01 04 01 06 06 26 12 06 03 34 15 F6 84");
    // The blocks carry the cached registers from 0x0110 and 0x0204 on.
    QTest::newRow("output block at 1")
        << int(OutputBlock) << "1"
        << Modbus::withCrc(hex("01 10 01 10 01 1A 17 1106 1107 1108 1109 110A 110B 110C 110D 110E "
                               "110F 1110"));
    QByteArray calibration = hex("02 10 02 04 02 2C 29");
    for (int i = 4; i < 45; ++i)
        calibration.append(char(0x22)).append(char(i));
    QTest::newRow("calibration block at 2")
        << int(CalibrationBlock) << "2" << Modbus::withCrc(calibration);
}

void TestTransmit::frames()
{
    QFETCH(int, path);
    QFETCH(QString, address);
    QFETCH(QByteArray, wire);
    control<QLineEdit>("lineEditAddress")->setText(address);
    QCOMPARE(send(path).toHex(), wire.toHex());
    QVERIFY(lastLogLine().endsWith(QStringLiteral("->TX  ") + QString::fromLatin1(wire.toHex())));
}

void TestTransmit::sideEffects_data()
{
    QTest::addColumn<int>("path");
    QTest::addColumn<bool>("startsResponse");
    QTest::addColumn<bool>("startsPolling");
    QTest::addColumn<bool>("emptiesBuffer");
    QTest::newRow("SendReadRequest") << int(IdentityRead) << true << true << true;
    QTest::newRow("SendWriteRequest") << int(HeaterOn) << true << true << true;
    QTest::newRow("WriteSerialNumber") << int(SerialNumber) << false << false << false;
    QTest::newRow("WriteOutputBlock") << int(OutputBlock) << false << false << false;
    QTest::newRow("WriteCalibrationBlock") << int(CalibrationBlock) << false << false << false;
}

void TestTransmit::sideEffects()
{
    QFETCH(int, path);
    QFETCH(bool, startsResponse);
    QFETCH(bool, startsPolling);
    QFETCH(bool, emptiesBuffer);
    auto *response = control<QTimer>("timerResponse");
    auto *polling = control<QTimer>("timerReadHumiture");
    AppState.rxBuffer = "left over";
    AppState.responseReceived = true;
    const int lines = logLineCount();

    const QByteArray frame = send(path);
    QVERIFY(!frame.isEmpty());
    QVERIFY(!AppState.responseReceived);
    QCOMPARE(AppState.rxBuffer.isEmpty(), emptiesBuffer);
    QCOMPARE(response->isActive(), startsResponse);
    if (startsResponse)
        QCOMPARE(response->interval(), 500);
    QCOMPARE(polling->isActive(), startsPolling);
    if (startsPolling)
        QCOMPARE(polling->interval(), 1000);
    for (const char *name : OtherTimers)
        QVERIFY2(!control<QTimer>(name)->isActive(), name);
    QCOMPARE(logLineCount(), lines + 1);
    QVERIFY(lastLogLine().endsWith(QStringLiteral("->TX  ") + QString::fromLatin1(frame.toHex())));
}

void TestTransmit::pendingRegister_data()
{
    QTest::addColumn<int>("path");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("debugOk");
    QTest::addColumn<QString>("state");
    // Each row first reads the humidity, then sends on its path: the answer meets the decoder
    // of the later request.
    const QByteArray hundred = hex("01 03 02 00 64 B9 AF");
    QTest::newRow("humidity read")
        << int(HumidityRead) << hundred << false << "T=0 H=100 address=1 baud=9600 sn=typed";
    QTest::newRow("temperature read")
        << int(TemperatureRead) << hundred << false << "T=100 H=0 address=1 baud=9600 sn=typed";
    QTest::newRow("address read") << int(AddressRead) << hundred << false
                                  << "T=0 H=0 address=100 baud=9600 sn=typed";
    QTest::newRow("baud-rate write")
        << int(BaudRateWrite) << Modbus::withCrc(hex("01 06 01 01 00 02")) << false
        << "T=0 H=0 address=1 baud=2400 sn=typed";
    QTest::newRow("serial-number write")
        << int(SerialNumber) << Modbus::withCrc(hex("01 10 01 04 01 06")) << true
        << "T=0 H=0 address=1 baud=9600 sn=261206033415";
    QTest::newRow("heater write") << int(HeaterOn) << hundred << false
                                  << "T=0 H=0 address=1 baud=9600 sn=typed";
    QTest::newRow("output block write")
        << int(OutputBlock) << hundred << false << "T=0 H=0 address=1 baud=9600 sn=typed";
    QTest::newRow("calibration block write")
        << int(CalibrationBlock) << hundred << false << "T=0 H=0 address=1 baud=9600 sn=typed";
}

void TestTransmit::pendingRegister()
{
    QFETCH(int, path);
    QFETCH(QByteArray, answer);
    QFETCH(bool, debugOk);
    QFETCH(QString, state);
    control<QLineEdit>("lineEditSN")->setText(QStringLiteral("typed"));
    send(HumidityRead);
    send(path);
    // No poll may replace the request under test before its answer is in.
    control<QTimer>("timerReadHumiture")->stop();
    if (debugOk)
        QTest::ignoreMessage(QtDebugMsg, "ok");

    pty->writeToTool(answer);
    QTRY_VERIFY_WITH_TIMEOUT(AppState.responseReceived, 1000);
    QVERIFY(lastLogLine().endsWith(QStringLiteral("->RX  ") + QString::fromLatin1(answer.toHex())));
    QCOMPARE(QStringLiteral("T=%1 H=%2 address=%3 baud=%4 sn=%5")
                 .arg(AppState.temperatureRaw)
                 .arg(AppState.humidityRaw)
                 .arg(control<QLineEdit>("lineEditAddress")->text(),
                      control<QComboBox>("comboBoxBaudRate")->currentText(),
                      control<QLineEdit>("lineEditSN")->text()),
             state);
}

QTEST_MAIN(TestTransmit)
#include "tst_transmit.moc"
