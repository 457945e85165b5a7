#include "protocol/frame.h"
#include "protocol/registers.h"
#include "transmittermodel.h"
#include "transmittersimulator.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <sys/stat.h>

Q_DECLARE_METATYPE(QVector<quint16>)

namespace {

constexpr int WaitMs = 1000;
// Long enough for an answer that is coming to have come.
constexpr int SilenceMs = 10 * TransmitterSimulator::TurnaroundMs;

// Dew point after Alduchov and Eskridge (1996): a different fit of the Magnus formula than the
// device's, so both have to agree with the physics rather than with each other.
double referenceDewPoint(double temperature, double humidity)
{
    const double b = 17.625;
    const double c = 243.04;
    const double gamma = std::log(humidity / 100.0) + b * temperature / (c + temperature);
    return c * gamma / (b - gamma);
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray frame;
    for (int value : values)
        frame.append(char(value));
    return frame;
}

QByteArray readReply(quint8 address, const QVector<quint16> &words)
{
    QByteArray body = bytes({address, Modbus::ReadRegisters, 2 * words.size()});
    for (quint16 word : words)
        body += bytes({word >> 8, word & 0xFF});
    return Modbus::withCrc(body);
}

QVector<quint16> words(const QByteArray &reply)
{
    QVector<quint16> values;
    for (int offset = Modbus::DataOffset; offset + 1 < reply.size() - Modbus::CrcSize; offset += 2)
        values.append(Modbus::word(reply, offset));
    return values;
}

bool exists(const QString &path)
{
    struct stat status
    {
    };
    return ::lstat(path.toLocal8Bit().constData(), &status) == 0;
}

// How a port reports the line gone: a pseudo-terminal whose master closed reads as a failing
// read, a vanished device as a lost resource.
bool lostLine(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ReadError || error == QSerialPort::ResourceError;
}

QString simulatorProgram()
{
    const QString binaryDir = qEnvironmentVariable("TR451_BINARY_DIR");
    const QString dir =
        binaryDir.isEmpty() ? QCoreApplication::applicationDirPath() + "/.." : binaryDir;
    return QDir(dir).absoluteFilePath("tools/tr451-simulator");
}

// The program, started with some options, until it has said where it is.
struct Program
{
    QProcess process;
    QString port;

    bool start(const QStringList &arguments)
    {
        process.start(simulatorProgram(), arguments);
        if (!process.waitForStarted(WaitMs))
            return false;
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(WaitMs))
                return false;
        }
        const QByteArray line = process.readLine();
        const QByteArray prefix = "Simulated transmitter on ";
        if (!line.startsWith(prefix))
            return false;
        port = QString::fromLocal8Bit(line.mid(prefix.size()).trimmed());
        return true;
    }

    ~Program()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(WaitMs);
        }
    }
};

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void measurements_data();
    void measurements();
    void singleMeasurement_data();
    void singleMeasurement();
    void liveReadingsArePlausible();
    void heaterWarmsTheSensor();
    void identityBlock();
    void singleWritesEchoAndPersist_data();
    void singleWritesEchoAndPersist();
    void blockWritesEchoAndPersist_data();
    void blockWritesEchoAndPersist();
    void exceptions_data();
    void exceptions();
    void addressing_data();
    void addressing();
    void addressWriteTakesEffectAfterEcho();
    void lineSpeed_data();
    void lineSpeed();
    void baudCodeWriteTakesEffectAfterEcho();
    void closedPortHearsNoReply();
    void requestFraming_data();
    void requestFraming();
    void splitReply();
    void delayedReply();
    void corruptedReply();
    void strayByte();
    void silence();
    void flood();
    void removeAdapter();
    void linkReplacesOnlySymlinks();
    void stateRoundTrip();
    void restoreRefuses_data();
    void restoreRefuses();
    void programRunsUntilTerminated();
    void programKeepsState();
    void programRemovesAdapter();
    void programRefusesBadOptions_data();
    void programRefusesBadOptions();

private:
    bool openPort(const QString &path, qint32 baudRate = 9600);
    QByteArray exchange(const QByteArray &request, int size);
    QByteArray answerTo(const QByteArray &request);
    bool staysSilent(const QByteArray &request);
    QByteArray markerReply() const;

    TransmitterSimulator *sim = nullptr;
    QSerialPort *port = nullptr;
    QByteArray received;
    int reads = 0;
};

