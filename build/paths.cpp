// paths.cpp -- module file names, stat probes and shell quoting.
#include "build/paths.h"

#include <sys/stat.h>

namespace qo {

namespace {

constexpr std::string_view kSourceExt = ".qo";

std::string_view without_source_ext(std::string_view path) {
    return path.ends_with(kSourceExt) ? path.substr(0, path.size() - kSourceExt.size()) : path;
}

bool stat_path(const std::string &path, struct stat &st) { return ::stat(path.c_str(), &st) == 0; }

bool later(const struct timespec &a, const struct timespec &b) {
    return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec > b.tv_nsec);
}

bool is_shell_literal(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_-./+,:=@%").find(c) != std::string_view::npos;
}

}  // namespace

std::string basename_noext(std::string_view path) {
    std::size_t slash = path.rfind('/');
    if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
    return std::string(without_source_ext(path));
}

std::string path_with_ext(std::string_view path, std::string_view ext) {
    return std::string(without_source_ext(path)) + std::string(ext);
}

bool is_regular_file(const std::string &path) {
    struct stat st;
    return stat_path(path, st) && S_ISREG(st.st_mode);
}

bool is_directory(const std::string &path) {
    struct stat st;
    return stat_path(path, st) && S_ISDIR(st.st_mode);
}

bool file_is_newer(const std::string &source, const std::string &target) {
    struct stat t, s;
    if (!stat_path(target, t) || !S_ISREG(t.st_mode)) return true;
    return stat_path(source, s) && later(s.st_mtim, t.st_mtim);
}

std::string shell_word(std::string_view s) {
    bool literal = !s.empty();
    for (char c : s) literal = literal && is_shell_literal(c);
    if (literal) return std::string(s);
    std::string quoted = "'";
    for (char c : s) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

}  // namespace qo
