// compile.h -- bringing one module's C file up to date.
//
// A module src/name.qo compiles to out/name.c with `qoc --emit-header`,
// which also writes src/name.qoh; the header is copied beside the C file.
// Only the module's own source is compared with its C file: importers are
// not recompiled when an import changes, since their C calls its functions
// by name (a changed signature needs a clean build).
//
// The compiler's standard error goes to /tmp/qob-err-name.txt, printed and
// removed when the compile fails; the partial C file is removed too, so the
// next build compiles the module again instead of finding it "up to date".
#ifndef QO_BUILD_COMPILE_H
#define QO_BUILD_COMPILE_H

#include <string>

#include "build/options.h"

namespace qo {

// out/name.c for the module source dir/name.qo.
std::string module_c_file(const std::string &source, const std::string &out);

// Compiles source when its C file is missing or older (in a dry run only
// says so); false, after the messages, when the compiler fails.
bool compile_module(const std::string &source, const Options &options);

}  // namespace qo

#endif