void TestSimulator::init()
{
    sim = new TransmitterSimulator;
    QVERIFY(sim->start());
    QVERIFY(openPort(sim->portPath()));
}

void TestSimulator::cleanup()
{
    delete port;
    port = nullptr;
    delete sim;
    sim = nullptr;
}

bool TestSimulator::openPort(const QString &path, qint32 baudRate)
{
    delete port;
    port = new QSerialPort(path);
    received.clear();
    reads = 0;
    connect(port, &QSerialPort::readyRead, port, [this] {
        received += port->readAll();
        ++reads;
    });
    return port->open(QIODevice::ReadWrite) && port->setBaudRate(baudRate)
        && port->setDataBits(QSerialPort::Data8) && port->setParity(QSerialPort::NoParity)
        && port->setStopBits(QSerialPort::OneStop)
        && port->setFlowControl(QSerialPort::NoFlowControl);
}

// Sends a request and collects the first size bytes that come back (fewer on a time-out).
QByteArray TestSimulator::exchange(const QByteArray &request, int size)
{
    received.clear();
    reads = 0;
    port->write(request);
    // A short answer shows itself in the comparison that follows.
    [[maybe_unused]] const bool complete =
        QTest::qWaitFor([this, size] { return received.size() >= size; }, WaitMs);
    return received;
}

// A read the device always answers, whatever its address.
QByteArray TestSimulator::markerReply() const
{
    const quint8 address = quint8(sim->address());
    return readReply(address, {address});
}

// What the device says to a request: replies come in the order of the requests, so everything
// in front of the answer to a request sent right after it.
QByteArray TestSimulator::answerTo(const QByteArray &request)
{
    received.clear();
    port->write(
        request
        + Modbus::readRequest(TransmitterModel::BroadcastAddress, Registers::DeviceAddress, 1));
    if (!QTest::qWaitFor([this] { return received.endsWith(markerReply()); }, WaitMs))
        return "no answer to the marker";
    return received.chopped(markerReply().size());
}

bool TestSimulator::staysSilent(const QByteArray &request)
{
    const int before = sim->requestCount();
    received.clear();
    port->write(request);
    if (!QTest::qWaitFor([this, before] { return sim->requestCount() > before; }, WaitMs))
        return false;
    QTest::qWait(SilenceMs);
    return received.isEmpty();
}

void TestSimulator::measurements_data()
{
    QTest::addColumn<double>("temperature");
    QTest::addColumn<double>("humidity");
    QTest::addColumn<quint16>("firstRegister");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("temperatureWord");
    QTest::addColumn<int>("humidityWord");

    QTest::newRow("hundredths") << 23.45 << 45.67 << Registers::MeasurementsHundredths << 100
                                << 2345 << 4567;
    QTest::newRow("tenths") << 23.45 << 45.67 << Registers::MeasurementsTenths << 10 << 235 << 457;
    QTest::newRow("frost, hundredths")
        << -12.34 << 80.0 << Registers::MeasurementsHundredths << 100 << -1234 << 8000;
    QTest::newRow("frost, tenths")
        << -12.36 << 80.0 << Registers::MeasurementsTenths << 10 << -124 << 800;
    QTest::newRow("humid heat, tenths")
        << 60.0 << 95.5 << Registers::MeasurementsTenths << 10 << 600 << 955;
}

void TestSimulator::measurements()
{
    QFETCH(double, temperature);
    QFETCH(double, humidity);
    QFETCH(quint16, firstRegister);
    QFETCH(int, scale);
    QFETCH(int, temperatureWord);
    QFETCH(int, humidityWord);

    sim->setFixedReadings(temperature, humidity);
    const QByteArray reply =
        exchange(Modbus::readRequest(1, firstRegister, Registers::MeasurementCount), 13);
    QCOMPARE(reply.size(), 13);
    QCOMPARE(Modbus::examine(reply).action, Modbus::BufferAction::Accept);
    QCOMPARE(Modbus::examine(reply).dataLength, 8);
    QCOMPARE(int(Modbus::signedWord(reply, 3)), temperatureWord);
    QCOMPARE(int(Modbus::word(reply, 5)), humidityWord);
    const double dewPoint = double(Modbus::signedWord(reply, 7)) / scale;
    QVERIFY2(std::abs(dewPoint - referenceDewPoint(temperature, humidity)) <= 0.1 + 0.5 / scale,
             qPrintable(QString::number(dewPoint)));
    QCOMPARE(Modbus::word(reply, 9), quint16(0));
}

