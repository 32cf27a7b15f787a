// expr_parser.cpp -- expressions: precedence climbing, postfix chains and
// the primary forms, with `if`, `match` and `for` as expressions.
//
// Binary operators are all left-associative; a chain of them is built by a
// loop, as are postfix chains and concatenated template pieces, so only
// bracketing constructs recurse (and those pass through parse_binop or
// parse_primary, which enforce the depth limit). `else if` chains are folded
// from a list rather than parsed recursively.
#include <unordered_set>

#include "parser/parse_support.h"

namespace qo {

using namespace parse_support;

namespace {

// `<` followed by `!` or a known tag name opens a template in operand
// position; any other `<` there is not an operand.
bool starts_template(const Tokens &t, Pos pos) {
    if (!at(t, pos, TokKind::Lt)) return false;
    if (at(t, pos + 1, TokKind::Not)) return true;
    return at(t, pos + 1, TokKind::Ident) && is_html_tag_name(tok_value(t, pos + 1));
}

// Keywords that read as plain names in expressions.
bool is_name_keyword(TokKind kind) {
    switch (kind) {
    case TokKind::Target: case TokKind::To: case TokKind::Via: case TokKind::Deploy:
    case TokKind::Reason: case TokKind::Times: case TokKind::Fallback: case TokKind::Retry:
    case TokKind::Parallel: case TokKind::Trace: case TokKind::Requires: case TokKind::Where:
    case TokKind::As: case TokKind::With: case TokKind::Manager: case TokKind::Engine:
    case TokKind::Accessor: case TokKind::Vessel:
        return true;
    default:
        return false;
    }
}

Own<Expr> ident(const std::string &name) {
    auto node = make_node<expr::Ident>();
    node->name = name;
    return node;
}

template <class Lit>
Parsed<Expr> literal(const Tokens &t, Pos pos) {
    auto node = make_node<Lit>();
    node->value = tok_value(t, pos);
    return {std::move(node), step(t, pos)};
}

Own<Expr> binop(TokKind op, Own<Expr> left, Own<Expr> right) {
    auto node = make_node<expr::BinOp>();
    node->op = op;
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
}

// Comma-separated expressions up to `close` (not consumed). An element that
// consumes nothing (a `{` while the block-expression flag is set) is kept as
// Nil and its token stepped over, so the loop always ends.
Pos parse_expr_list(Context &ctx, const Tokens &t, Pos pos, TokKind close,
                    std::vector<Own<Expr>> &out) {
    while (!at(t, pos, close) && !at(t, pos, TokKind::Eof)) {
        Parsed<Expr> item = parse_binop(ctx, t, pos, 1);
        Pos next = item.pos;
        out.push_back(std::move(item.node));
        if (at(t, next, TokKind::Comma)) next = step(t, next);
        pos = next == pos ? step(t, pos) : next;
    }
    return pos;
}

Parsed<Expr> parse_array(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<expr::Array>();
    Pos p = parse_expr_list(ctx, t, step(t, pos), TokKind::RBracket, node->elems);
    return {std::move(node), expect(t, p, TokKind::RBracket)};
}

// `{k: v, ...}` with pos at the `{`; keys are token texts of any kind.
Parsed<Expr> parse_map_literal(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<expr::Map>();
    Pos p = step(t, pos);
    while (!at(t, p, TokKind::RBrace) && !at(t, p, TokKind::Eof)) {
        MapPair pair;
        pair.key = tok_value(t, p);
        p = expect(t, step(t, p), TokKind::Colon);
        Parsed<Expr> value = parse_binop(ctx, t, p, 1);
        pair.value = std::move(value.node);
        p = value.pos;
        if (at(t, p, TokKind::Comma)) p = step(t, p);
        node->pairs.push_back(std::move(pair));
    }
    return {std::move(node), expect(t, p, TokKind::RBrace)};
}

// One template piece: `{ expression }` or an HTML template.
Parsed<Expr> parse_piece(Context &ctx, const Tokens &t, Pos pos) {
    if (!at(t, pos, TokKind::LBrace)) return parse_html_template(ctx, t, pos);
    Parsed<Expr> inner = parse_condition(ctx, t, step(t, pos));
    inner.pos = expect(t, inner.pos, TokKind::RBrace);
    return inner;
}

// Adjacent pieces concatenate: `{a}{b}` is a + b.
Parsed<Expr> parse_pieces(Context &ctx, const Tokens &t, Pos pos) {
    Parsed<Expr> value = parse_piece(ctx, t, pos);
    while (at(t, value.pos, TokKind::LBrace) || starts_template(t, value.pos)) {
        Parsed<Expr> next = parse_piece(ctx, t, value.pos);
        value.node = binop(TokKind::Plus, std::move(value.node), std::move(next.node));
        value.pos = next.pos;
    }
    return value;
}

Parsed<Expr> parse_brace(Context &ctx, const Tokens &t, Pos pos) {
    if (ctx.no_block_expr) return {nil(), pos};
    if (at(t, pos + 1, TokKind::RBrace)) return {make_node<expr::Map>(), step(t, pos, 2)};
    if (at(t, pos + 2, TokKind::Colon)) return parse_map_literal(ctx, t, pos);
    return parse_pieces(ctx, t, pos);
}

Parsed<Expr> parse_lambda(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<expr::Lambda>();
    ParsedParams params = parse_params(t, step(t, pos));
    node->params = std::move(params.params);
    ParsedBlock body = parse_block(ctx, t, parse_ret_type(t, params.pos, node->ret_type));
    node->body = std::move(body.stmts);
    return {std::move(node), body.pos};
}

template <class UnaryNode>
Parsed<Expr> parse_unary(Context &ctx, const Tokens &t, Pos pos) {
    Parsed<Expr> inner = parse_primary(ctx, t, step(t, pos));
    auto node = make_node<UnaryNode>();
    node->inner = std::move(inner.node);
    return {std::move(node), inner.pos};
}

Parsed<Expr> parse_paren(Context &ctx, const Tokens &t, Pos pos) {
    Parsed<Expr> inner = parse_expr(ctx, t, step(t, pos));
    inner.pos = expect(t, inner.pos, TokKind::RParen);
    return inner;
}

Parsed<Expr> parse_call(Context &ctx, const Tokens &t, Parsed<Expr> callee) {
    auto node = make_node<expr::Call>();
    node->func = std::move(callee.node);
    Pos p = parse_expr_list(ctx, t, step(t, callee.pos), TokKind::RParen, node->args);
    return {std::move(node), expect(t, p, TokKind::RParen)};
}

Parsed<Expr> parse_index(Context &ctx, const Tokens &t, Parsed<Expr> object) {
    auto node = make_node<expr::Index>();
    node->object = std::move(object.node);
    Parsed<Expr> index = parse_binop(ctx, t, step(t, object.pos), 1);
    node->index = std::move(index.node);
    return {std::move(node), expect(t, index.pos, TokKind::RBracket)};
}

Parsed<Expr> parse_field(const Tokens &t, Parsed<Expr> object) {
    auto node = make_node<expr::Field>();
    node->object = std::move(object.node);
    node->field = tok_value(t, object.pos + 1);
    return {std::move(node), step(t, object.pos, 2)};
}

// `5.seconds`: an Int literal, a dot and a unit word.
bool starts_duration(const Tokens &t, const Parsed<Expr> &primary) {
    return primary.node->kind == ExprKind::Int && at(t, primary.pos, TokKind::Dot) &&
           at(t, primary.pos + 1, TokKind::Ident) &&
           is_duration_unit(tok_value(t, primary.pos + 1));
}

}  // namespace

Parsed<Expr> parse_expr(Context &ctx, const Tokens &tokens, Pos pos) {
    return parse_binop(ctx, tokens, pos, 1);
}

int op_precedence(TokKind kind) {
    switch (kind) {
    case TokKind::Or: return 1;
    case TokKind::And: return 2;
    case TokKind::EqEq: case TokKind::NotEq: return 3;
    case TokKind::Lt: case TokKind::Gt: case TokKind::LtEq: case TokKind::GtEq: return 4;
    case TokKind::Plus: case TokKind::Minus: return 5;
    case TokKind::Star: case TokKind::Slash: case TokKind::Percent: return 6;
    default: return 0;
    }
}

bool is_binop(TokKind kind) { return op_precedence(kind) > 0; }

bool is_duration_unit(std::string_view word) {
    static const std::unordered_set<std::string_view> units = {
        "nanos", "nano", "millis", "milli", "millisecond", "milliseconds", "second",
        "seconds", "minute", "minutes", "hour", "hours", "day", "days"};
    return units.count(word) > 0;
}

Parsed<Expr> parse_binop(Context &ctx, const Tokens &tokens, Pos pos, int min_prec) {
    DepthScope depth(ctx);  // call arguments and indexes recurse through here
    if (depth.too_deep()) return {nil(), skip_nested(tokens, pos)};
    Parsed<Expr> left = parse_postfix(ctx, tokens, pos);
    for (;;) {
        TokKind op = tok_kind(tokens, left.pos);
        int prec = op_precedence(op);
        if (prec == 0 || prec < min_prec) return left;
        Parsed<Expr> right = parse_binop(ctx, tokens, step(tokens, left.pos), prec + 1);
        left.node = binop(op, std::move(left.node), std::move(right.node));
        left.pos = right.pos;
    }
}

Parsed<Expr> parse_postfix(Context &ctx, const Tokens &tokens, Pos pos) {
    Parsed<Expr> expr = parse_primary(ctx, tokens, pos);
    if (starts_duration(tokens, expr)) {
        auto node = make_node<expr::DurationLit>();
        node->count = static_cast<expr::Int &>(*expr.node).value;
        node->unit = tok_value(tokens, expr.pos + 1);
        expr = {std::move(node), step(tokens, expr.pos, 2)};
    }
    for (;;) {
        switch (tok_kind(tokens, expr.pos)) {
        case TokKind::LParen: expr = parse_call(ctx, tokens, std::move(expr)); break;
        case TokKind::Dot: expr = parse_field(tokens, std::move(expr)); break;
        case TokKind::LBracket: expr = parse_index(ctx, tokens, std::move(expr)); break;
        case TokKind::QuestionMark: {
            auto node = make_node<expr::Try>();
            node->inner = std::move(expr.node);
            expr = {std::move(node), step(tokens, expr.pos)};
            break;
        }
        default: return expr;
        }
    }
}

Parsed<Expr> parse_primary(Context &ctx, const Tokens &tokens, Pos pos) {
    DepthScope depth(ctx);
    if (depth.too_deep()) return {nil(), skip_nested(tokens, pos)};
    TokKind kind = tok_kind(tokens, pos);
    switch (kind) {
    case TokKind::Int: return literal<expr::Int>(tokens, pos);
    case TokKind::Float: return literal<expr::Float>(tokens, pos);
    case TokKind::Str: return literal<expr::Str>(tokens, pos);
    case TokKind::Bool: return literal<expr::Bool>(tokens, pos);
    case TokKind::Lt:
        if (starts_template(tokens, pos)) return parse_html_template(ctx, tokens, pos);
        break;
    case TokKind::Ident: return {ident(tok_value(tokens, pos)), step(tokens, pos)};
    case TokKind::LParen: return parse_paren(ctx, tokens, pos);
    case TokKind::LBracket: return parse_array(ctx, tokens, pos);
    case TokKind::LBrace: return parse_brace(ctx, tokens, pos);
    case TokKind::If: return parse_if(ctx, tokens, pos);
    case TokKind::Match: return parse_match(ctx, tokens, pos);
    case TokKind::For: return parse_for_expr(ctx, tokens, pos);
    case TokKind::Fn: return parse_lambda(ctx, tokens, pos);
    case TokKind::Not: return parse_unary<expr::Not>(ctx, tokens, pos);
    case TokKind::Minus: return parse_unary<expr::Neg>(ctx, tokens, pos);
    default:
        if (is_name_keyword(kind)) return {ident(tok_value(tokens, pos)), step(tokens, pos)};
        break;
    }
    return {nil(), step(tokens, pos)};
}

Parsed<Expr> parse_if(Context &ctx, const Tokens &tokens, Pos pos) {
    struct Branch {
        Own<Expr> cond;
        Block then;
    };
    std::vector<Branch> chain;
    ParsedBlock last_else{{}, pos};
    bool has_else = false;
    Pos p = pos;
    for (;;) {
        Parsed<Expr> cond = parse_condition(ctx, tokens, expect(tokens, p, TokKind::If));
        ParsedBlock then = parse_block(ctx, tokens, cond.pos);
        chain.push_back({std::move(cond.node), std::move(then.stmts)});
        p = then.pos;
        if (!at(tokens, p, TokKind::Else)) break;
        if (at(tokens, p + 1, TokKind::If)) {
            p = step(tokens, p);
            continue;
        }
        last_else = parse_block(ctx, tokens, step(tokens, p));
        p = last_else.pos;
        has_else = true;
        break;
    }
    // Fold from the innermost `else if` outwards.
    Own<Expr> folded;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        auto node = make_node<expr::If>();
        node->cond = std::move(it->cond);
        node->then = std::move(it->then);
        if (folded) {
            auto wrapper = make_node<stmt::Expr>();
            wrapper->value = std::move(folded);
            node->else_.push_back(std::move(wrapper));
            node->has_else = true;
        } else {
            node->else_ = std::move(last_else.stmts);
            node->has_else = has_else;
        }
        folded = std::move(node);
    }
    return {std::move(folded), p};
}

