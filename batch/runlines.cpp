#include "batch/runlines.h"

#include "master/transport.h"

#include <algorithm>

RunLines::RunLines(int timeoutMs)
    : timeoutMs(timeoutMs)
{}

RunLines::~RunLines() = default;

Master *RunLines::open(const QString &port, int bitsPerSecond, QString *error)
{
    const auto found = std::find_if(lines.cbegin(), lines.cend(), [&port](const auto &line) {
        return Transport::samePort(line.first, port);
    });
    if (found != lines.cend())
        return found->second.get();
    auto master = std::make_unique<Master>();
    master->setTimeout(timeoutMs);
    master->setRetries(0);
    if (!master->open(port, bitsPerSecond)) {
        *error = QStringLiteral("cannot open %1: %2").arg(port, master->errorString());
        return nullptr;
    }
    lines.emplace_back(port, std::move(master));
    return lines.back().second.get();
}

QString RunLines::whyLost(const Master *master) const
{
    const auto found = std::find_if(lines.cbegin(), lines.cend(), [master](const auto &line) {
        return line.second.get() == master;
    });
    return QStringLiteral("the line %1 is gone: %2").arg(found->first, master->errorString());
}

void RunLines::cancel()
{
    for (const auto &line : lines)
        line.second->cancel();
}