void TestSimulator::singleMeasurement_data()
{
    QTest::addColumn<quint16>("reg");
    QTest::addColumn<int>("value");

    QTest::newRow("temperature, hundredths") << quint16(0x0000) << 2345;
    QTest::newRow("humidity, hundredths") << quint16(0x0001) << 4567;
    QTest::newRow("status, hundredths") << quint16(0x0003) << 0x0102;
    QTest::newRow("temperature, tenths") << quint16(0x0004) << 235;
    QTest::newRow("humidity, tenths") << quint16(0x0005) << 457;
    QTest::newRow("status, tenths") << quint16(0x0007) << 0x0102;
}

void TestSimulator::singleMeasurement()
{
    QFETCH(quint16, reg);
    QFETCH(int, value);

    sim->setFixedReadings(23.45, 45.67);
    sim->setRegisterValue(Registers::MeasurementsHundredths + 3, 0x0102);
    QCOMPARE(exchange(Modbus::readRequest(1, reg, 1), 7), readReply(1, {quint16(value)}));
    QCOMPARE(int(sim->registerValue(reg)), value);
}

void TestSimulator::liveReadingsArePlausible()
{
    const QByteArray reply = exchange(
        Modbus::readRequest(1, Registers::MeasurementsHundredths, Registers::MeasurementCount), 13);
    QCOMPARE(Modbus::examine(reply).action, Modbus::BufferAction::Accept);
    const double temperature = Modbus::signedWord(reply, 3) / 100.0;
    const double humidity = Modbus::word(reply, 5) / 100.0;
    const double dewPoint = Modbus::signedWord(reply, 7) / 100.0;
    QVERIFY2(temperature > 18 && temperature < 28, qPrintable(QString::number(temperature)));
    QVERIFY2(humidity > 30 && humidity < 60, qPrintable(QString::number(humidity)));
    QVERIFY(std::abs(dewPoint - referenceDewPoint(temperature, humidity)) < 0.1);
}

// Against a second device in the same room whose heater stays off.
void TestSimulator::heaterWarmsTheSensor()
{
    TransmitterModel heated;
    TransmitterModel reference;
    const auto at = [&](qint64 ms) {
        heated.setTime(ms);
        reference.setTime(ms);
    };
    at(1000);
    const QByteArray heaterOn = Modbus::writeRequest(1, Registers::Heater, 1);
    QCOMPARE(heated.answer(heaterOn), heaterOn);

    at(31000);
    const double early = heated.readings().temperature - reference.readings().temperature;
    at(301000);
    const TransmitterModel::Readings warm = heated.readings();
    const TransmitterModel::Readings room = reference.readings();
    QVERIFY2(early > 0.5 && early < warm.temperature - room.temperature,
             qPrintable(QString::number(early)));
    QVERIFY2(warm.temperature - room.temperature > 2.0 && warm.temperature - room.temperature < 4,
             qPrintable(QString::number(warm.temperature - room.temperature)));
    QVERIFY(warm.humidity < room.humidity - 5);
    QVERIFY(std::abs(warm.dewPoint - room.dewPoint) < 0.01);
    QVERIFY(std::abs(warm.dewPoint - referenceDewPoint(warm.temperature, warm.humidity)) < 0.1);

    QVERIFY(!heated.answer(Modbus::writeRequest(1, Registers::Heater, 0)).isEmpty());
    at(1501000);
    QVERIFY(std::abs(heated.readings().temperature - reference.readings().temperature) < 0.05);
}

void TestSimulator::identityBlock()
{
    const QByteArray reply =
        exchange(Modbus::readRequest(1, Registers::DeviceAddress, Registers::InformationCount), 23);
    QCOMPARE(reply.size(), 23);
    QCOMPARE(Modbus::examine(reply).action, Modbus::BufferAction::Accept);
    QCOMPARE(Modbus::examine(reply).dataLength, 18);
    QCOMPARE(Modbus::word(reply, 3), quint16(1));
    QCOMPARE(Modbus::word(reply, 5), quint16(4));
    QCOMPARE(Modbus::word(reply, 9), quint16(0));
    QCOMPARE(reply.mid(11, 6).toHex(), QByteArray("261206033415"));
    QCOMPARE(Modbus::signedWord(reply, 17), qint16(-400));
    QCOMPARE(Modbus::signedWord(reply, 19), qint16(1250));
}

