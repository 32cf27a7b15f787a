// shell.cpp -- messages and shell commands through the runtime.
//
// The runtime's captured text is an arena string: the capture runs inside
// its own arena scope and is copied out, so nothing outlives the call.
#include "build/shell.h"

#include "qo_runtime.h"

namespace qo {

void say(const std::string &text) { println(QO_STR(text.c_str())); }

bool run_shell(const std::string &cmd) { return exec_command(QO_STR(cmd.c_str())) == 0; }

std::string capture_shell(const std::string &cmd) {
    qo_val_t mark = qo_arena_push();
    std::string text = QO_STR_PTR(exec_capture(QO_STR(cmd.c_str())));
    qo_arena_pop(mark);
    return text;
}

}  // namespace qo
