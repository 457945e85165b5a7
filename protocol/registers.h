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
constexpr quint16 DeviceAddressCount = 1;
constexpr quint16 BaudRateCode = 0x0101;
constexpr quint16 Info0102 = 0x0102;
constexpr quint16 DualChannel = 0x0103;
constexpr quint16 SerialNumber = 0x0104; // three registers, six bytes
constexpr quint16 SerialNumberCount = 3;
constexpr int SerialNumberDigits = 4 * SerialNumberCount; // two hexadecimal digits a byte
constexpr quint16 TemperatureRangeMin = 0x0107; // tenths of a degree, signed
constexpr quint16 TemperatureRangeMax = 0x0108;
constexpr quint16 InformationCount = 9;

constexpr quint16 Heater = 0x0109;
constexpr quint16 HeaterOn = 1;
constexpr quint16 HeaterOff = 0;

constexpr quint16 OutputBlockFirst = 0x010A; // 17 registers, cached in outputRegs
constexpr quint16 OutputBlockCount = 17;
constexpr quint16 OutputDataChannel1 = 0x010B;
constexpr quint16 OutputDataChannel2 = 0x012B;
constexpr quint16 LastOutputData = 2; // 0 temperature, 1 humidity, 2 dew point

constexpr quint16 CalibrationBlockFirst = 0x0200; // 45 registers, cached in calibrationRegs
constexpr quint16 CalibrationBlockCount = 45;
constexpr quint16 ResClear = 0x0200;
constexpr quint16 CapClear = 0x0202;
constexpr quint16 CalibrationReset = 0x0204;

// The first register of an output or calibration write-back is sent as ApplyBlock, which tells
// the device to take the block; the clear, reset and unit commands write ClearValue.
constexpr quint16 ApplyBlock = 1;
constexpr quint16 ClearValue = 0;

// Addresses a transmitter can be given; every transmitter also answers AnyAddress, whatever
// its own address is.
constexpr quint16 FirstDeviceAddress = 1;
constexpr quint16 LastDeviceAddress = 247;
constexpr quint8 AnyAddress = 0x00;

// Baud-rate codes 1..6 stand for 1200, 2400, 4800, 9600, 19200 and 115200 bit/s.
constexpr quint16 FirstBaudCode = 1;
constexpr quint16 LastBaudCode = 6;
int baudRateForCode(quint16 code); // 0 for a code outside 1..6

} // namespace Registers

#endif // REGISTERS_H
