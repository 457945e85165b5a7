#ifndef REPLYDECODER_H
#define REPLYDECODER_H

#include "protocol/readings.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// What an accepted answer means, given the request it answers. Decoding is kept apart from the
// window so that the rules can be checked without a port or a form: the caller stores the
// fields that are present and shows what the row asks for.
namespace ReplyDecoder {

enum class Row {
    None, // nothing to decode or show: an exception, a misfit or an unknown register
    Readings, // measurement registers, shown by ShowReadings
    Information, // the identity block from register 0x0100
    AddressEcho, // echo of the address write
    BaudRate, // read or write of the baud-rate code; the selector is refreshed
    SerialNumber, // read or write of the serial number; lineEditSN is refreshed
    OutputBlock, // the 17 registers from 0x010A
    CalibrationBlock, // the 45 registers from 0x0200
};

struct Reply
{
    Row row = Row::None;

    // Row::Readings: what ShowReadings shows, and the registers the answer carried.
    Readings::Mode readingMode = Readings::ShowNone;
    Readings::Scale scale = Readings::Scale::Hundredths;
    std::optional<qint32> temperatureRaw;
    std::optional<quint16> humidityRaw;
    std::optional<qint32> dewPointRaw;
    std::optional<quint16> statusRaw;

    // Identity fields. A short information block carries only the fields wholly inside it.
    std::optional<quint16> deviceAddress;
    std::optional<quint16> baudRateCode;
    std::optional<quint16> infoReg0102;
    std::optional<quint16> dualChannel;
    std::optional<QString> serialNumber;
    std::optional<qint16> tempRangeMin;
    std::optional<qint16> tempRangeMax;
    // An information block with more than the address: refresh the Device group and read the
    // output block next.
    bool refreshIdentity = false;
    // The device confirmed the serial-number write.
    bool serialNumberWritten = false;

    // Row::OutputBlock and Row::CalibrationBlock: every register of the block, in order.
    QVector<qint16> registers;
};

// frame is one accepted answer and dataLength its L from Modbus::receive. Only an answer that
// fits the request is decoded: exception replies never are, and a row reads no field that lies
// outside the answer's data.
Reply decode(quint16 pendingRegister, const QByteArray &frame, int dataLength);

} // namespace ReplyDecoder

#endif // REPLYDECODER_H
