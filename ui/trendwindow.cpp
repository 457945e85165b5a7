#include "ui/trendwindow.h"

#include "app/widget.h"
#include "display/quantityview.h"
#include "display/trendsession.h"
#include "ui_trendwindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QMessageBox>
#include <QSaveFile>
#include <QSvgGenerator>

#include <qwt_date_scale_draw.h>
#include <qwt_date_scale_engine.h>
#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_grid.h>
#include <qwt_plot_panner.h>
#include <qwt_plot_renderer.h>
#include <qwt_plot_zoomer.h>
#include <qwt_series_data.h>

#include <algorithm>
#include <cmath>
#include <iterator>

// One quantity's points as its curve draws them, read from the store in place through the
// quantity's view: only the points in view, and of many only what the plot's columns can show,
// so drawing costs what the plot shows, not what the store holds.
class TrendSeries : public QwtSeriesData<QPointF>
{
public:
    TrendSeries(const SampleStore &store, SampleStore::Quantity quantity)
        : store(store)
        , quantity(quantity)
        , points(store, quantity)
    {}

    const QuantityView &view() const { return points; }

    // True when the points to draw changed.
    bool show(qint64 from, qint64 to, int plotColumns)
    {
        columns = plotColumns;
        if (!points.show(from, to, columns))
            return false;
        d_boundingRect = QRectF(0.0, 0.0, -1.0, -1.0);
        return true;
    }

    size_t size() const override { return size_t(points.size()); }

    QPointF sample(size_t i) const override
    {
        const int point = points.point(int(i));
        return {double(store.pointTime(quantity, point)),
                double(store.pointValue(quantity, point))};
    }

    QRectF boundingRect() const override
    {
        if (d_boundingRect.width() < 0.0)
            d_boundingRect = qwtBoundingRect(*this);
        return d_boundingRect;
    }

    // Qwt hands over the new scales after a zoom or a pan.
    void setRectOfInterest(const QRectF &rect) override
    {
        show(qint64(std::ceil(rect.left())), qint64(std::floor(rect.right())), columns);
    }

private:
    const SampleStore &store;
    const SampleStore::Quantity quantity;
    QuantityView points;
    int columns = 0;
};

// The time axis runs on the store's monotonic time; its labels say what the wall clock read
// there, so that after the clock stepped they still tell when the readings were taken.
class WallClockScaleDraw : public QwtDateScaleDraw
{
public:
    explicit WallClockScaleDraw(const SampleStore &store)
        : QwtDateScaleDraw(Qt::LocalTime)
        , store(store)
    {}

    QwtText label(double value) const override
    {
        return QwtDateScaleDraw::label(double(store.wallTimeAt(qint64(std::llround(value)))));
    }

    // The same tick may now stand for another wall-clock time.
    void storeChanged() { invalidateCache(); }

private:
    const SampleStore &store;
};

namespace {

// The span selector's items, in milliseconds; 0 shows everything.
constexpr qint64 SpanMs[] = {60 * 1000, 10 * 60 * 1000, 60 * 60 * 1000, 0};
// Narrower views are widened to this, so that a first reading has an axis to stand on.
constexpr qint64 MinimumSpanMs = 60 * 1000;

constexpr qreal CurveWidth = 1.5;
const QColor CurveColours[SampleStore::QuantityCount] = {QColor(200, 30, 30), QColor(30, 80, 200),
                                                         QColor(20, 140, 60)};

QString statistic(double value, int decimals)
{
    return std::isfinite(value) ? QString::number(value, 'f', decimals) : QStringLiteral("---");
}

} // namespace

