#ifndef CERTIFICATE_H
#define CERTIFICATE_H

#include "check/checkrecord.h"

#include <QCoreApplication>
#include <QString>

// The printable record of a stored check: an A4 PDF in the tool's language with the transmitter,
// the station, the reference and its traceability, the conditions, each point's results with
// their expanded uncertainty and verdict, the decision rule in words, and an annex with each
// point's uncertainty budget; the certificate's own number on every page. Dates, times and numbers
// are the same in every language: ISO 8601 with the offset from UTC, in ASCII digits. Qt Gui only
// (a QGuiApplication, offscreen will do), so that the command line can write it.
class Certificate
{
    Q_DECLARE_TR_FUNCTIONS(Certificate)

public:
    // False, with *error in plain words, when the check is not stored (it has no number yet) or
    // the file cannot be written.
    static bool write(const Check &check, const QString &fileName, QString *error);

    // The certificate's number: the station's name in capitals and digits, and the check's id in
    // the records, as BENCH-2-000123. Empty for a check not stored.
    static QString identification(const Check &check);
    // The station's part of a number: its name in capitals and digits, CHECK when none is left.
    static QString stationCode(const QString &station);
    // Local time as 2026-12-08 09:05:07 +01:00, "---" for none.
    static QString timeText(const QDateTime &at);

    // Texts the window shows as the certificate does.
    static QString kindText(Check::Kind kind);
    static QString resultText(Check::Result result);
    // A value with its decimals, without a sign when it rounds to zero; "---" when there is none.
    static QString number(double value, int decimals);

private:
    // A quantity's verdict at a point, or how the point ended when it was not taken.
    static QString quantityResult(const CheckPoint &point, size_t quantity);
    static QString quantityTitle(size_t quantity);
    static QString pointTitle(const CheckPoint &point, int index);
    static QString fields(const Check &check, const QString &id);
    static QString points(const Check &check);
    static QString annex(const Check &check);
};

#endif // CERTIFICATE_H
