#include "ui/batchwindow.h"

#include "app/widget.h"
#include "batch/report.h"
#include "check/certificate.h"
#include "check/recordstore.h"
#include "check/stationsettings.h"
#include "master/transport.h"
#include "protocol/addresslist.h"
#include "ui/linescan.h"
#include "ui/runtexts.h"
#include "ui/stationfields.h"
#include "ui_batchwindow.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QSaveFile>
#include <QSerialPort>
#include <QSettings>

namespace {

// The line the window last ran on, kept for the user, so that a run left by a crash goes on on
// the same line at the next start.
class LineSettings : public QSettings
{
public:
    LineSettings()
        : QSettings(IniFormat, UserScope, QStringLiteral("tr451-test-tools"),
                    QStringLiteral("batch"))
    {}
};
const QString PortKey = QStringLiteral("port");
const QString RateKey = QStringLiteral("rate");
const QString AddressesKey = QStringLiteral("addresses");
const QString KindKey = QStringLiteral("kind");

} // namespace

BatchWindow::BatchWindow(std::function<QString()> linkedPort, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::BatchWindow)
    , linkedPort(std::move(linkedPort))
    // The form first: the editors below work on its tables.
    , profileEditor((ui->setupUi(this), ui->tableProfile))
    , stationFields(new StationFields(this))
    , scan(new LineScan(this))
    , runTable(ui->tableTransmitters)
{
    ui->tableProfile->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->tableTransmitters->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The table's cells before the charts' room.
    ui->splitterRun->setStretchFactor(0, 3);
    ui->splitterRun->setStretchFactor(1, 2);
    ui->chartTemperature->setRun(nullptr, SampleStore::Temperature);
    ui->chartHumidity->setRun(nullptr, SampleStore::Humidity);

    stationFields->add(ui->lineEditBatchReferencePort, QStringLiteral("reference-port"));
    stationFields->add(ui->comboBoxBatchReferenceRate, QStringLiteral("reference-baud"));
    stationFields->add(ui->spinBoxBatchReferenceAddress, QStringLiteral("reference-address"));
    stationFields->add(ui->lineEditBatchReferenceTemperature,
                       QStringLiteral("reference-temperature"));
    stationFields->addEither(
        ui->comboBoxBatchReferenceSecond, ui->lineEditBatchReferenceSecond,
        {QStringLiteral("reference-humidity"), QStringLiteral("reference-dewpoint")});
    stationFields->add(ui->lineEditChamberPort, QStringLiteral("chamber-port"));
    stationFields->add(ui->comboBoxChamberRate, QStringLiteral("chamber-baud"));
    stationFields->add(ui->spinBoxChamberAddress, QStringLiteral("chamber-address"));
    stationFields->add(ui->lineEditChamberTemperature, QStringLiteral("chamber-temperature"));
    stationFields->add(ui->lineEditChamberHumidity, QStringLiteral("chamber-humidity"));
    connect(stationFields, &StationFields::saved, this, [this](const QString &refusal) {
        ui->labelStationRefusal->setText(
            refusal.isEmpty() ? QString() : tr("Not saved to the station: %1").arg(refusal));
    });

    connect(ui->pushButtonOpenProfile, &QPushButton::clicked, this,
            &BatchWindow::chooseProfileFile);
    connect(ui->pushButtonSaveProfile, &QPushButton::clicked, this, &BatchWindow::chooseSaveFile);
    connect(ui->pushButtonAddPoint, &QPushButton::clicked, this,
            [this] { profileEditor.addPoint(); });
    connect(ui->pushButtonRemovePoint, &QPushButton::clicked, this,
            [this] { profileEditor.removePoint(); });
    connect(ui->pushButtonScan, &QPushButton::clicked, this, &BatchWindow::scanClicked);
    connect(scan, &LineScan::asking, ui->progressBarScan, &QProgressBar::setValue);
    connect(scan, &LineScan::found, this, &BatchWindow::scanFound);
    connect(scan, &LineScan::finished, this, &BatchWindow::scanFinished);
    connect(ui->pushButtonStart, &QPushButton::clicked, this, [this] { start(false); });
    connect(ui->pushButtonResume, &QPushButton::clicked, this, &BatchWindow::resumeClicked);
    connect(ui->pushButtonPause, &QPushButton::clicked, this, [this] { run->pause(); });
    connect(ui->pushButtonAbort, &QPushButton::clicked, this, [this] { run->abort(); });
    showProfileFile(QString());
    loadLine();
    showControls();
}

