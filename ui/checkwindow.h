#ifndef CHECKWINDOW_H
#define CHECKWINDOW_H

#include "check/checkrecord.h"

#include <QWidget>

#include <functional>

class CheckEngine;
class ReferencePoller;
class TrendSession;

namespace Ui {
class CheckWindow;
}

// The calibration check of the linked transmitter against a reference, typed or read from the
// instrument on a line of its own: the station's settings, the readings of both over the
// stability window with their errors, U and the gate, the points taken, and the records and
// certificates. A view of a CheckEngine fed by the session; it knows nothing of the protocol or
// of the main window. Closing it leaves an open check open.
class CheckWindow : public QWidget
{
    Q_OBJECT

public:
    // linked tells which transmitter the tool is linked to at the moment, linkedPort on which
    // port.
    CheckWindow(TrendSession &session, std::function<Transmitter()> linked,
                std::function<QString()> linkedPort, QWidget *parent = nullptr);
    ~CheckWindow() override;

    // Writes check's certificate to fileName; tells the user and returns false when it cannot.
    bool saveCertificate(const Check &check, const QString &fileName);
    // Asks for a file name, then saves check's certificate there.
    void chooseCertificateFile(const Check &check);

protected:
    bool event(QEvent *event) override;

private:
    void showSettings(const StationSettings &settings);
    void settingsEdited();
    void applySettings(const StationSettings &settings);
    void showGate();
    void showCheck();
    std::array<double, CheckedQuantities> typedReferences() const;
    void takePoint();
    void showHistory();
    void tellStoreFailure(const QString &message);

    Ui::CheckWindow *ui;
    CheckEngine *engine;
    ReferencePoller *poller;
    std::function<Transmitter()> linked;
    // While the form is being filled from the station: its edits are not the user's.
    bool showing = false;
};

#endif // CHECKWINDOW_H
