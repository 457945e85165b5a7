#include "ui/errorchartwidget.h"

#include "batch/report.h"

#include <QPainter>

namespace {

constexpr int MinimumWidth = 320;
constexpr int MinimumHeight = 240;

} // namespace

ErrorChartWidget::ErrorChartWidget(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(MinimumWidth, MinimumHeight);
}

void ErrorChartWidget::setRun(const RunRecord *run, SampleStore::Quantity quantity)
{
    this->run = run;
    this->quantity = quantity;
    update();
}

ErrorChartData ErrorChartWidget::data() const
{
    return BatchReport::chart(run ? *run : RunRecord(), quantity);
}

void ErrorChartWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    ErrorChart::paint(painter, rect(), data());
}
