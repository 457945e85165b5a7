// A bench left running: the tool polls the simulator while the line fails in every way it can,
// linking again after a failure. The readings stored are always ones the transmitter sent, and
// answers are taken again once the line is sound. TR451_SOAK_SECONDS: the length (default 16).
#include "app/appstate.h"
#include "protocol/frame.h"
#include "support/windowfixture.h"
#include "transmittersimulator.h"

#include <QtTest>

// clang-format off
struct Phase { const char *name; TransmitterSimulator::Faults faults; bool pulled; };
// Faults: split pieces, gap ms, delay ms, corrupt, stray byte, silent, flood.
const Phase Phases[] = {
    {"clean", {}, false},
    {"split", {4, 15}, false},
    {"delayed", {0, 20, 300}, false},
    {"corrupted", {0, 20, 0, true}, false},
    {"stray byte", {0, 20, 0, false, true}, false},
    {"silent", {0, 20, 0, false, false, true}, false},
    {"flood", {0, 20, 0, false, false, false, true}, false},
    {"adapter removed", {}, true},
};
// clang-format on

class TestE2eSoak : public QObject
{
    Q_OBJECT

private slots:
    void pollingThroughFaults();
};

void TestE2eSoak::pollingThroughFaults()
{
    const int seconds = qEnvironmentVariable("TR451_SOAK_SECONDS", "16").toInt();
    const int phaseMs = 1000 * seconds / int(std::size(Phases));
    WindowFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("tty");
    // Every answer the transmitter sent, and one that stands for the readings before any.
    QSet<QByteArray> sent {Modbus::readReply(1, {0, 0, 0, 0})};
    std::unique_ptr<TransmitterSimulator> sim;
    const auto startSimulator = [&] {
        sim = std::make_unique<TransmitterSimulator>();
        QObject::connect(sim.get(), &TransmitterSimulator::replySent,
                         [&sent](const QByteArray &reply) { sent << reply; });
        return sim->start(path);
    };
    const auto answers = [&f] { return f.log().filter("->RX").size(); };
    QVERIFY(startSimulator());
    f.fill("lineEditAddress=1;comboBoxRegister=1;comboBoxNum=0");
    f.link(path, "9600");
    f.run("pushButtonRead");
    for (const Phase &phase : Phases) {
        phase.pulled ? sim->removeAdapter() : sim->setFaults(phase.faults);
        for (QDeadlineTimer end(phaseMs); !end.hasExpired();) {
            QTest::qWait(50);
            // The readings stored, as the answer that carried them.
            const QByteArray stored =
                Modbus::readReply(1,
                                  {quint16(AppState.temperatureRaw), AppState.humidityRaw,
                                   quint16(AppState.dewPointRaw), AppState.statusRaw});
            QVERIFY2(sent.contains(stored), phase.name + (" stored " + hex(stored)));
        }
        // The line is sound again; a failing adapter left the port closed, a pulled one is back.
        if (phase.pulled)
            QVERIFY(startSimulator());
        sim->setFaults({});
        if (phase.faults.flood || phase.pulled) // a lost link also stopped polling
            f.link(path, "9600"), f.run("pushButtonRead");
        const int before = answers();
        QTRY_VERIFY2_WITH_TIMEOUT(answers() > before, phase.name, 3000);
    }
    QVERIFY(AppState.temperatureRaw != 0);
    const QString usb = "Error: USB device error, please reconnect USB device!";
    QCOMPARE(f.boxes.messages, QStringList({usb, usb}));
}

QTEST_MAIN(TestE2eSoak)
#include "tst_e2e_soak.moc"
