// link.cpp -- the link command and its run.
#include "build/link.h"

#include "build/paths.h"
#include "build/shell.h"
#include "driver/imports.h"

namespace qo {

namespace {

constexpr const char *kClangProbe =
    "$(cc --version 2>&1 | grep -q clang && printf -- '-fbracket-depth=1024' || true)";
constexpr const char *kBrewInclude =
    "$(brew --prefix openssl 2>/dev/null | xargs -I{} printf -- '-I{}/include' 2>/dev/null || true)";
constexpr const char *kBrewLib =
    "$(brew --prefix openssl 2>/dev/null | xargs -I{} printf -- '-L{}/lib' 2>/dev/null || true)";
constexpr const char *kLibraries = " -lcurl -lssl -lcrypto -lpthread -lm";

// "-include out/qop-c-decls.h" when the output folder holds that file.
std::string forced_include(const std::string &out) {
    std::string decls = out + "/qop-c-decls.h";
    return is_regular_file(decls) ? "-include " + shell_word(decls) : "";
}

}  // namespace

std::string link_command(const std::vector<std::string> &c_files, const std::string &output,
                         const std::string &runtime, const std::string &out) {
    std::string cmd = std::string("cc -O2 ") + kClangProbe + " " + kBrewInclude + " " + forced_include(out) +
                      " -I " + shell_word(dirname_of(runtime)) + " -I " + shell_word(out);
    for (const std::string &file : c_files) cmd += " " + shell_word(file);
    cmd += " " + shell_word(runtime);
    cmd += std::string(" ") + kBrewLib + kLibraries;
    return cmd + " -o " + shell_word(output);
}

bool link_binary(const std::vector<std::string> &c_files, const std::string &output,
                 const std::string &runtime, const std::string &out, bool dry_run) {
    std::string cmd = link_command(c_files, output, runtime, out);
    say("  link     " + output);
    if (dry_run || run_shell(cmd)) return true;
    say("qob: link failed");
    run_shell("rm -f " + shell_word(output));
    return false;
}

}  // namespace qo
