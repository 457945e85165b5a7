#include "display/csvrecorder.h"

#include "platform/platform.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <cmath>

namespace Csv {

QString isoTime(const QDateTime &time)
{
    // QDateTime's ISO format leaves the offset out for local time, and its format strings
    // follow the system locale's digits in Qt 5: the C locale and the offset are spelt out.
    const int offsetMinutes = time.offsetFromUtc() / 60;
    const int minutes = qAbs(offsetMinutes);
    return QLocale::c().toString(time, QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz"))
        + QLatin1Char(offsetMinutes < 0 ? '-' : '+')
        + QStringLiteral("%1:%2")
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString field(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString status(quint16 value)
{
    return QStringLiteral("0x")
        + QString::number(value, 16).rightJustified(4, QLatin1Char('0')).toUpper();
}

QByteArray header()
{
    return QStringLiteral("Time,Address,Serial number,Scale,Temperature (\u2103),Humidity (%),"
                          "Dew point (\u2103),Status\r\n")
        .toUtf8();
}

QString number(double value, int decimals)
{
    return std::isnan(value) ? QString() : QString::number(value, 'f', decimals);
}

QByteArray line(const QStringList &fields)
{
    return (fields.join(QLatin1Char(',')) + QLatin1String("\r\n")).toUtf8();
}

QByteArray row(const TrendReading &reading)
{
    QStringList fields {isoTime(reading.time), QString::number(reading.address),
                        field(reading.serialNumber), field(reading.scale)};
    for (const float value : reading.values)
        fields << number(double(value), reading.decimals);
    fields << (reading.status ? status(*reading.status) : QString());
    return line(fields);
}

Platform::Written appendWhole(QFileDevice &file, const QByteArray &bytes)
{
    const bool cuttable = !file.isSequential();
    const qint64 before = cuttable ? file.size() : 0;
    Platform::Written written = Platform::write(file, bytes);
    // Best effort: a file that cannot be cut back keeps the part row at its end.
    if (written.failed && written.bytes > 0 && cuttable && file.resize(before))
        written.bytes = 0;
    return written;
}

} // namespace Csv

bool CsvRecorder::start(const QString &fileName)
{
    stop();
    error.clear();
    rows = 0;
    file.setFileName(fileName);
    // Unbuffered: every write is handed to the operating system at once, and its failure is
    // seen at once.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    return file.size() > 0 || write(Csv::header());
}

bool CsvRecorder::append(const TrendReading &reading)
{
    if (!isRecording())
        return false;
    // An open file that was deleted, moved away or replaced by another of its name (as editors
    // and spreadsheets save) still takes every write, into no file the user can find.
    if (!Platform::isSameFile(file, file.fileName())) {
        error =
            QCoreApplication::translate("CsvRecorder", "The file was removed, moved or replaced");
        file.close();
        return false;
    }
    if (!write(Csv::row(reading)))
        return false;
    ++rows;
    return true;
}

void CsvRecorder::stop()
{
    file.close();
}

bool CsvRecorder::write(const QByteArray &bytes)
{
    const Platform::Written written = Csv::appendWhole(file, bytes);
    if (!written.failed)
        return true;
    error = written.error;
    file.close();
    return false;
}
