#include "ui/checkwindow.h"

#include "app/appstate.h"
#include "app/widget.h"
#include "check/certificate.h"
#include "check/checkengine.h"
#include "ui/historydialog.h"
#include "ui_checkwindow.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString TimeFormat = QStringLiteral("HH:mm:ss");
constexpr int ValueDecimals = 3; // of means, references and errors, as the certificate prints them
// The reference's due date shown as not set: a date edit always holds some date.
const QDate NoDate(2000, 1, 1);

} // namespace

CheckWindow::CheckWindow(TrendSession &session, std::function<Transmitter()> linked,
                         QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::CheckWindow)
    , engine(new CheckEngine(session, this))
    , linked(std::move(linked))
{
    ui->setupUi(this);
    QTableWidget *live = ui->tableLive;
    for (int row = 0; row < live->rowCount(); ++row) {
        for (int column = 0; column < live->columnCount(); ++column) {
            auto *item = new QTableWidgetItem(QStringLiteral("---"));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            live->setItem(row, column, item);
        }
    }
    live->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    live->setFixedHeight(live->horizontalHeader()->sizeHint().height()
                         + live->rowCount() * live->verticalHeader()->defaultSectionSize()
                         + 2 * live->frameWidth());
    ui->tablePoints->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    ui->tablePoints->horizontalHeader()->setStretchLastSection(true);
    ui->labelDecisionRule->setText(Certificate::decisionRule());
    ui->lineEditDatabase->setPlaceholderText(RecordStore().location());
    ui->dateEditReferenceDue->setMinimumDate(NoDate);
    ui->dateEditReferenceDue->setSpecialValueText(tr("not set"));

    showSettings(StationSettings::load());
    engine->setSettings(StationSettings::load());
    for (QLineEdit *edit : {ui->lineEditOperator, ui->lineEditStation, ui->lineEditReference,
                            ui->lineEditReferenceCertificate, ui->lineEditDatabase})
        connect(edit, &QLineEdit::editingFinished, this, &CheckWindow::settingsEdited);
    for (QDoubleSpinBox *box :
         {ui->doubleSpinBoxToleranceTemperature, ui->doubleSpinBoxToleranceHumidity,
          ui->doubleSpinBoxDriftTemperature, ui->doubleSpinBoxDriftHumidity,
          ui->doubleSpinBoxDeviationTemperature, ui->doubleSpinBoxDeviationHumidity})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &CheckWindow::settingsEdited);
    connect(ui->spinBoxWindow, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &CheckWindow::settingsEdited);
    connect(ui->dateEditReferenceDue, &QDateEdit::dateChanged, this, &CheckWindow::settingsEdited);
    for (QDoubleSpinBox *box :
         {ui->doubleSpinBoxReferenceTemperature, ui->doubleSpinBoxReferenceHumidity})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &CheckWindow::showGate);
    connect(ui->lineEditReason, &QLineEdit::textChanged, this, &CheckWindow::showGate);

    connect(engine, &CheckEngine::gateChanged, this, &CheckWindow::showGate);
    connect(engine, &CheckEngine::checkChanged, this, &CheckWindow::showCheck);
    // Told from the event loop, never from inside whatever made the write.
    connect(engine, &CheckEngine::storeFailed, this, &CheckWindow::tellStoreFailure,
            Qt::QueuedConnection);
    connect(ui->pushButtonTakePoint, &QPushButton::clicked, this, &CheckWindow::takePoint);
    connect(ui->pushButtonStoreAgain, &QPushButton::clicked, engine, &CheckEngine::storeAgain);
    connect(ui->pushButtonFinish, &QPushButton::clicked, engine, &CheckEngine::finish);
    connect(ui->pushButtonAbandon, &QPushButton::clicked, engine, &CheckEngine::abandon);
    connect(ui->pushButtonHistory, &QPushButton::clicked, this, &CheckWindow::showHistory);
    connect(ui->pushButtonCertificate, &QPushButton::clicked, this,
            [this] { chooseCertificateFile(engine->check()); });
    showCheck();
}

CheckWindow::~CheckWindow()
{
    delete ui;
}

