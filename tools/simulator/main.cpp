// tr451-simulator: simulated transmitters behind a pseudo-terminal, for trying the tools
// without hardware.

#include "platform/platform.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "transmittermodel.h"
#include "transmittersimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>
#include <QTimer>

namespace {

constexpr int ExitStartFailed = 1;
constexpr int ExitUsage = 2;

QTextStream &standardError()
{
    static QTextStream stream(stderr);
    return stream;
}

// Reads a whole-number option into *value; false, with a message, when it is given but is not
// a number from low to high.
bool numberOption(const QCommandLineParser &parser, const QString &name, int low, int high,
                  int *value)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int number = parser.value(name).toInt(&ok);
    if (!ok || number < low || number > high) {
        standardError() << "tr451-simulator: --" << name << " takes a number from " << low << " to "
                        << high << Qt::endl;
        return false;
    }
    *value = number;
    return true;
}

// Reads a comma-separated list of whole numbers from low to high into *values; false, with a
// message, when one is not.
bool numberListOption(const QCommandLineParser &parser, const QString &name, int low, int high,
                      QList<int> *values)
{
    if (!parser.isSet(name))
        return true;
    QList<int> numbers;
    for (const QString &item : parser.value(name).split(QLatin1Char(','))) {
        bool ok = false;
        const int number = item.toInt(&ok);
        if (!ok || number < low || number > high) {
            standardError() << "tr451-simulator: --" << name << " takes numbers from " << low
                            << " to " << high << ", separated by commas" << Qt::endl;
            return false;
        }
        numbers << number;
    }
    *values = numbers;
    return true;
}

// One transmitter for each address; one baud code for all of them, or one for each.
bool lineDevices(const QList<int> &addresses, const QList<int> &baudCodes,
                 QList<TransmitterModel::LineSettings> *devices)
{
    if (baudCodes.size() != 1 && baudCodes.size() != addresses.size()) {
        standardError() << "tr451-simulator: --baud-code takes one code, or one for each address"
                        << Qt::endl;
        return false;
    }
    for (int i = 0; i < addresses.size(); ++i) {
        if (addresses.indexOf(addresses.at(i)) != i) {
            standardError() << "tr451-simulator: address " << addresses.at(i) << " is given twice"
                            << Qt::endl;
            return false;
        }
        devices->append({quint8(addresses.at(i)), quint16(baudCodes.value(i, baudCodes.first()))});
    }
    return true;
}

// Reads --settle T,H,SECONDS into the simulator; false, with a message, when it is given but is
// not a temperature, a humidity from 0 to 100 and a time constant above 0.
bool settleOption(const QCommandLineParser &parser, TransmitterSimulator &simulator)
{
    if (!parser.isSet("settle"))
        return true;
    const QStringList fields = parser.value("settle").split(',');
    QList<double> numbers;
    for (const QString &field : fields) {
        bool ok = false;
        numbers << field.trimmed().toDouble(&ok);
        if (!ok)
            numbers.clear();
    }
    if (fields.size() != 3 || numbers.size() != 3 || numbers[1] < 0 || numbers[1] > 100
        || numbers[2] <= 0) {
        standardError() << "tr451-simulator: --settle takes T,H,SECONDS: a temperature, a "
                           "humidity from 0 to 100 and a time constant above 0"
                        << Qt::endl;
        return false;
    }
    simulator.setSettling(numbers[0], numbers[1], numbers[2]);
    return true;
}

