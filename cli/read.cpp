// read: readings as the window polls them, in the window's recording format or with their analog
// outputs.
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "display/csvrecorder.h"
#include "display/trendfeed.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/readings.h"

namespace Cli {

namespace {

constexpr int AnalogDecimals = 3;
constexpr int ValueWidth = 7;
constexpr float TenthsPerDegree = 10.0f;

// The recording's quantities, in its order.
const QStringList QuantityKeys {"temperature", "humidity", "dew_point"};
const QStringList QuantityTitles {"Temperature (\u2103)", "Humidity (%)", "Dew point (\u2103)"};

QVector<Column> readingColumns()
{
    QVector<Column> columns {{QStringLiteral("time"), QStringLiteral("Time"), 0},
                             {QStringLiteral("address"), QStringLiteral("Address"), 0},
                             {QStringLiteral("serial_number"), QStringLiteral("Serial number"), 0},
                             {QStringLiteral("scale"), QStringLiteral("Scale"), 0}};
    for (int i = 0; i < QuantityKeys.size(); ++i) {
        const QString &key = QuantityKeys.at(i);
        columns << Column {key, QuantityTitles.at(i), ValueWidth}
                << Column {key + QStringLiteral("_mA"), QStringLiteral("mA"), ValueWidth}
                << Column {key + QStringLiteral("_0_5V"), QStringLiteral("0-5 V"), ValueWidth}
                << Column {key + QStringLiteral("_0_10V"), QStringLiteral("0-10 V"), ValueWidth};
    }
    columns << Column {QStringLiteral("status"), QStringLiteral("Status"), 0};
    return columns;
}

// Temperature and dew point give their outputs over the transmitter's range, humidity over
// 0-100 %, as the window shows them.
QVector<Field> readingRecord(const TrendReading &reading, float rangeMin, float rangeMax)
{
    QVector<Field> fields {text(Csv::isoTime(reading.time)), integer(reading.address),
                           text(reading.serialNumber), text(reading.scale)};
    for (int i = 0; i < QuantityKeys.size(); ++i) {
        const bool humidity = i == 1;
        const float value = reading.values.at(std::size_t(i));
        const Readings::AnalogOutputs outputs =
            Readings::analogOutputs(humidity ? Readings::HumidityMin : rangeMin,
                                    humidity ? Readings::HumidityMax : rangeMax, value);
        fields << number(double(value), reading.decimals)
               << number(double(outputs.current), AnalogDecimals)
               << number(double(outputs.lowVoltage), AnalogDecimals)
               << number(double(outputs.highVoltage), AnalogDecimals);
    }
    fields << (reading.status ? Field {Csv::status(*reading.status), double(*reading.status)}
                              : Field {QString(), QJsonValue::Null});
    return fields;
}

} // namespace

int read(Session &session, const Options &options)
{
    const bool recording = options.format == Format::Csv;
    Output out(options.format, readingColumns());
    if (!out.open(options.output)) {
        return Session::fail(
            Exit::Failed,
            QStringLiteral("cannot open %1: %2").arg(options.output, out.errorString()));
    }
    Identity identity;
    if (const int status = session.connect(&identity))
        return status;
    const CommandInputs::PollRequest poll =
        CommandInputs::pollRequest(options.scale, options.quantity);
    const QByteArray request =
        Modbus::readRequest(identity.address, poll.firstRegister, poll.count);
    const float rangeMin = identity.rangeMin / TenthsPerDegree;
    const float rangeMax = identity.rangeMax / TenthsPerDegree;

    bool written = recording ? out.header(Csv::header()) : out.header();
    qint64 dueMs = session.elapsedMs();
    for (int n = 0; written && (options.count == 0 || n < options.count); ++n) {
        // Readings keep their interval from the first; one that comes late moves the rest.
        if (n > 0) {
            dueMs = qMax(dueMs + options.intervalMs, session.elapsedMs());
            session.waitUntil(dueMs);
        }
        Master::Answer answer;
        if (const int status = session.ask(request, &answer))
            return status;
        const TrendReading reading =
            TrendFeed::fromReply(answer.reply, identity.address, identity.serialNumber);
        written = recording ? out.write(Csv::row(reading))
                            : out.record(readingRecord(reading, rangeMin, rangeMax));
    }
    // A reader that has gone (a closed pipe) ends the run as well as the count does.
    if (!written && !out.readerGone()) {
        return Session::fail(
            Exit::Failed,
            QStringLiteral("cannot write %1: %2").arg(options.output, out.errorString()));
    }
    return Exit::Done;
}

} // namespace Cli