TrendWindow::TrendWindow(TrendSession &session, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(new Ui::TrendWindow)
    , session(session)
{
    ui->setupUi(this);
    for (int row = 0; row < ui->tableStatistics->rowCount(); ++row) {
        for (int column = 0; column < ui->tableStatistics->columnCount(); ++column) {
            auto *item = new QTableWidgetItem(QStringLiteral("---"));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            ui->tableStatistics->setItem(row, column, item);
        }
    }
    ui->tableStatistics->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->tableStatistics->setFixedHeight(
        ui->tableStatistics->horizontalHeader()->sizeHint().height()
        + ui->tableStatistics->rowCount()
            * ui->tableStatistics->verticalHeader()->defaultSectionSize()
        + 2 * ui->tableStatistics->frameWidth());
    setUpPlot();
    if (session.lastStatus())
        ui->labelStatus->setText(tr("Status: %1").arg(Csv::status(*session.lastStatus())));

    connect(&session, &TrendSession::readingAdded, this, &TrendWindow::readingAdded);
    connect(ui->comboBoxSpan, QOverload<int>::of(&QComboBox::activated), this,
            [this] { followSpan(); });
    connect(ui->pushButtonRecord, &QPushButton::clicked, this, [this] { chooseRecordingFile(); });
    connect(ui->pushButtonStopRecording, &QPushButton::clicked, this, [this] { stopRecording(); });
    connect(ui->pushButtonSaveImage, &QPushButton::clicked, this, [this] { chooseImageFile(); });
}

TrendWindow::~TrendWindow()
{
    delete ui;
}

const SampleStore &TrendWindow::samples() const
{
    return session.samples();
}

void TrendWindow::setUpPlot()
{
    QwtPlot *plot = ui->plot;
    plot->setCanvasBackground(Qt::white);
    plot->enableAxis(QwtPlot::yRight);
    plot->setAxisTitle(QwtPlot::xBottom, tr("Local time"));
    plot->setAxisTitle(QwtPlot::yLeft, tr("Temperature, dew point (\u2103)"));
    plot->setAxisTitle(QwtPlot::yRight, tr("Humidity (%)"));
    timeScale = new WallClockScaleDraw(session.samples());
    timeScale->setDateFormat(QwtDate::Second, QStringLiteral("hh:mm:ss"));
    timeScale->setDateFormat(QwtDate::Minute, QStringLiteral("hh:mm"));
    timeScale->setDateFormat(QwtDate::Hour, QStringLiteral("MM-dd hh:mm"));
    timeScale->setDateFormat(QwtDate::Day, QStringLiteral("yyyy-MM-dd"));
    plot->setAxisScaleDraw(QwtPlot::xBottom, timeScale);
    plot->setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));

    auto *grid = new QwtPlotGrid;
    grid->setMajorPen(QColor(220, 220, 220), 0.0, Qt::DotLine);
    grid->attach(plot);

    auto *legend = new QwtLegend;
    legend->setDefaultItemMode(QwtLegendData::Checkable);
    plot->insertLegend(legend, QwtPlot::TopLegend);

    const QString titles[SampleStore::QuantityCount] = {tr("Temperature"), tr("Humidity"),
                                                        tr("Dew point")};
    for (int q = 0; q < SampleStore::QuantityCount; ++q) {
        auto *curve = new QwtPlotCurve(titles[q]);
        curves[size_t(q)] = curve;
        curve->setYAxis(q == SampleStore::Humidity ? QwtPlot::yRight : QwtPlot::yLeft);
        series[size_t(q)] = new TrendSeries(session.samples(), SampleStore::Quantity(q));
        curve->setData(series[size_t(q)]); // the curve owns it
        curve->attach(plot);
        if (auto *label =
                qobject_cast<QwtLegendLabel *>(legend->legendWidget(plot->itemToInfo(curve))))
            label->setChecked(true);
    }
    connect(legend, &QwtLegend::checked, this, [plot](const QVariant &item, bool on) {
        plot->infoToItem(item)->setVisible(on);
        plot->replot();
    });

    // A zoomer per vertical axis; the second draws nothing of its own. Left drag zooms, a right
    // click goes back a step and Ctrl + right click back to the start.
    for (size_t i = 0; i < zoomers.size(); ++i) {
        auto *zoomer = new QwtPlotZoomer(QwtPlot::xBottom, i ? QwtPlot::yRight : QwtPlot::yLeft,
                                         plot->canvas(), false);
        zoomer->setMousePattern(QwtEventPattern::MouseSelect2, Qt::RightButton,
                                Qt::ControlModifier);
        zoomer->setMousePattern(QwtEventPattern::MouseSelect3, Qt::RightButton);
        zoomer->setTrackerMode(QwtPicker::AlwaysOff);
        if (i)
            zoomer->setRubberBand(QwtPicker::NoRubberBand);
        connect(zoomer, &QwtPlotZoomer::zoomed, this, [this] { viewChanged(); });
        zoomers[i] = zoomer;
    }
    auto *panner = new QwtPlotPanner(plot->canvas());
    panner->setMouseButton(Qt::LeftButton, Qt::ShiftModifier);
    connect(panner, &QwtPlotPanner::panned, this, [this] {
        following = false;
        refresh();
    });
}

