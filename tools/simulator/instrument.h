#ifndef INSTRUMENT_H
#define INSTRUMENT_H

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

// An instrument on the line besides the transmitters (a reference hygrometer, a chamber's
// controller): a plain Modbus device at a fixed speed. It answers only its own address: to it,
// address 0 is a broadcast, which is never answered.
class Instrument
{
public:
    Instrument(quint8 address, quint16 baudCode);
    virtual ~Instrument() = default;

    quint8 address() const { return own; }
    quint16 baudCode() const { return code; }

    // The reply to one request; empty when it is not a whole request to this address.
    QByteArray answer(const QByteArray &request);

protected:
    // The reply to a request with valid check bytes to this address, of the length its
    // function gives (if the line knows the function).
    virtual QByteArray reply(quint8 function, const QByteArray &request) = 0;
    QByteArray exception(quint8 function, quint8 exceptionCode) const;
    // The registers a read request names from registers, which start at register 0, in a
    // reply of the request's function; an exception when they are not all there.
    QByteArray readReply(const QByteArray &request, const QVector<quint16> &registers) const;

private:
    quint8 own;
    quint16 code;
};

#endif // INSTRUMENT_H
