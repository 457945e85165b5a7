#ifndef COMMANDINPUTS_H
#define COMMANDINPUTS_H

#include "protocol/readings.h"

#include <QString>
#include <QVector>

// What the texts and selections of the form mean to the device: the rules by which a command
// turns them into register values, kept apart from the window so they can be checked as tables.
namespace CommandInputs {

bool isDeviceAddress(int address);
// The address a request goes to: the typed number's low 16 bits when they are a device address,
// else 0, which every transmitter answers.
quint16 requestAddress(const QString &text);

// A limit of the temperature range as the device stores it: tenths of a degree in a signed
// register, the product formed in single precision and truncated toward zero (100.1 gives 1001,
// -0.05 gives 0). False for a text that is no number or whose tenths the register cannot hold.
bool rangeLimitInTenths(const QString &text, qint16 *tenths);

bool isHexadecimal(const QString &text);
// Each two-character piece is read as hexadecimal (a piece that is not gives 0), so a serial
// number of decimal digits travels as packed BCD.
QVector<quint16> serialNumberWords(const QString &serialNumber);

// The poll for a quantity of the Read selector: 0 all four measurement registers, 1 to 4 one of
// temperature, humidity, dew point and status; any other index reads all four.
struct PollRequest
{
    quint16 firstRegister;
    quint16 count;
};
PollRequest pollRequest(Readings::Scale scale, int quantityIndex);

} // namespace CommandInputs

#endif // COMMANDINPUTS_H
