// c_stmt.cpp -- statements to C lines.
//
// Every statement prints whole lines at its indentation; a nested block is
// indented two more spaces and works on a copy of the declared-names list
// (a mark in DeclaredNames), so a `let` declares a C variable the first
// time its name is seen in scope and assigns it afterwards. A `let` also
// files its name in the typed-name sets that its declared type and its
// value call for, which later operators consult.
//
// `else if` chains can be as long as the source: cg_if_stmt follows them
// with a loop, keeping one indentation string, rather than recursing.
#include "cgen/c_text.h"
#include "cgen/cgen_internal.h"

namespace qo::cgen {

namespace {

// A block at indent on a copy of the names list, plus extra names.
void scoped_block(Gen &g, const Block &block, const std::string &indent,
                  const std::string *extra = nullptr) {
    std::size_t mark = g.state.names.mark();
    if (extra) g.state.names.add(*extra);
    for (const auto &s : block) cg_stmt(g, *s, indent);
    g.state.names.restore(mark);
}

void file_let_name(Gen &g, const stmt::Let &let, Facts value_facts) {
    TypedNames &typed = g.checks.typed;
    typed.add_declared(let.type, let.name);
    if (let.value->kind == ExprKind::Int) typed.add(TypedKind::Int, let.name);
    for (std::size_t i = 1; i < kTypedKinds; ++i) {
        TypedKind kind = static_cast<TypedKind>(i);
        if (value_facts & fact(kind)) typed.add(kind, let.name);
    }
}

void cg_let(Gen &g, const stmt::Let &let, const std::string &indent) {
    CExpr value = cg_expr(g, *let.value);
    file_let_name(g, let, value.facts);
    if (g.state.names.has(let.name)) {
        g.out.line(indent, let.name, " = ", value.text, ";");
    } else {
        g.out.line(indent, "qo_val_t ", let.name, " = ", value.text, ";");
        g.state.names.add(let.name);
    }
}

// The else arm that continues an `else if` chain, or null.
const expr::If *else_if(const expr::If &node) {
    if (node.else_.size() != 1) return nullptr;
    auto *only = node.else_.front()->as<stmt::Expr>();
    return only ? only->value->as<expr::If>() : nullptr;
}

void cg_if_stmt(Gen &g, const expr::If &node, const std::string &indent) {
    std::string ind = indent;
    std::size_t nested = 0;
    for (const expr::If *cur = &node;;) {
        g.out.line(ind, "if (", strip_outer_parens(cg_text(g, *cur->cond)), ") {");
        scoped_block(g, cur->then, ind + "  ");
        if (!cur->has_else) break;
        g.out.line(ind, "} else {");
        if (const expr::If *next = else_if(*cur)) {
            ind += "  ";
            ++nested;
            cur = next;
            continue;
        }
        scoped_block(g, cur->else_, ind + "  ");
        break;
    }
    g.out.line(ind, "}");
    for (; nested > 0; --nested) {
        ind.resize(ind.size() - 2);
        g.out.line(ind, "}");
    }
}

void cg_for_body(Gen &g, const std::string &item, const Expr &list, const Block &body,
                 const std::string &indent) {
    g.out.line(indent, "{");
    g.out.line(indent, "  qo_val_t _qo_lst = ", cg_text(g, list), ";");
    g.out.line(indent, "  qo_val_t _qo_len = qo_list_len(_qo_lst);");
    g.out.line(indent, "  for (qo_val_t _qo_i = 0; _qo_i < _qo_len; _qo_i++) {");
    g.out.line(indent, "    qo_val_t ", item, " = qo_list_get(_qo_lst, _qo_i);");
    scoped_block(g, body, indent + "    ", &item);
    g.out.line(indent, "  }");
    g.out.line(indent, "}");
}

void cg_for_range(Gen &g, const stmt::ForRange &r, const std::string &indent) {
    std::string start = cg_text(g, *r.start);
    std::string end = cg_text(g, *r.end);
    g.out.line(indent, "for (qo_val_t ", r.var, " = ", start, "; ", r.var, r.inclusive ? " <= " : " < ",
               end, "; ", r.var, "++) {");
    scoped_block(g, r.body, indent + "  ", &r.var);
    g.out.line(indent, "}");
}

void cg_assert(Gen &g, const stmt::Assert &a, const std::string &indent) {
    std::string cond = cg_text(g, *a.cond);
    auto *literal = a.msg->as<expr::Str>();
    std::string message = literal ? c_string_literal(literal->value) : "QO_STR_PTR(" + cg_text(g, *a.msg) + ")";
    g.out.line(indent, "if (!(", cond, ")) {");
    g.out.line(indent, "  __qo_test_fail(__qo_cur_test, ", message, "); __qo_fail++;");
    g.out.line(indent, "} else { __qo_pass++; }");
}

void cg_expr_stmt(Gen &g, const Expr &value, const std::string &indent) {
    if (auto *cond = value.as<expr::If>()) cg_if_stmt(g, *cond, indent);
    else if (auto *loop = value.as<expr::For>()) cg_for_body(g, loop->item, *loop->list, loop->body, indent);
    else if (auto *match = value.as<expr::Match>()) cg_match_stmt(g, *match, indent);
    else g.out.line(indent, cg_text(g, value), ";");
}

}  // namespace

void DeclaredNames::reset(std::vector<std::string> names) {
    order_ = std::move(names);
    set_ = std::unordered_set<std::string>(order_.begin(), order_.end());
}

void DeclaredNames::add(const std::string &name) {
    if (set_.insert(name).second) order_.push_back(name);
}

void DeclaredNames::restore(std::size_t mark) {
    for (std::size_t i = mark; i < order_.size(); ++i) set_.erase(order_[i]);
    order_.resize(mark);
}

void cg_stmt(Gen &g, const Stmt &s, const std::string &indent) {
    switch (s.kind) {
    case StmtKind::Let: cg_let(g, *s.as<stmt::Let>(), indent); break;
    case StmtKind::Return: {
        const Expr &value = *s.as<stmt::Return>()->value;
        if (value.kind == ExprKind::Nil) g.out.line(indent, "return 0;");
        else g.out.line(indent, "return ", cg_text(g, value), ";");
        break;
    }
    case StmtKind::Break: g.out.line(indent, "break;"); break;
    case StmtKind::Continue: g.out.line(indent, "continue;"); break;
    case StmtKind::Assign: {
        auto &a = *s.as<stmt::Assign>();
        g.out.line(indent, a.name, " = ", cg_text(g, *a.value), ";");
        break;
    }
    case StmtKind::Expr: cg_expr_stmt(g, *s.as<stmt::Expr>()->value, indent); break;
    case StmtKind::While: {
        auto &w = *s.as<stmt::While>();
        g.out.line(indent, "while (", strip_outer_parens(cg_text(g, *w.cond)), ") {");
        scoped_block(g, w.body, indent + "  ");
        g.out.line(indent, "}");
        break;
    }
    case StmtKind::For: {
        auto &f = *s.as<stmt::For>();
        cg_for_body(g, f.item, *f.list, f.body, indent);
        break;
    }
    case StmtKind::ForRange: cg_for_range(g, *s.as<stmt::ForRange>(), indent); break;
    case StmtKind::TryCatch:
        g.out.line(indent, "/* try (C target: exception handling not supported) */");
        scoped_block(g, s.as<stmt::TryCatch>()->try_body, indent);
        break;
    case StmtKind::Assert: cg_assert(g, *s.as<stmt::Assert>(), indent); break;
    default: break;  // declarations have no code inside a body
    }
}

}  // namespace qo::cgen
