// stmt_parser.cpp -- statements, declarations, blocks and whole programs.
//
// A statement has no terminator: it ends where its last expression or
// block ends, so `let x = 1 let y = 2` is two statements and a stray `;`
// or `}` is an expression statement holding Nil. Declarations take their
// names by token text whatever the token's kind, so `fn test()` and
// `let to = 1` declare "test" and "to". parse_stmt decides by the current
// token in a fixed order (the dispatch in parse_stmt below).
#include "parser/parse_support.h"

namespace qo {

using namespace parse_support;

namespace {

template <class N>
Parsed<Stmt> done(Own<N> node, Pos pos) {
    return {std::move(node), pos};
}

Own<Stmt> expr_stmt(Own<Expr> value) {
    auto node = make_node<stmt::Expr>();
    node->value = std::move(value);
    return node;
}

// Statements up to Eof (or `}` for a block), each loop turn moving on by at
// least one token.
Pos parse_stmts(Context &ctx, const Tokens &t, Pos pos, bool in_block, Block &out) {
    while (!at(t, pos, TokKind::Eof) && !(in_block && at(t, pos, TokKind::RBrace))) {
        Parsed<Stmt> s = parse_stmt(ctx, t, pos);
        out.push_back(std::move(s.node));
        pos = s.pos > pos ? s.pos : step(t, pos);
    }
    return pos;
}

Parsed<Stmt> parse_let(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<stmt::Let>();
    node->name = tok_value(t, pos + 1);
    Pos p = step(t, pos, 2);
    if (at(t, p, TokKind::Colon)) {
        p = step(t, p);
        if (at(t, p, TokKind::Ident)) node->type = tok_value(t, p);
        p = skip_type(t, p);
    }
    Parsed<Expr> value = parse_binop(ctx, t, expect(t, p, TokKind::Eq), 1);
    node->value = std::move(value.node);
    return done(std::move(node), value.pos);
}

Parsed<Stmt> parse_return(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<stmt::Return>();
    Pos p = step(t, pos);
    if (at(t, p, TokKind::RBrace) || at(t, p, TokKind::Eof)) {
        node->value = nil();
        return done(std::move(node), p);
    }
    Parsed<Expr> value = parse_binop(ctx, t, p, 1);
    node->value = std::move(value.node);
    return done(std::move(node), value.pos);
}

// Name, parameters and return type of `fn` or `extern fn`; pos at the name.
template <class N>
Pos parse_signature(const Tokens &t, Pos pos, N &node) {
    node.name = tok_value(t, pos);
    ParsedParams params = parse_params(t, step(t, pos));
    node.params = std::move(params.params);
    return parse_ret_type(t, params.pos, node.ret_type);
}

Parsed<Stmt> parse_extern_fn(const Tokens &t, Pos pos) {
    auto node = make_node<stmt::ExternFn>();
    Pos p = parse_signature(t, step(t, pos, 2), *node);
    return done(std::move(node), p);
}

Parsed<Stmt> parse_fn_def(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<stmt::FnDef>();
    Pos p = parse_signature(t, step(t, pos), *node);
    ParsedBlock body = parse_block(ctx, t, p);
    node->body = std::move(body.stmts);
    return done(std::move(node), body.pos);
}

Parsed<Stmt> parse_type_def(const Tokens &t, Pos pos) {
    auto node = make_node<stmt::TypeDef>();
    node->name = tok_value(t, pos + 1);
    Pos p = step(t, pos, 2);
    if (at(t, p, TokKind::Eq)) p = step(t, p);
    p = expect(t, p, TokKind::LBrace);
    while (!at(t, p, TokKind::RBrace) && !at(t, p, TokKind::Eof)) {
        node->fields_.push_back({tok_value(t, p)});
        p = skip_type(t, expect(t, step(t, p), TokKind::Colon));
        if (at(t, p, TokKind::Comma)) p = step(t, p);
    }
    return done(std::move(node), expect(t, p, TokKind::RBrace));
}

Parsed<Stmt> parse_enum_def(const Tokens &t, Pos pos) {
    auto node = make_node<stmt::EnumDef>();
    node->name = tok_value(t, pos + 1);
    Pos p = expect(t, step(t, pos, 2), TokKind::LBrace);
    while (!at(t, p, TokKind::RBrace) && !at(t, p, TokKind::Eof)) {
        node->variants.push_back({tok_value(t, p)});
        p = step(t, p);
        if (at(t, p, TokKind::Comma)) p = step(t, p);
    }
    return done(std::move(node), expect(t, p, TokKind::RBrace));
}

Parsed<Stmt> parse_import(const Tokens &t, Pos pos) {
    auto node = make_node<stmt::Import>();
    node->path = tok_value(t, pos + 1);
    return done(std::move(node), step(t, pos, 2));
}

// `from module [import] [{ a, b }]`; the names are not kept.
Parsed<Stmt> parse_from(const Tokens &t, Pos pos) {
    auto node = make_node<stmt::Import>();
    node->path = tok_value(t, pos + 1);
    Pos p = step(t, pos, 2);
    if (at(t, p, TokKind::Import)) p = step(t, p);
    if (at(t, p, TokKind::LBrace)) {
        p = step(t, p);
        while (!at(t, p, TokKind::RBrace) && !at(t, p, TokKind::Eof)) {
            p = step(t, p);
            if (at(t, p, TokKind::Comma)) p = step(t, p);
        }
        p = expect(t, p, TokKind::RBrace);
    }
    return done(std::move(node), p);
}

Parsed<Stmt> parse_while(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<stmt::While>();
    Parsed<Expr> cond = parse_condition(ctx, t, step(t, pos));
    node->cond = std::move(cond.node);
    ParsedBlock body = parse_block(ctx, t, cond.pos);
    node->body = std::move(body.stmts);
    return done(std::move(node), body.pos);
}

// `for x in e { }` or `for i in a..b { }` / `a..=b`.
Parsed<Stmt> parse_for(Context &ctx, const Tokens &t, Pos pos) {
    std::string var = tok_value(t, pos + 1);
    Parsed<Expr> first = parse_condition(ctx, t, expect(t, step(t, pos, 2), TokKind::In));
    TokKind range = tok_kind(t, first.pos);
    if (range != TokKind::DotDot && range != TokKind::DotDotEq) {
        auto node = make_node<stmt::For>();
        node->item = std::move(var);
        node->list = std::move(first.node);
        ParsedBlock body = parse_block(ctx, t, first.pos);
        node->body = std::move(body.stmts);
        return done(std::move(node), body.pos);
    }
    auto node = make_node<stmt::ForRange>();
    node->var = std::move(var);
    node->start = std::move(first.node);
    Parsed<Expr> end = parse_expr(ctx, t, step(t, first.pos));
    node->end = std::move(end.node);
    node->inclusive = range == TokKind::DotDotEq;
    ParsedBlock body = parse_block(ctx, t, end.pos);
    node->body = std::move(body.stmts);
    return done(std::move(node), body.pos);
}

// `try { } [catch ([name] [: type]) { }]`.
Parsed<Stmt> parse_try(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<stmt::TryCatch>();
    ParsedBlock body = parse_block(ctx, t, step(t, pos));
    node->try_body = std::move(body.stmts);
    Pos p = body.pos;
    if (!at(t, p, TokKind::Catch)) return done(std::move(node), p);
    p = expect(t, step(t, p), TokKind::LParen);
    if (at(t, p, TokKind::Ident)) {
        node->catch_name = tok_value(t, p);
        p = step(t, p);
    }
    if (at(t, p, TokKind::Colon)) p = skip_type(t, step(t, p));
    ParsedBlock handler = parse_block(ctx, t, expect(t, p, TokKind::RParen));
    node->catch_body = std::move(handler.stmts);
    return done(std::move(node), handler.pos);
}

// `@word statement`: only a function keeps the decorator.
Parsed<Stmt> parse_decorated(Context &ctx, const Tokens &t, Pos pos) {
    std::string decorator = tok_value(t, pos + 1);
    Parsed<Stmt> inner = parse_stmt(ctx, t, step(t, pos, 2));
    if (auto *fn = inner.node->as<stmt::FnDef>()) fn->decorator = std::move(decorator);
    return inner;
}

// `key: value` entries of a cgi or service block, each value one token.
template <class Assign>
Pos parse_block_entries(const Tokens &t, Pos pos, Assign assign) {
    Pos p = expect(t, pos, TokKind::LBrace);
    while (!at(t, p, TokKind::RBrace) && !at(t, p, TokKind::Eof)) {
        const std::string &key = tok_value(t, p);
        p = expect(t, step(t, p), TokKind::Colon);
        assign(key, tok_value(t, p));
        p = step(t, p);
        if (at(t, p, TokKind::Comma)) p = step(t, p);
    }
    return expect(t, p, TokKind::RBrace);
}

Parsed<Stmt> parse_cgi(const Tokens &t, Pos pos) {
    auto node = make_node<stmt::CgiBlock>();
    node->name = tok_value(t, pos + 1);
    stmt::CgiBlock &b = *node;
    Pos p = parse_block_entries(t, step(t, pos, 2), [&b](const std::string &key, const std::string &value) {
        if (key == "tavri_id") b.tavri_id = value, b.has_tavri_id = true;
        if (key == "principal") b.principal = value, b.has_principal = true;
        if (key == "network") b.network = value, b.has_network = true;
        if (key == "engram") b.engram = value, b.has_engram = true;
    });
    return done(std::move(node), p);
}

Parsed<Stmt> parse_service(const Tokens &t, Pos pos) {
    auto node = make_node<stmt::ServiceBlock>();
    node->name = tok_value(t, pos + 1);
    stmt::ServiceBlock &b = *node;
    Pos p = parse_block_entries(t, step(t, pos, 2), [&b](const std::string &key, const std::string &value) {
        if (key == "sponsor") b.sponsor = value;
        if (key == "domain") b.domain = value;
    });
    return done(std::move(node), p);
}

Parsed<Stmt> parse_assert(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<stmt::Assert>();
    Parsed<Expr> cond = parse_expr(ctx, t, step(t, pos));
    node->cond = std::move(cond.node);
    Pos p = cond.pos;
    if (at(t, p, TokKind::Comma)) {
        Parsed<Expr> msg = parse_expr(ctx, t, step(t, p));
        node->msg = std::move(msg.node);
        p = msg.pos;
    } else {
        node->msg = make_node<expr::Str>();
    }
    return done(std::move(node), p);
}

Parsed<Stmt> parse_assign(Context &ctx, const Tokens &t, Pos pos) {
    auto node = make_node<stmt::Assign>();
    node->name = tok_value(t, pos);
    Parsed<Expr> value = parse_expr(ctx, t, step(t, pos, 2));
    node->value = std::move(value.node);
    return done(std::move(node), value.pos);
}

template <class N>
Parsed<Stmt> keyword_stmt(const Tokens &t, Pos pos) {
    return {make_node<N>(), step(t, pos)};
}

Parsed<Stmt> parse_expr_stmt(Context &ctx, const Tokens &t, Pos pos) {
    Parsed<Expr> value = parse_expr(ctx, t, pos);
    return {expr_stmt(std::move(value.node)), value.pos};
}

}  // namespace

Program parse(Context &ctx, const Tokens &tokens) {
    Program program;
    parse_stmts(ctx, tokens, 0, false, program);
    return program;
}

Parsed<Stmt> parse_one(Context &ctx, const Tokens &tokens, Pos pos) {
    return parse_stmt(ctx, tokens, pos);
}

ParsedBlock parse_block(Context &ctx, const Tokens &tokens, Pos pos) {
    ParsedBlock block{{}, expect(tokens, pos, TokKind::LBrace)};
    block.pos = parse_stmts(ctx, tokens, block.pos, true, block.stmts);
    block.pos = expect(tokens, block.pos, TokKind::RBrace);
    return block;
}

Parsed<Stmt> parse_stmt(Context &ctx, const Tokens &tokens, Pos pos) {
    DepthScope depth(ctx);
    if (depth.too_deep()) return {expr_stmt(nil()), skip_nested(tokens, pos)};
    switch (tok_kind(tokens, pos)) {
    case TokKind::Let: return parse_let(ctx, tokens, pos);
    case TokKind::Return: return parse_return(ctx, tokens, pos);
    case TokKind::Extern:
        if (at(tokens, pos + 1, TokKind::Fn)) return parse_extern_fn(tokens, pos);
        break;
    case TokKind::Fn: return parse_fn_def(ctx, tokens, pos);
    case TokKind::Type: return parse_type_def(tokens, pos);
    case TokKind::Enum: return parse_enum_def(tokens, pos);
    case TokKind::Import: return parse_import(tokens, pos);
    case TokKind::From: return parse_from(tokens, pos);
    case TokKind::While: return parse_while(ctx, tokens, pos);
    case TokKind::Break: return keyword_stmt<stmt::Break>(tokens, pos);
    case TokKind::Continue: return keyword_stmt<stmt::Continue>(tokens, pos);
    case TokKind::For: return parse_for(ctx, tokens, pos);
    case TokKind::Try: return parse_try(ctx, tokens, pos);
    case TokKind::At: return parse_decorated(ctx, tokens, pos);
    case TokKind::Cgi: return parse_cgi(tokens, pos);
    case TokKind::Service: return parse_service(tokens, pos);
    case TokKind::Assert: return parse_assert(ctx, tokens, pos);
    case TokKind::Ident:
        if (at(tokens, pos + 1, TokKind::Eq)) return parse_assign(ctx, tokens, pos);
        break;
    default: break;
    }
    return parse_expr_stmt(ctx, tokens, pos);
}

}  // namespace qo
