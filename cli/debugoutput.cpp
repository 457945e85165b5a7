#include "cli/debugoutput.h"

#include <QStringList>

#include <cstdio>

namespace DebugOutput {

namespace {

enum class Fate { Held, Shown, Dropped };
Fate fate = Fate::Held;
QStringList held;

void print(const QString &line)
{
    std::fputs(qUtf8Printable(line + QLatin1Char('\n')), stderr);
}

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QString line = qFormatLogMessage(type, context, message);
    if (fate == Fate::Held)
        held << line;
    else if (fate == Fate::Shown)
        print(line);
}

} // namespace

void install()
{
    qInstallMessageHandler(handle);
}

void show(bool shown)
{
    fate = shown ? Fate::Shown : Fate::Dropped;
    if (shown) {
        for (const QString &line : qAsConst(held))
            print(line);
    } else {
        // libpq prints a server's notices (a table that exists already) on stderr itself, past
        // Qt: the server is asked to send none. A later -c of the user's own wins.
        qputenv("PGOPTIONS", "-c client_min_messages=error " + qgetenv("PGOPTIONS"));
    }
    held.clear();
}

} // namespace DebugOutput
