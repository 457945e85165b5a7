#include "protocol/registerfield.h"

#include "protocol/frame.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <tuple>

namespace {

struct TypeName
{
    RegisterField::Type type;
    const char *name;
};

constexpr TypeName TypeNames[] = {
    {RegisterField::Type::Int16, "int16"},
    {RegisterField::Type::UInt16, "uint16"},
    {RegisterField::Type::Int32, "int32"},
    {RegisterField::Type::UInt32, "uint32"},
    {RegisterField::Type::Float32, "float32"},
    {RegisterField::Type::Float32Swapped, "float32-swapped"},
};

constexpr quint8 HoldingRegisters = Modbus::ReadRegisters;
constexpr quint8 InputRegisters = Modbus::ReadInputRegisters;
constexpr int WordBits = 16;

QString typeName(RegisterField::Type type)
{
    for (const TypeName &known : TypeNames) {
        if (known.type == type)
            return QLatin1String(known.name);
    }
    return QString();
}

quint32 joined(quint16 high, quint16 low)
{
    return (quint32(high) << WordBits) | low;
}

float asFloat(quint32 bits)
{
    float value = 0;
    static_assert(sizeof value == sizeof bits);
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

int RegisterField::count() const
{
    return type == Type::Int16 || type == Type::UInt16 ? 1 : 2;
}

double RegisterField::decode(const QVector<quint16> &registers) const
{
    if (registers.size() < count())
        return std::numeric_limits<double>::quiet_NaN();
    const quint16 a = registers.at(0);
    const quint16 b = count() > 1 ? registers.at(1) : 0;
    switch (type) {
    case Type::Int16:
        return qint16(a) / scale;
    case Type::UInt16:
        return a / scale;
    case Type::Int32:
        return qint32(joined(a, b)) / scale;
    case Type::UInt32:
        return joined(a, b) / scale;
    case Type::Float32:
        return double(asFloat(joined(a, b)));
    case Type::Float32Swapped:
        return double(asFloat(joined(b, a)));
    }
    return std::numeric_limits<double>::quiet_NaN();
}

std::optional<quint16> RegisterField::encode(double value) const
{
    if (count() != 1 || !std::isfinite(value))
        return std::nullopt;
    const double scaled = std::round(value * scale);
    const bool signedType = type == Type::Int16;
    const double low = signedType ? std::numeric_limits<qint16>::min() : 0;
    const double high =
        signedType ? std::numeric_limits<qint16>::max() : std::numeric_limits<quint16>::max();
    if (scaled < low || scaled > high)
        return std::nullopt;
    return quint16(qint32(scaled));
}

std::optional<RegisterField> RegisterField::parse(const QString &text, QString *why)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    const auto refuse = [why](const QString &reason) {
        *why = reason;
        return std::nullopt;
    };
    if (parts.size() < 3 || parts.size() > 4)
        return refuse(QStringLiteral("a register field is F:REG:TYPE[:SCALE], for example "
                                     "4:0:float32 or 3:1:int16:10"));
    RegisterField field;
    bool ok = false;
    const uint function = parts.at(0).toUInt(&ok);
    if (!ok || (function != HoldingRegisters && function != InputRegisters))
        return refuse(QStringLiteral("the function of a register field is 3 (holding registers) "
                                     "or 4 (input registers), not \"%1\"")
                          .arg(parts.at(0)));
    field.function = quint8(function);
    const QString &reg = parts.at(1);
    const bool hex = reg.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const uint first = (hex ? reg.mid(2) : reg).toUInt(&ok, hex ? 16 : 10);
    if (!ok || first > std::numeric_limits<quint16>::max())
        return refuse(QStringLiteral("the register of a field is 0 to 65535, not \"%1\"").arg(reg));
    field.first = quint16(first);
    const QString type = parts.at(2).toLower();
    const auto *known = std::find_if(std::begin(TypeNames), std::end(TypeNames),
                                     [&type](const TypeName &t) { return type == t.name; });
    if (known == std::end(TypeNames))
        return refuse(QStringLiteral("the type of a field is int16, uint16, int32, uint32, "
                                     "float32 or float32-swapped, not \"%1\"")
                          .arg(parts.at(2)));
    field.type = known->type;
    if (parts.size() == 4) {
        field.scale = parts.at(3).toDouble(&ok);
        if (!ok || !std::isfinite(field.scale) || field.scale <= 0)
            return refuse(QStringLiteral("the scale of a field is a number above 0, not \"%1\"")
                              .arg(parts.at(3)));
        if (field.isFloat() && field.scale != 1)
            return refuse(QStringLiteral("a float32 field takes no scale"));
    }
    if (int(field.first) + field.count() - 1 > std::numeric_limits<quint16>::max())
        return refuse(QStringLiteral("the field runs past register 65535"));
    return field;
}

QString RegisterField::toString() const
{
    if (!isSet())
        return QString();
    QString text = QStringLiteral("%1:%2:%3").arg(function).arg(first).arg(typeName(type));
    if (scale != 1)
        text += QLatin1Char(':') + QString::number(scale);
    return text;
}

bool RegisterField::operator==(const RegisterField &other) const
{
    return function == other.function && first == other.first && type == other.type
        && scale == other.scale;
}

bool RegisterRead::covers(const RegisterField &field) const
{
    return field.function == function && field.first >= first
        && int(field.first) + field.count() <= int(first) + count;
}

QByteArray RegisterRead::request(quint8 address) const
{
    return Modbus::shortFrame(address, function, first, count);
}

QVector<RegisterRead> RegisterRead::plan(const QVector<RegisterField> &fields)
{
    QVector<RegisterField> set;
    std::copy_if(fields.cbegin(), fields.cend(), std::back_inserter(set),
                 [](const RegisterField &field) { return field.isSet(); });
    // By where they end within their function, as by where they begin: each field reaches at
    // least as far as those before it.
    std::sort(set.begin(), set.end(), [](const RegisterField &a, const RegisterField &b) {
        return std::make_tuple(a.function, a.first, a.count())
            < std::make_tuple(b.function, b.first, b.count());
    });
    // From the lowest register up, each read starts at the first field the one before could not
    // take: no set of reads can cover the same fields with fewer.
    QVector<RegisterRead> reads;
    for (const RegisterField &field : set) {
        const int end = field.first + field.count();
        RegisterRead *read = reads.isEmpty() ? nullptr : &reads.last();
        if (read && read->function == field.function && end - read->first <= MaxCount)
            read->count = quint16(end - read->first);
        else
            reads.append({field.function, field.first, quint16(field.count())});
    }
    return reads;
}

QVector<double> RegisterRead::values(const QVector<RegisterField> &fields,
                                     const QVector<RegisterRead> &reads,
                                     const QVector<QVector<quint16>> &answers)
{
    QVector<double> values;
    for (const RegisterField &field : fields) {
        const auto read = std::find_if(reads.cbegin(), reads.cend(),
                                       [&field](const RegisterRead &r) { return r.covers(field); });
        const QVector<quint16> registers = read == reads.cend()
            ? QVector<quint16>()
            : answers.value(int(read - reads.cbegin()))
                  .mid(field.first - read->first, field.count());
        values.append(field.decode(registers));
    }
    return values;
}
