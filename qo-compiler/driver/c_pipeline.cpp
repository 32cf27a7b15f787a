// c_pipeline.cpp -- the C pipelines: lex, scan the signatures, stream the
// program (the test runner with ctx.test_mode set).
//
// The tokens live until generation ends (the generator parses from them
// one statement at a time); no whole tree is ever built.
#include "cgen/cgen.h"
#include "driver/pipeline.h"
#include "lexer/lexer.h"

namespace qo {

int compile(Context &ctx, const std::string &source, std::FILE *out) {
    Tokens tokens = lex(source);
    std::vector<CSig> sigs = scan_fn_sigs(tokens);
    bool written = codegen_streaming(ctx, tokens, sigs, out) && std::fflush(out) == 0 && !std::ferror(out);
    if (written) return 0;
    // The driver's messages go to standard output, unless that is the
    // stream that failed.
    std::fputs("qo-compiler: failed to write output\n", out == stdout ? stderr : stdout);
    return 1;
}

}  // namespace qo