void CheckWindow::showSettings(const StationSettings &s)
{
    ui->lineEditOperator->setText(s.operatorName);
    ui->lineEditStation->setText(s.station);
    ui->lineEditReference->setText(s.referenceInstrument);
    ui->lineEditReferenceCertificate->setText(s.referenceCertificate);
    ui->dateEditReferenceDue->setDate(s.referenceDue.isValid() ? s.referenceDue : NoDate);
    ui->lineEditDatabase->setText(s.database);
    ui->doubleSpinBoxToleranceTemperature->setValue(s.tolerance[0]);
    ui->doubleSpinBoxToleranceHumidity->setValue(s.tolerance[1]);
    ui->doubleSpinBoxDriftTemperature->setValue(s.limits.maxDrift[0]);
    ui->doubleSpinBoxDriftHumidity->setValue(s.limits.maxDrift[1]);
    ui->doubleSpinBoxDeviationTemperature->setValue(s.limits.maxStandardDeviation[0]);
    ui->doubleSpinBoxDeviationHumidity->setValue(s.limits.maxStandardDeviation[1]);
    ui->spinBoxWindow->setValue(int(s.limits.windowMs / 1000));
}

void CheckWindow::settingsEdited()
{
    // The settings this window does not show stay as they are.
    StationSettings s = engine->settings();
    s.operatorName = ui->lineEditOperator->text().trimmed();
    s.station = ui->lineEditStation->text().trimmed();
    s.referenceInstrument = ui->lineEditReference->text().trimmed();
    s.referenceCertificate = ui->lineEditReferenceCertificate->text().trimmed();
    const QDate due = ui->dateEditReferenceDue->date();
    s.referenceDue = due == NoDate ? QDate() : due;
    s.database = ui->lineEditDatabase->text().trimmed();
    s.tolerance = {ui->doubleSpinBoxToleranceTemperature->value(),
                   ui->doubleSpinBoxToleranceHumidity->value()};
    s.limits.maxDrift = {ui->doubleSpinBoxDriftTemperature->value(),
                         ui->doubleSpinBoxDriftHumidity->value()};
    s.limits.maxStandardDeviation = {ui->doubleSpinBoxDeviationTemperature->value(),
                                     ui->doubleSpinBoxDeviationHumidity->value()};
    s.limits.windowMs = qint64(ui->spinBoxWindow->value()) * 1000;
    if (s == engine->settings())
        return;
    engine->setSettings(s);
    s.save();
}

void CheckWindow::showGate()
{
    const Transmitter transmitter = linked();
    ui->labelTransmitter->setText(
        transmitter.serialNumber.isEmpty()
            ? tr("No transmitter is linked.")
            : tr("Transmitter %1 at address %2, temperature output range %3 to %4 \u2103")
                  .arg(transmitter.serialNumber)
                  .arg(transmitter.address)
                  .arg(Certificate::number(transmitter.rangeMin, 1),
                       Certificate::number(transmitter.rangeMax, 1)));
    const GateState gate = engine->gate();
    const double references[] = {ui->doubleSpinBoxReferenceTemperature->value(),
                                 ui->doubleSpinBoxReferenceHumidity->value()};
    // In the order of QuantityGate::Phase.
    const QString phases[] = {tr("filling"), tr("drifting"), tr("noisy"), tr("met")};
    for (int q = 0; q < CheckedQuantities; ++q) {
        const QuantityGate &g = gate.quantities[size_t(q)];
        const TrendStatistics &s = g.statistics;
        const QString texts[] = {
            Certificate::number(s.mean, ValueDecimals),
            Certificate::number(s.standardDeviation, ValueDecimals),
            Certificate::number(s.driftPerMinute, ValueDecimals),
            Certificate::number(Decision::error(s.mean, references[q]), ValueDecimals),
            QString::number(s.count),
            phases[int(g.phase())]};
        for (int column = 0; column < int(std::size(texts)); ++column)
            ui->tableLive->item(q, column)->setText(texts[column]);
    }
    const QString refusal = engine->beginRefusal();
    ui->labelGate->setText(!refusal.isEmpty() ? refusal
                               : gate.met()
                               ? tr("Stable over the stability window: the point can be taken.")
                               : tr("Not stable over the stability window yet: a point taken now "
                                    "needs a reason and is marked as taken early."));
    ui->pushButtonTakePoint->setEnabled(
        engine->canTakePoint(transmitter, ui->lineEditReason->text()));
}

