#include "instrument.h"

#include "devicerequests.h"
#include "protocol/frame.h"

Instrument::Instrument(quint8 address, quint16 baudCode)
    : own(address)
    , code(baudCode)
{}

QByteArray Instrument::answer(const QByteArray &request)
{
    if (!DeviceRequests::hasValidCheck(request) || quint8(request.at(Modbus::AddressOffset)) != own)
        return {};
    const int length = DeviceRequests::length(request);
    if (length > 0 && length != request.size())
        return {};
    return reply(Modbus::functionCode(request), request);
}

QByteArray Instrument::exception(quint8 function, quint8 exceptionCode) const
{
    return Modbus::exceptionReply(own, function, exceptionCode);
}

QByteArray Instrument::readReply(const QByteArray &request, const QVector<quint16> &registers) const
{
    const quint8 function = Modbus::functionCode(request);
    const int first = Modbus::word(request, Modbus::RegisterOffset);
    const int count = Modbus::word(request, Modbus::OperandOffset);
    if (count < 1 || count > DeviceRequests::MaxRegisters)
        return exception(function, DeviceRequests::IllegalDataValue);
    if (first + count > registers.size())
        return exception(function, DeviceRequests::IllegalDataAddress);
    QByteArray body;
    body.append(char(own));
    body.append(char(function));
    body.append(char(Modbus::WordSize * count));
    for (int i = first; i < first + count; ++i)
        Modbus::appendWord(body, registers.at(i));
    return Modbus::withCrc(body);
}
