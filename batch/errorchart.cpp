#include "batch/errorchart.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int WantedTicks = 6;
// Room around the data, as a share of its span, so that no point sits on the frame.
constexpr double Padding = 0.08;
// The error axis shows at least this much beyond the tolerance band.
constexpr double BandRoom = 1.5;
// Points of several transmitters at one reference value are spread this far apart, in pixels
// of a 96 dpi screen, so that their error bars stay apart.
constexpr double DodgePixels = 5;
constexpr double MarkerPixels = 3.5;

const QColor Palette[] = {QColor(31, 119, 180),  QColor(255, 127, 14),  QColor(44, 160, 44),
                          QColor(214, 39, 40),   QColor(148, 103, 189), QColor(140, 86, 75),
                          QColor(227, 119, 194), QColor(127, 127, 127), QColor(188, 189, 34),
                          QColor(23, 190, 207)};

struct Range
{
    double low;
    double high;
    double span() const { return high - low; }
};

// A step of 1, 2 or 5 times a power of ten that cuts span into about WantedTicks parts.
double tickStep(double span)
{
    const double raw = span / WantedTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * magnitude)
            return factor * magnitude;
    }
    return 10 * magnitude;
}

int decimalsOf(double step)
{
    return std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
}

Range referenceRange(const ErrorChartData &data)
{
    double low = INFINITY;
    double high = -INFINITY;
    for (const ErrorChartSeries &series : data.series) {
        for (const ErrorChartPoint &point : series.points) {
            low = std::min(low, point.reference);
            high = std::max(high, point.reference);
        }
    }
    if (!std::isfinite(low))
        return {0, 1};
    const double pad = high > low ? (high - low) * Padding : 1;
    return {low - pad, high + pad};
}

Range errorRange(const ErrorChartData &data)
{
    double reach = data.tolerance * BandRoom;
    for (const ErrorChartSeries &series : data.series) {
        for (const ErrorChartPoint &point : series.points)
            reach = std::max(reach, (std::abs(point.error) + point.expanded) * (1 + Padding));
    }
    if (!(reach > 0))
        reach = 1;
    return {-reach, reach};
}

// Maps values to the plot's pixels: x grows to the right, y upwards.
struct Frame
{
    QRectF plot;
    Range x;
    Range y;
    double toX(double value) const
    {
        return plot.left() + (value - x.low) / x.span() * plot.width();
    }
    double toY(double value) const
    {
        return plot.bottom() - (value - y.low) / y.span() * plot.height();
    }
};

void drawTicks(QPainter &painter, const Frame &frame, const QFontMetricsF &metrics)
{
    const double tick = metrics.height() / 3;
    const double xStep = tickStep(frame.x.span());
    for (double v = std::ceil(frame.x.low / xStep) * xStep; v <= frame.x.high; v += xStep) {
        const double at = frame.toX(v);
        painter.drawLine(QPointF(at, frame.plot.bottom()), QPointF(at, frame.plot.bottom() + tick));
        const QString label = QString::number(v, 'f', decimalsOf(xStep));
        painter.drawText(QPointF(at - metrics.horizontalAdvance(label) / 2,
                                 frame.plot.bottom() + tick + metrics.ascent()),
                         label);
    }
    const double yStep = tickStep(frame.y.span());
    for (double v = std::ceil(frame.y.low / yStep) * yStep; v <= frame.y.high; v += yStep) {
        const double at = frame.toY(v);
        painter.drawLine(QPointF(frame.plot.left() - tick, at), QPointF(frame.plot.left(), at));
        // -0 would read as a sign of its own.
        const QString label =
            QString::number(std::abs(v) < yStep / 2 ? 0 : v, 'f', decimalsOf(yStep));
        painter.drawText(QPointF(frame.plot.left() - tick - metrics.horizontalAdvance(label) - 2,
                                 at + metrics.ascent() / 2 - 1),
                         label);
    }
}

