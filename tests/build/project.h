// A throwaway project folder for the build tool's tests, under
// /tmp/qo-qob-<pid>-<n>/: the project itself in project/, stand-in tools in
// bin/ (a fake compiler and a fake `cc` that log their arguments), and the
// captured output of each qob run beside them. Removed at the end.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "c_program.h"
#include "driver/files.h"

namespace qob_test {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using qo::testing::shell_quote;

inline Lines lines_of(const std::string &text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Outcome {
    int status;
    std::string out, err;
};

// Stands in for qoc: logs its arguments, writes the header beside the
// source and prints one line of "C"; a source holding BROKEN prints part
// of a file, two error lines, and fails.
constexpr const char *kFakeCompiler = R"(#!/bin/sh
printf '%s\n' "$*" >> "$(dirname "$0")/qoc.log"
[ "$1" = --emit-header ] || exit 9
src="$2"
printf '// header of %s\n' "$src" > "${src%.qo}.qoh"
if grep -q BROKEN "$src"; then
  echo "/* partial */"
  printf '\n  %s: BROKEN here\nsecond error line\n\n' "$src" >&2
  exit 2
fi
printf '/* C of %s */\n' "$src"
)";

// Stands in for cc: answers --version, logs every argument in brackets,
// insists that every .c argument is an existing file, writes the output
// (half of it, then failing, when the project holds a file "cc-fail").
constexpr const char *kFakeCc = R"(#!/bin/sh
[ "$1" = --version ] && { echo "fake cc 1.0"; exit 0; }
line=""; out=""; prev=""
for a in "$@"; do
  line="$line[$a]"
  [ "$prev" = -o ] && out="$a"
  prev="$a"
  case "$a" in *.c) [ -f "$a" ] || { echo "cc: $a: No such file" >&2; exit 1; } ;; esac
done
printf '%s\n' "$line" >> "$(dirname "$0")/cc.log"
printf 'half' > "$out"
[ -e cc-fail ] && { echo "ld: undefined reference to main" >&2; exit 1; }
printf 'program' > "$out"
)";

class Project {
public:
    fs::path root;  // the temp folder
    fs::path dir;   // the project (qob's working folder)
    fs::path bin;   // fake tools and their logs

    explicit Project(const std::string &project_folder = "project") {
        static int serial = 0;
        root = fs::path("/tmp") / ("qo-qob-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
        fs::remove_all(root);
        dir = root / project_folder;
        bin = root / "bin";
        fs::create_directories(dir);
        write("../bin/fakeqoc", kFakeCompiler);
        write("../bin/cc", kFakeCc);
        for (const char *tool : {"fakeqoc", "cc"}) fs::permissions(bin / tool, fs::perms::owner_all);
    }
    ~Project() { fs::remove_all(root); }
    Project(const Project &) = delete;
    Project &operator=(const Project &) = delete;

    std::string path(const std::string &rel) const { return (dir / rel).string(); }
    void write(const std::string &rel, const std::string &text) const {
        fs::create_directories((dir / rel).parent_path());
        qo::write_file(path(rel), text);
    }
    std::string read(const std::string &rel) const { return qo::read_file(path(rel)); }
    bool exists(const std::string &rel) const { return fs::exists(dir / rel); }

    // Sets a file's modification (and access) time exactly.
    void set_mtime(const std::string &rel, time_t sec, long nsec = 0) const {
        timespec times[2] = {{sec, nsec}, {sec, nsec}};
        ASSERT_EQ(utimensat(AT_FDCWD, path(rel).c_str(), times, 0), 0) << rel;
    }

    // The options that make qob use the fake compiler and the runtime rt/.
    std::string fake_tools() const { return "--qoc=" + (bin / "fakeqoc").string() + " --runtime=rt"; }

    // Runs qob in the project with path_prefix (bin/ by default, so that
    // `cc` is the fake; "" for none) before PATH.
    Outcome qob(const std::string &args, std::string path_prefix = "-") const {
        if (path_prefix == "-") path_prefix = bin.string();
        std::string out = (root / "qob.out").string(), err = (root / "qob.err").string();
        std::string path = path_prefix.empty() ? "" : "PATH=" + shell_quote(path_prefix) + ":\"$PATH\" ";
        std::string cmd = "cd " + shell_quote(dir.string()) + " && " + path + shell_quote(QO_TOOL_DIR "/qob") + " " +
                          args + " >" + shell_quote(out) + " 2>" + shell_quote(err);
        int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, qo::read_file(out), qo::read_file(err)};
    }

    // What the fake tools were called with, one line per call; forget_calls
    // starts the logs afresh.
    Lines compiles() const { return lines_of(qo::read_file((bin / "qoc.log").string())); }
    Lines links() const { return lines_of(qo::read_file((bin / "cc.log").string())); }
    void forget_calls() const {
        fs::remove(bin / "qoc.log");
        fs::remove(bin / "cc.log");
    }
};

}  // namespace qob_test
