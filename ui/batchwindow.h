#ifndef BATCHWINDOW_H
#define BATCHWINDOW_H

#include "ui/profileeditor.h"

#include <QWidget>

#include <functional>

class LineScan;
class StationFields;

namespace Ui {
class BatchWindow;
}

// A batch run of a rack of transmitters on one line in a chamber, as a technician sets it up and
// watches it: the profile of points, the line and its transmitters, the station's reference and
// chamber, and the run's progress, each transmitter's readings and results, and the error charts
// of the report. It knows nothing of the main window but the port that window holds.
class BatchWindow : public QWidget
{
    Q_OBJECT

public:
    // linkedPort tells which port the main window holds at the moment (empty: none).
    BatchWindow(std::function<QString()> linkedPort, QWidget *parent = nullptr);
    ~BatchWindow() override;

    // Each tells the user in a message box, and returns false, when it cannot.
    bool openProfile(const QString &fileName);
    bool saveProfile(const QString &fileName);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void chooseProfileFile();
    void chooseSaveFile();
    void showProfileFile(const QString &fileName);
    std::optional<Profile> shownProfile();
    // Why a port of the run cannot be used now: the main window holds it. Empty when none is
    // held.
    QString portRefusal(const QStringList &ports) const;
    void scanClicked();
    void scanFound(int address);
    void scanFinished(const QString &why);
    void tell(const QString &text);

    Ui::BatchWindow *ui;
    std::function<QString()> linkedPort;
    ProfileEditor profileEditor;
    StationFields *stationFields;
    LineScan *scan;
    QList<int> scanned;
};

#endif // BATCHWINDOW_H
