#ifndef BATCHWINDOW_H
#define BATCHWINDOW_H

#include "batch/batchrun.h"
#include "ui/profileeditor.h"
#include "ui/runtable.h"

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

    // Goes on with a run the records hold as running (left by a crash, or to be resumed), on
    // the line last used: its profile shown, resumed as the newest unfinished run of it.
    void resumeRun(const RunRecord &run);
    // Asks, when a run is under way, whether to abort it, leave it to be resumed later or keep
    // it running; false for the last, when the window must stay.
    bool mayClose();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void chooseProfileFile();
    void chooseSaveFile();
    void showProfileFile(const QString &fileName);
    // The table's profile; none, once the user is told why.
    std::optional<Profile> shownProfile();
    // Why a port of the run cannot be used now: the main window holds it. Empty when none is
    // held.
    QString portRefusal(const QStringList &ports) const;
    void scanClicked();
    void scanFound(int address);
    void scanFinished(const QString &why);
    void tell(const QString &text);

    bool underWay() const;
    void start(bool resume);
    void resumeClicked();
    void enrolled();
    void progressed(const BatchRun::Progress &progress);
    void pointSettled(int transmitter);
    void finished(BatchRun::End end, const QString &why);
    // Enables what can be done now: the settings while no run is under way, the run's buttons
    // by its phase.
    void showControls();
    void loadLine();
    void saveLine() const;

    Ui::BatchWindow *ui;
    std::function<QString()> linkedPort;
    ProfileEditor profileEditor;
    StationFields *stationFields;
    LineScan *scan;
    QList<int> scanned;
    RunTable runTable;
    // The run under way or the last one; a new one for each start.
    BatchRun *run = nullptr;
};

#endif // BATCHWINDOW_H