BatchWindow::~BatchWindow()
{
    delete ui;
}

void BatchWindow::showEvent(QShowEvent *event)
{
    // The station may have changed since (the Check window, tr451 station).
    stationFields->show(StationSettings::load());
    QWidget::showEvent(event);
}

void BatchWindow::closeEvent(QCloseEvent *event)
{
    if (!mayClose())
        return event->ignore();
    // A scan holds the line's port: closed with the window, it is free for the tool again.
    if (scan->isRunning())
        scan->stop();
    QWidget::closeEvent(event);
}

void BatchWindow::tell(const QString &text)
{
    QMessageBox::warning(this, tr("Batch run"), text);
}

void BatchWindow::showProfileFile(const QString &fileName)
{
    ui->labelProfileFile->setText(fileName.isEmpty()
                                      ? tr("A new profile: add its points, or open a file.")
                                      : tr("From %1").arg(QDir::toNativeSeparators(fileName)));
}

bool BatchWindow::openProfile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(tr("Cannot read %1: %2").arg(fileName, file.errorString()));
        return false;
    }
    QString error;
    const std::optional<Profile> profile = Profile::parse(file.readAll(), &error);
    if (!profile) {
        tell(tr("%1 is not a profile: %2").arg(fileName, error));
        return false;
    }
    profileEditor.show(*profile);
    showProfileFile(fileName);
    return true;
}

std::optional<Profile> BatchWindow::shownProfile()
{
    QString error;
    const std::optional<Profile> profile = profileEditor.profile(&error);
    if (!profile)
        tell(tr("The points are not a profile (line 1 being the header, line 2 the first point): "
                "%1")
                 .arg(error));
    return profile;
}

bool BatchWindow::saveProfile(const QString &fileName)
{
    const std::optional<Profile> profile = shownProfile();
    if (!profile)
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(profile->toCsv()) < 0 || !file.commit()) {
        tell(tr("Cannot write %1: %2").arg(fileName, file.errorString()));
        return false;
    }
    showProfileFile(fileName);
    return true;
}

void BatchWindow::chooseProfileFile()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Open profile"), QString(),
                                                          tr("CSV files (*.csv);;All files (*)"));
    if (!fileName.isEmpty())
        openProfile(fileName);
}

void BatchWindow::chooseSaveFile()
{
    const QString fileName =
        QFileDialog::getSaveFileName(this, tr("Save profile"), QString(), tr("CSV files (*.csv)"));
    if (!fileName.isEmpty())
        saveProfile(fileName);
}

QString BatchWindow::portRefusal(const QStringList &ports) const
{
    const QString linked = linkedPort();
    for (const QString &port : ports) {
        if (!linked.isEmpty() && !port.isEmpty() && Transport::samePort(port, linked))
            return tr("The main window is linked to %1: press Link there to close it first.")
                .arg(port);
    }
    return QString();
}

void BatchWindow::scanClicked()
{
    if (scan->isRunning())
        return scan->stop();
    const QString port = ui->lineEditBatchPort->text().trimmed();
    QString why = port.isEmpty() ? tr("No port was given.") : portRefusal({port});
    // Not clicked again while a link over TCP is waited for.
    ui->pushButtonScan->setEnabled(false);
    if (why.isEmpty() && !scan->start(port, ui->comboBoxBatchRate->currentText().toInt(), &why))
        why = tr("Cannot open %1: %2").arg(port, why);
    ui->pushButtonScan->setEnabled(true);
    if (!why.isEmpty())
        return tell(why);
    scanned.clear();
    ui->pushButtonScan->setText(tr("Stop"));
    showControls();
}

void BatchWindow::scanFound(int address)
{
    scanned << address;
    ui->lineEditAddresses->setText(AddressList::format(scanned));
}

void BatchWindow::scanFinished(const QString &why)
{
    ui->pushButtonScan->setText(tr("Scan"));
    showControls();
    if (!why.isEmpty())
        tell(tr("The scan ended: %1").arg(why));
}

