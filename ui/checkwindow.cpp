#include "ui/checkwindow.h"

#include "app/appstate.h"
#include "app/widget.h"
#include "check/certificate.h"
#include "check/checkengine.h"
#include "check/verdict.h"
#include "protocol/registers.h"
#include "ui/historydialog.h"
#include "ui/referencepoller.h"
#include "ui_checkwindow.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString TimeFormat = QStringLiteral("HH:mm:ss");
constexpr int ValueDecimals = Verdicts::Decimals; // as the certificate prints them
// The reference's due date shown as not set: a date edit always holds some date.
const QDate NoDate(2000, 1, 1);

} // namespace

CheckWindow::CheckWindow(TrendSession &session, std::function<Transmitter()> linked,
                         std::function<QString()> linkedPort, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::CheckWindow)
    , engine(new CheckEngine(session, this))
    , poller(new ReferencePoller(session, std::move(linkedPort), this))
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
    ui->lineEditDatabase->setPlaceholderText(RecordStore().location());
    ui->dateEditReferenceDue->setMinimumDate(NoDate);
    ui->dateEditReferenceDue->setSpecialValueText(tr("not set"));

    showSettings(StationSettings::load());
    applySettings(StationSettings::load());
    for (QLineEdit *edit :
         {ui->lineEditOperator, ui->lineEditStation, ui->lineEditReference,
          ui->lineEditReferenceCertificate, ui->lineEditDatabase, ui->lineEditReferencePort})
        connect(edit, &QLineEdit::editingFinished, this, &CheckWindow::settingsEdited);
    // Fields are checked as they are typed.
    for (QLineEdit *edit :
         {ui->lineEditReferenceTemperatureField, ui->lineEditReferenceSecondField})
        connect(edit, &QLineEdit::textChanged, this, &CheckWindow::settingsEdited);
    for (QDoubleSpinBox *box :
         {ui->doubleSpinBoxToleranceTemperature, ui->doubleSpinBoxToleranceHumidity,
          ui->doubleSpinBoxDriftTemperature, ui->doubleSpinBoxDriftHumidity,
          ui->doubleSpinBoxDeviationTemperature, ui->doubleSpinBoxDeviationHumidity,
          ui->doubleSpinBoxUncertaintyTemperature, ui->doubleSpinBoxUncertaintyHumidity,
          ui->doubleSpinBoxCoverage, ui->doubleSpinBoxUniformityTemperature,
          ui->doubleSpinBoxUniformityHumidity})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                &CheckWindow::settingsEdited);
    for (QSpinBox *box : {ui->spinBoxWindow, ui->spinBoxReferenceAddress})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &CheckWindow::settingsEdited);
    for (QComboBox *box :
         {ui->comboBoxReferenceRate, ui->comboBoxReferenceSecond, ui->comboBoxRule})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &CheckWindow::settingsEdited);
    connect(ui->radioButtonInstrument, &QRadioButton::toggled, this, &CheckWindow::settingsEdited);
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
    const ReferenceMap &map = s.referenceMap;
    (map.isSet() ? ui->radioButtonInstrument : ui->radioButtonTyped)->setChecked(true);
    ui->lineEditReferencePort->setText(map.line.port);
    ui->comboBoxReferenceRate->setCurrentText(QString::number(map.line.bitsPerSecond));
    ui->spinBoxReferenceAddress->setValue(map.line.address);
    ui->lineEditReferenceTemperatureField->setText(map.temperature.toString());
    const bool dewPoint = map.dewPoint.isSet();
    ui->comboBoxReferenceSecond->setCurrentIndex(dewPoint ? 1 : 0);
    ui->lineEditReferenceSecondField->setText((dewPoint ? map.dewPoint : map.humidity).toString());
    ui->doubleSpinBoxUncertaintyTemperature->setValue(s.referenceUncertainty[0]);
    ui->doubleSpinBoxUncertaintyHumidity->setValue(s.referenceUncertainty[1]);
    ui->doubleSpinBoxCoverage->setValue(s.referenceCoverage);
    ui->doubleSpinBoxUniformityTemperature->setValue(s.uniformity[0]);
    ui->doubleSpinBoxUniformityHumidity->setValue(s.uniformity[1]);
    ui->comboBoxRule->setCurrentIndex(int(s.rule));
}

// The Batch window and tr451 station change the station too: the form shows it as it is whenever
// the window becomes active, unless a check holds its settings.
bool CheckWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !engine->isOpen()) {
        const StationSettings station = StationSettings::load();
        if (!(station == engine->settings())) {
            showing = true;
            showSettings(station);
            showing = false;
            applySettings(station);
        }
    }
    return QWidget::event(event);
}

