// read: readings as the window polls them, in the window's recording format or with their analog
// outputs.
#include "cli/commands.h"
#include "cli/output.h"
#include "cli/session.h"
#include "display/csvrecorder.h"
#include "display/trendfeed.h"
#include "master/schedule.h"
#include "protocol/commandinputs.h"
#include "protocol/frame.h"
#include "protocol/readings.h"

#include <limits>

namespace Cli {

namespace {

constexpr int AnalogDecimals = 3;
constexpr float TenthsPerDegree = 10.0f;

// The recording's quantities, in its order.
const QStringList QuantityKeys {"temperature", "humidity", "dew_point"};
const QStringList QuantityTitles {"Temperature (\u2103)", "Humidity (%)", "Dew point (\u2103)"};

// The widest text an output can have, the 4-20 mA output's: the most negative reading in tenths
// over the narrowest range (a tenth of a degree) at the top of what the range registers hold.
// The readings themselves, like address, serial number and status, are never wider than their
// titles.
int widestOutput()
{
    const float top = std::numeric_limits<qint16>::max() / TenthsPerDegree;
    const float lowest = std::numeric_limits<qint16>::min() / TenthsPerDegree;
    const Readings::AnalogOutputs outputs =
        Readings::analogOutputs(top - 1 / TenthsPerDegree, top, lowest);
    return number(double(outputs.current), AnalogDecimals).text.size();
}

QVector<Column> readingColumns()
{
    const int timeWidth = Csv::isoTime(QDateTime::fromMSecsSinceEpoch(0)).size();
    QVector<Column> columns {{QStringLiteral("time"), QStringLiteral("Time"), timeWidth},
                             {QStringLiteral("address"), QStringLiteral("Address")},
                             {QStringLiteral("serial_number"), QStringLiteral("Serial number")},
                             {QStringLiteral("scale"), QStringLiteral("Scale")}};
    for (int i = 0; i < QuantityKeys.size(); ++i) {
        const QString &key = QuantityKeys.at(i);
        columns << Column {key, QuantityTitles.at(i)}
                << Column {key + QStringLiteral("_mA"), QStringLiteral("mA"), widestOutput()}
                << Column {key + QStringLiteral("_0_5V"), QStringLiteral("0-5 V"), widestOutput()}
                << Column {key + QStringLiteral("_0_10V"), QStringLiteral("0-10 V"),
                           widestOutput()};
    }
    columns << Column {QStringLiteral("status"), QStringLiteral("Status")};
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

Outcome read(Session &session, const Options &options)
{
    const bool recording = options.format == Format::Csv;
    Output out(options.format, readingColumns(), Output::Flow::Stream);
    if (const Outcome opened = out.open(options.output); !opened.ok())
        return opened;
    Identity identity;
    if (const Outcome connected = session.connect(&identity); !connected.ok())
        return connected;
    const CommandInputs::PollRequest poll =
        CommandInputs::pollRequest(options.scale, options.quantity);
    const QByteArray request =
        Modbus::readRequest(identity.address, poll.firstRegister, poll.count);
    const float rangeMin = identity.rangeMin / TenthsPerDegree;
    const float rangeMax = identity.rangeMax / TenthsPerDegree;

    bool written = recording ? out.header(Csv::header()) : out.header();
    Schedule schedule(session.elapsedMs(), options.intervalMs);
    // A failed write ends the run: out says how.
    for (int n = 0; written && (options.count == 0 || n < options.count);
         ++n, schedule.advance(session.elapsedMs())) {
        Master::Answer answer;
        if (const Outcome outcome = session.reading(schedule.due(), request, &answer);
            !outcome.ok())
            return out.close(outcome);
        if (answer.result != Master::Result::Answered)
            continue;
        const TrendReading reading =
            TrendFeed::fromReply(answer.reply, identity.address, identity.serialNumber);
        written = recording ? out.write(Csv::row(reading))
                            : out.record(readingRecord(reading, rangeMin, rangeMax));
    }
    return out.close({});
}

} // namespace Cli
