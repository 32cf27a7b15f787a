// parse_support.h -- small helpers shared by the parser's files (internal).
#ifndef QO_PARSER_PARSE_SUPPORT_H
#define QO_PARSER_PARSE_SUPPORT_H

#include "parser/parser.h"

namespace qo::parse_support {

// Sets the block-expression flag for one sub-parse and restores the
// previous value when the scope ends.
class FlagScope {
public:
    FlagScope(Context &ctx, bool value) : ctx_(ctx), saved_(ctx.no_block_expr) {
        ctx.no_block_expr = value;
    }
    ~FlagScope() { ctx_.no_block_expr = saved_; }
    FlagScope(const FlagScope &) = delete;
    FlagScope &operator=(const FlagScope &) = delete;

private:
    Context &ctx_;
    bool saved_;
};

// Counts one level of parser nesting for its lifetime.
class DepthScope {
public:
    explicit DepthScope(Context &ctx) : ctx_(ctx) { ++ctx_.depth; }
    ~DepthScope() { --ctx_.depth; }
    DepthScope(const DepthScope &) = delete;
    DepthScope &operator=(const DepthScope &) = delete;
    bool too_deep() const { return ctx_.depth > kMaxParseDepth; }

private:
    Context &ctx_;
};

// Past the depth limit: the position after one bracketed group (through
// its matching bracket, any of ( [ {) or else after one token.
Pos skip_nested(const Tokens &tokens, Pos pos);

// An expression parsed with the block-expression flag set: a condition,
// an iterable, a match subject.
Parsed<Expr> parse_condition(Context &ctx, const Tokens &tokens, Pos pos);

// After `->`: stores the type's leading identifier (if any) in ret_type and
// returns the position after the type. Without `->`, pos unchanged.
Pos parse_ret_type(const Tokens &tokens, Pos pos, std::string &ret_type);

inline Own<Expr> nil() { return make_node<expr::Nil>(); }

}  // namespace qo::parse_support

#endif
