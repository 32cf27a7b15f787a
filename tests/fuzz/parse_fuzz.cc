// Lex and parse arbitrary bytes, the way both pipelines do: the whole
// program at once, and one top-level statement at a time. Beyond the
// sanitizers, it checks the front end's promises: the stream ends with Eof,
// positions stay inside the stream and always advance, and the context is
// left as found.
#include <cstdint>
#include <string_view>

#include "lexer/lexer.h"
#include "parser/parser.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string_view source(reinterpret_cast<const char *>(data), size);
    qo::Tokens tokens = qo::lex(source);
    require(!tokens.empty() && tokens.back().kind == qo::TokKind::Eof);
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) require(tokens[i].kind != qo::TokKind::Eof);

    qo::Context ctx;
    qo::Program program = qo::parse(ctx, tokens);
    require(ctx.depth == 0 && !ctx.no_block_expr);
    require(qo::to_json(program).front() == '[');

    for (qo::Pos pos = 0; qo::tok_kind(tokens, pos) != qo::TokKind::Eof;) {
        qo::Parsed<qo::Stmt> stmt = qo::parse_stmt(ctx, tokens, pos);
        require(stmt.node != nullptr && stmt.pos < tokens.size());
        pos = stmt.pos > pos ? stmt.pos : pos + 1;
    }
    return 0;
}