void CheckWindow::showCheck()
{
    const Check &check = engine->check();
    const bool open = engine->isOpen();
    const bool begun = check.startedAt.isValid();
    ui->groupBoxStation->setEnabled(!open);
    ui->groupBoxConditions->setEnabled(!open);
    ui->comboBoxKind->setEnabled(!open);
    QString state = !begun
        ? tr("No check yet: the first point taken begins one.")
        : tr("%1 check of %2, begun %3: %4.")
              .arg(Certificate::kindText(check.kind), check.transmitter.serialNumber,
                   check.startedAt.toLocalTime().toString(TimeFormat),
                   open ? tr("open") : Certificate::resultText(check.result));
    if (!engine->allStored())
        state += ' '
            + tr("Not everything is stored yet: press Store again once the database "
                 "can be reached.");
    ui->labelCheck->setText(state);

    ui->tablePoints->setRowCount(check.points.size());
    for (int row = 0; row < check.points.size(); ++row) {
        const CheckPoint &point = check.points[row];
        QStringList texts = {point.takenAt.toLocalTime().toString(TimeFormat)};
        for (const QuantityPoint &q : point.quantities) {
            texts << Certificate::number(q.reference, ValueDecimals)
                  << Certificate::number(q.mean, ValueDecimals)
                  << Certificate::number(q.error, ValueDecimals)
                  << Verdicts::text(q.verdict);
        }
        texts << QString::number(point.quantities[0].samples);
        QStringList notes;
        if (!point.stored())
            notes << tr("not stored");
        if (!point.earlyReason.isEmpty())
            notes << tr("taken early: %1").arg(point.earlyReason);
        texts << notes.join(QStringLiteral("; "));
        for (int column = 0; column < texts.size(); ++column)
            ui->tablePoints->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
    ui->pushButtonStoreAgain->setEnabled(!engine->allStored());
    ui->pushButtonFinish->setEnabled(open && !check.points.isEmpty());
    ui->pushButtonAbandon->setEnabled(open);
    ui->pushButtonCertificate->setEnabled(check.stored());
    showGate();
}

void CheckWindow::takePoint()
{
    const auto kind =
        ui->comboBoxKind->currentIndex() == 1 ? Check::Kind::AsLeft : Check::Kind::AsFound;
    if (engine->takePoint(kind, linked(),
                          {ui->doubleSpinBoxReferenceTemperature->value(),
                           ui->doubleSpinBoxReferenceHumidity->value()},
                          ui->lineEditReason->text()))
        ui->lineEditReason->clear();
}

void CheckWindow::tellStoreFailure(const QString &message)
{
    QMessageBox::warning(this, tr("Records"),
                         tr("%1\n\nNothing is lost: what could not be stored stays on screen, "
                            "marked \"not stored\". Press Store again once the database can be "
                            "reached.")
                             .arg(message));
}

void CheckWindow::showHistory()
{
    auto *dialog = new HistoryDialog(*engine, linked().serialNumber, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &HistoryDialog::certificateRequested, this,
            &CheckWindow::chooseCertificateFile);
    dialog->show();
}

void CheckWindow::chooseCertificateFile(const Check &check)
{
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Save certificate"), Certificate::identification(check) + QStringLiteral(".pdf"),
        tr("PDF files (*.pdf)"));
    if (!fileName.isEmpty())
        saveCertificate(check, fileName);
}

bool CheckWindow::saveCertificate(const Check &check, const QString &fileName)
{
    QString error;
    const bool written = Certificate::write(check, fileName, &error);
    if (!written)
        QMessageBox::warning(this, tr("Certificate"), error);
    return written;
}

void Widget::showCheckWindow()
{
    // A child of the main window, like the trend, so that it goes with it.
    if (!check) {
        check = new CheckWindow(
            *session,
            [] {
                return Transmitter {AppState.serialNumber, AppState.deviceAddress,
                                    AppState.tempRangeMin / 10.0, AppState.tempRangeMax / 10.0};
            },
            this);
    }
    check->show();
    check->raise();
    check->activateWindow();
}
