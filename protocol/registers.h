#ifndef REGISTERS_H
#define REGISTERS_H

#include <QtGlobal>

// The transmitter's register map as the tool uses it. Register numbers are 16-bit; values travel
// high byte first.
namespace Registers {

// Measurements: temperature, humidity, dew point and status, in hundredths from 0x0000 and in
// tenths from 0x0004.
constexpr quint16 MeasurementsHundredths = 0x0000;
constexpr quint16 MeasurementsTenths = 0x0004;
constexpr quint16 MeasurementCount = 4;
constexpr quint16 Unit = 0x0008;

// The information block read at every opening of the port.
constexpr quint16 DeviceAddress = 0x0100;
constexpr quint16 BaudRateCode = 0x0101;
constexpr quint16 Info0102 = 0x0102;
constexpr quint16 DualChannel = 0x0103;
constexpr quint16 SerialNumber = 0x0104; // three registers, six bytes
constexpr quint16 SerialNumberCount = 3;
constexpr quint16 TemperatureRangeMin = 0x0107; // tenths of a degree, signed
constexpr quint16 TemperatureRangeMax = 0x0108;
constexpr quint16 InformationCount = 9;

constexpr quint16 Heater = 0x0109;

constexpr quint16 OutputBlockFirst = 0x010A; // 17 registers, cached in outputRegs
constexpr quint16 OutputBlockCount = 17;
constexpr quint16 OutputDataChannel1 = 0x010B;
constexpr quint16 OutputDataChannel2 = 0x012B;

constexpr quint16 CalibrationBlockFirst = 0x0200; // 45 registers, cached in calibrationRegs
constexpr quint16 CalibrationBlockCount = 45;
constexpr quint16 ResClear = 0x0200;
constexpr quint16 CapClear = 0x0202;
constexpr quint16 CalibrationReset = 0x0204;

// Baud-rate codes 1..6 stand for 1200, 2400, 4800, 9600, 19200 and 115200 bit/s.
constexpr quint16 FirstBaudCode = 1;
constexpr quint16 LastBaudCode = 6;
int baudRateForCode(quint16 code); // 0 for a code outside 1..6

} // namespace Registers

#endif // REGISTERS_H
