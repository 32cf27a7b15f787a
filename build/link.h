// link.h -- linking the program: every module's C file, the manifest's C
// sources and the runtime's source, in one run of the system C compiler.
//
// The runtime is compiled from source into every program (no prebuilt
// library to keep in step with the compiler). The command line is fixed:
//
//   cc -O2 $(clang probe) $(brew include probe) [-include out/qop-c-decls.h]
//      -I <runtime dir> -I <out> <C files...> <runtime.c>
//      $(brew lib probe) -lcurl -lssl -lcrypto -lpthread -lm -o <output>
//
// The shell fills in the probes: -fbracket-depth=1024 when cc is clang,
// OpenSSL's folders where Homebrew has them. Paths are quoted only when
// they hold characters the shell would not take literally. No export flag
// is needed for handlers and thread functions found by name: the runtime
// falls back on the program's own symbol table when dlsym finds nothing.
#ifndef QO_BUILD_LINK_H
#define QO_BUILD_LINK_H

#include <string>
#include <vector>

namespace qo {

// The command that links c_files with the runtime into output.
std::string link_command(const std::vector<std::string> &c_files, const std::string &output,
                         const std::string &runtime, const std::string &out);

// Says "  link     output" and (unless a dry run) runs the link. A failed
// link says "qob: link failed" and removes output, so no stale or partial
// program is left where the new one should be.
bool link_binary(const std::vector<std::string> &c_files, const std::string &output,
                 const std::string &runtime, const std::string &out, bool dry_run);

}  // namespace qo

#endif
