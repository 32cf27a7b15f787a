// pipeline.cpp -- routing between the pipelines, and their entry points.
//
// The code generators plug in here. Until one is built, its entry point
// says so on standard error and fails, rather than print an empty program
// that a build would then link.
#include "driver/pipeline.h"

#include "driver/files.h"
#include "driver/imports.h"

namespace qo {

namespace {

int not_available(const char *what) {
    std::fprintf(stderr, "qo-compiler: %s is not yet available in this build\n", what);
    return 1;
}

}  // namespace

int compile(Context &, const std::string &, std::FILE *) {
    return not_available("C code generation");
}

int compile_test(Context &ctx, const std::string &source, std::FILE *out) {
    ctx.test_mode = true;
    int status = compile(ctx, source, out);
    ctx.test_mode = false;
    return status;
}

int compile_js(Context &, const std::string &, std::FILE *) {
    return not_available("JavaScript code generation");
}

int compile_js_with_bundle(Context &, const std::string &, const std::string &, std::FILE *) {
    return not_available("JavaScript code generation");
}

int compile_dispatch(Context &ctx, const std::string &target, const std::string &source,
                     std::FILE *out) {
    return target == "js" ? compile_js(ctx, source, out) : compile(ctx, source, out);
}

int compile_dispatch_bundle(Context &ctx, const std::string &target, const std::string &source,
                            const std::string &runtime_path, std::FILE *out) {
    if (target == "js") return compile_js_with_bundle(ctx, source, runtime_path, out);
    return compile(ctx, source, out);
}

std::string resolve_runtime_path(const std::string &source_path) {
    std::string path = dirname_of(source_path) + "/qo_runtime.js";
    return read_file(path).empty() ? "" : path;
}

int run_with_postprocess(Context &, const CommandLine &, const std::string &) {
    return not_available("JavaScript packaging (--minify, --obfuscate)");
}

}  // namespace qo
