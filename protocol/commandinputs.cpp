#include "protocol/commandinputs.h"

#include "protocol/registers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace CommandInputs {

namespace {

constexpr int FirstSingleReading = 1; // quantity index of the temperature alone
constexpr int HexDigitsPerByte = 2;

} // namespace

bool isDeviceAddress(int address)
{
    return address >= Registers::FirstDeviceAddress && address <= Registers::LastDeviceAddress;
}

quint16 requestAddress(const QString &text)
{
    const quint16 address = quint16(text.toInt(nullptr, 10));
    return isDeviceAddress(address) ? address : 0;
}

bool rangeLimitInTenths(const QString &text, qint16 *tenths)
{
    bool ok = false;
    const float degrees = text.toFloat(&ok);
    if (!ok)
        return false;
    const float truncated = std::trunc(degrees * 10.0f);
    // Written so that a NaN fails too.
    if (!(truncated >= float(std::numeric_limits<qint16>::min())
          && truncated <= float(std::numeric_limits<qint16>::max())))
        return false;
    *tenths = qint16(truncated);
    return true;
}

bool isHexadecimal(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        const char latin = c.toLatin1();
        return c.unicode() < 0x80
            && ((latin >= '0' && latin <= '9') || (latin >= 'a' && latin <= 'f')
                || (latin >= 'A' && latin <= 'F'));
    });
}

QVector<quint16> serialNumberWords(const QString &serialNumber)
{
    const auto byteAt = [&serialNumber](int piece) {
        return quint8(
            serialNumber.mid(HexDigitsPerByte * piece, HexDigitsPerByte).toInt(nullptr, 16));
    };
    QVector<quint16> words;
    for (int i = 0; i < Registers::SerialNumberCount; ++i)
        words.append(quint16((byteAt(2 * i) << 8) | byteAt(2 * i + 1)));
    return words;
}

PollRequest pollRequest(Readings::Scale scale, int quantityIndex)
{
    const quint16 first = scale == Readings::Scale::Tenths ? Registers::MeasurementsTenths
                                                           : Registers::MeasurementsHundredths;
    const int single = quantityIndex - FirstSingleReading;
    if (single >= 0 && single < Registers::MeasurementCount)
        return {quint16(first + single), 1};
    return {first, Registers::MeasurementCount};
}

} // namespace CommandInputs