Parsed<Expr> parse_match(Context &ctx, const Tokens &tokens, Pos pos) {
    auto node = make_node<expr::Match>();
    Parsed<Expr> subject = parse_condition(ctx, tokens, expect(tokens, pos, TokKind::Match));
    node->subject = std::move(subject.node);
    Pos p = expect(tokens, subject.pos, TokKind::LBrace);
    while (!at(tokens, p, TokKind::RBrace) && !at(tokens, p, TokKind::Eof)) {
        Parsed<Pattern> pattern = parse_pattern(tokens, p);
        Parsed<Expr> body = parse_binop(ctx, tokens, expect(tokens, pattern.pos, TokKind::FatArrow), 1);
        node->arms.push_back({std::move(pattern.node), std::move(body.node)});
        p = body.pos;
        if (at(tokens, p, TokKind::Comma)) p = step(tokens, p);
    }
    return {std::move(node), expect(tokens, p, TokKind::RBrace)};
}

Parsed<Expr> parse_for_expr(Context &ctx, const Tokens &tokens, Pos pos) {
    auto node = make_node<expr::For>();
    Pos p = expect(tokens, pos, TokKind::For);
    node->item = tok_value(tokens, p);
    Parsed<Expr> list = parse_condition(ctx, tokens, expect(tokens, step(tokens, p), TokKind::In));
    node->list = std::move(list.node);
    ParsedBlock body = parse_block(ctx, tokens, list.pos);
    node->body = std::move(body.stmts);
    return {std::move(node), body.pos};
}

}  // namespace qo
