#ifndef SERIALPORTSETTINGDIALOG_H
#define SERIALPORTSETTINGDIALOG_H

#include <QDialog>

namespace Ui {
class SerialportSettingDialog;
}

// Asks for the port and the line settings when Link is pressed. It only collects them: OK
// writes the choice into AppState, and the main window opens the port. Building the dialog
// restarts the automatic baud search from its first rate.
class SerialportSettingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SerialportSettingDialog(QWidget *parent = nullptr);
    ~SerialportSettingDialog() override;

private slots:
    void ClickedCancelSlots();
    void ClickedOKSlots();

private:
    Ui::SerialportSettingDialog *ui = nullptr;
};

#endif // SERIALPORTSETTINGDIALOG_H
