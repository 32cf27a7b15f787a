// paths.h -- module file names, freshness probes and shell quoting.
//
// Paths are used exactly as written in the manifest and the import lines:
// nothing is normalised, so "a/./b.qo" and "a/b.qo" are different modules
// (as they are for the compiler's import resolver).
//
// The probes answer in-process with stat(2) what the shell's `test -f`,
// `test -d` and `test A -nt B` would answer, saving a shell per module and
// per probe; `-nt` compares full nanosecond modification times.
#ifndef QO_BUILD_PATHS_H
#define QO_BUILD_PATHS_H

#include <string>
#include <string_view>

namespace qo {

// The text after the last "/", less a trailing ".qo".
std::string basename_noext(std::string_view path);
// path with a trailing ".qo" replaced by ext (".qoh"), or ext appended.
std::string path_with_ext(std::string_view path, std::string_view ext);

// `test -f path`: exists and is (or links to) a regular file.
bool is_regular_file(const std::string &path);
// `test -d path`.
bool is_directory(const std::string &path);
// True when target is not a regular file, or source's modification time is
// later than target's: the C file `target` must be made again.
bool file_is_newer(const std::string &source, const std::string &target);

// s as one shell word: unchanged when it holds only characters the shell
// takes literally, else in single quotes (an embedded ' becomes '\'').
std::string shell_word(std::string_view s);

}  // namespace qo

#endif