bool BatchWindow::underWay() const
{
    return run && run->phase() != BatchRun::Phase::Idle && run->phase() != BatchRun::Phase::Ended;
}

void BatchWindow::showControls()
{
    const bool busy = underWay();
    const bool paused = busy && run->phase() == BatchRun::Phase::Paused;
    for (QWidget *settings :
         {ui->groupBoxProfile, ui->groupBoxLine, ui->groupBoxBatchReference, ui->groupBoxChamber})
        settings->setEnabled(!busy);
    ui->pushButtonStart->setEnabled(!busy && !scan->isRunning());
    ui->pushButtonResume->setEnabled(busy ? paused : !scan->isRunning());
    // Enrolment is not paused: the sweeps are.
    ui->pushButtonPause->setEnabled(busy && !paused && run->phase() != BatchRun::Phase::Enrolling);
    ui->pushButtonAbort->setEnabled(busy);
}

void BatchWindow::loadLine()
{
    const LineSettings settings;
    ui->lineEditBatchPort->setText(settings.value(PortKey).toString());
    ui->comboBoxBatchRate->setCurrentText(
        settings.value(RateKey, ui->comboBoxBatchRate->currentText()).toString());
    ui->lineEditAddresses->setText(settings.value(AddressesKey).toString());
    ui->comboBoxBatchKind->setCurrentIndex(settings.value(KindKey).toInt());
}

void BatchWindow::saveLine() const
{
    LineSettings settings;
    settings.setValue(PortKey, ui->lineEditBatchPort->text().trimmed());
    settings.setValue(RateKey, ui->comboBoxBatchRate->currentText());
    settings.setValue(AddressesKey, ui->lineEditAddresses->text().trimmed());
    settings.setValue(KindKey, ui->comboBoxBatchKind->currentIndex());
}

void BatchWindow::resumeClicked()
{
    if (underWay())
        return run->resume();
    start(true);
}

void BatchWindow::resumeRun(const RunRecord &record)
{
    QString error;
    const std::optional<Profile> profile = Profile::parse(record.profile, &error);
    if (!profile)
        return tell(tr("The run's profile is not one: %1").arg(error));
    profileEditor.show(*profile);
    ui->labelProfileFile->setText(
        tr("The profile of the run begun %1").arg(Certificate::timeText(record.startedAt)));
    ui->comboBoxBatchKind->setCurrentIndex(record.kind == Check::Kind::AsLeft ? 1 : 0);
    start(true);
}

void BatchWindow::start(bool resume)
{
    const std::optional<Profile> profile = shownProfile();
    if (!profile)
        return;
    BatchRun::Setup setup;
    setup.port = ui->lineEditBatchPort->text().trimmed();
    setup.bitsPerSecond = ui->comboBoxBatchRate->currentText().toInt();
    setup.kind =
        ui->comboBoxBatchKind->currentIndex() == 1 ? Check::Kind::AsLeft : Check::Kind::AsFound;
    setup.station = StationSettings::load();
    setup.resume = resume;
    // A run resumed goes on with its own transmitters.
    const std::optional<QList<int>> addresses = AddressList::parse(ui->lineEditAddresses->text());
    if (!resume && !addresses)
        return tell(tr("The addresses are not a list such as 1-8 or 1,3,17."));
    setup.addresses = addresses.value_or(QList<int>());
    if (const QString why = portRefusal(
            {setup.port, setup.station.referenceMap.line.port, setup.station.chamber.line.port});
        !why.isEmpty())
        return tell(why);

    setup.profile = profile->toCsv();
    setup.profileName = tr("the profile shown");
    saveLine();

    // Not from one of its signals: its lines are closed at once, free for this run.
    delete run;
    run = new BatchRun(this);
    connect(run, &BatchRun::enrolled, this, &BatchWindow::enrolled);
    connect(run, &BatchRun::progressed, this, &BatchWindow::progressed);
    connect(run, &BatchRun::swept, this,
            [this](const QDateTime &, int, const RunLogic::Sweep &sweep) {
                runTable.showSweep(sweep);
            });
    connect(run, &BatchRun::pointSettled, this, &BatchWindow::pointSettled);
    // The gates are shown again with the progress that follows every sweep.
    connect(run, &BatchRun::setAside, this,
            [this](int transmitter, bool aside) { runTable.setAside(transmitter, aside); });
    connect(run, &BatchRun::recordsFailed, this, [this](const QString &why) {
        ui->labelRunState->setText(
            tr("The records did not take a point: %1. The run goes on and stores it with "
               "the next sweep.")
                .arg(why));
    });
    connect(run, &BatchRun::finished, this, &BatchWindow::finished);
    runTable.setProfile(profile->points());
    ui->chartTemperature->setRun(&run->record(), SampleStore::Temperature);
    ui->chartHumidity->setRun(&run->record(), SampleStore::Humidity);
    ui->labelRunState->setText(tr("Opening the lines..."));
    // Not clicked again while a link over TCP is waited for.
    ui->groupBoxRun->setEnabled(false);
    run->start(setup);
    ui->groupBoxRun->setEnabled(true);
    showControls();
}

