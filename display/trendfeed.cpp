// Hands every accepted reading to the trend window, turned from the decoded answer into the
// protocol-free form the window and its recording take, and opens that window for the Trend
// button.
#include "app/widget.h"

#include "app/appstate.h"
#include "protocol/readings.h"
#include "protocol/replydecoder.h"
#include "ui/trendwindow.h"

#include <limits>
#include <optional>

namespace {

template<typename Raw>
float measured(const std::optional<Raw> &raw, Readings::Scale scale)
{
    return raw ? Readings::value(*raw, scale) : std::numeric_limits<float>::quiet_NaN();
}

} // namespace

TrendWindow *Widget::trendWindow()
{
    // A child of the main window, so that it goes with it and never keeps the tool running.
    if (!trend)
        trend = new TrendWindow(this);
    return trend;
}

void Widget::showTrendWindow()
{
    TrendWindow *window = trendWindow();
    window->show();
    window->raise();
    window->activateWindow();
}

void Widget::addTrendReading(const ReplyDecoder::Reply &reply)
{
    TrendReading reading;
    reading.time = QDateTime::currentDateTime();
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
    trendWindow()->addReading(reading);
}
