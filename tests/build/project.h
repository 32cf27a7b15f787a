// A throwaway project folder for the build tool's tests, under
// /tmp/qo-qob-<pid>-<n>/: the project itself in project/, stand-in tools in
// bin/ (a fake compiler and a fake `cc` that log their arguments), and the
// captured output of each qob run beside them. Removed at the end.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace qob_test {

namespace fs = std::filesystem;

// s in single quotes for the test's own shell lines.
inline std::string sq(const std::string &s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string slurp(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::vector<std::string> lines_of(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
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
        fs::create_directories(bin);
        tool("fakeqoc", kFakeCompiler);
        tool("cc", kFakeCc);
    }
    ~Project() { fs::remove_all(root); }
    Project(const Project &) = delete;
    Project &operator=(const Project &) = delete;

    std::string path(const std::string &rel) const { return (dir / rel).string(); }
    std::string fake_compiler() const { return (bin / "fakeqoc").string(); }

    void write(const std::string &rel, const std::string &text) const {
        fs::path p = dir / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << text;
    }
    std::string read(const std::string &rel) const { return slurp(dir / rel); }
    bool exists(const std::string &rel) const { return fs::exists(dir / rel); }

    // Sets a file's modification (and access) time exactly.
    void set_mtime(const std::string &rel, time_t sec, long nsec = 0) const {
        timespec times[2] = {{sec, nsec}, {sec, nsec}};
        ASSERT_EQ(utimensat(AT_FDCWD, path(rel).c_str(), times, 0), 0) << rel;
    }

    // Runs qob in the project with bin/ first on PATH, so `cc` is the fake.
    Outcome qob(const std::string &args) const { return qob(args, bin.string()); }

    // Runs qob in the project with path_prefix ("" for none) before PATH.
    Outcome qob(const std::string &args, const std::string &path_prefix) const {
        std::string out = (root / "qob.out").string(), err = (root / "qob.err").string();
        std::string path = path_prefix.empty() ? "" : "PATH=" + sq(path_prefix) + ":\"$PATH\" ";
        std::string cmd = "cd " + sq(dir.string()) + " && " + path + sq(QO_TOOL_DIR "/qob") + " " + args + " >" +
                          sq(out) + " 2>" + sq(err);
        int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
    }

    // What the fake tools were called with, one line per call.
    std::vector<std::string> compiles() const { return lines_of(slurp(bin / "qoc.log")); }
    std::vector<std::string> links() const { return lines_of(slurp(bin / "cc.log")); }
    void forget_calls() const {
        fs::remove(bin / "qoc.log");
        fs::remove(bin / "cc.log");
    }

private:
    void tool(const std::string &name, const char *script) const {
        std::ofstream(bin / name) << script;
        fs::permissions(bin / name, fs::perms::owner_all, fs::perm_options::add);
    }
};

}  // namespace qob_test
