// parse_support.cpp -- helpers shared by the expression, statement and
// template parsers.
#include "parser/parse_support.h"

namespace qo::parse_support {

namespace {

int bracket_delta(TokKind kind) {
    switch (kind) {
    case TokKind::LParen: case TokKind::LBracket: case TokKind::LBrace: return 1;
    case TokKind::RParen: case TokKind::RBracket: case TokKind::RBrace: return -1;
    default: return 0;
    }
}

}  // namespace

Pos skip_nested(const Tokens &tokens, Pos pos) {
    if (bracket_delta(tok_kind(tokens, pos)) <= 0) return step(tokens, pos);
    int depth = 0;
    while (!at(tokens, pos, TokKind::Eof)) {
        depth += bracket_delta(tok_kind(tokens, pos));
        pos = step(tokens, pos);
        if (depth == 0) break;
    }
    return pos;
}

Parsed<Expr> parse_condition(Context &ctx, const Tokens &tokens, Pos pos) {
    FlagScope flag(ctx, true);
    return parse_expr(ctx, tokens, pos);
}

Pos parse_ret_type(const Tokens &tokens, Pos pos, std::string &ret_type) {
    if (!at(tokens, pos, TokKind::Arrow)) return pos;
    Pos type_at = step(tokens, pos);
    if (at(tokens, type_at, TokKind::Ident)) ret_type = tok_value(tokens, type_at);
    return skip_type(tokens, type_at);
}

}  // namespace qo::parse_support
