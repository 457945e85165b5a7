#include "ui/runtable.h"

#include "batch/report.h"
#include "check/certificate.h"
#include "check/runrecord.h"
#include "ui/runtexts.h"

#include <QTableWidget>

namespace {

constexpr int ReadingDecimals = 2; // as the transmitters' registers give them
constexpr int TargetDecimals = 1;

} // namespace

RunTable::RunTable(QTableWidget *table)
    : table(table)
{}

void RunTable::setProfile(const QVector<ProfilePoint> &points)
{
    aside.clear();
    table->setRowCount(0);
    table->setColumnCount(FirstPointColumn + points.size());
    for (int p = 0; p < points.size(); ++p) {
        const QString target =
            tr("Point %1\n%2 \u2103, %3 %RH")
                .arg(p + 1)
                .arg(Certificate::number(points.at(p).temperature, TargetDecimals),
                     Certificate::number(points.at(p).humidity, TargetDecimals));
        table->setHorizontalHeaderItem(FirstPointColumn + p, new QTableWidgetItem(target));
    }
}

void RunTable::setRun(const RunRecord &run)
{
    aside.fill(false, run.checks.size());
    table->setRowCount(run.checks.size());
    for (int row = 0; row < run.checks.size(); ++row) {
        const Transmitter &transmitter = run.checks.at(row).transmitter;
        setText(row, Serial, transmitter.serialNumber);
        setText(row, Address, QString::number(transmitter.address));
        showPoints(run, row);
    }
}

void RunTable::showSweep(const RunLogic::Sweep &sweep)
{
    const ReferenceReading reference = sweep.reference.value_or(ReferenceReading());
    for (const auto &[row, values] : sweep.transmitters) {
        const double temperature =
            values ? double((*values)[SampleStore::Temperature]) : ReferenceReading::None;
        const double humidity =
            values ? double((*values)[SampleStore::Humidity]) : ReferenceReading::None;
        setText(row, Temperature, Certificate::number(temperature, ReadingDecimals));
        setText(row, Humidity, Certificate::number(humidity, ReadingDecimals));
        setText(row, TemperatureError,
                Certificate::number(temperature - reference.temperature, ReadingDecimals));
        setText(row, HumidityError,
                Certificate::number(humidity - reference.humidity, ReadingDecimals));
    }
}

void RunTable::showPoints(const RunRecord &run, int transmitter)
{
    const Check &check = run.checks.at(transmitter);
    for (int column = FirstPointColumn; column < table->columnCount(); ++column) {
        const CheckPoint *point = BatchReport::pointOf(check, column - FirstPointColumn);
        setText(transmitter, column, BatchReport::cellText(point));
        const QColor colour = BatchReport::cellColour(point);
        table->item(transmitter, column)
            ->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
    }
}

void RunTable::setAside(int transmitter, bool aside)
{
    this->aside[transmitter] = aside;
}

void RunTable::showGates(const BatchRun &batch, const BatchRun::Progress &progress)
{
    const RunRecord &run = batch.record();
    for (int t = 0; t < aside.size(); ++t) {
        QString gate;
        if (aside.at(t))
            gate = tr("set aside");
        else if (BatchReport::pointOf(run.checks.at(t), progress.point))
            gate = tr("point done");
        else if (progress.phase == BatchRun::Phase::Taking)
            gate = RunTexts::gate(batch.gate(t));
        else if (progress.phase == BatchRun::Phase::Reaching
                 || progress.phase == BatchRun::Phase::Soaking)
            gate = tr("waiting for the band and the soak");
        setText(t, Gate, gate);
    }
}

void RunTable::setText(int row, int column, const QString &text)
{
    if (QTableWidgetItem *item = table->item(row, column))
        return item->setText(text);
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(column == Serial ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
    table->setItem(row, column, item);
}
