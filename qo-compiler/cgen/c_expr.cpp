// c_expr.cpp -- expressions to C text: literals, names, calls, operators.
//
// Chains. An operator chain `a + b + c` is a tree leaning left; a postfix
// chain `f(x)(y).z` leans on its callee or object; an `else if` chain
// leans on its else arm. Each can be as long as the source, so cg_expr
// does not recurse along them. It walks down the chain first (generating
// what a link needs before the link below it: a call's arguments, an
// if-expression's condition and then arm), generates the bottom node, then
// walks back up, wrapping the text of the link below in each link's own
// text (generating what comes after it: a right operand, an index). The
// wraps are collected as left and right pieces and joined once at the end,
// so a chain of n links costs O(output), not O(n^2) string copies. The order
// in which subexpressions are generated is that of a plain recursive
// generator, which matters: temporaries are numbered and violations are
// recorded in generation order.
#include <utility>

#include "cgen/c_text.h"
#include "cgen/cgen_internal.h"
#include "checks/arity.h"
#include "checks/capabilities.h"
#include "checks/temporal.h"

namespace qo::cgen {

namespace {

// The child a chain continues with, or null when e is generated whole.
const Expr *chain_child(const Expr &e) {
    switch (e.kind) {
    case ExprKind::BinOp: return e.as<expr::BinOp>()->left.get();
    case ExprKind::Field: return e.as<expr::Field>()->object.get();
    case ExprKind::Index: return e.as<expr::Index>()->object.get();
    case ExprKind::Try: return e.as<expr::Try>()->inner.get();
    case ExprKind::Call: {
        const Expr &callee = *e.as<expr::Call>()->func;
        if (callee.kind == ExprKind::Ident) return nullptr;
        if (auto *method = callee.as<expr::Field>()) return method->object.get();
        return &callee;
    }
    case ExprKind::If: {
        const Block &arm = e.as<expr::If>()->else_;
        if (arm.size() != 1) return nullptr;
        auto *only = arm.front()->as<stmt::Expr>();
        return only && only->value->kind == ExprKind::If ? only->value.get() : nullptr;
    }
    default: return nullptr;
    }
}

bool is_kind(const Expr &e, ExprKind kind) { return e.kind == kind; }
bool is_plus(const Expr &e) {
    auto *b = e.as<expr::BinOp>();
    return b && b->op == TokKind::Plus;
}

std::string join_args(Gen &g, const std::vector<Own<Expr>> &args, std::vector<CExpr> *keep = nullptr) {
    std::string text;
    for (std::size_t i = 0; i < args.size(); ++i) {
        CExpr arg = cg_expr(g, *args[i]);
        if (i) text += ", ";
        text += arg.text;
        if (keep) keep->push_back(std::move(arg));
    }
    return text;
}

// One link of a chain: the text it puts left and right of the text of the
// link below it.
struct Link {
    const Expr *node;
    std::string left, right;
};

class ChainGen {
public:
    explicit ChainGen(Gen &g) : g_(g) {}

    CExpr run(const Expr &top) {
        std::vector<Link> links;
        const Expr *cur = &top;
        for (const Expr *next; (next = chain_child(*cur)) != nullptr; cur = next)
            links.push_back(descend(*cur));
        CExpr bottom = gen_leaf(*cur);
        leaf_ = std::move(bottom.text);
        kept_ = links.size();
        Facts facts = bottom.facts;
        for (std::size_t i = links.size(); i-- > 0;) facts = ascend(links[i], i, facts);
        return {assemble(links), facts};
    }

    CExpr gen_leaf(const Expr &e);

private:
    Gen &g_;
    std::string leaf_;  // the text the kept links wrap
    std::size_t kept_ = 0;  // links from this index down were replaced by leaf_

    // What a link generates before the links below it: a call's arguments,
    // an if-expression's condition and then arm.
    Link descend(const Expr &e) {
        Link link{&e, {}, {}};
        if (auto *call = e.as<expr::Call>()) {
            std::string args = join_args(g_, call->args);
            auto *method = call->func->as<expr::Field>();
            if (!method) {
                link.right = "(" + args + ")";
            } else {
                link.left = method->field + "(";
                link.right = args.empty() ? ")" : ", " + args + ")";
            }
        } else if (auto *cond = e.as<expr::If>()) {
            IfExprParts parts = if_expr_parts(g_, *cond);
            link.left = std::move(parts.open) + parts.result + " = (";
            link.right = "); " + std::move(parts.close);
        }
        return link;
    }

