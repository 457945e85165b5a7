#include "ui/batchwindow.h"

#include "app/widget.h"
#include "check/stationsettings.h"
#include "ui/addresslist.h"
#include "ui/linescan.h"
#include "ui/stationfields.h"
#include "ui_batchwindow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QSerialPort>
#include <QSerialPortInfo>

namespace {

// The device a port name stands for, so that a port is known under whichever name it was given:
// as the list of ports names it (ttyUSB0, COM3), by its path, or through a link to it.
QString deviceOf(const QString &port)
{
    const QSerialPortInfo listed(port);
    const QString path = listed.isNull() ? port : listed.systemLocation();
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

} // namespace

BatchWindow::BatchWindow(std::function<QString()> linkedPort, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::BatchWindow)
    , linkedPort(std::move(linkedPort))
    , profileEditor((ui->setupUi(this), ui->tableProfile))
    , stationFields(new StationFields(this))
    , scan(new LineScan(this))
{
    ui->tableProfile->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->tableTransmitters->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
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
    showProfileFile(QString());
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
        if (!linked.isEmpty() && !port.isEmpty() && deviceOf(port) == deviceOf(linked))
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
}

void BatchWindow::scanFound(int address)
{
    scanned << address;
    ui->lineEditAddresses->setText(AddressList::format(scanned));
}

void BatchWindow::scanFinished(const QString &why)
{
    ui->pushButtonScan->setText(tr("Scan"));
    if (!why.isEmpty())
        tell(tr("The scan ended: %1").arg(why));
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