void TestSimulator::singleWritesEchoAndPersist_data()
{
    QTest::addColumn<quint16>("reg");
    QTest::addColumn<quint16>("value");

    QTest::newRow("heater on") << Registers::Heater << quint16(1);
    QTest::newRow("unit") << Registers::Unit << quint16(1);
    QTest::newRow("output data, channel 1") << Registers::OutputDataChannel1 << quint16(2);
    QTest::newRow("output data, channel 2") << Registers::OutputDataChannel2 << quint16(1);
    QTest::newRow("dual channel") << Registers::DualChannel << quint16(1);
    QTest::newRow("calibration reset") << Registers::CalibrationReset << quint16(0x1234);
    QTest::newRow("last calibration register") << quint16(0x022C) << quint16(0xBEEF);
}

void TestSimulator::singleWritesEchoAndPersist()
{
    QFETCH(quint16, reg);
    QFETCH(quint16, value);

    QSignalSpy written(sim, &TransmitterSimulator::registersWritten);
    const QByteArray request = Modbus::writeRequest(1, reg, value);
    QCOMPARE(exchange(request, request.size()), request);
    QCOMPARE(written.count(), 1);
    QCOMPARE(sim->registerValue(reg), value);
    QCOMPARE(exchange(Modbus::readRequest(1, reg, 1), 7), readReply(1, {value}));
}

void TestSimulator::blockWritesEchoAndPersist_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<QVector<quint16>>("values");

    QVector<quint16> output;
    for (quint16 i = 0; i < 11; ++i)
        output.append(quint16(0x0101 * (i + 1)));
    QVector<quint16> calibration;
    for (quint16 i = 0; i < 41; ++i)
        calibration.append(quint16(1000 + 7 * i));

    QTest::newRow("serial number") << 0 << QVector<quint16> {0x2701, 0x0203, 0x0405};
    QTest::newRow("temperature range") << 1 << QVector<quint16> {quint16(-250), 800};
    QTest::newRow("output block") << 2 << output;
    QTest::newRow("calibration block") << 3 << calibration;
}

void TestSimulator::blockWritesEchoAndPersist()
{
    QFETCH(int, block);
    QFETCH(QVector<quint16>, values);
    const Modbus::BlockLayout layouts[] = {Modbus::SerialNumberBlock, Modbus::TemperatureRangeBlock,
                                           Modbus::OutputBlock, Modbus::CalibrationBlock};
    const Modbus::BlockLayout &layout = layouts[block];
    const quint16 count = quint16(values.size());

    const QByteArray echo = exchange(Modbus::blockWrite(1, layout, values), 8);
    QCOMPARE(echo,
             Modbus::withCrc(bytes({1, Modbus::WriteRegisters, layout.firstRegister >> 8,
                                    layout.firstRegister & 0xFF, 0, count})));
    QCOMPARE(Modbus::examine(echo).action, Modbus::BufferAction::Accept);

    const QByteArray readBack =
        exchange(Modbus::readRequest(1, layout.firstRegister, count), 5 + 2 * count);
    QCOMPARE(words(readBack), values);
    QCOMPARE(sim->registerValue(layout.lastRegister), values.last());
    // The registers next to the block are left alone.
    QCOMPARE(sim->registerValue(layout.firstRegister - 1),
             TransmitterSimulator().registerValue(layout.firstRegister - 1));
}

void TestSimulator::exceptions_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("code");

    QTest::newRow("read past the measurements") << Modbus::readRequest(1, 0x0009, 1) << 2;
    QTest::newRow("read into the gap after the output block")
        << Modbus::readRequest(1, 0x0108, 20) << 2;
    QTest::newRow("read past the calibration block") << Modbus::readRequest(1, 0x022C, 2) << 2;
    QTest::newRow("read of nothing") << Modbus::readRequest(1, 0x0100, 0) << 3;
    QTest::newRow("read of too much") << Modbus::readRequest(1, 0x0000, 126) << 3;
    QTest::newRow("write to a register not there") << Modbus::writeRequest(1, 0x011B, 1) << 2;
    QTest::newRow("address 0") << Modbus::writeRequest(1, Registers::DeviceAddress, 0) << 3;
    QTest::newRow("address 248") << Modbus::writeRequest(1, Registers::DeviceAddress, 248) << 3;
    QTest::newRow("baud-rate code 7") << Modbus::writeRequest(1, Registers::BaudRateCode, 7) << 3;
    QTest::newRow("block write to registers not there")
        << Modbus::blockWrite(1, {0x0300, 0x0301, 0x04}, {1, 2}) << 2;
    QTest::newRow("block write running past a block")
        << Modbus::blockWrite(1, {0x0119, 0x011B, 0x06}, {1, 2, 3}) << 2;
}

