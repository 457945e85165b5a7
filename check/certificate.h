#ifndef CERTIFICATE_H
#define CERTIFICATE_H

#include "check/checkrecord.h"

#include <QCoreApplication>
#include <QString>

// The printable record of a check: an A4 PDF in the tool's language with the transmitter, the
// station, the reference and its traceability, the conditions, the points and the decision.
// Qt Gui only (a QGuiApplication, offscreen will do), so that the command line can write it.
class Certificate
{
    Q_DECLARE_TR_FUNCTIONS(Certificate)

public:
    // False, with *error in plain words, when the file cannot be written.
    static bool write(const Check &check, const QString &fileName, QString *error);

    // Texts the window shows as the certificate does.
    static QString decisionRule();
    static QString kindText(Check::Kind kind);
    static QString resultText(Check::Result result);
    // A value with its decimals, "---" when there is none.
    static QString number(double value, int decimals);
};

#endif // CERTIFICATE_H
