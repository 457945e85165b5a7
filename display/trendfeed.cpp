#include "display/trendfeed.h"

#include "protocol/readings.h"
#include "protocol/replydecoder.h"

#include <QDeadlineTimer>

#include <limits>
#include <optional>

namespace {

template<typename Raw>
float measured(const std::optional<Raw> &raw, Readings::Scale scale)
{
    return raw ? Readings::value(*raw, scale) : std::numeric_limits<float>::quiet_NaN();
}

} // namespace

namespace TrendFeed {

TrendReading fromReply(const ReplyDecoder::Reply &reply, quint16 address,
                       const QString &serialNumber)
{
    TrendReading reading;
    reading.time = QDateTime::currentDateTime();
    reading.steadyMs = QDeadlineTimer::current().deadline();
    reading.address = address;
    reading.serialNumber = serialNumber;
    // The magnification selector's own texts.
    reading.scale =
        reply.scale == Readings::Scale::Tenths ? QStringLiteral("*10") : QStringLiteral("*100");
    reading.decimals = Readings::decimals(reply.scale);
    reading.values = {measured(reply.temperatureRaw, reply.scale),
                      measured(reply.humidityRaw, reply.scale),
                      measured(reply.dewPointRaw, reply.scale)};
    reading.status = reply.statusRaw;
    return reading;
}

} // namespace TrendFeed