void TestSimulator::exceptions()
{
    QFETCH(QByteArray, request);
    QFETCH(int, code);

    const QByteArray before = sim->saveState();
    const QByteArray reply = exchange(request, 5);
    QCOMPARE(
        reply,
        Modbus::withCrc(bytes({1, Modbus::functionCode(request) | Modbus::ExceptionFlag, code})));
    QCOMPARE(Modbus::examine(reply).action, Modbus::BufferAction::Accept);
    QCOMPARE(sim->saveState(), before);
    QCOMPARE(sim->address(), quint16(1));
    QCOMPARE(sim->baudCode(), quint16(4));
}

void TestSimulator::addressing_data()
{
    QTest::addColumn<int>("deviceAddress");
    QTest::addColumn<int>("requestAddress");
    QTest::addColumn<bool>("answered");

    QTest::newRow("own address") << 1 << 1 << true;
    QTest::newRow("address 0") << 1 << 0 << true;
    QTest::newRow("another device") << 1 << 2 << false;
    QTest::newRow("own address 247") << 247 << 247 << true;
    QTest::newRow("address 0 at 247") << 247 << 0 << true;
    QTest::newRow("factory address after a change") << 5 << 1 << false;
}

void TestSimulator::addressing()
{
    QFETCH(int, deviceAddress);
    QFETCH(int, requestAddress);
    QFETCH(bool, answered);

    sim->setRegisterValue(Registers::DeviceAddress, quint16(deviceAddress));
    const QByteArray answer =
        answerTo(Modbus::readRequest(quint8(requestAddress), Registers::BaudRateCode, 1));
    QCOMPARE(answer, answered ? readReply(quint8(deviceAddress), {4}) : QByteArray());
}

void TestSimulator::addressWriteTakesEffectAfterEcho()
{
    quint16 addressWhenWritten = 0;
    connect(sim, &TransmitterSimulator::registersWritten, this,
            [&] { addressWhenWritten = sim->address(); });
    const QByteArray request = Modbus::writeRequest(0, Registers::DeviceAddress, 7);
    QCOMPARE(exchange(request, 8), request);
    QCOMPARE(addressWhenWritten, quint16(1));
    QCOMPARE(sim->address(), quint16(7));

    QCOMPARE(answerTo(Modbus::readRequest(1, Registers::DeviceAddress, 1)), QByteArray());
    QCOMPARE(answerTo(Modbus::readRequest(7, Registers::DeviceAddress, 1)), readReply(7, {7}));
}

void TestSimulator::lineSpeed_data()
{
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<qint32>("speed");
    QTest::addColumn<bool>("answered");

    QTest::newRow("9600 at 9600") << 4 << 9600 << true;
    QTest::newRow("1200 at 1200") << 1 << 1200 << true;
    QTest::newRow("115200 at 115200") << 6 << 115200 << true;
    QTest::newRow("9600 at 19200") << 4 << 19200 << false;
    QTest::newRow("4800 at 9600") << 3 << 9600 << false;
    QTest::newRow("115200 at 57600") << 6 << 57600 << false;
}

void TestSimulator::lineSpeed()
{
    QFETCH(int, baudCode);
    QFETCH(qint32, speed);
    QFETCH(bool, answered);

    sim->setRegisterValue(Registers::BaudRateCode, quint16(baudCode));
    QVERIFY(port->setBaudRate(speed));
    QCOMPARE(sim->lineSpeed(), speed);
    const QByteArray request = Modbus::readRequest(1, Registers::BaudRateCode, 1);
    if (answered)
        QCOMPARE(exchange(request, 7), readReply(1, {quint16(baudCode)}));
    else
        QVERIFY(staysSilent(request));
}

