#ifndef COMMANDS_H
#define COMMANDS_H

// The commands of tr451. Each returns the program's exit status, having said why on stderr when
// it is not Exit::Done.
namespace Cli {

struct Options;
class Session;

int ports(const Options &options);
int scan(Session &session, const Options &options);
int info(Session &session, const Options &options);
int read(Session &session, const Options &options);
int set(Session &session, const Options &options);
int check(Session &session, const Options &options);
int history(const Options &options);

} // namespace Cli

#endif // COMMANDS_H
