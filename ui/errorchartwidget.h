#ifndef ERRORCHARTWIDGET_H
#define ERRORCHARTWIDGET_H

#include "batch/errorchart.h"
#include "display/samplestore.h"

#include <QWidget>

struct RunRecord;

// One quantity's error chart of a batch run as the run goes on: drawn from the run's record at
// every paint, the same picture as the report's.
class ErrorChartWidget : public QWidget
{
public:
    explicit ErrorChartWidget(QWidget *parent = nullptr);

    // run: none, or one that outlives the widget or the next call.
    void setRun(const RunRecord *run, SampleStore::Quantity quantity);
    ErrorChartData data() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const RunRecord *run = nullptr;
    SampleStore::Quantity quantity = SampleStore::Temperature;
};

#endif // ERRORCHARTWIDGET_H
