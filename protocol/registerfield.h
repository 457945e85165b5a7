#ifndef REGISTERFIELD_H
#define REGISTERFIELD_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// A value of another instrument on the line (a reference hygrometer, a chamber controller), as
// its own register map places it: which function reads it, its first register, how its
// registers make a number, and a scale. Every such instrument speaks its own map, so a station
// names each value by such a field: F:REG:TYPE[:SCALE], for example 4:0:float32 or 3:1:int16:10.
struct RegisterField
{
    enum class Type { Int16, UInt16, Int32, UInt32, Float32, Float32Swapped };

    quint8 function = 0; // 3 holding or 4 input registers; 0: no field
    quint16 first = 0;
    Type type = Type::Float32;
    // Integers are divided by it: 10 for a register in tenths. Floats are taken as they are.
    double scale = 1;

    bool isSet() const { return function != 0; }
    // Registers the value takes: 1 for 16-bit types, 2 for 32-bit ones.
    int count() const;
    bool isFloat() const { return type == Type::Float32 || type == Type::Float32Swapped; }

    // The value from the count() registers of the field, in their order, as an answer carried
    // them. NaN when there are fewer.
    double decode(const QVector<quint16> &registers) const;
    // The register a 16-bit integer field holds for value (rounded, times the scale); empty
    // when the value does not fit the type or the field is not a 16-bit integer.
    std::optional<quint16> encode(double value) const;

    // F:REG:TYPE[:SCALE]: F 3 or 4, REG 0 to 65535 (decimal, or hexadecimal with 0x), TYPE one
    // of int16, uint16, int32, uint32, float32 (high word first), float32-swapped (low word
    // first), SCALE a positive number (default 1, only for integers). Empty with *why set when
    // the text is not such a field.
    static std::optional<RegisterField> parse(const QString &text, QString *why);
    // As parse() reads it; empty for no field.
    QString toString() const;

    bool operator==(const RegisterField &other) const;
    bool operator!=(const RegisterField &other) const { return !(*this == other); }
};

// One read request to an instrument, covering one or more of its fields. A reference is read
// every second while a check runs, and each request costs the line a turnaround, so its values
// share requests where they can.
struct RegisterRead
{
    // The most registers one read may ask for.
    static constexpr int MaxCount = 125;

    quint8 function = 0;
    quint16 first = 0;
    quint16 count = 0;

    bool covers(const RegisterField &field) const;
    QByteArray request(quint8 address) const;

    // The fewest reads that cover the fields that are set, by function and then by register:
    // fields of the same function share a read when their registers lie within MaxCount of each
    // other.
    static QVector<RegisterRead> plan(const QVector<RegisterField> &fields);
    // Each field's value, from answers[i], the registers the answer to reads[i] carried in their
    // order (empty for a read refused or lost). A field without an answer that holds it, or that
    // no read covers, is not a number.
    static QVector<double> values(const QVector<RegisterField> &fields,
                                  const QVector<RegisterRead> &reads,
                                  const QVector<QVector<quint16>> &answers);
};

#endif // REGISTERFIELD_H
