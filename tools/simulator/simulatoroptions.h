#ifndef SIMULATOROPTIONS_H
#define SIMULATOROPTIONS_H

#include <QList>
#include <QString>

#include <optional>

// The simulator program's option values that are more than one number. Each is empty, with
// *why saying what is wrong with the text, when the text is not such a value.
namespace SimulatorOptions {

// Whole numbers from low to high, separated by commas, each a number or a range going up such
// as 1-16.
std::optional<QList<int>> numbers(const QString &text, int low, int high, QString *why);

struct Bias
{
    int address;
    double temperature;
    double humidity;
};
// ADDRESS:T:H, an address from 1 to 247 and the degrees and %RH its readings are off by.
std::optional<Bias> bias(const QString &text, QString *why);

} // namespace SimulatorOptions

#endif // SIMULATOROPTIONS_H
