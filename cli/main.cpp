// tr451: configures and reads TR-451/TR-573 transmitters from the command line, over a serial
// port or RTU over TCP, for scripts and for lines of several transmitters.
#include "cli/debugoutput.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/session.h"
#include "platform/platform.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Whether a certificate or a batch report is asked for, whose PDF writer needs Qt Gui; told by
// the bytes given, before there is an application to read them as text.
bool writesPdf(int argc, char *argv[])
{
    return std::any_of(argv + 1, argv + argc, [](const char *argument) {
        return std::strncmp(argument, "--certificate", std::strlen("--certificate")) == 0
            || std::strncmp(argument, "--report", std::strlen("--report")) == 0;
    });
}

} // namespace

int main(int argc, char *argv[])
{
    DebugOutput::install();
    // Qt Gui on the offscreen platform needs no display; no other command loads it.
    std::unique_ptr<QCoreApplication> app;
    if (writesPdf(argc, argv)) {
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
    DebugOutput::show(parsed.options.debug);
    if (parsed.help)
        return Cli::conclude(Cli::say(Cli::usage().chopped(1))); // its last line ends it
    if (!parsed.error.isEmpty())
        return Cli::conclude({Cli::Status::Usage, parsed.error});
    Cli::Options options = parsed.options;
    if (!options.formatGiven) {
        const bool terminal = options.output.isEmpty() && Platform::isTerminal(stdout);
        options.format = terminal ? Cli::Format::Table : Cli::Format::Csv;
    }
    Cli::Session session(options);
    Platform::watchInterrupts(app.get(), [&session] { session.interrupt(); });
    const Cli::Outcome outcome = options.command->run(session, options);
    if (options.stats)
        Cli::tell(session.counters());
    return Cli::conclude(outcome);
}
