// pipeline.cpp -- routing between the pipelines, and their entry points.
//
// The pipelines themselves are in c_pipeline.cpp and js_pipeline.cpp.
#include "driver/pipeline.h"

#include "driver/files.h"
#include "driver/imports.h"

namespace qo {

int compile_test(Context &ctx, const std::string &source, std::FILE *out) {
    ctx.test_mode = true;
    int status = compile(ctx, source, out);
    ctx.test_mode = false;
    return status;
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

}  // namespace qo