void TrendWindow::readingAdded(const TrendReading &reading)
{
    if (reading.status)
        ui->labelStatus->setText(tr("Status: %1").arg(Csv::status(*reading.status)));
    if (recorder.isRecording()) {
        if (recorder.append(reading))
            showRecording();
        else
            recordingFailed();
    }
    refresh();
}

void TrendWindow::followSpan()
{
    following = true;
    ui->plot->setAxisAutoScale(QwtPlot::yLeft, true);
    ui->plot->setAxisAutoScale(QwtPlot::yRight, true);
    refresh();
}

void TrendWindow::viewChanged()
{
    // Both zoomers report each step; the view follows again once both are back at the start.
    if (zoomers[0]->zoomRectIndex() == 0 && zoomers[1]->zoomRectIndex() == 0)
        return followSpan();
    following = false;
    refresh();
}

void TrendWindow::refresh()
{
    QwtPlot *plot = ui->plot;
    qint64 from = 0;
    qint64 to = 0;
    if (following) {
        const SampleStore &store = session.samples();
        const int rows = store.rowCount();
        to = rows ? store.rowTime(rows - 1) : QDateTime::currentMSecsSinceEpoch();
        const int last = int(std::size(SpanMs)) - 1;
        const qint64 span = SpanMs[qBound(0, ui->comboBoxSpan->currentIndex(), last)];
        from = qMin(span ? to - span : (rows ? store.rowTime(0) : to), to - MinimumSpanMs);
        plot->setAxisScale(QwtPlot::xBottom, double(from), double(to));
    } else {
        plot->updateAxes();
        const QwtInterval shown = plot->axisInterval(QwtPlot::xBottom);
        from = qint64(std::ceil(shown.minValue()));
        to = qint64(std::floor(shown.maxValue()));
    }
    // The curves always point into the store as it is now, shown or not: an image saved from a
    // hidden window draws them too.
    const int columns = plot->canvas()->width();
    bool changed = false;
    for (int q = 0; q < SampleStore::QuantityCount; ++q) {
        changed = series[size_t(q)]->show(from, to, columns) || changed;
        // A reduced curve is a band of lines from each stretch's lowest to its highest point:
        // thin and sharp, it looks the same and costs a fraction of a wide smoothed line.
        const bool reduced = series[size_t(q)]->view().isReduced();
        curves[size_t(q)]->setPen(CurveColours[q], reduced ? 0.0 : CurveWidth);
        curves[size_t(q)]->setRenderHint(QwtPlotItem::RenderAntialiased, !reduced);
    }
    timeScale->storeChanged();
    // A hidden window draws nothing and catches up when it is shown.
    if (!isVisible()) {
        plotStale = true;
        return;
    }
    // Following a span many times wider than the plot, a new reading seldom moves anything by a
    // pixel: the plot is drawn again only when its curves changed or the view moved by a column.
    const qint64 column = qMax<qint64>(1, (to - from) / qMax(1, columns));
    if (plotStale || changed || qAbs(from - plottedFrom) >= column
        || qAbs(to - plottedTo) >= column) {
        plot->replot();
        plotStale = false;
        plottedFrom = from;
        plottedTo = to;
    }
    // Zooming starts from, and returns to, what the view showed last while following.
    if (following) {
        for (QwtPlotZoomer *zoomer : zoomers)
            zoomer->setZoomBase(false);
    }
    showStatistics();
}

void TrendWindow::showStatistics()
{
    const int decimals = session.decimals();
    for (int q = 0; q < SampleStore::QuantityCount; ++q) {
        const TrendStatistics s = series[size_t(q)]->view().statistics();
        const QString texts[] = {QString::number(s.count),
                                 statistic(s.last, decimals),
                                 statistic(s.minimum, decimals),
                                 statistic(s.maximum, decimals),
                                 statistic(s.mean, decimals + 1),
                                 statistic(s.standardDeviation, decimals + 2),
                                 statistic(s.driftPerMinute, decimals + 2)};
        for (int column = 0; column < int(std::size(texts)); ++column)
            ui->tableStatistics->item(q, column)->setText(texts[column]);
    }
}