void TestSimulator::baudCodeWriteTakesEffectAfterEcho()
{
    quint16 codeWhenWritten = 0;
    connect(sim, &TransmitterSimulator::registersWritten, this,
            [&] { codeWhenWritten = sim->baudCode(); });
    const QByteArray request = Modbus::writeRequest(1, Registers::BaudRateCode, 5);
    QCOMPARE(exchange(request, 8), request);
    QCOMPARE(codeWhenWritten, quint16(4));
    QCOMPARE(sim->baudCode(), quint16(5));

    QVERIFY(staysSilent(Modbus::readRequest(1, Registers::BaudRateCode, 1)));
    QVERIFY(port->setBaudRate(19200));
    QCOMPARE(exchange(Modbus::readRequest(1, Registers::BaudRateCode, 1), 7), readReply(1, {5}));
}

// A port closed before the answer is out gets the line back to the pseudo-terminal's own speed:
// the answer must not wait in the line for the next opening.
void TestSimulator::closedPortHearsNoReply()
{
    TransmitterSimulator::Faults faults;
    faults.delayMs = 30;
    sim->setFaults(faults);
    QSignalSpy requests(sim, &TransmitterSimulator::requestReceived);
    QSignalSpy replies(sim, &TransmitterSimulator::replySent);
    port->write(Modbus::readRequest(1, Registers::DeviceAddress, 1));
    QVERIFY(requests.wait(WaitMs));
    port->close();
    QTest::qWait(faults.delayMs + SilenceMs);
    QCOMPARE(replies.count(), 0);

    sim->setFaults({});
    QVERIFY(openPort(sim->portPath()));
    QCOMPARE(exchange(Modbus::readRequest(1, Registers::BaudRateCode, 1), 7), readReply(1, {4}));
}

void TestSimulator::requestFraming_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<int>("splitAt");

    QByteArray badCheck = Modbus::readRequest(1, Registers::DeviceAddress, 1);
    badCheck[7] = char(badCheck.at(7) ^ 0x40);

    QTest::newRow("whole") << QByteArray() << 0 << 0;
    QTest::newRow("noise in front") << bytes({0xFF, 0x00, 0x12, 0x01}) << 0 << 0;
    QTest::newRow("bad check in front") << badCheck << 0 << 0;
    QTest::newRow("unknown function in front") << bytes({0x01, 0x04, 0x00}) << 0 << 0;
    // A block header that promises far more bytes than ever come: the line goes quiet, and the
    // device forgets it.
    QTest::newRow("abandoned block header")
        << bytes({0x01, 0x10, 0x01, 0x04, 0x01, 0x7F}) << 80 << 0;
    QTest::newRow("request in two pieces") << QByteArray() << 0 << 3;
}

void TestSimulator::requestFraming()
{
    QFETCH(QByteArray, before);
    QFETCH(int, pauseMs);
    QFETCH(int, splitAt);

    const QByteArray request = Modbus::readRequest(1, Registers::BaudRateCode, 1);
    const QByteArray expected = readReply(1, {4});
    QSignalSpy requests(sim, &TransmitterSimulator::requestReceived);
    received.clear();
    port->write(before);
    port->flush();
    QTest::qWait(pauseMs);
    port->write(request.left(splitAt));
    port->flush();
    QTest::qWait(splitAt > 0 ? 10 : 0);
    port->write(request.mid(splitAt));
    QVERIFY(QTest::qWaitFor([&] { return received.size() >= expected.size(); }, WaitMs));
    QCOMPARE(received, expected);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.first().first().toByteArray(), request);
}

