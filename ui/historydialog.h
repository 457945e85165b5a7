#ifndef HISTORYDIALOG_H
#define HISTORYDIALOG_H

#include "check/checkrecord.h"

#include <QDialog>
#include <QList>

class HistoryModel;
class RecordStore;

namespace Ui {
class HistoryDialog;
}

// The stored checks of a serial number from every station, newest first; any of them can be
// written again as a certificate.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    HistoryDialog(RecordStore &records, const QString &serialNumber, QWidget *parent = nullptr);
    ~HistoryDialog() override;

    void showChecks();

signals:
    // A check with its points, whose certificate the user asked for.
    void certificateRequested(const Check &check);

private:
    int selectedRow() const; // -1 when none is selected
    void requestCertificate();

    Ui::HistoryDialog *ui;
    RecordStore &records;
    QList<Check> checks;
    HistoryModel *model;
};

#endif // HISTORYDIALOG_H
