// js_stmt.cpp -- statements, functions and hoisted lambdas as JavaScript
// lines.
//
// Statements print themselves; expressions inside them may print hoisted
// lambdas first. A function body ends in an implicit return of its last
// expression statement unless the function is declared `-> Void`.
//
// Forms this generator chooses itself (the C target's meaning kept):
//   break / continue      the same JavaScript statements;
//   for i in a..b         for (let i = a; i < b; i++), `<=` for a..=b;
//   assert c, m           if (!(c)) qo_assert_fail(m); -- the runtime
//                         reports "FAIL  <test> <m>" on standard error as
//                         the C test runner does, and counts the failures
//                         into the exit status.
//
// Depth. Blocks nest through the parser's bounded recursion, except the
// else-if chain, which the parser builds by looping: js_cg_if_stmt walks
// the chain in a loop and closes its braces afterwards.
#include "cgen/c_text.h"
#include "jsgen/js_internal.h"

namespace qo::jsgen {

namespace {

std::string param_list(const std::vector<Param> &params) {
    std::string out;
    for (const Param &p : params) {
        if (!out.empty()) out += ", ";
        out += p.name;
    }
    return out;
}

Names param_names(const std::vector<Param> &params) {
    Names names;
    for (const Param &p : params) names.insert(p.name);
    return names;
}

void reset_int_names(JsState &js, const std::vector<Param> &params) {
    js.int_names.clear();
    for (const Param &p : params)
        if (p.type == "Int") js.int_names.add(p.name);
}

bool returns_last_value(const Stmt &s) {
    const auto *e = s.as<stmt::Expr>();
    return e && e->value->kind != ExprKind::If && e->value->kind != ExprKind::For;
}

void js_return(JsState &js, const Expr &value, const std::string &indent) {
    if (value.kind == ExprKind::Nil) js.line(indent + "return null;");
    else js.line(indent + "return " + js_cg_expr(js, value) + ";");
}

// A body at two spaces; unless the function is Void, a last expression
// statement becomes a return of its value.
void js_cg_body(JsState &js, const Block &body, const std::string &ret_type, Names names) {
    const std::string indent = "  ";
    for (std::size_t i = 0; i < body.size(); ++i) {
        const Stmt &s = *body[i];
        if (i + 1 == body.size() && ret_type != "Void" && returns_last_value(s))
            js_return(js, *s.as<stmt::Expr>()->value, indent);
        else
            js_cg_stmt(js, s, indent, names);
    }
}

void js_cg_for_body(JsState &js, const std::string &item, const Expr &list, const Block &body,
                    const std::string &indent, const Names &names) {
    js.line(indent + "for (const " + item + " of " + js_cg_expr(js, list) + ") {");
    Names inner = names;
    inner.insert(item);
    js_cg_stmts(js, body, indent + "  ", std::move(inner));
    js.line(indent + "}");
}

void js_cg_for_range(JsState &js, const stmt::ForRange &r, const std::string &indent, const Names &names) {
    std::string start = js_cg_expr(js, *r.start), end = js_cg_expr(js, *r.end);
    js.line(indent + "for (let " + r.var + " = " + start + "; " + r.var + (r.inclusive ? " <= " : " < ") + end +
            "; " + r.var + "++) {");
    Names inner = names;
    inner.insert(r.var);
    js_cg_stmts(js, r.body, indent + "  ", std::move(inner));
    js.line(indent + "}");
}

// The If of an else block that holds nothing but `else if ...`.
const expr::If *else_if(const expr::If &node) {
    if (node.else_.size() != 1) return nullptr;
    const auto *s = node.else_[0]->as<stmt::Expr>();
    return s ? s->value->as<expr::If>() : nullptr;
}

void js_cg_if_stmt(JsState &js, const expr::If &first, const std::string &indent, const Names &names) {
    std::string ind = indent;
    std::size_t nested = 0;
    for (const expr::If *node = &first; node;) {
        js.line(ind + "if (" + strip_outer_parens(js_cg_expr(js, *node->cond)) + ") {");
        js_cg_stmts(js, node->then, ind + "  ", names);
        if (!node->has_else) break;
        js.line(ind + "} else {");
        const expr::If *next = else_if(*node);
        if (!next) js_cg_stmts(js, node->else_, ind + "  ", names);
        else ind += "  ", ++nested;
        node = next;
    }
    for (;; --nested) {
        js.line(ind + "}");
        if (nested == 0) break;
        ind.resize(ind.size() - 2);
    }
}

void js_cg_let(JsState &js, const stmt::Let &let, const std::string &indent, Names &names) {
    std::string value = js_cg_expr(js, *let.value);
    if (let.type == "Int" || let.value->kind == ExprKind::Int) js.int_names.add(let.name);
    if (names.insert(let.name).second) js.line(indent + "let " + let.name + " = " + value + ";");
    else js.line(indent + let.name + " = " + value + ";");
}

void js_cg_expr_stmt(JsState &js, const Expr &value, const std::string &indent, const Names &names) {
    if (const auto *node = value.as<expr::If>()) return js_cg_if_stmt(js, *node, indent, names);
    if (const auto *loop = value.as<expr::For>()) return js_cg_for_body(js, loop->item, *loop->list, loop->body, indent, names);
    js.line(indent + js_cg_expr(js, value) + ";");
}

void js_cg_try(JsState &js, const stmt::TryCatch &t, const std::string &indent, const Names &names) {
    js.line(indent + "try {");
    js_cg_stmts(js, t.try_body, indent + "  ", names);
    js.line(indent + "} catch (" + t.catch_name + ") {");
    js_cg_stmts(js, t.catch_body, indent + "  ", names);
    js.line(indent + "}");
}

void js_cg_assert(JsState &js, const stmt::Assert &a, const std::string &indent) {
    std::string cond = js_cg_expr(js, *a.cond), msg = js_cg_expr(js, *a.msg);
    js.line(indent + "if (!(" + cond + ")) qo_assert_fail(" + msg + ");");
}

}  // namespace

void js_cg_stmt(JsState &js, const Stmt &s, const std::string &indent, Names &names) {
    switch (s.kind) {
    case StmtKind::Let: return js_cg_let(js, *s.as<stmt::Let>(), indent, names);
    case StmtKind::Return: return js_return(js, *s.as<stmt::Return>()->value, indent);
    case StmtKind::Assign: {
        const auto &a = *s.as<stmt::Assign>();
        return js.line(indent + a.name + " = " + js_cg_expr(js, *a.value) + ";");
    }
    case StmtKind::Expr: return js_cg_expr_stmt(js, *s.as<stmt::Expr>()->value, indent, names);
    case StmtKind::While: {
        const auto &w = *s.as<stmt::While>();
        js.line(indent + "while (" + strip_outer_parens(js_cg_expr(js, *w.cond)) + ") {");
        js_cg_stmts(js, w.body, indent + "  ", names);
        return js.line(indent + "}");
    }
    case StmtKind::For: {
        const auto &f = *s.as<stmt::For>();
        return js_cg_for_body(js, f.item, *f.list, f.body, indent, names);
    }
    case StmtKind::ForRange: return js_cg_for_range(js, *s.as<stmt::ForRange>(), indent, names);
    case StmtKind::Break: return js.line(indent + "break;");
    case StmtKind::Continue: return js.line(indent + "continue;");
    case StmtKind::TryCatch: return js_cg_try(js, *s.as<stmt::TryCatch>(), indent, names);
    case StmtKind::Assert: return js_cg_assert(js, *s.as<stmt::Assert>(), indent);
    case StmtKind::ExternFn:
        return js.line(indent + "// extern fn " + s.as<stmt::ExternFn>()->name +
                       " \xE2\x80\x94 provided by the JS environment");
    case StmtKind::CgiBlock:
        return js.line(indent + "// cgi block '" + s.as<stmt::CgiBlock>()->name +
                       "' \xE2\x80\x94 no-op in JS target (server-side concept)");
    case StmtKind::ServiceBlock:
        return js.line(indent + "// service block '" + s.as<stmt::ServiceBlock>()->name +
                       "' \xE2\x80\x94 no-op in JS target");
    default: return;  // FnDef, TypeDef, EnumDef, Import
    }
}

void js_cg_stmts(JsState &js, const Block &block, const std::string &indent, Names names) {
    for (const auto &s : block) js_cg_stmt(js, *s, indent, names);
}

void js_cg_fn(JsState &js, const stmt::FnDef &fn) {
    reset_int_names(js, fn.params);
    bool async = fn.decorator && *fn.decorator == "async";
    if (async) js.async_fns.add(fn.name);
    js.line(std::string(async ? "async function " : "function ") + fn.name + "(" + param_list(fn.params) + ") {");
    js_cg_body(js, fn.body, fn.ret_type, param_names(fn.params));
    js.line("}");
    js.line("");
}

std::string js_cg_lambda(JsState &js, const expr::Lambda &lambda) {
    std::string name = "__lambda_" + std::to_string(++js.lambda_counter);
    reset_int_names(js, lambda.params);
    js.line("function " + name + "(" + param_list(lambda.params) + ") {");
    js_cg_body(js, lambda.body, lambda.ret_type, param_names(lambda.params));
    js.line("}");
    js.line("");
    return name;
}

}  // namespace qo::jsgen