void CheckWindow::settingsEdited()
{
    if (showing)
        return;
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
    s.referenceUncertainty = {ui->doubleSpinBoxUncertaintyTemperature->value(),
                              ui->doubleSpinBoxUncertaintyHumidity->value()};
    s.referenceCoverage = ui->doubleSpinBoxCoverage->value();
    s.uniformity = {ui->doubleSpinBoxUniformityTemperature->value(),
                    ui->doubleSpinBoxUniformityHumidity->value()};
    s.rule = DecisionRule(ui->comboBoxRule->currentIndex());

    // Typed: no port, so that the command line types its reference too.
    const bool instrument = ui->radioButtonInstrument->isChecked();
    ReferenceMap &map = s.referenceMap;
    map.line = {instrument ? ui->lineEditReferencePort->text().trimmed() : QString(),
                ui->comboBoxReferenceRate->currentText().toInt(),
                ui->spinBoxReferenceAddress->value()};
    // A field that is not one keeps the last that was, and the form says why.
    QStringList reasons;
    const auto field = [&reasons](const QString &name, const QLineEdit *edit,
                                  const RegisterField &kept) {
        QString why;
        const std::optional<RegisterField> parsed = RegisterField::parse(edit->text(), &why);
        if (!parsed)
            reasons << name + ' ' + why;
        return parsed.value_or(kept);
    };
    map.temperature = field(ui->labelReferenceTemperatureField->text(),
                            ui->lineEditReferenceTemperatureField, map.temperature);
    const bool dewPoint = ui->comboBoxReferenceSecond->currentIndex() == 1;
    RegisterField &second = dewPoint ? map.dewPoint : map.humidity;
    second =
        field(ui->comboBoxReferenceSecond->currentText(), ui->lineEditReferenceSecondField, second);
    (dewPoint ? map.humidity : map.dewPoint) = RegisterField();
    ui->labelReferenceFields->setText(instrument ? reasons.join('\n') : QString());

    if (s == engine->settings())
        return;
    applySettings(s);
    s.save();
}

void CheckWindow::applySettings(const StationSettings &settings)
{
    engine->setSettings(settings);
    if (settings.referenceMap == poller->map())
        return;
    poller->setMap(settings.referenceMap);
    engine->setReference(settings.referenceMap.isSet() ? &poller->readings() : nullptr);
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
    // As it would be taken now: against the typed references or the reference's means.
    const CheckPoint now = engine->pointNow(gate, typedReferences());
    for (int q = 0; q < CheckedQuantities; ++q) {
        const QuantityPoint &p = now.quantities[size_t(q)];
        const QString texts[] = {Certificate::number(p.mean, ValueDecimals),
                                 Certificate::number(p.reference, ValueDecimals),
                                 Certificate::number(p.standardDeviation, ValueDecimals),
                                 Certificate::number(p.referenceStandardDeviation, ValueDecimals),
                                 Certificate::number(p.error, ValueDecimals),
                                 Certificate::number(p.budget.expanded, ValueDecimals),
                                 Certificate::number(p.driftPerMinute, ValueDecimals),
                                 QString::number(p.samples),
                                 QuantityGate::phaseText(gate.quantities[size_t(q)].phase()),
                                 gate.reference
                                     ? QuantityGate::phaseText((*gate.reference)[size_t(q)].phase())
                                     : QStringLiteral("---")};
        for (int column = 0; column < int(std::size(texts)); ++column)
            ui->tableLive->item(q, column)->setText(texts[column]);
    }
    // Neither a reason nor a stable gate takes a point from a reference that is not read.
    const QString referenceProblem = poller->problem();
    QStringList problems = {engine->beginRefusal(), referenceProblem};
    problems.removeAll(QString());
    ui->labelGate->setText(!problems.isEmpty() ? problems.join(' ')
                               : gate.met()
                               ? tr("Stable over the stability window: the point can be taken.")
                               : tr("Not stable over the stability window yet: a point taken now "
                                    "needs a reason and is marked as taken early."));
    ui->pushButtonTakePoint->setEnabled(
        referenceProblem.isEmpty()
        && engine->canTakePoint(transmitter, ui->lineEditReason->text()));
    ui->labelDecisionRule->setText(DecisionRules::statement(
        engine->isOpen() ? engine->check().settings.rule : engine->settings().rule));
}

void CheckWindow::showCheck()
{
    const Check &check = engine->check();
    const bool open = engine->isOpen();
    const bool begun = check.startedAt.isValid();
    ui->groupBoxStation->setEnabled(!open);
    ui->groupBoxReferenceReading->setEnabled(!open);
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
                  << Certificate::number(q.budget.expanded, ValueDecimals)
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

std::array<double, CheckedQuantities> CheckWindow::typedReferences() const
{
    return {ui->doubleSpinBoxReferenceTemperature->value(),
            ui->doubleSpinBoxReferenceHumidity->value()};
}

void CheckWindow::takePoint()
{
    const auto kind =
        ui->comboBoxKind->currentIndex() == 1 ? Check::Kind::AsLeft : Check::Kind::AsFound;
    if (engine->takePoint(kind, linked(), typedReferences(), ui->lineEditReason->text()))
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
                                    AppState.tempRangeMin / Registers::RangeTenthsPerDegree,
                                    AppState.tempRangeMax / Registers::RangeTenthsPerDegree};
            },
            [] { return AppState.portName; }, this);
    }
    check->show();
    check->raise();
    check->activateWindow();
}
