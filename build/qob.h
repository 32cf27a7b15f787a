// qob.h -- the build tool's main flow.
//
//   1. read the options and manifest.qo (in the current folder);
//   2. locate the runtime source, make the output folder, clean on request;
//   3. walk the build graph from the entry and compile, in graph order,
//      every module whose C file is missing or older than its source;
//   4. link every module's C file, the manifest's C sources and the runtime.
//
// Every message goes to standard output with the prefix "qob: " (or an
// indented step line); every failure exits with status 1 after its message.
#ifndef QO_BUILD_QOB_H
#define QO_BUILD_QOB_H

#include <string>
#include <vector>

namespace qo {

// The runtime source to link. Without --runtime (runtime ""), it is found
// beside the compiler: `which qoc` gives .../bin/qoc, and the runtime is
// .../bin/../qo-compiler/runtime/qo_runtime.c (existence not checked; the
// link reports a missing file). A folder holding qo_runtime.c stands for
// that file. "" when nothing could be located.
std::string locate_runtime(const std::string &qoc, const std::string &runtime);

// The whole program; args excludes the program name. Returns the exit status.
int run_qob(const std::vector<std::string> &args);

}  // namespace qo

#endif
