#include "ui/historydialog.h"

#include "check/certificate.h"
#include "check/checkengine.h"
#include "ui_historydialog.h"

#include <QAbstractTableModel>

// The checks as table rows, their texts made only for the rows in view: a serial number may have
// thousands of checks.
class HistoryModel : public QAbstractTableModel
{
public:
    explicit HistoryModel(const QList<Check> &checks, QObject *parent)
        : QAbstractTableModel(parent)
        , checks(checks)
    {}

    void reset()
    {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : checks.size();
    }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 6; }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return QVariant();
        const Check &check = checks[index.row()];
        switch (index.column()) {
        case 0:
            return check.startedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        case 1:
            return Certificate::kindText(check.kind);
        case 2:
            return check.settings.station;
        case 3:
            return check.settings.operatorName;
        case 4:
            return check.storedPointCount;
        default:
            return Certificate::resultText(check.result);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        const QString titles[] = {HistoryDialog::tr("Started"), HistoryDialog::tr("Kind"),
                                  HistoryDialog::tr("Station"), HistoryDialog::tr("Operator"),
                                  HistoryDialog::tr("Points"),  HistoryDialog::tr("Result")};
        return titles[section];
    }

private:
    const QList<Check> &checks;
};

HistoryDialog::HistoryDialog(CheckEngine &engine, const QString &serialNumber, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::HistoryDialog)
    , engine(engine)
    , model(new HistoryModel(checks, this))
{
    ui->setupUi(this);
    ui->tableChecks->setModel(model);
    ui->tableChecks->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->lineEditSerial->setText(serialNumber);
    connect(ui->pushButtonShow, &QPushButton::clicked, this, &HistoryDialog::showChecks);
    connect(ui->lineEditSerial, &QLineEdit::returnPressed, this, &HistoryDialog::showChecks);
    connect(ui->pushButtonCertificate, &QPushButton::clicked, this,
            &HistoryDialog::requestCertificate);
    connect(ui->pushButtonFinishOpen, &QPushButton::clicked, this,
            [this] { closeOpenCheck(true); });
    connect(ui->pushButtonAbandonOpen, &QPushButton::clicked, this,
            [this] { closeOpenCheck(false); });
    connect(ui->pushButtonClose, &QPushButton::clicked, this, &QDialog::close);
    connect(ui->tableChecks->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &HistoryDialog::showSelection);
    showChecks();
}

HistoryDialog::~HistoryDialog()
{
    // The model shows checks, which go before the table does: a table hidden as the dialog goes
    // may still ask it for rows.
    delete model;
    delete ui;
}

int HistoryDialog::selectedRow() const
{
    const QModelIndexList rows = ui->tableChecks->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void HistoryDialog::showChecks()
{
    RecordStore &records = engine.records();
    const QString serialNumber = ui->lineEditSerial->text().trimmed();
    checks.clear();
    const bool read = records.history(serialNumber, &checks);
    ui->labelStatus->setText(read ? tr("%n check(s) of %1 in %2", nullptr, checks.size())
                                        .arg(serialNumber, records.location())
                                  : records.errorString());
    model->reset();
    showSelection();
}

void HistoryDialog::showSelection()
{
    const int row = selectedRow();
    // A batch run's open check is its run's to close.
    const bool open =
        row >= 0 && checks[row].result == Check::Result::Open && checks[row].runId == 0;
    ui->pushButtonCertificate->setEnabled(row >= 0);
    ui->pushButtonFinishOpen->setEnabled(open && checks[row].storedPointCount > 0);
    ui->pushButtonAbandonOpen->setEnabled(open);
}

void HistoryDialog::requestCertificate()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    Check &check = checks[row];
    if (!engine.records().load(check)) {
        ui->labelStatus->setText(engine.records().errorString());
        return;
    }
    emit certificateRequested(check);
}

void HistoryDialog::closeOpenCheck(bool finish)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const bool closed =
        engine.resume(checks[row].id) && (finish ? engine.finish() : engine.abandon());
    const QString reason = engine.isOpen() || !engine.allStored()
        ? tr("The Check window has a check that is open or not stored yet: finish, abandon or "
             "store it there first.")
        : engine.records().errorString();
    showChecks();
    if (!closed && !reason.isEmpty())
        ui->labelStatus->setText(reason);
}
