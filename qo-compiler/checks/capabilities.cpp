// capabilities.cpp -- primitive groups, the capability rule by program kind,
// and the search for role-restricted calls.
#include "checks/capabilities.h"

#include <algorithm>
#include <iterator>

namespace qo {

namespace {

constexpr std::string_view kSelfFormation[] = {"llm_call_agentic", "llm_register_tool", "tavri_emit",
                                               "tavri_field"};
constexpr std::string_view kNetwork[] = {"tavri_connect", "tavri_send",     "tavri_activate",
                                         "tavri_emit",    "tavri_field",    "tavri_strengthen",
                                         "tavri_relationship", "tavri_peers"};
constexpr std::string_view kModel[] = {"llm_call",   "llm_call_system",   "llm_call_agentic",
                                       "llm_vision", "llm_register_tool", "llm_models"};
constexpr std::string_view kRoleRestricted[] = {"tavri_emit", "tavri_field"};

template <std::size_t N>
bool in_group(const std::string_view (&group)[N], std::string_view name) {
    return std::find(std::begin(group), std::end(group), name) != std::end(group);
}

void record(CheckState &state, std::string_view kind, std::string_view callee) {
    std::string entry(kind);
    entry += ':';
    entry += callee;
    state.cap_violations.add(entry);
}

// The walk of the role check: statements and expressions waiting to be
// searched. Only the fields the rule names are pushed.
class RestrictedCallSearch {
public:
    explicit RestrictedCallSearch(const Block &body) { push(body); }

    bool found() {
        while (!stmts_.empty() || !exprs_.empty()) {
            if (!stmts_.empty()) {
                const Stmt *s = stmts_.back();
                stmts_.pop_back();
                visit(*s);
            } else {
                const Expr *e = exprs_.back();
                exprs_.pop_back();
                if (visit(*e)) return true;
            }
        }
        return false;
    }

private:
    std::vector<const Stmt *> stmts_;
    std::vector<const Expr *> exprs_;

    void push(const Block &block) {
        for (const auto &s : block) stmts_.push_back(s.get());
    }
    void push(const Own<Expr> &e) {
        if (e) exprs_.push_back(e.get());
    }

    void visit(const Stmt &s) {
        if (auto *let = s.as<stmt::Let>()) push(let->value);
        else if (auto *ret = s.as<stmt::Return>()) push(ret->value);
        else if (auto *ex = s.as<stmt::Expr>()) push(ex->value);
        else if (auto *w = s.as<stmt::While>()) push(w->cond), push(w->body);
        else if (auto *f = s.as<stmt::For>()) push(f->list), push(f->body);
    }

    // True when e itself is a restricted call; otherwise queues its parts.
    bool visit(const Expr &e) {
        switch (e.kind) {
        case ExprKind::Call: {
            auto &c = *e.as<expr::Call>();
            auto *callee = c.func->as<expr::Ident>();
            if (callee && in_group(kRoleRestricted, callee->name)) return true;
            push(c.func);
            for (const auto &a : c.args) push(a);
            break;
        }
        case ExprKind::BinOp: push(e.as<expr::BinOp>()->left), push(e.as<expr::BinOp>()->right); break;
        case ExprKind::Not: push(e.as<expr::Not>()->inner); break;
        case ExprKind::Neg: push(e.as<expr::Neg>()->inner); break;
        case ExprKind::Try: push(e.as<expr::Try>()->inner); break;
        case ExprKind::Field: push(e.as<expr::Field>()->object); break;
        case ExprKind::Index: push(e.as<expr::Index>()->object), push(e.as<expr::Index>()->index); break;
        case ExprKind::Array:
            for (const auto &el : e.as<expr::Array>()->elems) push(el);
            break;
        case ExprKind::Map:
            for (const auto &pair : e.as<expr::Map>()->pairs) push(pair.value);
            break;
        case ExprKind::If: {
            auto &i = *e.as<expr::If>();
            push(i.cond), push(i.then), push(i.else_);
            break;
        }
        case ExprKind::For: push(e.as<expr::For>()->list), push(e.as<expr::For>()->body); break;
        case ExprKind::Match:
            push(e.as<expr::Match>()->subject);
            for (const auto &arm : e.as<expr::Match>()->arms) push(arm.body);
            break;
        default: break;  // literals, names, lambdas and templates hold no searched call
        }
        return false;
    }
};

}  // namespace

const char *program_kind_for(int cgi_blocks, int service_blocks) {
    if (service_blocks >= 1) return "service";
    return cgi_blocks >= 1 ? "cgi" : "utility";
}

std::vector<std::string> program_kind_diagnostics(int cgi_blocks, int service_blocks) {
    std::vector<std::string> lines;
    if (cgi_blocks > 1)
        lines.push_back("#error \"Qo: multiple cgi blocks in program (only one allowed)\"");
    if (service_blocks > 1)
        lines.push_back("#error \"Qo: multiple service blocks in program (only one allowed)\"");
    if (cgi_blocks >= 1 && service_blocks >= 1)
        lines.push_back(
            "#error \"Qo: program declares both cgi and service blocks (mutually exclusive - pick one)\"");
    return lines;
}

void cap_check_call(CheckState &state, std::string_view callee) {
    const std::string &kind = state.program_kind;
    if (kind == "cgi") return;
    if (kind == "service") {
        if (in_group(kSelfFormation, callee)) record(state, kind, callee);
        return;
    }
    if (in_group(kNetwork, callee) || in_group(kModel, callee)) record(state, kind, callee);
}

void emit_cap_violations(const CheckState &state, std::vector<std::string> &lines) {
    for (std::string_view entry : state.cap_violations.entries()) {
        std::size_t colon = entry.find(':');
        if (colon == 0 || colon == std::string_view::npos) continue;
        lines.push_back("#error \"capability violation: '" + std::string(entry.substr(0, colon)) +
                        "' programs may not call '" + std::string(entry.substr(colon + 1)) +
                        "' (self-formation primitive - only 'cgi' programs may use it)\"");
    }
}

bool vbd_has_restricted_call(const Block &body) { return RestrictedCallSearch(body).found(); }

bool violates_role(const Block &body, const std::optional<std::string> &decorator) {
    return !(decorator && *decorator == "manager") && vbd_has_restricted_call(body);
}

std::string role_violation_line(std::string_view fn_name) {
    return "#error \"VBD violation: tavri_emit/tavri_field called from non-@manager fn '" +
           std::string(fn_name) + "'\"";
}

}  // namespace qo
