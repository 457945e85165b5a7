#ifndef POINTROWS_H
#define POINTROWS_H

#include "check/checkrecord.h"
#include "cli/output.h"

// A point as check and run print it: time, serial number and kind, then per quantity the
// reference, mean, std dev, drift, error, U, k, readings and result, then the rule and a result.
namespace Cli {

// A checked quantity as keys and progress lines name it: temperature, humidity.
QString quantityKey(int quantity);
// Streamed: each column as wide as its title, which is wider than any value, but for time, kind,
// rule and result.
QVector<Column> pointColumns();
// result: what the last column says (check: the check's result). A point of a run that was not
// taken says so where its quantities' results stand: not stable, no answer.
QVector<Field> pointRecord(const Check &check, const CheckPoint &point, const QString &result);
// A point of a run as its result column says it: its verdict, or how it ended untaken.
QString pointResult(const CheckPoint &point);

} // namespace Cli

#endif // POINTROWS_H
