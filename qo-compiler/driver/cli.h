// cli.h -- the qoc command line.
//
//   qoc [--target=c|js] [--bundle] [--minify] [--obfuscate] [--emit-header]
//       [--test] <source.qo> [<output>]
//
// Every argument that begins with "--" is a flag, recognised by exact
// equality wherever it stands (the first "--target=..." by prefix); unknown
// flags are ignored. Every other argument is positional: the source, then
// an optional output file; more are ignored. Messages go to standard
// output, except that a missing code generator is reported on standard
// error; every failure exits with status 1.
#ifndef QO_DRIVER_CLI_H
#define QO_DRIVER_CLI_H

#include <string>
#include <vector>

namespace qo {

inline constexpr const char *kUsage =
    "qo-compiler: usage: qoc [--target=c|js] [--bundle] [--minify] [--obfuscate] "
    "[--emit-header] [--test] <source.qo> [<output>]";

struct CommandLine {
    std::string target = "c";  // only "js" selects JavaScript
    bool bundle = false;
    bool minify = false;
    bool obfuscate = false;
    bool emit_header = false;
    bool test = false;
    std::vector<std::string> positionals;
};

// args excludes the program name.
CommandLine parse_command_line(const std::vector<std::string> &args);

// The whole program: returns the exit status.
int run_qoc(const std::vector<std::string> &args);

}  // namespace qo

#endif