void TestSimulator::splitReply()
{
    TransmitterSimulator::Faults faults;
    faults.splitPieces = 3;
    faults.splitGapMs = 40;
    sim->setFaults(faults);

    QElapsedTimer clock;
    clock.start();
    int firstSize = -1;
    connect(port, &QSerialPort::readyRead, this, [&] {
        if (firstSize < 0)
            firstSize = received.size();
    });
    const QByteArray reply =
        exchange(Modbus::readRequest(1, Registers::DeviceAddress, Registers::InformationCount), 23);
    QCOMPARE(reply.size(), 23);
    QCOMPARE(Modbus::examine(reply).action, Modbus::BufferAction::Accept);
    QVERIFY2(clock.elapsed() >= 2 * faults.splitGapMs - 5,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(firstSize > 0 && firstSize < reply.size(), qPrintable(QString::number(firstSize)));
    QCOMPARE(Modbus::examine(reply.left(firstSize)).action, Modbus::BufferAction::Wait);
    QVERIFY(reads >= 2);
}

void TestSimulator::delayedReply()
{
    TransmitterSimulator::Faults faults;
    faults.delayMs = 150;
    sim->setFaults(faults);

    QElapsedTimer clock;
    clock.start();
    const QByteArray reply = exchange(Modbus::readRequest(1, Registers::BaudRateCode, 1), 7);
    QVERIFY2(clock.elapsed() >= faults.delayMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(reply, readReply(1, {4}));
}

void TestSimulator::corruptedReply()
{
    const QByteArray request =
        Modbus::readRequest(1, Registers::DeviceAddress, Registers::InformationCount);
    const QByteArray clean = exchange(request, 23);
    TransmitterSimulator::Faults faults;
    faults.corruptCrc = true;
    sim->setFaults(faults);

    const QByteArray corrupted = exchange(request, 23);
    QCOMPARE(corrupted.size(), clean.size());
    QCOMPARE(corrupted.chopped(Modbus::CrcSize), clean.chopped(Modbus::CrcSize));
    QVERIFY(corrupted != clean);
    QCOMPARE(Modbus::examine(corrupted).action, Modbus::BufferAction::Wait);
}

void TestSimulator::strayByte()
{
    TransmitterSimulator::Faults faults;
    faults.strayByte = true;
    sim->setFaults(faults);

    const QByteArray reply = exchange(Modbus::readRequest(1, Registers::BaudRateCode, 1), 8);
    QCOMPARE(reply.size(), 8);
    QCOMPARE(reply.mid(1), readReply(1, {4}));
    QCOMPARE(Modbus::examine(reply).action, Modbus::BufferAction::Wait);
}

void TestSimulator::silence()
{
    TransmitterSimulator::Faults faults;
    faults.silent = true;
    sim->setFaults(faults);

    QSignalSpy replies(sim, &TransmitterSimulator::replySent);
    QVERIFY(staysSilent(Modbus::readRequest(1, Registers::BaudRateCode, 1)));
    QVERIFY(staysSilent(Modbus::readRequest(0, Registers::DeviceAddress, 9)));
    QCOMPARE(sim->requestCount(), 2);
    QCOMPARE(replies.count(), 0);
}

void TestSimulator::flood()
{
    TransmitterSimulator::Faults faults;
    faults.flood = true;
    sim->setFaults(faults);

    const QByteArray reply =
        exchange(Modbus::readRequest(1, Registers::BaudRateCode, 1), Modbus::MaxBufferSize);
    QCOMPARE(reply, QByteArray(Modbus::MaxBufferSize, char(0xFF)));
    QCOMPARE(Modbus::examine(reply).action, Modbus::BufferAction::AdapterFault);
}

void TestSimulator::removeAdapter()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("tr451");
    TransmitterSimulator linked;
    QVERIFY(linked.start(link));
    QCOMPARE(linked.portPath(), link);
    QCOMPARE(QFileInfo(link).symLinkTarget(), linked.ptyPath());
    QVERIFY(openPort(link));
    QCOMPARE(exchange(Modbus::readRequest(1, Registers::BaudRateCode, 1), 7), readReply(1, {4}));

    QList<QSerialPort::SerialPortError> errors;
    connect(port, &QSerialPort::errorOccurred, this,
            [&errors](QSerialPort::SerialPortError error) { errors.append(error); });
    linked.removeAdapter();
    QVERIFY(!exists(link));
    QVERIFY(!exists(linked.ptyPath()));
    QCOMPARE(linked.lineSpeed(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), WaitMs);
    QVERIFY(lostLine(errors.first()));
    port->close();
}

void TestSimulator::linkReplacesOnlySymlinks()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("stale");
    QVERIFY(QFile::link(dir.filePath("gone"), link));
    {
        TransmitterSimulator linked;
        QVERIFY(linked.start(link));
        QCOMPARE(QFileInfo(link).symLinkTarget(), linked.ptyPath());
    }
    QVERIFY(!exists(link));

    const QString file = dir.filePath("file");
    QFile plain(file);
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("keep");
    plain.close();
    TransmitterSimulator refused;
    QVERIFY(!refused.start(file));
    QVERIFY(!QFileInfo(file).isSymLink());
    QCOMPARE(QFileInfo(file).size(), 4);
}

