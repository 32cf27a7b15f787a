// js_test_util.h -- shorthands for the JavaScript target's tests: the
// generator's output as text, qoc and node runs with their output, and
// throwaway folders.
#ifndef QO_TESTS_JS_JS_TEST_UTIL_H
#define QO_TESTS_JS_JS_TEST_UTIL_H

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "c_program.h"
#include "driver/files.h"
#include "driver/pipeline.h"

namespace qo::jstest {

namespace fs = std::filesystem;
using qo::testing::shell_quote;

inline const std::string kSource = QO_SOURCE_DIR;
inline const std::string kQoc = shell_quote(std::string(QO_TOOL_DIR) + "/qoc");
inline const std::string kRuntimeJs = kSource + "/qo-compiler/runtime/qo_runtime.js";

// What a JavaScript pipeline writes for a source text (imports not
// resolved): module mode, or bundle mode with the runtime at runtime_path.
inline std::string js_of(const std::string &source, const char *runtime_path = nullptr) {
    std::FILE *tmp = std::tmpfile();
    Context ctx;
    if (runtime_path) compile_js_with_bundle(ctx, source, runtime_path, tmp);
    else compile_js(ctx, source, tmp);
    std::rewind(tmp);
    std::string text;
    for (int c; (c = std::fgetc(tmp)) != EOF;) text += static_cast<char>(c);
    std::fclose(tmp);
    return text;
}

struct Outcome {
    int status;
    std::string out, err;
};

// Runs a shell command in dir, capturing both streams.
inline Outcome run_in(const fs::path &dir, const std::string &command) {
    std::string out = (dir / ".stdout").string(), err = (dir / ".stderr").string();
    int raw = std::system(("cd " + shell_quote(dir.string()) + " && (" + command + ") >" + shell_quote(out) +
                           " 2>" + shell_quote(err)).c_str());
    Outcome r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(out), read_file(err)};
    fs::remove(out);
    fs::remove(err);
    return r;
}

// A fresh folder under /tmp, removed when the object goes.
class TempDir {
public:
    explicit TempDir(const std::string &name)
        : path_(fs::temp_directory_path() / ("qo-js-" + name + "-" + std::to_string(getpid()))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const fs::path &path() const { return path_; }
    std::string operator/(const std::string &rel) const { return (path_ / rel).string(); }

private:
    fs::path path_;
};

// A folder where generated modules run: the runtime beside them and a
// package.json that makes .js files ES modules.
inline void make_module_folder(const fs::path &dir) {
    write_file((dir / "qo_runtime.js").string(), read_file(kRuntimeJs));
    write_file((dir / "package.json").string(), "{\"type\":\"module\"}\n");
}

inline bool have_command(const std::string &name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace qo::jstest

#endif
