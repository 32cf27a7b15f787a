// js_packaging.cpp -- the packaging pipeline and the two tool steps.
//
//   generate -> <tmp>.js -> terser -> <tmp>.min.js [-> javascript-obfuscator
//   -> <tmp>.obf.js] -> standard output (no newline added) or the output file
//
// The tools' command lines are fixed; a path is single-quoted only when it
// holds a character the shell would treat specially, so ordinary paths
// give exactly the plain command line and paths with spaces still work.
// The generator's temporary file is created exclusively (never through a
// planted link); the tools create their own outputs.
#include "driver/js_packaging.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "driver/files.h"
#include "driver/imports.h"
#include "driver/pipeline.h"
#include "lexer/text.h"

namespace qo {

namespace {

bool shell_safe(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_-./+,=:@%").find(c) != std::string_view::npos;
}

std::string shell_word(const std::string &text) {
    bool safe = !text.empty();
    for (char c : text) safe = safe && shell_safe(c);
    if (safe) return text;
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool reserved_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ',';
}

// The trimmed standard output of a shell command.
std::string shell_output(const std::string &command) {
    std::FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return "";
    std::string text;
    char buf[256];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
    pclose(pipe);
    return std::string(trim(text));
}

bool executable(const std::string &path) {
    return shell_output("test -x " + shell_word(path) + " && echo yes 2>/dev/null") == "yes";
}

// Runs a tool; false, after the failure message, unless it exits with 0.
// What the tool says on its standard output (progress lines) is passed to
// standard error, so that it never mixes with the program we print.
bool run_tool(const char *name, const std::string &command) {
    std::fflush(stdout);
    std::FILE *pipe = popen(command.c_str(), "r");
    int status = -1;
    if (pipe) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) std::fwrite(buf, 1, n, stderr);
        status = pclose(pipe);
    }
    if (status == 0) return true;
    std::printf("qo-compiler: error: %s failed (exit %d)\n", name, status);
    return false;
}

void remove_files(std::initializer_list<std::string> paths) {
    for (const std::string &path : paths) std::remove(path.c_str());
}

// The program generated into a new file at path.
bool generate_into(Context &ctx, const CommandLine &cl, const std::string &source, const std::string &path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    std::FILE *out = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (!out) {
        if (fd >= 0) close(fd);
        std::printf("qo-compiler: error: cannot create temporary file %s\n", path.c_str());
        return false;
    }
    int status = cl.bundle ? compile_dispatch_bundle(ctx, cl.target, source,
                                                      resolve_runtime_path(cl.positionals[0]), out)
                           : compile_dispatch(ctx, cl.target, source, out);
    bool written = !std::ferror(out);
    if (std::fclose(out) != 0) written = false;
    if (status == 0 && !written) std::printf("qo-compiler: error: cannot write temporary file %s\n", path.c_str());
    return status == 0 && written;
}

}  // namespace

std::string make_temp_path(const std::string &extension) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    return "/tmp/qoc-" + std::to_string(getpid()) + "-" + std::to_string(ms) + "." + extension;
}

std::string js_reserved_names() {
    const char *configured = std::getenv("QOC_JS_RESERVED");
    if (!configured) return kDefaultReservedNames;
    std::string names = configured;
    for (char c : names) {
        if (!reserved_name_char(c)) {
            std::printf("qo-compiler: warning: QOC_JS_RESERVED ignored: only letters, digits, _ and commas\n");
            return kDefaultReservedNames;
        }
    }
    return names;
}

std::string find_node_tool(const std::string &tool, const std::string &dir) {
    for (const std::string &base : {dir, dirname_of(dir)}) {
        std::string local = base + "/node_modules/.bin/" + tool;
        if (executable(local)) return shell_word(local);
    }
    if (!shell_output("which npx 2>/dev/null").empty()) return "npx --yes " + tool;
    return "";
}

bool apply_minify(const std::string &input, const std::string &output, const std::string &dir) {
    std::string tool = find_node_tool("terser", dir);
    if (tool.empty()) {
        std::puts("qo-compiler: error: terser not found. Run 'npm install terser' in your project directory.");
        return false;
    }
    return run_tool("terser", tool + " " + shell_word(input) +
                                  " --compress passes=2,drop_console=false,drop_debugger=true --mangle 'reserved=[" +
                                  js_reserved_names() + "]' --output " + shell_word(output));
}

bool apply_obfuscate(const std::string &input, const std::string &output, const std::string &dir) {
    std::string tool = find_node_tool("javascript-obfuscator", dir);
    if (tool.empty()) {
        std::puts("qo-compiler: error: javascript-obfuscator not found. Run 'npm install javascript-obfuscator' in "
                  "your project directory.");
        return false;
    }
    return run_tool("javascript-obfuscator",
                    tool + " " + shell_word(input) + " --output " + shell_word(output) +
                        " --compact true --simplify true --string-array true --string-array-encoding base64"
                        " --string-array-threshold 0.75 --identifier-names-generator hexadecimal"
                        " --rename-globals false --self-defending false --reserved-names " +
                        js_reserved_names());
}

int run_with_postprocess(Context &ctx, const CommandLine &cl, const std::string &source) {
    std::string dir = dirname_of(cl.positionals[0]);
    std::string js = make_temp_path("js"), min = make_temp_path("min.js");
    if (!generate_into(ctx, cl, source, js) || !apply_minify(js, min, dir)) {
        remove_files({js, min});
        return 1;
    }
    std::string final_js = min;
    std::string obf;
    if (cl.obfuscate) {
        obf = make_temp_path("obf.js");
        if (!apply_obfuscate(min, obf, dir)) {
            remove_files({js, min, obf});
            return 1;
        }
        final_js = obf;
    }
    std::string text = read_file(final_js);
    remove_files({js, min});
    if (cl.obfuscate) remove_files({obf});
    if (cl.positionals.size() < 2) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!write_file(cl.positionals[1], text)) {
        std::puts("qo-compiler: failed to write output");
        return 1;
    }
    return 0;
}

}  // namespace qo
