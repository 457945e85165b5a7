#ifndef REGISTERS_H
#define REGISTERS_H

#include "protocol/frame.h"

#include <QtGlobal>

#include <array>

// The transmitter's register map as the tool uses it. Register numbers are 16-bit; values travel
// high byte first. Block sizes and layouts derive from the register numbers here, and so do the
// tool's caches of them.
namespace Registers {

// Measurements: temperature, humidity, dew point and status, in hundredths from 0x0000 and in
// tenths from 0x0004.
constexpr quint16 MeasurementsHundredths = 0x0000;
constexpr quint16 MeasurementsTenths = 0x0004;
constexpr quint16 MeasurementCount = 4;
constexpr quint16 MeasurementsEnd = MeasurementsTenths + MeasurementCount;
constexpr quint16 Unit = 0x0008;

// The information block read at every opening of the port.
constexpr quint16 DeviceAddress = 0x0100;
constexpr quint16 BaudRateCode = 0x0101;
constexpr quint16 Info0102 = 0x0102;
constexpr quint16 DualChannel = 0x0103;
constexpr quint16 SerialNumber = 0x0104; // three registers, six bytes
constexpr quint16 SerialNumberCount = 3;
constexpr int SerialNumberDigits = 2 * Modbus::WordSize * SerialNumberCount; // two a byte
constexpr quint16 TemperatureRangeMin = 0x0107; // tenths of a degree, signed
constexpr quint16 TemperatureRangeMax = 0x0108;
constexpr quint16 InformationCount = TemperatureRangeMax - DeviceAddress + 1;
// The range registers hold tenths of a degree.
constexpr double RangeTenthsPerDegree = 10;

constexpr quint16 Heater = 0x0109;
constexpr quint16 HeaterOn = 1;
constexpr quint16 HeaterOff = 0;

constexpr quint16 OutputBlockFirst = 0x010A; // cached in outputRegs
constexpr quint16 OutputBlockLast = 0x011A;
constexpr quint16 OutputBlockCount = OutputBlockLast - OutputBlockFirst + 1;
constexpr quint16 OutputDataChannel1 = 0x010B;
constexpr quint16 OutputDataChannel2 = 0x012B;
constexpr quint16 LastOutputData = 2; // 0 temperature, 1 humidity, 2 dew point
constexpr quint16 OutputApply = 0x0110; // first register of the write-back

constexpr quint16 CalibrationBlockFirst = 0x0200; // cached in calibrationRegs
constexpr quint16 CalibrationBlockLast = 0x022C;
constexpr quint16 CalibrationBlockCount = CalibrationBlockLast - CalibrationBlockFirst + 1;
constexpr quint16 ResClear = 0x0200;
constexpr quint16 CapClear = 0x0202;
constexpr quint16 CalibrationReset = 0x0204; // also the first register of the write-back

// The first register of an output or calibration write-back is sent as ApplyBlock, which tells
// the device to take the block; the clear, reset and unit commands write ClearValue.
constexpr quint16 ApplyBlock = 1;
constexpr quint16 ClearValue = 0;

// The block writes the tool sends. The count fields are what this transmitter expects, not
// always the byte count: 0x17 rather than 0x16 for the output block, and the register count
// 0x29 rather than 0x52 bytes for the calibration block.
constexpr Modbus::BlockLayout SerialNumberBlock {SerialNumber, SerialNumber + SerialNumberCount - 1,
                                                 Modbus::WordSize *SerialNumberCount};
constexpr Modbus::BlockLayout TemperatureRangeBlock {TemperatureRangeMin, TemperatureRangeMax,
                                                     Modbus::WordSize * 2};
constexpr Modbus::BlockLayout OutputWriteBack {OutputApply, OutputBlockLast, 0x17};
constexpr Modbus::BlockLayout CalibrationWriteBack {CalibrationReset, CalibrationBlockLast, 0x29};

// Addresses a transmitter can be given; every transmitter also answers AnyAddress, whatever
// its own address is.
constexpr quint16 FirstDeviceAddress = 1;
constexpr quint16 LastDeviceAddress = 247;
constexpr quint8 AnyAddress = 0x00;

// Baud-rate code c (1..6) stands for BaudRates[c - 1] bit/s.
constexpr int BaudRateCount = 6;
constexpr std::array<int, BaudRateCount> BaudRates {1200, 2400, 4800, 9600, 19200, 115200};
constexpr quint16 FirstBaudCode = 1;
constexpr quint16 LastBaudCode = FirstBaudCode + BaudRateCount - 1;
int baudRateForCode(quint16 code); // 0 for an unknown code

// The read of a transmitter's information block: its address, line, serial number and ranges,
// by which a line is scanned and a transmitter known.
QByteArray informationRequest(quint8 address);

// The automatic search tries the rates fastest first.
constexpr std::array<int, BaudRateCount> searchOrder()
{
    std::array<int, BaudRateCount> order {};
    for (int i = 0; i < BaudRateCount; ++i)
        order[i] = BaudRates[BaudRateCount - 1 - i];
    return order;
}
constexpr std::array<int, BaudRateCount> BaudSearchOrder = searchOrder();
static_assert(BaudSearchOrder[0] == 115200 && BaudSearchOrder[BaudRateCount - 1] == 1200);

} // namespace Registers

#endif // REGISTERS_H
