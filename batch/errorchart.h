#ifndef ERRORCHART_H
#define ERRORCHART_H

#include <QColor>
#include <QString>
#include <QVector>

class QPainter;
class QRectF;

// One quantity of a batch as a chart: each transmitter's error against the reference value at
// every point taken, with its expanded uncertainty U as an error bar, inside the tolerance band.
// Drawn with QPainter alone (Qt Gui, no widgets), so that the report's PDF and the Batch window
// show the same picture.
struct ErrorChartPoint
{
    double reference = 0;
    double error = 0;
    double expanded = 0; // U, drawn as error +- U
};

struct ErrorChartSeries
{
    QString name; // the transmitter's serial number
    QVector<ErrorChartPoint> points;
};

struct ErrorChartData
{
    QString title; // "Temperature", as the report's language has it
    QString unit; // "℃", "%RH"
    QString referenceAxis; // the x axis' title
    QString errorAxis; // the y axis' title
    double tolerance = 0; // the band drawn at +- tolerance
    QVector<ErrorChartSeries> series;
};

namespace ErrorChart {

// The colour of the series at index, the same in the chart and wherever its transmitter is named.
QColor seriesColour(int index);

// Paints the chart into area: axes with ticks at round steps, the tolerance band, each series'
// points with their error bars and a legend. Empty series leave the axes and the band.
void paint(QPainter &painter, const QRectF &area, const ErrorChartData &data);

} // namespace ErrorChart

#endif // ERRORCHART_H