    // What a link generates after the links below it; returns its facts.
    Facts ascend(Link &link, std::size_t index, Facts below) {
        const Expr &e = *link.node;
        switch (e.kind) {
        case ExprKind::BinOp: return binop(*e.as<expr::BinOp>(), below, link, index);
        case ExprKind::Field:
            link.left = "qo_get_field(";
            link.right = ", " + c_str_value(e.as<expr::Field>()->field) + ")";
            return 0;
        case ExprKind::Index: {
            const Expr &index_expr = *e.as<expr::Index>()->index;
            link.left = is_kind(index_expr, ExprKind::Str) ? "qo_get_field(" : "qo_list_get(";
            link.right = ", " + cg_text(g_, index_expr) + ")";
            return 0;
        }
        default: return 0;  // calls and ifs are done; Try: the C target has no error propagation
        }
    }

    // A link whose text replaces everything below it (a rejected operator).
    void replace(std::size_t index, const char *text) {
        leaf_ = text;
        kept_ = index;
    }

    std::string assemble(const std::vector<Link> &links) {
        std::size_t size = leaf_.size();
        for (std::size_t i = 0; i < kept_; ++i) size += links[i].left.size() + links[i].right.size();
        std::string out;
        out.reserve(size);
        for (std::size_t i = 0; i < kept_; ++i) out += links[i].left;
        out += leaf_;
        for (std::size_t i = kept_; i-- > 0;) out += links[i].right;
        return out;
    }

    // How an operator is written, and the temporal rule that decided it.
    enum class Form { Plain, Concat, StrEq, Temporal, TemporalSwapped, Rejected };
    TemporalRewrite temporal_;