void drawBand(QPainter &painter, const Frame &frame, double tolerance, double pixel)
{
    const QRectF band(QPointF(frame.plot.left(), frame.toY(tolerance)),
                      QPointF(frame.plot.right(), frame.toY(-tolerance)));
    painter.fillRect(band.intersected(frame.plot), QColor(44, 160, 44, 40));
    painter.setPen(QPen(QColor(44, 140, 44), pixel, Qt::DashLine));
    for (const double edge : {tolerance, -tolerance}) {
        if (edge > frame.y.low && edge < frame.y.high)
            painter.drawLine(QPointF(frame.plot.left(), frame.toY(edge)),
                             QPointF(frame.plot.right(), frame.toY(edge)));
    }
    painter.setPen(QPen(Qt::darkGray, pixel));
    painter.drawLine(QPointF(frame.plot.left(), frame.toY(0)),
                     QPointF(frame.plot.right(), frame.toY(0)));
}

void drawSeries(QPainter &painter, const Frame &frame, const ErrorChartData &data, double pixel)
{
    const int count = int(data.series.size());
    for (int i = 0; i < count; ++i) {
        const QColor colour = ErrorChart::seriesColour(i);
        painter.setPen(QPen(colour, pixel * 1.5));
        painter.setBrush(colour);
        const double dodge = (i - (count - 1) / 2.0) * DodgePixels * pixel;
        for (const ErrorChartPoint &point : data.series.at(i).points) {
            const double x = frame.toX(point.reference) + dodge;
            const double top = frame.toY(std::min(point.error + point.expanded, frame.y.high));
            const double bottom = frame.toY(std::max(point.error - point.expanded, frame.y.low));
            const double cap = 2 * pixel;
            painter.drawLine(QPointF(x, top), QPointF(x, bottom));
            painter.drawLine(QPointF(x - cap, top), QPointF(x + cap, top));
            painter.drawLine(QPointF(x - cap, bottom), QPointF(x + cap, bottom));
            painter.drawEllipse(QPointF(x, frame.toY(point.error)), MarkerPixels * pixel,
                                MarkerPixels * pixel);
        }
    }
    painter.setBrush(Qt::NoBrush);
}

// The legend in a column at the right, as many rows as fit.
void drawLegend(QPainter &painter, const QRectF &area, const ErrorChartData &data,
                const QFontMetricsF &metrics)
{
    const double row = metrics.height() * 1.2;
    for (int i = 0; i < data.series.size(); ++i) {
        const double y = area.top() + i * row;
        if (y + row > area.bottom())
            break;
        painter.fillRect(QRectF(area.left(), y + row / 4, row / 2, row / 2),
                         ErrorChart::seriesColour(i));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(area.left() + row * 0.8, y + metrics.ascent()),
                         data.series.at(i).name);
    }
}

} // namespace

namespace ErrorChart {

QColor seriesColour(int index)
{
    return Palette[index % int(std::size(Palette))];
}

void paint(QPainter &painter, const QRectF &area, const ErrorChartData &data)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetricsF metrics(painter.font(), painter.device());
    // Lines keep their weight on a printer's fine grid as on a screen.
    const double pixel = std::max(1.0, painter.device()->logicalDpiY() / 96.0);
    double legendWidth = 0;
    for (const ErrorChartSeries &series : data.series)
        legendWidth = std::max(legendWidth, metrics.horizontalAdvance(series.name));
    legendWidth += metrics.height() * 2;
    const double line = metrics.height();
    const QRectF plot = area.adjusted(line * 4.5, line * 1.6, -legendWidth, -line * 2.8);
    const Frame frame {plot, referenceRange(data), errorRange(data)};

    painter.setPen(Qt::black);
    painter.drawText(QRectF(area.left(), area.top(), area.width(), line * 1.4),
                     Qt::AlignHCenter | Qt::AlignTop, data.title);
    drawBand(painter, frame, data.tolerance, pixel);
    painter.setPen(QPen(Qt::black, pixel));
    painter.drawRect(plot);
    drawTicks(painter, frame, metrics);
    painter.drawText(QRectF(plot.left(), area.bottom() - line * 1.2, plot.width(), line * 1.2),
                     Qt::AlignHCenter | Qt::AlignBottom, data.referenceAxis);
    painter.save();
    painter.translate(area.left() + line * 0.2, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2, 0, plot.height(), line * 1.2), Qt::AlignCenter,
                     data.errorAxis);
    painter.restore();
    painter.setClipRect(plot);
    drawSeries(painter, frame, data, pixel);
    painter.setClipping(false);
    drawLegend(painter, QRectF(plot.right() + line, plot.top(), legendWidth - line, plot.height()),
               data, metrics);
    painter.restore();
}

} // namespace ErrorChart
