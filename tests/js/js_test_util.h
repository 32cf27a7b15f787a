// js_test_util.h -- shorthands for the JavaScript target's tests: the
// generator's output as text, shell runs with their output, temp folders.
#ifndef QO_TESTS_JS_JS_TEST_UTIL_H
#define QO_TESTS_JS_JS_TEST_UTIL_H

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/files.h"
#include "driver/pipeline.h"

namespace qo::jstest {

namespace fs = std::filesystem;

inline const std::string kSource = QO_SOURCE_DIR;
inline const std::string kQoc = std::string(QO_TOOL_DIR) + "/qoc";
inline const std::string kRuntimeJs = kSource + "/qo-compiler/runtime/qo_runtime.js";
inline const std::string kNpmTools = kSource + "/.cache/npm-tools/node_modules";

// What a pipeline writes, as text.
template <class Fn>
std::string capture(Fn &&generate) {
    std::FILE *tmp = std::tmpfile();
    generate(tmp);
    std::fflush(tmp);
    std::rewind(tmp);
    std::string text;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, tmp)) > 0) text.append(buf, n);
    std::fclose(tmp);
    return text;
}

// Module-mode JavaScript of a source text (no import resolution).
inline std::string js_of(const std::string &source) {
    return capture([&](std::FILE *out) {
        Context ctx;
        compile_js(ctx, source, out);
    });
}

// Bundle-mode JavaScript, with the runtime read from runtime_path.
inline std::string bundle_of(const std::string &source, const std::string &runtime_path) {
    return capture([&](std::FILE *out) {
        Context ctx;
        compile_js_with_bundle(ctx, source, runtime_path, out);
    });
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs a shell command in dir, capturing both streams.
inline Outcome run_in(const fs::path &dir, const std::string &command) {
    std::string out = (dir / ".stdout").string(), err = (dir / ".stderr").string();
    std::string cmd = "cd '" + dir.string() + "' && (" + command + ") >'" + out + "' 2>'" + err + "'";
    int raw = std::system(cmd.c_str());
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

// A folder where generated modules run: the runtime and a package.json
// that makes .js files ES modules.
inline void make_module_folder(const fs::path &dir) {
    write_file((dir / "qo_runtime.js").string(), read_file(kRuntimeJs));
    write_file((dir / "package.json").string(), "{\"type\":\"module\"}\n");
}

inline bool have_command(const std::string &name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace qo::jstest

#endif
