// files.cpp -- whole-file reads and writes through stdio.
#include "driver/files.h"

#include <sys/stat.h>

#include <cstdio>

namespace qo {

std::string read_file(const std::string &path) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return "";
    std::string text;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    bool failed = std::ferror(f);
    std::fclose(f);
    return failed ? "" : text;
}

bool write_file(const std::string &path, const std::string &text) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool copy_stream_to_file(std::FILE *from, const std::string &path) {
    if (std::fflush(from) != 0 || std::fseek(from, 0, SEEK_SET) != 0) return false;
    std::FILE *to = std::fopen(path.c_str(), "wb");
    if (!to) return false;
    char buf[65536];
    std::size_t n;
    bool ok = true;
    while (ok && (n = std::fread(buf, 1, sizeof buf, from)) > 0) ok = std::fwrite(buf, 1, n, to) == n;
    ok = ok && !std::ferror(from);
    return std::fclose(to) == 0 && ok;
}

std::optional<FileId> file_id(const std::string &path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

}  // namespace qo
