// tr451-simulator: simulated transmitters behind a pseudo-terminal, for trying the tools
// without hardware.

#include "batch/profile.h"
#include "platform/platform.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "simulatoroptions.h"
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

// Reads a comma-separated list of whole numbers and ranges from low to high into *values;
// false, with a message, when it is not one.
bool numberListOption(const QCommandLineParser &parser, const QString &name, int low, int high,
                      QList<int> *values)
{
    if (!parser.isSet(name))
        return true;
    QString why;
    const std::optional<QList<int>> numbers =
        SimulatorOptions::numbers(parser.value(name), low, high, &why);
    if (!numbers) {
        standardError() << "tr451-simulator: --" << name << ": " << why << Qt::endl;
        return false;
    }
    *values = *numbers;
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

// Gives each transmitter a --bias the options name; false, with a message, when one is not
// ADDRESS:T:H of a transmitter on the line.
bool biasOptions(const QCommandLineParser &parser, TransmitterSimulator &simulator)
{
    for (const QString &value : parser.values("bias")) {
        QString why;
        const std::optional<SimulatorOptions::Bias> bias = SimulatorOptions::bias(value, &why);
        if (bias && !simulator.setBias(quint8(bias->address), bias->temperature, bias->humidity))
            why = QStringLiteral("there is no transmitter at address %1").arg(bias->address);
        if (!why.isEmpty()) {
            standardError() << "tr451-simulator: --bias: " << why << Qt::endl;
            return false;
        }
    }
    return true;
}

// Puts the reference instrument and the chamber controller the options ask for on the line, at
// the line speed of the first transmitter; false, with a message, when an address is not free.
bool instrumentOptions(const QCommandLineParser &parser, TransmitterSimulator &simulator)
{
    const std::pair<const char *, bool (TransmitterSimulator::*)(quint8, quint16)> options[] = {
        {"reference", &TransmitterSimulator::setReference},
        {"chamber", &TransmitterSimulator::setChamber}};
    for (const auto &[name, place] : options) {
        int address = 0;
        if (!numberOption(parser, name, 1, TransmitterModel::MaxAddress, &address))
            return false;
        if (address != 0 && !(simulator.*place)(quint8(address), simulator.baudCode())) {
            standardError() << "tr451-simulator: --" << name << ": address " << address
                            << " is another device's" << Qt::endl;
            return false;
        }
    }
    return true;
}

// Runs the chamber through the --program file; the exit status, with a message, when it cannot
// be read or is not a profile, else 0.
int programOption(const QCommandLineParser &parser, TransmitterSimulator &simulator)
{
    if (!parser.isSet("program"))
        return 0;
    const QString path = parser.value("program");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        standardError() << "tr451-simulator: cannot read " << path << Qt::endl;
        return ExitStartFailed;
    }
    QString why;
    const std::optional<Profile> profile = Profile::parse(file.readAll(), &why);
    if (!profile) {
        standardError() << "tr451-simulator: --program " << path << ": " << why << Qt::endl;
        return ExitUsage;
    }
    simulator.setProfile(*profile);
    return 0;
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
    parser.setApplicationDescription(
        QStringLiteral("Simulates TR-451/TR-573 temperature and humidity transmitters, a reference "
                       "hygrometer and a chamber controller on a pseudo-terminal."));
    parser.addHelpOption();
    parser.addOptions({
        {"link", "Also place a symlink to the pseudo-terminal at <path>.", "path"},
        {"address",
         "Device address, 1 to 247 (default 1); a list such as 1,2,17 or 1-4,9 puts a "
         "transmitter on the line for each.",
         "n[-n][,n...]"},
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
        {"answer-at-once",
         "Take a request to have ended once it is whole by its length and check bytes, not "
         "after 3.5 character times of silence."},
        {"remove-after", "Pull the adapter <ms> milliseconds after the first request, then exit.",
         "ms"},
        {"settle",
         "Step the air to <t>,<h> (degrees, %RH) with a time constant of <seconds> (the "
         "chamber's too), read with a little noise, like sensors settling in a chamber.",
         "t,h,seconds"},
        {"bias",
         "The transmitter at <address> reads <t> degrees and <h> %RH off the air (may be given "
         "for several).",
         "address:t:h"},
        {"reference",
         "A reference hygrometer at <address>: float32 temperature, humidity and dew point in "
         "input registers 0, 2 and 4.",
         "address"},
        {"chamber",
         "A chamber controller at <address>: temperature and humidity set points in tenths in "
         "holding registers 0 and 1.",
         "address"},
        {"program", "Run the chamber through the profile of points in <file> (CSV).", "file"},
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
    simulator.setAnswerAtOnce(parser.isSet("answer-at-once"));
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
    // Biases go by the addresses the transmitters have now; the chamber's set points start where
    // the air heads, and its program begins with its first point.
    if (!biasOptions(parser, simulator) || !instrumentOptions(parser, simulator))
        return ExitUsage;
    if (const int status = programOption(parser, simulator))
        return status;
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
