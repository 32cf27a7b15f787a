// shell.h -- qob's contact with the outside: messages and shell commands.
//
// Every outside program (the compiler, cc, mkdir, rm, cp, which) runs
// through /bin/sh with the runtime's process functions, so a command is
// exactly the text built for it. Messages go to standard output and are
// flushed at once: the commands write to the same terminal or pipe, and
// their output must land after the message that introduces it.
#ifndef QO_BUILD_SHELL_H
#define QO_BUILD_SHELL_H

#include <string>

namespace qo {

// Prints text and a newline on standard output, flushed.
void say(const std::string &text);
// Runs cmd through the shell; true when it exits with status 0.
bool run_shell(const std::string &cmd);
// Runs cmd through the shell and returns what it wrote to standard output.
std::string capture_shell(const std::string &cmd);

}  // namespace qo

#endif
