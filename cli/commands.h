#ifndef COMMANDS_H
#define COMMANDS_H

#include "cli/outcome.h"

// The commands of tr451, each run by the program with the command line it was given. None of
// them prints the reason it ends with: the program does, once.
namespace Cli {

struct Options;
class Session;

Outcome ports(Session &session, const Options &options);
Outcome scan(Session &session, const Options &options);
Outcome info(Session &session, const Options &options);
Outcome read(Session &session, const Options &options);
Outcome set(Session &session, const Options &options);
Outcome check(Session &session, const Options &options);
Outcome history(Session &session, const Options &options);
Outcome station(Session &session, const Options &options);
Outcome run(Session &session, const Options &options);

} // namespace Cli

#endif // COMMANDS_H
