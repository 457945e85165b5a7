#ifndef HISTORYDIALOG_H
#define HISTORYDIALOG_H

#include "check/checkrecord.h"

#include <QDialog>
#include <QList>

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
    void requestCertificate();

    Ui::HistoryDialog *ui;
    RecordStore &records;
    QList<Check> checks;
};

#endif // HISTORYDIALOG_H
