#ifndef TABLE_H
#define TABLE_H

#include <QTest>

// A test's data table: its columns named once, then a row per call. Each value is converted to
// its column's type on the way in (a literal to QString or QByteArray), since QTest refuses a
// value of any other type than its column's.
template<typename... Types>
class Table
{
public:
    template<typename... Names>
    explicit Table(const Names &...names)
    {
        (QTest::addColumn<Types>(names), ...);
    }

    void operator()(const QString &tag, const Types &...values) const
    {
        (QTest::newRow(tag.toUtf8().constData()) << ... << values);
    }
};

#endif // TABLE_H
