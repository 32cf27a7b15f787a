// files.h -- whole-file reads and writes for the driver.
#ifndef QO_DRIVER_FILES_H
#define QO_DRIVER_FILES_H

#include <cstdio>
#include <string>

namespace qo {

// The file's bytes; "" when it cannot be read (missing, a directory, ...).
std::string read_file(const std::string &path);
// Replaces the file's content; false when it cannot be fully written.
bool write_file(const std::string &path, const std::string &text);

// Copies everything from the start of `from` into the file at path;
// false when anything cannot be read or written.
bool copy_stream_to_file(std::FILE *from, const std::string &path);

}  // namespace qo

#endif
