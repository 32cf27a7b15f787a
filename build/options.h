// options.h -- qob's command line.
//
//   qob [--clean] [--dry-run] [--verbose] [--out=DIR] [--qoc=CMD] [--runtime=PATH]
//
// Switches match by exact equality wherever they stand; valued options match
// by the prefix "--name=", the first one wins. Anything else is ignored, so
// a mistyped option changes nothing rather than stopping the build.
#ifndef QO_BUILD_OPTIONS_H
#define QO_BUILD_OPTIONS_H

#include <string>
#include <string_view>
#include <vector>

namespace qo {

struct Options {
    bool clean = false;
    bool dry_run = false;
    bool verbose = false;
    std::string out = "dist";
    std::string qoc = "qoc";
    std::string runtime;  // "" = look for it beside the compiler
};

// True when some argument equals name ("--clean").
bool flag_bool(const std::vector<std::string> &args, std::string_view name);

// The value of the first "name=..." argument (name spelled "--out"), or
// fallback. An empty value counts as absent: "--out=" would otherwise put
// the output folder at the file system's root.
std::string flag_val(const std::vector<std::string> &args, std::string_view name,
                     std::string_view fallback);

// args excludes the program name.
Options parse_options(const std::vector<std::string> &args);

}  // namespace qo

#endif
