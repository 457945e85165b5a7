#include "batch/runlog.h"

#include "check/verdict.h"
#include "display/csvrecorder.h"

#include <QStringList>

namespace {

// As each instrument's readings are shown: the transmitters' registers hold hundredths, the
// reference's point is taken to thousandths.
constexpr int TransmitterDecimals = 2;
constexpr int ReferenceDecimals = Verdicts::Decimals;

QByteArray row(const QDateTime &time, int point, const char *device, int address,
               const QString &serialNumber, const std::array<double, 3> &values, int decimals)
{
    QStringList fields {Csv::isoTime(time), QString::number(point + 1), QLatin1String(device),
                        QString::number(address), Csv::field(serialNumber)};
    for (const double value : values)
        fields << Csv::number(value, decimals);
    return Csv::line(fields);
}

} // namespace

bool RunLog::open(const QString &fileName)
{
    file.setFileName(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    return file.size() > 0
        || write("Time,Point,Device,Address,Serial number,Temperature (\u2103),Humidity (%),"
                 "Dew point (\u2103)\r\n");
}

bool RunLog::append(const QDateTime &time, int point, const RunLogic::Sweep &sweep,
                    const RunRecord &run)
{
    QByteArray rows;
    if (const std::optional<ReferenceReading> &r = sweep.reference) {
        rows += row(time, point, "reference", run.settings.referenceMap.line.address, QString(),
                    {r->temperature, r->humidity, r->dewPoint}, ReferenceDecimals);
    }
    for (const auto &[t, values] : sweep.transmitters) {
        const Transmitter &transmitter = run.checks.at(t).transmitter;
        if (values) {
            rows += row(time, point, "transmitter", transmitter.address, transmitter.serialNumber,
                        {double((*values)[0]), double((*values)[1]), double((*values)[2])},
                        TransmitterDecimals);
        }
    }
    return write(rows);
}

bool RunLog::write(const QByteArray &bytes)
{
    const Platform::Written written = Csv::appendWhole(file, bytes);
    if (written.failed)
        error = written.error;
    return !written.failed;
}