void TestSimulator::stateRoundTrip()
{
    QVERIFY(!exchange(Modbus::writeRequest(1, Registers::Heater, 1), 8).isEmpty());
    QVERIFY(!exchange(Modbus::blockWrite(1, Modbus::TemperatureRangeBlock, {quint16(-100), 600}), 8)
                 .isEmpty());
    QVERIFY(!exchange(Modbus::writeRequest(0, Registers::DeviceAddress, 9), 8).isEmpty());

    TransmitterSimulator restored;
    QVERIFY(restored.restoreState(sim->saveState()));
    QCOMPARE(restored.address(), quint16(9));
    QCOMPARE(restored.registerValue(Registers::Heater), quint16(1));
    QCOMPARE(restored.registerValue(Registers::TemperatureRangeMin), quint16(-100));
    QCOMPARE(restored.registerValue(Registers::TemperatureRangeMax), quint16(600));
    QCOMPARE(restored.saveState(), sim->saveState());
}

void TestSimulator::restoreRefuses_data()
{
    QTest::addColumn<QByteArray>("state");

    QTest::newRow("register not there") << QByteArray("0109 0001\n0300 0001\n");
    QTest::newRow("measurement") << QByteArray("0000 0001\n");
    QTest::newRow("address 0") << QByteArray("0100 0000\n");
    QTest::newRow("baud-rate code 9") << QByteArray("0101 0009\n");
    QTest::newRow("not hexadecimal") << QByteArray("0109 zz\n");
    QTest::newRow("value too wide") << QByteArray("0109 10000\n");
    QTest::newRow("three fields") << QByteArray("0109 0001 0002\n");
}

void TestSimulator::restoreRefuses()
{
    QFETCH(QByteArray, state);

    const QByteArray before = sim->saveState();
    QVERIFY(!sim->restoreState(state));
    QCOMPARE(sim->saveState(), before);
}

void TestSimulator::programRunsUntilTerminated()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("tr451-demo");
    Program program;
    QVERIFY(program.start({"--link", link, "--address", "3", "--baud-code", "5"}));
    QCOMPARE(program.port, link);
    QVERIFY(QFileInfo(link).isSymLink());

    QVERIFY(openPort(link, 19200));
    QCOMPARE(exchange(Modbus::readRequest(0, Registers::DeviceAddress, 2), 9),
             readReply(3, {3, 5}));

    program.process.terminate();
    QVERIFY(program.process.waitForFinished(WaitMs));
    QCOMPARE(program.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process.exitCode(), 0);
    QVERIFY(!exists(link));
}

void TestSimulator::programKeepsState()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString state = dir.filePath("state");
    {
        Program program;
        QVERIFY(program.start({"--state", state}));
        QVERIFY(openPort(program.port));
        const QByteArray heaterOn = Modbus::writeRequest(1, Registers::Heater, 1);
        QCOMPARE(exchange(heaterOn, 8), heaterOn);
        program.process.terminate();
        QVERIFY(program.process.waitForFinished(WaitMs));
    }
    Program program;
    QVERIFY(program.start({"--state", state}));
    QVERIFY(openPort(program.port));
    QCOMPARE(exchange(Modbus::readRequest(1, Registers::Heater, 1), 7), readReply(1, {1}));
}

void TestSimulator::programRemovesAdapter()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("pulled");
    Program program;
    QVERIFY(program.start({"--link", link, "--remove-after", "50"}));
    QVERIFY(openPort(link));
    QCOMPARE(exchange(Modbus::readRequest(1, Registers::BaudRateCode, 1), 7), readReply(1, {4}));

    QVERIFY(program.process.waitForFinished(WaitMs));
    QCOMPARE(program.process.exitCode(), 0);
    QVERIFY(program.process.readAllStandardOutput().contains("Adapter removed"));
    QVERIFY(!exists(link));
    QTRY_VERIFY_WITH_TIMEOUT(lostLine(port->error()), WaitMs);
    port->close();
}

void TestSimulator::programRefusesBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("address 0") << QStringList {"--address", "0"};
    QTest::newRow("address 248") << QStringList {"--address", "248"};
    QTest::newRow("baud-rate code 7") << QStringList {"--baud-code", "7"};
    QTest::newRow("split into no pieces") << QStringList {"--split", "0"};
    QTest::newRow("delay not a number") << QStringList {"--delay", "soon"};
}

void TestSimulator::programRefusesBadOptions()
{
    QFETCH(QStringList, arguments);

    QProcess process;
    process.start(simulatorProgram(), arguments);
    QVERIFY(process.waitForFinished(WaitMs));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    QVERIFY(process.readAllStandardError().contains(arguments.first().toLatin1()));
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