    Facts binop(const expr::BinOp &b, Facts lf, Link &link, std::size_t index);
    Form binop_form(const expr::BinOp &b, Facts lf, Facts rf);
};

// The operator rules, in order: string concatenation and comparison with a
// literal, the temporal rules, then `+` and `==`/`!=` by operand shape.
Facts ChainGen::binop(const expr::BinOp &b, Facts lf, Link &link, std::size_t index) {
    CExpr right = cg_expr(g_, *b.right);
    switch (binop_form(b, lf, right.facts)) {
    case Form::Plain:
        link.left = "(";
        link.right = std::string(" ") + binop_to_c(b.op) + " " + right.text + ")";
        break;
    case Form::Concat:
        link.left = "qo_str_concat(";
        link.right = ", " + right.text + ")";
        break;
    case Form::StrEq:
        link.left = b.op == TokKind::EqEq ? "str_eq(" : "!str_eq(";
        link.right = ", " + right.text + ")";
        break;
    case Form::Temporal:
        link.left = std::string(temporal_.text) + "(";
        link.right = ", " + right.text + ")";
        break;
    case Form::TemporalSwapped:
        link.left = std::string(temporal_.text) + "(" + right.text + ", ";
        link.right = ")";
        break;
    case Form::Rejected: replace(index, temporal_.text); break;
    }
    return binop_facts(b.op, lf, right.facts);
}

ChainGen::Form ChainGen::binop_form(const expr::BinOp &b, Facts lf, Facts rf) {
    const Expr &l = *b.left, &r = *b.right;
    auto either = [&](ExprKind kind) { return is_kind(l, kind) || is_kind(r, kind); };
    bool equality = b.op == TokKind::EqEq || b.op == TokKind::NotEq;
    if (b.op == TokKind::Plus && either(ExprKind::Str)) return Form::Concat;
    if (equality && either(ExprKind::Str)) return Form::StrEq;

    temporal_ = time_binop(g_.checks, b.op, lf, rf);
    switch (temporal_.form) {
    case TemporalRewrite::Form::Call: return Form::Temporal;
    case TemporalRewrite::Form::SwappedCall: return Form::TemporalSwapped;
    case TemporalRewrite::Form::Placeholder: return Form::Rejected;
    case TemporalRewrite::Form::None: break;
    }

    Facts int_fact = fact(TypedKind::Int);
    bool both_int = (lf & int_fact) && (rf & int_fact);
    if (b.op == TokKind::Plus) {
        if (both_int || either(ExprKind::Int)) return Form::Plain;
        bool textual = either(ExprKind::Call) || is_plus(l) || is_plus(r) || either(ExprKind::Ident);
        return textual ? Form::Concat : Form::Plain;
    }
    if (equality) {
        bool numeric = either(ExprKind::Int) || either(ExprKind::Bool) || both_int ||
                       ((lf | rf) & kFloatFact);
        if (!numeric && (either(ExprKind::Ident) || either(ExprKind::Call))) return Form::StrEq;
    }
    return Form::Plain;
}

std::string duration_literal(const expr::DurationLit &d) {
    return "qo_duration_from_nanos((qo_val_t)(" + d.count + "LL * " + duration_unit_nanos(d.unit) + "))";
}

// A call of a plain name: the checks, then the two special forms.
CExpr ident_call(Gen &g, const expr::Call &call, const std::string &name) {
    std::vector<CExpr> args;
    std::string joined = join_args(g, call.args, &args);
    cap_check_call(g.checks, name);
    arity_check_call(g.checks, name, args.size());
    Facts facts = call_facts(name);
    if (args.size() == 1 && name == "sleep" && (args[0].facts & fact(TypedKind::Duration)))
        return {"qo_sleep_duration(" + joined + ")", facts};
    auto *lit = args.size() == 1 ? call.args[0]->as<expr::Float>() : nullptr;
    if (lit && name == "qo_from_float") return {"qo_from_float(" + lit->value + ")", facts};
    return {name + "(" + joined + ")", facts};
}

CExpr array_literal(Gen &g, const expr::Array &a) {
    if (a.elems.empty()) return {"qo_list_empty()", 0};
    return {"qo_list_new(" + std::to_string(a.elems.size()) + ", " + join_args(g, a.elems) + ")", 0};
}

CExpr map_literal(Gen &g, const expr::Map &m) {
    if (m.pairs.empty()) return {"qo_map_new(0)", 0};
    std::string text = "qo_map_new(" + std::to_string(m.pairs.size());
    for (const MapPair &pair : m.pairs) text += ", " + c_string_literal(pair.key) + ", " + cg_text(g, *pair.value);
    return {text + ")", 0};
}

CExpr negation(Gen &g, const expr::Neg &n) {
    if (auto *lit = n.inner->as<expr::Float>())
        return {"qo_from_float(-" + lit->value + ")", neg_facts(kFloatLiteralFacts, true)};
    CExpr inner = cg_expr(g, *n.inner);
    return {"(-" + inner.text + ")", neg_facts(inner.facts, false)};
}

CExpr ChainGen::gen_leaf(const Expr &e) {
    switch (e.kind) {
    case ExprKind::Int: return {e.as<expr::Int>()->value, kIntLiteralFacts};
    case ExprKind::Float: return {"qo_from_float(" + e.as<expr::Float>()->value + ")", kFloatLiteralFacts};
    case ExprKind::Str: return {c_str_value(e.as<expr::Str>()->value), 0};
    case ExprKind::Bool: return {e.as<expr::Bool>()->value == "true" ? "1" : "0", 0};
    case ExprKind::Nil: return {"QO_NULL", 0};
    case ExprKind::Ident: {
        const std::string &name = e.as<expr::Ident>()->name;
        return {name, ident_facts(g_.checks.typed, name)};
    }
    case ExprKind::DurationLit: return {duration_literal(*e.as<expr::DurationLit>()), kDurationLiteralFacts};
    case ExprKind::Not: return {"!" + cg_text(g_, *e.as<expr::Not>()->inner), kNotFacts};
    case ExprKind::Neg: return negation(g_, *e.as<expr::Neg>());
    case ExprKind::Array: return array_literal(g_, *e.as<expr::Array>());
    case ExprKind::Map: return map_literal(g_, *e.as<expr::Map>());
    case ExprKind::Call: {
        auto &call = *e.as<expr::Call>();
        return ident_call(g_, call, call.func->as<expr::Ident>()->name);
    }
    case ExprKind::If: {
        auto &node = *e.as<expr::If>();
        IfExprParts parts = if_expr_parts(g_, node);
        return {parts.open + if_expr_arm(g_, node.else_, parts.result) + parts.close, 0};
    }
    case ExprKind::Match: return {cg_match(g_, *e.as<expr::Match>()), 0};
    case ExprKind::HtmlTemplate: return {cg_html(g_, *e.as<expr::HtmlTemplate>()), 0};
    default: return {"", 0};  // lambdas and for-expressions have no C form here
    }
}

}  // namespace

CExpr cg_expr(Gen &g, const Expr &e) {
    ChainGen chain(g);
    return chain_child(e) ? chain.run(e) : chain.gen_leaf(e);
}

}  // namespace qo::cgen
