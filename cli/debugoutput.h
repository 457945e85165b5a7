#ifndef DEBUGOUTPUT_H
#define DEBUGOUTPUT_H

// Qt's own messages (a class's warnings, the platform's notes) and a database driver's notices
// are the program's debug output: on stderr they would stand beside the one line a run ends with,
// so they are shown only when asked for (--debug).
namespace DebugOutput {

// From now on Qt's messages are held until show() says what becomes of them; before the
// application exists, since it may have something to say as it starts.
void install();
// Prints the messages held and those to come on stderr, or drops them all.
void show(bool shown);

} // namespace DebugOutput

#endif // DEBUGOUTPUT_H
