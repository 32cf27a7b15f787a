// js_pipeline.cpp -- the JavaScript pipelines: lex, parse the whole text,
// drop the tokens, generate.
//
// The bundle warnings go to the same stream as the program: with a file
// or the packaging tools downstream they land in the captured output, so
// a bundle made without its runtime fails loudly where it is used.
#include "driver/files.h"
#include "driver/pipeline.h"
#include "jsgen/js_gen.h"
#include "lexer/lexer.h"
#include "parser/parser.h"

namespace qo {

namespace {

Program parse_source(Context &ctx, const std::string &source) {
    Tokens tokens = lex(source);
    return parse(ctx, tokens);
}

}  // namespace

int compile_js(Context &ctx, const std::string &source, std::FILE *out) {
    Program program = parse_source(ctx, source);
    codegen_js(ctx, program, out);
    return 0;
}

int compile_js_with_bundle(Context &ctx, const std::string &source, const std::string &runtime_path,
                           std::FILE *out) {
    Program program = parse_source(ctx, source);
    std::string runtime = read_file(runtime_path);
    if (runtime.empty()) {
        std::fprintf(out, "qo-compiler: warning: --bundle: could not read runtime at %s\n", runtime_path.c_str());
        std::fputs("qo-compiler: warning: bundle output will be incomplete\n", out);
    }
    codegen_js_bundle(ctx, program, runtime, out);
    return 0;
}

}  // namespace qo
