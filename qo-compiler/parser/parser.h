// parser.h -- token stream to syntax tree (see ast.h for the nodes).
//
// A recursive-descent parser that never reports an error and never fails:
// every function returns a node and the position after it; a missing token
// is assumed (`expect`), a stray one is stepped over, an unparsable operand
// becomes a Nil expression (a Wildcard pattern), and every loop stops at
// Eof. Positions never pass the Eof token.
//
// Callers: the JavaScript pipeline parses a whole program with `parse`; the
// streaming C generator walks the tokens itself and calls `parse_stmt` for
// one top-level statement at a time, dropping each tree when done with it.
//
// Depth limit. Nesting is unbounded in the input (100,000 parentheses,
// unary minuses, lambdas, if-blocks, template elements ...), but not on the
// native stack: parse_binop, parse_primary, parse_stmt and
// parse_html_children count their nesting in ctx.depth (every recursion
// passes through one of them), and past kMaxParseDepth they do not descend.
// The first three then read the rest of the construct as one
// Nil expression (an Expr statement holding Nil), skipping one bracketed
// group (through its matching bracket) or else one token; template children
// end. The parse still always moves forward, so deeply nested input yields
// a finite, shallow-enough tree in linear time. At the limit the parser
// uses under 512 KB of stack even unoptimised under AddressSanitizer, well
// inside any thread's stack; real programs nest a few dozen levels. Chains that the grammar
// builds by iteration (a + b + ..., f()()..., else-if chains, {a}{b}...)
// have no limit; the tree of such a chain is as deep as the chain, which is
// why the tree's destructor and to_json do not recurse.
#ifndef QO_PARSER_PARSER_H
#define QO_PARSER_PARSER_H

#include <string>
#include <string_view>
#include <vector>

#include "lexer/token.h"
#include "parser/ast.h"
#include "parser/context.h"

namespace qo {

inline constexpr int kMaxParseDepth = 400;

template <class T>
struct Parsed {
    Own<T> node;
    Pos pos;
};
struct ParsedBlock {
    Block stmts;
    Pos pos;
};
struct ParsedParams {
    std::vector<Param> params;
    Pos pos;
};
struct ParsedAttrs {
    std::vector<HtmlAttr> attrs;
    Pos pos;
};
struct ParsedChildren {
    HtmlChildren children;
    Pos pos;
    bool at_else = false;  // stopped before `{else}`, which is left unconsumed
};
struct ParsedText {
    std::string text;
    Pos pos;
};

// ---- statements and programs ----

// The whole stream as a program.
Program parse(Context &ctx, const Tokens &tokens);
// One statement at pos.
Parsed<Stmt> parse_stmt(Context &ctx, const Tokens &tokens, Pos pos);
Parsed<Stmt> parse_one(Context &ctx, const Tokens &tokens, Pos pos);
// `{ statements }` at pos; pos of the result is after the `}`.
ParsedBlock parse_block(Context &ctx, const Tokens &tokens, Pos pos);

// ---- expressions ----

Parsed<Expr> parse_expr(Context &ctx, const Tokens &tokens, Pos pos);
// Precedence climbing; min_prec 1 parses a full expression.
Parsed<Expr> parse_binop(Context &ctx, const Tokens &tokens, Pos pos, int min_prec);
Parsed<Expr> parse_postfix(Context &ctx, const Tokens &tokens, Pos pos);
Parsed<Expr> parse_primary(Context &ctx, const Tokens &tokens, Pos pos);
Parsed<Expr> parse_if(Context &ctx, const Tokens &tokens, Pos pos);
Parsed<Expr> parse_match(Context &ctx, const Tokens &tokens, Pos pos);
Parsed<Expr> parse_for_expr(Context &ctx, const Tokens &tokens, Pos pos);
Parsed<Pattern> parse_pattern(const Tokens &tokens, Pos pos);
// `(name: Type, ...)` at pos.
ParsedParams parse_params(const Tokens &tokens, Pos pos);
// The position after the type at pos (`T`, `T?`, `T<...>`, `[T]`).
Pos skip_type(const Tokens &tokens, Pos pos);

// 1 (||) to 6 (* / %) for the binary operators, 0 for any other kind.
int op_precedence(TokKind kind);
bool is_binop(TokKind kind);
// nanos, millis, seconds, minutes, hours, days and their singulars
// (plus millisecond, milliseconds).
bool is_duration_unit(std::string_view word);

// ---- HTML templates ----

// pos at the `<`; an optional `<!doctype ...>` comes first.
Parsed<Expr> parse_html_template(Context &ctx, const Tokens &tokens, Pos pos);
Parsed<html::Element> parse_html_element(Context &ctx, const Tokens &tokens, Pos pos);
// pos after the tag name; stops at the `>` or `/`.
ParsedAttrs parse_html_attrs(Context &ctx, const Tokens &tokens, Pos pos);
// Children up to a closing tag, `{/...}`, `{else}` or Eof. The label names
// the context for readers ("__if_then__", "__each__", the parent tag).
ParsedChildren parse_html_children(Context &ctx, const Tokens &tokens, Pos pos,
                                   std::string_view label);
ParsedChildren parse_html_each_body(Context &ctx, const Tokens &tokens, Pos pos);
// Token texts joined up to the next `<`, `{` or Eof.
ParsedText parse_html_text_tokens(const Tokens &tokens, Pos pos);
// Token texts joined up to `</tag`, then past its `>`.
ParsedText parse_raw_text_content(const Tokens &tokens, Pos pos, std::string_view tag);
bool is_html_tag_name(std::string_view name);
bool is_void_element(std::string_view name);

}  // namespace qo

#endif
