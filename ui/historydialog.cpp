#include "ui/historydialog.h"

#include "check/certificate.h"
#include "check/recordstore.h"
#include "ui_historydialog.h"

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm");

} // namespace

HistoryDialog::HistoryDialog(RecordStore &records, const QString &serialNumber, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::HistoryDialog)
    , records(records)
{
    ui->setupUi(this);
    ui->tableChecks->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->lineEditSerial->setText(serialNumber);
    connect(ui->pushButtonShow, &QPushButton::clicked, this, &HistoryDialog::showChecks);
    connect(ui->lineEditSerial, &QLineEdit::returnPressed, this, &HistoryDialog::showChecks);
    connect(ui->pushButtonCertificate, &QPushButton::clicked, this,
            &HistoryDialog::requestCertificate);
    connect(ui->pushButtonClose, &QPushButton::clicked, this, &QDialog::close);
    connect(ui->tableChecks, &QTableWidget::itemSelectionChanged, this, [this] {
        ui->pushButtonCertificate->setEnabled(ui->tableChecks->currentRow() >= 0);
    });
    ui->pushButtonCertificate->setEnabled(false);
    showChecks();
}

HistoryDialog::~HistoryDialog()
{
    delete ui;
}

void HistoryDialog::showChecks()
{
    const QString serialNumber = ui->lineEditSerial->text().trimmed();
    checks.clear();
    const bool read = records.history(serialNumber, &checks);
    ui->labelStatus->setText(read ? tr("%n check(s) of %1 in %2", nullptr, checks.size())
                                        .arg(serialNumber, records.location())
                                  : records.errorString());
    ui->tableChecks->setRowCount(checks.size());
    for (int row = 0; row < checks.size(); ++row) {
        const Check &check = checks[row];
        const QString texts[] = {check.startedAt.toString(TimeFormat),
                                 Certificate::kindText(check.kind), check.settings.station,
                                 check.settings.operatorName,
                                 QString::number(check.storedPointCount),
                                 Certificate::resultText(check.result)};
        for (int column = 0; column < int(std::size(texts)); ++column)
            ui->tableChecks->setItem(row, column, new QTableWidgetItem(texts[column]));
    }
    ui->pushButtonCertificate->setEnabled(false);
}

void HistoryDialog::requestCertificate()
{
    const int row = ui->tableChecks->currentRow();
    if (row < 0 || row >= checks.size())
        return;
    Check &check = checks[row];
    if (!records.loadPoints(check)) {
        ui->labelStatus->setText(records.errorString());
        return;
    }
    emit certificateRequested(check);
}
