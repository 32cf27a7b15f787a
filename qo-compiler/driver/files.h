// files.h -- whole-file reads and writes for the driver.
#ifndef QO_DRIVER_FILES_H
#define QO_DRIVER_FILES_H

#include <sys/types.h>

#include <cstdio>
#include <optional>
#include <string>

namespace qo {

// The file's bytes; "" when it cannot be read (missing, a directory, ...).
std::string read_file(const std::string &path);
// Replaces the file's content; false when it cannot be fully written.
bool write_file(const std::string &path, const std::string &text);

// Copies everything from the start of `from` into the file at path;
// false when anything cannot be read or written.
bool copy_stream_to_file(std::FILE *from, const std::string &path);

// Which file a path names (device and inode), so that two spellings of one
// path ("d/x.qo", "d/./x.qo") can be told to be the same file.
struct FileId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FileId &) const = default;
};
// The identity of the file at path, or nothing when it cannot be found.
std::optional<FileId> file_id(const std::string &path);

}  // namespace qo

#endif
