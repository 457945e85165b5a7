// A bench left running: the tool polls the simulated transmitter while the line misbehaves in
// every way the simulator can (split, delayed, corrupted and prefixed answers, silence, an
// adapter flooding 0xFF, the adapter pulled out), and links again after each failure. Whatever
// happens, the readings shown are only ever values the transmitter sent.
// TR451_SOAK_SECONDS sets the length (default 16 s, a couple of seconds per fault).
#include "app/appstate.h"
#include "app/widget.h"
#include "protocol/frame.h"
#include "protocol/registers.h"
#include "support/modalwatcher.h"
#include "transmittersimulator.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSet>
#include <QTextBrowser>
#include <QtTest>

#include <memory>

namespace {

using Faults = TransmitterSimulator::Faults;

struct Phase
{
    const char *name;
    Faults faults;
    bool removeAdapter;
};

Faults makeFaults(void (*set)(Faults &))
{
    Faults faults;
    set(faults);
    return faults;
}

const Phase Phases[] = {
    {"clean", Faults {}, false},
    {"split", makeFaults([](Faults &f) {
         f.splitPieces = 4;
         f.splitGapMs = 15;
     }),
     false},
    {"delayed", makeFaults([](Faults &f) { f.delayMs = 300; }), false},
    {"corrupted", makeFaults([](Faults &f) { f.corruptCrc = true; }), false},
    {"stray byte", makeFaults([](Faults &f) { f.strayByte = true; }), false},
    {"silent", makeFaults([](Faults &f) { f.silent = true; }), false},
    {"flood", makeFaults([](Faults &f) { f.flood = true; }), false},
    {"adapter removed", Faults {}, true},
};

} // namespace

class TestE2eSoak : public QObject
{
    Q_OBJECT

private slots:
    void pollingThroughFaults();

private:
    void startSimulator();
    void link();
    void checkShownValues();
    int answersLogged() const;

    Widget *window = nullptr;
    ModalWatcher *watcher = nullptr;
    std::unique_ptr<TransmitterSimulator> sim;
    QSet<qint32> sentTemperatures {0};
    QSet<quint32> sentHumidities {0};
    QSet<qint32> sentDewPoints {0};
};

void TestE2eSoak::startSimulator()
{
    sim = std::make_unique<TransmitterSimulator>();
    QVERIFY(sim->start());
    connect(sim.get(), &TransmitterSimulator::replySent, this, [this](const QByteArray &frame) {
        // Every value of every measurement answer the transmitter put on the line.
        if (Modbus::functionCode(frame) != Modbus::ReadRegisters
            || Modbus::field(frame, Modbus::ByteCountOffset, 1) != 2 * Registers::MeasurementCount)
            return;
        sentTemperatures.insert(Modbus::signedWord(frame, Modbus::DataOffset));
        sentHumidities.insert(Modbus::word(frame, Modbus::DataOffset + 2));
        sentDewPoints.insert(Modbus::signedWord(frame, Modbus::DataOffset + 4));
    });
}

void TestE2eSoak::link()
{
    const QString path = sim->portPath();
    watcher->onDialog = [path](QWidget *dialog) {
        dialog->findChild<QComboBox *>(QStringLiteral("comboBoxName"))->setEditText(path);
        auto *baud = dialog->findChild<QComboBox *>(QStringLiteral("comboBoxBaud"));
        baud->setCurrentIndex(baud->findText(QStringLiteral("9600")));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("pushButtonOK")),
                          Qt::LeftButton);
    };
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pushButtonLink")),
                      Qt::LeftButton);
    watcher->onDialog = nullptr;
    auto *port = window->findChild<QSerialPort *>(QStringLiteral("serialPort"));
    QTRY_VERIFY_WITH_TIMEOUT(port->isOpen(), 2000);
}

void TestE2eSoak::checkShownValues()
{
    if (!sentTemperatures.contains(AppState.temperatureRaw)
        || !sentHumidities.contains(AppState.humidityRaw)
        || !sentDewPoints.contains(AppState.dewPointRaw)) {
        QFAIL(qPrintable(QStringLiteral("shown %1 / %2 / %3, which the transmitter never sent")
                             .arg(AppState.temperatureRaw)
                             .arg(AppState.humidityRaw)
                             .arg(AppState.dewPointRaw)));
    }
    const QString shown = window->findChild<QLabel *>(QStringLiteral("labelTemperature"))->text();
    const QString expected = QString::number(AppState.temperatureRaw / 100.0, 'f', 2);
    if (AppState.temperatureRaw != 0 && !shown.contains(expected))
        QFAIL(qPrintable(QStringLiteral("label shows %1, not %2").arg(shown, expected)));
}

int TestE2eSoak::answersLogged() const
{
    return window->findChild<QTextBrowser *>(QStringLiteral("textBrowser"))
        ->toPlainText()
        .count(QStringLiteral("->RX  "));
}

void TestE2eSoak::pollingThroughFaults()
{
    const int seconds = qEnvironmentVariableIntValue("TR451_SOAK_SECONDS");
    const int phaseMs = 1000 * (seconds > 0 ? seconds : 16) / int(std::size(Phases));

    AppState = ApplicationState();
    Widget tool;
    window = &tool;
    ModalWatcher messages;
    watcher = &messages;
    tool.show();
    startSimulator();
    link();
    QTRY_COMPARE_WITH_TIMEOUT(window->findChild<QLineEdit *>("lineEditAddress")->text(),
                              QStringLiteral("1"), 2000);
    window->findChild<QComboBox *>(QStringLiteral("comboBoxRegister"))->setCurrentIndex(1);
    window->findChild<QComboBox *>(QStringLiteral("comboBoxNum"))->setCurrentIndex(0);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("pushButtonRead")),
                      Qt::LeftButton);

    for (const Phase &phase : Phases) {
        qInfo("phase: %s", phase.name);
        sim->setFaults(phase.faults);
        if (phase.removeAdapter)
            sim->removeAdapter();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < phaseMs) {
            QTest::qWait(50);
            checkShownValues();
            if (QTest::currentTestFailed())
                return;
        }
        // The README's picture of a live session:
        //   TR451_SCREENSHOT=docs/polling.png build/tests/tst_e2e_soak
        const QString screenshot = qEnvironmentVariable("TR451_SCREENSHOT");
        if (&phase == Phases && !screenshot.isEmpty())
            QVERIFY(window->grab().save(screenshot));
        // After the adapter's failure the port is closed; plug a sound one in and link again.
        if (phase.faults.flood || phase.removeAdapter) {
            QCOMPARE(messages.lastText(),
                     QStringLiteral("USB device error, please reconnect USB device!"));
            if (phase.removeAdapter)
                startSimulator();
            sim->setFaults(Faults {});
            link();
        }
    }

    // The line is sound again: polling resumes and shows the live values.
    sim->setFaults(Faults {});
    const int answers = answersLogged();
    QTRY_VERIFY_WITH_TIMEOUT(answersLogged() > answers, 3000);
    checkShownValues();
    QVERIFY(window->findChild<QSerialPort *>(QStringLiteral("serialPort"))->isOpen());
}

QTEST_MAIN(TestE2eSoak)
#include "tst_e2e_soak.moc"
