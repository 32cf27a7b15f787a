// manifest.h -- reading manifest.qo.
//
// The manifest is line-oriented: each line is trimmed, and a declaration is
// its keyword, one space and a double-quoted value that runs to the next
// quote. Everything else (comments, blank lines, unknown keywords, a value
// without its closing quote) is ignored, so the file may grow new keywords
// without breaking older tools.
//
//   package "name"      the program's name; the first one wins; "out" without
//   entry "src/main.qo" the entry module; the first one wins; required
//   c_source "x.c"      an extra C file linked in; every one, in order
//
// An empty value ("") declares nothing: it could only produce an output
// named after the folder, a compile of no file, or an empty link argument.
#ifndef QO_BUILD_MANIFEST_H
#define QO_BUILD_MANIFEST_H

#include <string>
#include <string_view>
#include <vector>

namespace qo {

inline constexpr const char *kManifestFile = "manifest.qo";

std::string parse_manifest_name(std::string_view text);
// "" when the manifest declares no entry.
std::string parse_manifest_entry(std::string_view text);
std::vector<std::string> parse_manifest_c_sources(std::string_view text);

}  // namespace qo

#endif