bool TrendWindow::startRecording(const QString &fileName)
{
    const bool started = recorder.start(fileName);
    if (started)
        showRecording();
    else
        recordingFailed();
    return started;
}

void TrendWindow::stopRecording()
{
    recorder.stop();
    showRecording();
}

void TrendWindow::showRecording()
{
    const bool on = recorder.isRecording();
    ui->pushButtonRecord->setEnabled(!on);
    ui->pushButtonStopRecording->setEnabled(on);
    // One arg() for both: a second would replace a %2 in the file's name.
    ui->labelRecording->setText(on ? tr("Recording to %1, rows written: %2")
                                         .arg(QDir::toNativeSeparators(recorder.fileName()),
                                              QString::number(recorder.rowCount()))
                                   : tr("Not recording"));
}

void TrendWindow::recordingFailed()
{
    // The recording is over before the box opens, so readings taken while it is open add no
    // second box. The box waits until the reading that failed has been handled: its event loop
    // must not run inside the serial port's read handler, where it would hold back the answers
    // behind it.
    showRecording();
    const QString text =
        tr("Cannot write to %1: %2\nRecording has stopped; the rows written "
           "before are kept.")
            .arg(QDir::toNativeSeparators(recorder.fileName()), recorder.errorString());
    QMetaObject::invokeMethod(
        this, [this, text] { QMessageBox::warning(this, tr("Recording"), text); },
        Qt::QueuedConnection);
}

void TrendWindow::chooseRecordingFile()
{
    // A chosen file that exists is appended to, not replaced, so nothing asks to overwrite it.
    const QString fileName = QFileDialog::getSaveFileName(
        this, tr("Record readings"), QString(), tr("CSV files (*.csv);;All files (*)"), nullptr,
        QFileDialog::DontConfirmOverwrite);
    if (!fileName.isEmpty())
        startRecording(fileName);
}

bool TrendWindow::saveImage(const QString &fileName)
{
    // The bytes are of the format the name says, never PNG under another name.
    const QByteArray format = QFileInfo(fileName).suffix().toLower().toLatin1();
    const bool svg = format == "svg";
    QSaveFile file(fileName);
    QString error;
    if (!svg && !QImageWriter::supportedImageFormats().contains(format)) {
        error = tr("the name must end in .png or .svg");
    } else if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
    } else {
        QwtPlotRenderer renderer;
        bool written = true;
        if (svg) {
            QSvgGenerator generator;
            generator.setOutputDevice(&file);
            generator.setSize(ui->plot->size());
            generator.setViewBox(ui->plot->rect());
            generator.setTitle(windowTitle());
            renderer.renderTo(ui->plot, generator);
        } else {
            QImage image(ui->plot->size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            renderer.renderTo(ui->plot, image);
            written = image.save(&file, format.constData());
        }
        if (!written || !file.commit())
            error = file.errorString();
    }
    if (!error.isEmpty())
        QMessageBox::warning(
            this, tr("Save image"),
            tr("Cannot save the image to %1: %2").arg(QDir::toNativeSeparators(fileName), error));
    return error.isEmpty();
}

void TrendWindow::chooseImageFile()
{
    // The suffix of the chosen type is added to a bare name before anyone is asked about
    // replacing a file, so the question is always about the file that is written; native dialogs
    // ask about the bare name, so the dialog's own question is left out.
    QString filter;
    QString fileName = QFileDialog::getSaveFileName(this, tr("Save image"), QString(),
                                                    tr("PNG image (*.png);;SVG image (*.svg)"),
                                                    &filter, QFileDialog::DontConfirmOverwrite);
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName +=
            filter.contains(QLatin1String("*.svg")) ? QLatin1String(".svg") : QLatin1String(".png");
    if (QFileInfo::exists(fileName)
        && QMessageBox::question(
               this, tr("Save image"),
               tr("%1 already exists. Replace it?").arg(QDir::toNativeSeparators(fileName)))
            != QMessageBox::Yes)
        return;
    saveImage(fileName);
}

void TrendWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    refresh();
}

void TrendWindow::closeEvent(QCloseEvent *event)
{
    stopRecording();
    QWidget::closeEvent(event);
}

void Widget::showTrendWindow()
{
    // A child of the main window, so that it goes with it and never keeps the tool running.
    if (!trend)
        trend = new TrendWindow(*session, this);
    trend->show();
    trend->raise();
    trend->activateWindow();
}
