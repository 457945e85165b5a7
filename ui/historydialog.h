#ifndef HISTORYDIALOG_H
#define HISTORYDIALOG_H

#include "check/checkrecord.h"

#include <QDialog>
#include <QList>

class CheckEngine;
class HistoryModel;

namespace Ui {
class HistoryDialog;
}

// The stored checks of a serial number from every station, newest first; any of them can be
// written again as a certificate, and one left open (by a run that was closed or crashed
// mid-check) can be finished, when it has points, or abandoned.
class HistoryDialog : public QDialog
{
    Q_OBJECT

public:
    // Through engine's records; an open check is closed as engine's open check.
    HistoryDialog(CheckEngine &engine, const QString &serialNumber, QWidget *parent = nullptr);
    ~HistoryDialog() override;

    void showChecks();

signals:
    // A check with its points, whose certificate the user asked for.
    void certificateRequested(const Check &check);

private:
    int selectedRow() const; // -1 when none is selected
    void showSelection();
    void requestCertificate();
    void closeOpenCheck(bool finish);

    Ui::HistoryDialog *ui;
    CheckEngine &engine;
    QList<Check> checks;
    HistoryModel *model;
};

#endif // HISTORYDIALOG_H
