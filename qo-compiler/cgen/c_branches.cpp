// c_branches.cpp -- `if` and `match` as expressions, `match` as a statement.
//
// C has no conditional blocks that yield a value, so both expressions become
// GNU C statement expressions, "({ ... })", whose last expression is the
// value: a numbered result temporary that the taken branch assigns. A
// match jumps to its numbered done label once an arm has matched. The
// numbers come from per-file counters, taken in a fixed order (a match after
// its subject, an if after its condition) so that nested forms never clash
// and the output is reproducible. A match statement is an if/else chain.
#include "cgen/c_text.h"
#include "cgen/cgen_internal.h"

namespace qo::cgen {

namespace {

std::string numbered(const char *prefix, long n) { return prefix + std::to_string(n); }

std::string bool_digit(const std::string &value) { return value == "true" ? "1" : "0"; }

// The test of a literal pattern against the subject, or "" for a pattern
// that always matches (wildcard, binding, and in statements also variants).
std::string literal_test(const Pattern &p, const std::string &subject) {
    if (auto *s = p.as<pattern::LitStr>()) return "str_eq(" + subject + ", " + c_str_value(s->value) + ")";
    if (auto *i = p.as<pattern::LitInt>()) return subject + " == " + i->value;
    if (auto *b = p.as<pattern::LitBool>()) return subject + " == " + bool_digit(b->value);
    return "";
}

// The opening of one arm of a match expression.
std::string arm_prefix(const Pattern &p, const std::string &subject) {
    if (auto *b = p.as<pattern::Binding>()) return "{ qo_val_t " + b->name + " = " + subject + "; ";
    if (auto *v = p.as<pattern::Variant>())
        return "if (str_eq(" + subject + ", " + c_str_value(v->variant) + ")) { ";
    std::string test = literal_test(p, subject);
    return test.empty() ? "{ " : "if (" + test + ") { ";
}

}  // namespace

IfExprParts if_expr_parts(Gen &g, const expr::If &node) {
    std::string cond = cg_text(g, *node.cond);
    IfExprParts parts;
    parts.result = numbered("_if_result_", ++g.state.if_expr_counter);
    parts.open = "({ qo_val_t " + parts.result + " = 0; if (" + cond + ") { " +
                 if_expr_arm(g, node.then, parts.result) + "} else { ";
    parts.close = "} " + parts.result + "; })";
    return parts;
}

std::string if_expr_arm(Gen &g, const Block &arm, const std::string &result) {
    std::string text;
    for (std::size_t i = 0; i < arm.size(); ++i) {
        const Stmt &s = *arm[i];
        if (auto *let = s.as<stmt::Let>()) {
            text += "qo_val_t " + let->name + " = " + cg_text(g, *let->value) + "; ";
        } else if (auto *assign = s.as<stmt::Assign>()) {
            text += assign->name + " = " + cg_text(g, *assign->value) + "; ";
        } else if (auto *ret = s.as<stmt::Return>()) {
            text += result + " = (" + cg_text(g, *ret->value) + "); ";
        } else if (auto *ex = s.as<stmt::Expr>()) {
            std::string value = cg_text(g, *ex->value);
            text += i + 1 == arm.size() ? result + " = (" + value + "); " : "(void)(" + value + "); ";
        }
    }
    return text;
}

std::string cg_match(Gen &g, const expr::Match &node) {
    std::string subject_text = cg_text(g, *node.subject);
    long n = ++g.state.match_counter;
    std::string subject = numbered("_match_subj_", n), result = numbered("_match_result_", n),
                done = numbered("_match_done_", n);
    std::string text = "({ qo_val_t " + subject + " = " + subject_text + "; qo_val_t " + result + " = 0; ";
    for (const MatchArm &arm : node.arms) {
        text += arm_prefix(*arm.pattern, subject);
        text += result + " = (" + cg_text(g, *arm.body) + "); goto " + done + "; } ";
    }
    return text + done + ":; " + result + "; })";
}

void cg_match_stmt(Gen &g, const expr::Match &node, const std::string &indent) {
    const std::string inner = indent + "  ";
    g.out.line(indent, "{");
    std::string subject_text = cg_text(g, *node.subject);
    std::string subject = numbered("_match_subj_", ++g.state.match_counter);
    g.out.line(inner, "qo_val_t ", subject, " = ", subject_text, ";");
    bool first = true, open_chain = false;
    for (const MatchArm &arm : node.arms) {
        std::string test = literal_test(*arm.pattern, subject);
        if (!test.empty()) {
            g.out.line(inner, first ? "if (" : "} else if (", test, ") {");
            g.out.line(inner, "  ", cg_text(g, *arm.body), ";");
            first = false;
            open_chain = true;
            continue;
        }
        g.out.line(inner, first ? "{" : "} else {");
        if (auto *b = arm.pattern->as<pattern::Binding>())
            g.out.line(inner, "  qo_val_t ", b->name, " = ", subject, ";");
        g.out.line(inner, "  ", cg_text(g, *arm.body), ";");
        g.out.line(inner, "}");
        first = true;
        open_chain = false;
    }
    if (open_chain) g.out.line(inner, "}");
    g.out.line(indent, "}");
}

}  // namespace qo::cgen
