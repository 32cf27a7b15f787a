// js_packaging.h -- `--minify` and `--obfuscate`: the generated JavaScript
// passed through the Node.js tools terser and javascript-obfuscator.
//
// The tools are outside programs: the compiler finds them (the project's
// node_modules, its parent's, or npx), builds their command lines and runs
// them through the shell. Intermediate files are /tmp/qoc-<pid>-<ms>.<ext>
// and are removed whatever happens.
//
// Reserved names, which both tools must leave as they are, come from the
// environment variable QOC_JS_RESERVED (comma-separated identifiers) or
// else kDefaultReservedNames.
#ifndef QO_DRIVER_JS_PACKAGING_H
#define QO_DRIVER_JS_PACKAGING_H

#include <string>

namespace qo {

inline constexpr const char *kDefaultReservedNames = "main,__qo,html_escape,html_raw,str_eq,qo_assert_fail";

// "/tmp/qoc-" + pid + "-" + milliseconds since the epoch + "." + extension.
std::string make_temp_path(const std::string &extension);

// The reserved-names list both tools receive.
std::string js_reserved_names();

// The command that runs the tool, or "" when there is none.
std::string find_node_tool(const std::string &tool, const std::string &dir);

// Each prints its message and returns false on failure.
bool apply_minify(const std::string &input, const std::string &output, const std::string &dir);
bool apply_obfuscate(const std::string &input, const std::string &output, const std::string &dir);

}  // namespace qo

#endif
