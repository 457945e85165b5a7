#include "protocol/addresslist.h"

#include "protocol/registers.h"

#include <QStringList>

namespace {

constexpr int ShortestRange = 3; // 1,2 is as short as 1-2

std::optional<int> addressOf(const QString &text)
{
    bool ok = false;
    const int address = text.trimmed().toInt(&ok, 10);
    if (!ok || address < Registers::FirstDeviceAddress || address > Registers::LastDeviceAddress)
        return std::nullopt;
    return address;
}

} // namespace

namespace AddressList {

std::optional<QList<int>> parse(const QString &text)
{
    QList<int> addresses;
    for (const QString &item : text.split(QLatin1Char(','))) {
        const QStringList ends = item.split(QLatin1Char('-'));
        const std::optional<int> first = addressOf(ends.first());
        const std::optional<int> last = addressOf(ends.last());
        if (ends.size() > 2 || !first || !last || *last < *first)
            return std::nullopt;
        for (int address = *first; address <= *last; ++address) {
            if (!addresses.contains(address))
                addresses.append(address);
        }
    }
    return addresses;
}

QString format(const QList<int> &addresses)
{
    QStringList items;
    for (int i = 0; i < addresses.size();) {
        int end = i + 1;
        while (end < addresses.size() && addresses.at(end) == addresses.at(end - 1) + 1)
            ++end;
        if (end - i >= ShortestRange) {
            items << QStringLiteral("%1-%2").arg(addresses.at(i)).arg(addresses.at(end - 1));
        } else {
            for (int k = i; k < end; ++k)
                items << QString::number(addresses.at(k));
        }
        i = end;
    }
    return items.join(QLatin1Char(','));
}

} // namespace AddressList
