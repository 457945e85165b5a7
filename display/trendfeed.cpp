// Hands every accepted reading to the session's trend, turned from the decoded answer into the
// protocol-free form that the trend window, its recording and the calibration check take.
#include "app/widget.h"

#include "app/appstate.h"
#include "display/trendsession.h"
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

void Widget::addTrendReading(const ReplyDecoder::Reply &reply)
{
    TrendReading reading;
    reading.time = QDateTime::currentDateTime();
    reading.steadyMs = QDeadlineTimer::current().deadline();
    reading.address = AppState.deviceAddress;
    reading.serialNumber = AppState.serialNumber;
    // The magnification selector's own texts.
    reading.scale =
        reply.scale == Readings::Scale::Tenths ? QStringLiteral("*10") : QStringLiteral("*100");
    reading.decimals = Readings::decimals(reply.scale);
    reading.values = {measured(reply.temperatureRaw, reply.scale),
                      measured(reply.humidityRaw, reply.scale),
                      measured(reply.dewPointRaw, reply.scale)};
    reading.status = reply.statusRaw;
    session->add(reading);
}
