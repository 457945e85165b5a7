// tr451: configures and reads TR-451/TR-573 transmitters from the command line, over a serial
// port or RTU over TCP, for scripts and for lines of several transmitters.
#include "cli/commands.h"
#include "cli/options.h"
#include "cli/session.h"
#include "platform/platform.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// A request that goes unanswered is sent twice more before the command gives up; a scan asks
// each address once, since most of them have nobody to answer.
constexpr int DefaultRetries = 2;
constexpr int ScanRetries = 0;

int run(Cli::Session &session, const Cli::Options &options)
{
    if (options.command == QLatin1String("scan"))
        return Cli::scan(session, options);
    if (options.command == QLatin1String("info"))
        return Cli::info(session, options);
    if (options.command == QLatin1String("read"))
        return Cli::read(session, options);
    if (options.command == QLatin1String("check"))
        return Cli::check(session, options);
    return Cli::set(session, options);
}

// Whether a certificate is asked for, whose PDF writer needs Qt Gui; told by the bytes given,
// before there is an application to read them as text.
bool writesCertificate(int argc, char *argv[])
{
    return std::any_of(argv + 1, argv + argc, [](const char *argument) {
        return std::strncmp(argument, "--certificate", std::strlen("--certificate")) == 0;
    });
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt Gui on the offscreen platform needs no display; no other command loads it.
    std::unique_ptr<QCoreApplication> app;
    if (writesCertificate(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("tr451"));
    // A reader that goes away (tr451 read | head) ends the run through a failed write.
    Platform::failWritesInsteadOfSignals();

    const Cli::Parsed parsed =
        Cli::parse(QCoreApplication::arguments().mid(1), qEnvironmentVariable("TR451_PORT"));
    if (parsed.help) {
        std::fputs(qUtf8Printable(Cli::usage()), stdout);
        return Cli::Exit::Done;
    }
    if (!parsed.error.isEmpty())
        return Cli::Session::fail(Cli::Exit::Usage, parsed.error);
    Cli::Options options = parsed.options;
    if (!options.formatGiven) {
        const bool terminal = options.output.isEmpty() && Platform::isTerminal(stdout);
        options.format = terminal ? Cli::Format::Table : Cli::Format::Csv;
    }
    if (options.command == QLatin1String("ports"))
        return Cli::ports(options);
    if (options.command == QLatin1String("history"))
        return Cli::history(options);

    Cli::Session session(options,
                         options.command == QLatin1String("scan") ? ScanRetries : DefaultRetries);
    Platform::watchInterrupts(app.get(), [&session] { session.interrupt(); });
    const int status = run(session, options);
    if (options.stats)
        std::fputs(qUtf8Printable(session.counters() + QLatin1Char('\n')), stderr);
    return status;
}
