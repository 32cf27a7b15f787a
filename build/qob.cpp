// qob.cpp -- manifest to program: the steps in order, each failure with
// its message and status 1.
//
// The C files are linked once each even when two module paths name the
// same file: a module reached under two spellings ("a.qo" and "./a.qo"
// through a cycle) compiles to one out/a.c, and linking it twice would
// only fail on duplicate definitions.
#include "build/qob.h"

#include <algorithm>

#include "build/compile.h"
#include "build/graph.h"
#include "build/link.h"
#include "build/manifest.h"
#include "build/options.h"
#include "build/paths.h"
#include "build/shell.h"
#include "driver/files.h"
#include "driver/imports.h"
#include "lexer/text.h"

namespace qo {

namespace {

constexpr const char *kRuntimeBesideCompiler = "/../qo-compiler/runtime/qo_runtime.c";

struct Project {
    std::string name;
    std::string entry;
    std::vector<std::string> c_sources;
};

void add_once(std::vector<std::string> &files, const std::string &file) {
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
}

void prepare_output(const Options &o) {
    run_shell("mkdir -p " + shell_word(o.out));
    if (!o.clean) return;
    say("qob: cleaning " + o.out);
    std::string out = shell_word(o.out);
    if (!o.dry_run) run_shell("rm -f " + out + "/*.c " + out + "/*.qoh");
}

// Compiles the graph in order, collecting the C files to link; false,
// after the messages, when a module fails.
bool compile_graph(const Project &p, const Options &o, std::vector<std::string> &c_files) {
    BuildGraph graph;
    walk_imports(p.entry, graph);
    say("qob: " + std::to_string(graph.order.size()) + " modules in build graph");
    for (const std::string &module : graph.order) {
        if (!compile_module(module, o)) {
            say("qob: build failed");
            return false;
        }
        add_once(c_files, module_c_file(module, o.out));
    }
    for (const std::string &c_source : p.c_sources) add_once(c_files, c_source);
    return true;
}

int build(const Project &p, const Options &o) {
    say("qob: building " + p.name + " (entry: " + p.entry + ")");
    std::string runtime = locate_runtime(o.qoc, o.runtime);
    if (runtime.empty()) {
        say("qob: cannot locate qo_runtime.c - use --runtime=PATH");
        return 1;
    }
    prepare_output(o);
    std::vector<std::string> c_files;
    if (!compile_graph(p, o, c_files)) return 1;
    std::string output = o.out + "/" + p.name;
    if (!link_binary(c_files, output, runtime, o.out, o.dry_run)) return 1;
    say("qob: done -> " + output);
    return 0;
}

}  // namespace

std::string locate_runtime(const std::string &qoc, const std::string &runtime) {
    std::string path = runtime;
    if (path.empty()) {
        std::string compiler(trim(capture_shell("which " + qoc + " 2>/dev/null")));
        if (!compiler.empty()) path = dirname_of(compiler) + kRuntimeBesideCompiler;
    }
    if (!path.empty() && is_directory(path) && is_regular_file(path + "/qo_runtime.c")) path += "/qo_runtime.c";
    return path;
}

int run_qob(const std::vector<std::string> &args) {
    Options options = parse_options(args);
    std::string manifest = read_file(kManifestFile);
    if (manifest.empty()) {
        say("qob: no manifest.qo found in current directory");
        return 1;
    }
    Project p{parse_manifest_name(manifest), parse_manifest_entry(manifest), parse_manifest_c_sources(manifest)};
    if (p.entry.empty()) {
        say("qob: manifest.qo has no 'entry' declaration");
        return 1;
    }
    return build(p, options);
}

}  // namespace qo
