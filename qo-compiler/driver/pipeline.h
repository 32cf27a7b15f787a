// pipeline.h -- the compile pipelines that the command line dispatches to.
//
// Each takes the resolved source text (imports already inlined), writes the
// generated program to `out` and returns the exit status: 0, or non-zero
// after a message on standard error. The driver decides what `out` is
// (standard output, or a temporary file copied to the output path).
//
//   compile        C: lex, scan_fn_sigs, stream the C program (the default)
//   compile_test   C test runner: compile with ctx.test_mode set
//   compile_js     JavaScript: lex, parse, generate, importing the runtime
//   compile_js_with_bundle  the same with the JavaScript runtime file at
//                  runtime_path inlined (warnings when it cannot be read)
//   run_with_postprocess    JavaScript through the minifier and obfuscator
#ifndef QO_DRIVER_PIPELINE_H
#define QO_DRIVER_PIPELINE_H

#include <cstdio>
#include <string>

#include "driver/cli.h"
#include "parser/context.h"

namespace qo {

int compile(Context &ctx, const std::string &source, std::FILE *out);
int compile_test(Context &ctx, const std::string &source, std::FILE *out);
int compile_js(Context &ctx, const std::string &source, std::FILE *out);
int compile_js_with_bundle(Context &ctx, const std::string &source,
                           const std::string &runtime_path, std::FILE *out);

// "js" selects JavaScript; any other target selects C.
int compile_dispatch(Context &ctx, const std::string &target, const std::string &source,
                     std::FILE *out);
// As compile_dispatch; only JavaScript honours the bundle request.
int compile_dispatch_bundle(Context &ctx, const std::string &target, const std::string &source,
                            const std::string &runtime_path, std::FILE *out);

// dirname_of(source_path) + "/qo_runtime.js" when that file has text, else "".
std::string resolve_runtime_path(const std::string &source_path);

// `--minify` / `--obfuscate`: generate, post-process, then print the result
// or write it to the second positional.
int run_with_postprocess(Context &ctx, const CommandLine &cl, const std::string &source);

}  // namespace qo

#endif
