// compile.cpp -- one module through the compiler.
#include "build/compile.h"

#include "build/paths.h"
#include "build/shell.h"
#include "driver/files.h"
#include "lexer/text.h"

namespace qo {

namespace {

std::string error_file(const std::string &name) { return "/tmp/qob-err-" + name + ".txt"; }

void report_failure(const std::string &source, const std::string &c_file, const std::string &errors) {
    std::string text(trim(read_file(errors)));
    if (!text.empty()) say(text);
    run_shell("rm -f " + shell_word(c_file) + " " + shell_word(errors));
    say("qob: compile failed: " + source);
}

}  // namespace

std::string module_c_file(const std::string &source, const std::string &out) {
    return out + "/" + basename_noext(source) + ".c";
}

bool compile_module(const std::string &source, const Options &options) {
    std::string name = basename_noext(source);
    std::string c_file = module_c_file(source, options.out);
    if (!file_is_newer(source, c_file)) {
        if (options.verbose) say("  skip  " + name + ".qo  (up to date)");
        return true;
    }
    say("  compile  " + source);
    if (options.dry_run) return true;
    std::string errors = error_file(name);
    if (!run_shell(options.qoc + " --emit-header " + shell_word(source) + " > " + shell_word(c_file) +
                   " 2>" + shell_word(errors))) {
        report_failure(source, c_file, errors);
        return false;
    }
    run_shell("rm -f " + shell_word(errors));
    run_shell("cp " + shell_word(path_with_ext(source, ".qoh")) + " " +
              shell_word(options.out + "/" + name + ".qoh") + " 2>/dev/null || true");
    return true;
}

}  // namespace qo
