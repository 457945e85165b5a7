#ifndef TRENDWINDOW_H
#define TRENDWINDOW_H

#include "display/csvrecorder.h"
#include "display/samplestore.h"

class TrendSession;

#include <QWidget>

#include <array>

class QwtPlotCurve;
class QwtPlotZoomer;
class TrendSeries;
class WallClockScaleDraw;

namespace Ui {
class TrendWindow;
}

// The trend of a session: temperature and dew point (left axis) and humidity (right axis)
// against local time, the statistics of what is in view, the last status, and the recording of
// readings to a CSV file. A view of the session's readings, which it is handed; it knows nothing
// of the protocol or of the main window.
//
// The view follows the newest reading over the chosen span until the user zooms or pans;
// zooming back to the start, or choosing a span, follows again.
class TrendWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TrendWindow(TrendSession &session, QWidget *parent = nullptr);
    ~TrendWindow() override;

    const SampleStore &samples() const;

    // Each tells the user in a message box, and returns false, when the file cannot be written.
    bool startRecording(const QString &fileName);
    bool saveImage(const QString &fileName);
    void stopRecording();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setUpPlot();
    void readingAdded(const TrendReading &reading);
    void followSpan();
    void viewChanged();
    // Brings the plot and the statistics up to date with the store and the view.
    void refresh();
    void showStatistics();
    void showRecording();
    void recordingFailed();
    void chooseRecordingFile();
    void chooseImageFile();

    Ui::TrendWindow *ui;
    TrendSession &session;
    CsvRecorder recorder;
    std::array<QwtPlotCurve *, SampleStore::QuantityCount> curves {};
    std::array<TrendSeries *, SampleStore::QuantityCount> series {};
    std::array<QwtPlotZoomer *, 2> zoomers {};
    WallClockScaleDraw *timeScale = nullptr;
    bool following = true;
    // What the plot was last drawn for; stale while the window was hidden.
    bool plotStale = true;
    qint64 plottedFrom = 0;
    qint64 plottedTo = 0;
};

#endif // TRENDWINDOW_H