void BatchWindow::enrolled()
{
    runTable.setRun(run->record());
    ui->labelRunState->setText(
        tr("%n transmitter(s) enrolled.", nullptr, run->record().checks.size()));
}

void BatchWindow::progressed(const BatchRun::Progress &progress)
{
    ui->labelRunPoint->setText(RunTexts::point(progress));
    ui->labelRunBand->setText(RunTexts::band(progress));
    ui->labelRunTimes->setText(RunTexts::times(progress));
    runTable.showGates(*run, progress);
    showControls();
}

void BatchWindow::pointSettled(int transmitter)
{
    runTable.showPoints(run->record(), transmitter);
    ui->chartTemperature->update();
    ui->chartHumidity->update();
}

void BatchWindow::finished(BatchRun::End end, const QString &why)
{
    const QString text = RunTexts::end(end, why);
    ui->labelRunState->setText(text);
    ui->chartTemperature->update();
    ui->chartHumidity->update();
    progressed(run->progress()); // ended
    if (end != BatchRun::End::Finished && end != BatchRun::End::Aborted
        && end != BatchRun::End::Stopped)
        tell(text);
}

bool BatchWindow::mayClose()
{
    if (!underWay())
        return true;
    QMessageBox box(QMessageBox::Question, tr("Batch run"),
                    tr("A batch run is under way. Abort it, leave it to be resumed later, or "
                       "keep it running?"),
                    QMessageBox::NoButton, this);
    const QPushButton *abort = box.addButton(tr("Abort the run"), QMessageBox::DestructiveRole);
    const QPushButton *leave =
        box.addButton(tr("Leave it to resume later"), QMessageBox::AcceptRole);
    box.setEscapeButton(box.addButton(tr("Keep it running"), QMessageBox::RejectRole));
    box.exec();
    if (box.clickedButton() == abort)
        run->abort();
    else if (box.clickedButton() == leave)
        run->stop();
    else
        return false;
    return true;
}

void Widget::offerUnfinishedRun()
{
    const StationSettings station = StationSettings::load();
    RecordStore records(station.database);
    QList<RunRecord> runs;
    // Records that cannot be reached offer nothing; a run started says why.
    if (!records.unfinishedRuns(&runs))
        return;
    const auto ours = std::find_if(runs.cbegin(), runs.cend(), [&station](const RunRecord &run) {
        return run.station == station.station;
    });
    if (ours == runs.cend())
        return;
    QMessageBox box(QMessageBox::Question, tr("Batch run"),
                    tr("The batch run of %n transmitter(s) begun %1 did not finish. Resume it?",
                       nullptr, ours->addresses.size())
                        .arg(Certificate::timeText(ours->startedAt)),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setButtonText(QMessageBox::Ok, tr("Resume"));
    box.setButtonText(QMessageBox::Cancel, tr("Not now"));
    if (box.exec() != QMessageBox::Ok)
        return;
    showBatchWindow();
    batch->resumeRun(*ours);
}

bool Widget::batchMayClose()
{
    return !batch || batch->mayClose();
}

void Widget::showBatchWindow()
{
    // A child of the main window, like the trend and the check, so that it goes with it.
    if (!batch) {
        batch = new BatchWindow(
            [this] { return serialPort->isOpen() ? serialPort->portName() : QString(); }, this);
    }
    batch->show();
    batch->raise();
    batch->activateWindow();
}
