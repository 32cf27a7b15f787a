// c_program.h -- generating, building and running C programs in tests.
//
// A generated program is compiled and linked in one C compiler call against
// the prebuilt runtime library (never its source), with the sanitizer flags
// of the build so that a sanitized runtime links, and run with leak checks
// off: runtime strings outside an arena live until exit by design.
#ifndef QO_TESTS_SUPPORT_C_PROGRAM_H
#define QO_TESTS_SUPPORT_C_PROGRAM_H

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/pipeline.h"

namespace qo::testing {

// The C program `qoc` generates for source (the test runner in test mode),
// compiled in-process; status, when given, gets the pipeline's exit status.
inline std::string generate_c(const std::string &source, bool test_mode = false, int *status = nullptr) {
    char *buf = nullptr;
    std::size_t len = 0;
    std::FILE *out = open_memstream(&buf, &len);
    Context ctx;
    int rc = test_mode ? compile_test(ctx, source, out) : compile(ctx, source, out);
    std::fclose(out);
    std::string text(buf, len);
    std::free(buf);
    if (status) *status = rc;
    return text;
}

struct RunResult {
    int status = -1;  // exit status, or -1 when the command did not exit normally
    std::string output;
};

// Runs a shell command, capturing its standard output (add 2>&1 to the
// command for standard error too).
inline RunResult run_command(const std::string &command) {
    RunResult result;
    std::FILE *p = popen(command.c_str(), "r");
    if (!p) return result;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) result.output.append(buf, n);
    int raw = pclose(p);
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

inline std::string shell_quote(const std::string &s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// cc for a generated C file plus extra C sources, linked into exe; the
// compiler's diagnostics are the output.
inline RunResult build_c_program(const std::string &c_file, const std::string &exe,
                                 const std::string &extra_sources = "") {
    std::string runtime_dir = std::string(QO_SOURCE_DIR) + "/qo-compiler/runtime";
    std::string cmd = "cc -std=gnu11 -O0 -Werror=implicit-function-declaration " + std::string(QO_CC_FLAGS) +
                      " -I" + shell_quote(runtime_dir) + " " + shell_quote(c_file) + " " + extra_sources +
                      " " + shell_quote(QO_RUNTIME_LIB) + " -lcrypto -lpthread -lm -ldl -o " + shell_quote(exe) +
                      " 2>&1";
    return run_command(cmd);
}

// The environment prefix for running a generated program.
inline const char *kRunEnv = "ASAN_OPTIONS=detect_leaks=0 ";

}  // namespace qo::testing

#endif
