#ifndef ADDRESSLIST_H
#define ADDRESSLIST_H

#include <QList>
#include <QString>

#include <optional>

// The transmitters' addresses on a line as a technician types them: addresses and ranges of them
// separated by commas, 1-8 or 1,3,17, each from 1 to 247 (0 would reach every transmitter at
// once, which answers as none of them).
namespace AddressList {

// In the order written, each once; empty for text that is no such list.
std::optional<QList<int>> parse(const QString &text);
// The shortest text parse() reads as addresses (ascending): runs of three or more as ranges.
QString format(const QList<int> &addresses);

} // namespace AddressList

#endif // ADDRESSLIST_H