bool saveState(const QString &path, const QByteArray &state)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(state) == state.size() && file.commit();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tr451-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates TR-451/TR-573 temperature and humidity transmitters on a pseudo-terminal."));
    parser.addHelpOption();
    parser.addOptions({
        {"link", "Also place a symlink to the pseudo-terminal at <path>.", "path"},
        {"address",
         "Device address, 1 to 247 (default 1); a list such as 1,2,17 puts a transmitter on "
         "the line for each.",
         "n[,n...]"},
        {"baud-code",
         "Baud-rate code, 1 to 6 = 1200 to 115200 bit/s (default 4 = 9600), for all transmitters "
         "or one for each address.",
         "n[,n...]"},
        {"tcp", "Also serve the line over TCP on 127.0.0.1:<port> (0: any free port).", "port"},
        {"split", "Send each reply in <n> pieces.", "n"},
        {"gap", "Milliseconds between the pieces of a split reply (default 20).", "ms"},
        {"delay", "Wait <ms> milliseconds longer before answering.", "ms"},
        {"corrupt", "Corrupt the check bytes of every reply."},
        {"stray", "Send one stray byte in front of every reply."},
        {"silent", "Read requests but never answer."},
        {"flood", "Answer every request with 1024 bytes of 0xFF, like a failing adapter."},
        {"no-pacing", "Send each reply at once rather than at the pace of the line speed."},
        {"remove-after", "Pull the adapter <ms> milliseconds after the first request, then exit.",
         "ms"},
        {"settle",
         "Step the readings to <t>,<h> (degrees, %RH) with a time constant of <seconds>, with a "
         "little noise, like a sensor settling in a chamber.",
         "t,h,seconds"},
        {"state", "Keep the first transmitter's registers in <file> across runs.", "file"},
        {"verbose", "Print every request and reply in hexadecimal."},
    });
    parser.process(app);

    TransmitterSimulator::Faults faults;
    QList<int> addresses {TransmitterModel::DefaultAddress};
    QList<int> baudCodes {TransmitterModel::DefaultBaudCode};
    QList<TransmitterModel::LineSettings> devices;
    int removeAfterMs = -1;
    int tcpPort = -1;
    constexpr int MaxMs = 3600 * 1000;
    if (!numberListOption(parser, "address", 1, TransmitterModel::MaxAddress, &addresses)
        || !numberListOption(parser, "baud-code", Registers::FirstBaudCode, Registers::LastBaudCode,
                             &baudCodes)
        || !lineDevices(addresses, baudCodes, &devices)
        || !numberOption(parser, "tcp", 0, 65535, &tcpPort)
        || !numberOption(parser, "split", 1, Modbus::MaxBufferSize, &faults.splitPieces)
        || !numberOption(parser, "gap", 0, MaxMs, &faults.splitGapMs)
        || !numberOption(parser, "delay", 0, MaxMs, &faults.delayMs)
        || !numberOption(parser, "remove-after", 0, MaxMs, &removeAfterMs))
        return ExitUsage;
    faults.corruptCrc = parser.isSet("corrupt");
    faults.strayByte = parser.isSet("stray");
    faults.silent = parser.isSet("silent");
    faults.flood = parser.isSet("flood");

    TransmitterSimulator simulator;
    simulator.setDevices(devices);
    simulator.setFaults(faults);
    simulator.setPacing(!parser.isSet("no-pacing"));
    if (!settleOption(parser, simulator))
        return ExitUsage;

    const QString statePath = parser.value("state");
    if (!statePath.isEmpty() && QFile::exists(statePath)) {
        QFile file(statePath);
        if (!file.open(QIODevice::ReadOnly) || !simulator.restoreState(file.readAll())) {
            standardError() << "tr451-simulator: cannot take the device state from " << statePath
                            << Qt::endl;
            return ExitStartFailed;
        }
    }
    // Explicit options win over a kept state.
    if (parser.isSet("address"))
        simulator.setRegisterValue(Registers::DeviceAddress, devices.first().address);
    if (parser.isSet("baud-code"))
        simulator.setRegisterValue(Registers::BaudRateCode, devices.first().baudCode);
    if (!statePath.isEmpty()) {
        QObject::connect(
            &simulator, &TransmitterSimulator::registersWritten, &app, [&simulator, statePath] {
                if (!saveState(statePath, simulator.saveState()))
                    standardError() << "tr451-simulator: cannot write " << statePath << Qt::endl;
            });
    }

    // SIGINT and SIGTERM end the event loop rather than the process, so that the simulator goes
    // down in order and takes its symlink with it.
    if (!Platform::watchInterrupts(&app, &QCoreApplication::quit)
        || !simulator.start(parser.value("link"))) {
        standardError() << "tr451-simulator: cannot create the pseudo-terminal"
                        << (parser.isSet("link") ? " or its symlink" : "") << Qt::endl;
        return ExitStartFailed;
    }
    if (tcpPort >= 0 && !simulator.listenTcp(quint16(tcpPort))) {
        standardError() << "tr451-simulator: cannot listen on TCP port " << tcpPort << Qt::endl;
        return ExitStartFailed;
    }

    QTextStream out(stdout);
    out << "Simulated transmitter on " << simulator.portPath() << Qt::endl;
    if (tcpPort >= 0)
        out << "Serving the line over TCP on 127.0.0.1:" << simulator.tcpPort() << Qt::endl;

    QElapsedTimer clock;
    clock.start();
    const auto stamp = [&clock] {
        return QString::number(double(clock.elapsed()) / 1000.0, 'f', 3).rightJustified(9);
    };
    if (parser.isSet("verbose")) {
        out << "Pseudo-terminal " << simulator.ptyPath();
        for (const TransmitterModel::LineSettings &device : simulator.devices())
            out << ", address " << device.address << " at baud-rate code " << device.baudCode;
        out << Qt::endl;
        QObject::connect(&simulator, &TransmitterSimulator::requestReceived, &app,
                         [&](const QByteArray &frame) {
                             out << stamp() << "  request " << frame.toHex() << "  (line at "
                                 << simulator.lineSpeed() << " bit/s)" << Qt::endl;
                         });
        QObject::connect(&simulator, &TransmitterSimulator::replySent, &app,
                         [&](const QByteArray &frame) {
                             out << stamp() << "  reply   " << frame.toHex() << Qt::endl;
                         });
    }

    QTimer removal;
    removal.setSingleShot(true);
    if (removeAfterMs >= 0) {
        QObject::connect(&simulator, &TransmitterSimulator::requestReceived, &app, [&] {
            if (simulator.requestCount() == 1)
                removal.start(removeAfterMs);
        });
        QObject::connect(&removal, &QTimer::timeout, &app, [&] {
            simulator.removeAdapter();
            out << "Adapter removed" << Qt::endl;
            QCoreApplication::quit();
        });
    }

    return QCoreApplication::exec();
}
