// c_program.cpp -- the shape of the generated file: preamble, the walk over
// the top-level statements, functions, `main` and the diagnostics trailer.
//
// Memory stays bounded by the largest function: the walk parses one
// top-level statement, generates a function at once and drops its tree, and
// checks the compiler's memory ceiling after each one. Only the top-level
// statements and the body of `fn main` are kept until the end, because
// `main` is printed after every other function.
#include "cgen/cgen.h"

#include "cgen/c_text.h"
#include "cgen/cgen_internal.h"
#include "checks/capabilities.h"
#include "parser/parser.h"
#include "qo_runtime.h"

namespace qo {

namespace cgen {

namespace {

bool is_top_level_decl(const Stmt &s) {
    switch (s.kind) {
    case StmtKind::TypeDef: case StmtKind::EnumDef: case StmtKind::Import:
    case StmtKind::CgiBlock: case StmtKind::ExternFn:
        return true;
    default:
        return false;
    }
}

int count_sigs(const std::vector<CSig> &sigs, SigKind kind) {
    int n = 0;
    for (const CSig &sig : sigs) n += sig.kind == kind;
    return n;
}

// What the walk keeps for `main`.
struct MainParts {
    Block top_level;         // top-level statements, in order
    Block main_body;         // the statements of `fn main`
    bool has_top_level = false;
    Own<Stmt> cgi;           // the first cgi block
};

void emit_preamble(Gen &g, const std::vector<CSig> &sigs) {
    int cgis = count_sigs(sigs, SigKind::CgiBlock), services = count_sigs(sigs, SigKind::ServiceBlock);
    for (const std::string &line : program_kind_diagnostics(cgis, services)) g.out.line(line);
    g.checks.program_kind = program_kind_for(cgis, services);
    g.checks.cap_violations.clear();
    g.checks.arity_violations.clear();
    g.checks.time_violations.clear();
    g.out.line("#include <stdint.h>");
    g.out.line("#include <stdlib.h>");
    g.out.line("#include \"qo_runtime.h\"");
    g.out.line("");
    if (sigs.empty()) {
        g.out.line("");
        return;
    }
    for (const CSig &sig : sigs) {
        bool declared = (sig.kind == SigKind::Fn && !sig.is_main) || sig.kind == SigKind::ExternFn;
        if (declared) g.out.line("qo_val_t ", sig.name, "(", sig.params_c, ");");
    }
    g.out.line("");
    bool globals = false;
    for (const CSig &sig : sigs) {
        if (sig.kind != SigKind::ToplevelLet) continue;
        g.out.line("qo_val_t ", sig.name, ";");
        if (sig.ltype == "Int") g.checks.typed.add(TypedKind::Int, sig.name);
        globals = true;
    }
    if (globals) g.out.line("");
}

// Parameters as C: "void", or "qo_val_t a, qo_val_t b".
std::string params_to_c(const std::vector<Param> &params) {
    if (params.empty()) return "void";
    std::string text;
    for (const Param &p : params) text += (text.empty() ? "qo_val_t " : ", qo_val_t ") + p.name;
    return text;
}

// The last expression statement of a non-Void body becomes its return value.
void transform_implicit_return(stmt::FnDef &fn) {
    if (fn.ret_type == "Void" || fn.body.empty()) return;
    auto *last = fn.body.back()->as<stmt::Expr>();
    if (!last || last->value->kind == ExprKind::If || last->value->kind == ExprKind::For) return;
    auto ret = make_node<stmt::Return>();
    ret->value = std::move(last->value);
    fn.body.back() = std::move(ret);
}

void cg_fn(Gen &g, stmt::FnDef &fn) {
    if (violates_role(fn.body, fn.decorator)) g.out.line(role_violation_line(fn.name));
    g.checks.typed.reset();
    std::vector<std::string> param_names;
    for (const Param &p : fn.params) {
        g.checks.typed.add_declared(p.type, p.name);
        param_names.push_back(p.name);
    }
    g.out.line("qo_val_t ", fn.name, "(", params_to_c(fn.params), ") {");
    g.state.names.reset(std::move(param_names));
    transform_implicit_return(fn);
    for (const auto &s : fn.body) cg_stmt(g, *s, "  ");
    g.out.line("  return 0;");
    g.out.line("}");
    g.out.line("");
}

std::string cgi_argument(bool set, const std::string &value) { return set ? c_str_value(value) : "QO_NULL"; }

void emit_main(Gen &g, const std::vector<CSig> &sigs, const MainParts &parts) {
    g.out.line("int main(int _argc, char** _argv) {");
    g.out.line("  qo_runtime_init_args(_argc, _argv);");
    if (parts.cgi) {
        auto &b = *parts.cgi->as<stmt::CgiBlock>();
        g.out.line("  qo_cgi_init(", c_str_value(b.name), ", ", cgi_argument(b.has_tavri_id, b.tavri_id), ", ",
                   cgi_argument(b.has_principal, b.principal), ", ", cgi_argument(b.has_network, b.network),
                   ", ", cgi_argument(b.has_engram, b.engram), ");");
    }
    std::vector<std::string> globals;
    for (const CSig &sig : sigs)
        if (sig.kind == SigKind::ToplevelLet) globals.push_back(sig.name);
    g.state.names.reset(std::move(globals));
    for (const auto &s : parts.top_level)
        if (s->kind != StmtKind::ServiceBlock) cg_stmt(g, *s, "  ");
    for (const auto &s : parts.main_body) cg_stmt(g, *s, "  ");
    g.out.line("  return 0;");
    g.out.line("}");
    g.out.line("");
    for (const std::string &line : diagnostics_trailer(g.checks)) g.out.line(line);
}

// Outside test mode a test block is skipped whole: `test "name" { ... }`.
Pos skip_test_block(const Tokens &tokens, Pos pos) {
    Pos p = step(tokens, pos);
    if (at(tokens, p, TokKind::Str)) p = step(tokens, p);
    return at(tokens, p, TokKind::LBrace) ? skip_to_rbrace(tokens, p) : p;
}

// One parsed top-level statement: generated, kept for main, or dropped.
void take_statement(Gen &g, Own<Stmt> node, MainParts &parts) {
    if (auto *fn = node->as<stmt::FnDef>()) {
        if (fn->name == "main") {
            for (auto &s : fn->body) parts.main_body.push_back(std::move(s));
        } else {
            cg_fn(g, *fn);
            qo_mem_check();
        }
        return;
    }
    if (is_top_level_decl(*node)) {
        if (node->kind == StmtKind::CgiBlock && !parts.cgi) parts.cgi = std::move(node);
        return;
    }
    parts.top_level.push_back(std::move(node));
    parts.has_top_level = true;
}

void walk(Gen &g, const Tokens &tokens, MainParts &parts) {
    Pos pos = 0;
    while (pos < tokens.size() && !at(tokens, pos, TokKind::Eof)) {
        if (at(tokens, pos, TokKind::Test)) {
            pos = g.ctx.test_mode ? cg_test_block(g, tokens, pos) : skip_test_block(tokens, pos);
            continue;
        }
        Parsed<Stmt> parsed = parse_stmt(g.ctx, tokens, pos);
        if (parsed.pos <= pos) {
            ++pos;
            continue;
        }
        pos = parsed.pos;
        take_statement(g, std::move(parsed.node), parts);
        if (g.ctx.test_mode) {  // a test runner has no ordinary main: nothing to keep
            parts.top_level.clear();
            parts.main_body.clear();
        }
    }
}

bool has_main_sig(const std::vector<CSig> &sigs) {
    for (const CSig &sig : sigs)
        if (sig.kind == SigKind::Fn && sig.is_main) return true;
    return false;
}

}  // namespace

}  // namespace cgen

bool codegen_streaming(Context &ctx, const Tokens &tokens, const std::vector<CSig> &sigs,
                       std::FILE *out) {
    using namespace cgen;
    CSink sink(out);
    Gen g(ctx, sink);
    emit_preamble(g, sigs);
    if (ctx.test_mode) emit_test_harness(g);
    MainParts parts;
    walk(g, tokens, parts);
    if (ctx.test_mode) emit_test_main(g);
    else if (has_main_sig(sigs) || parts.has_top_level) emit_main(g, sigs, parts);
    return sink.flush();
}

}  // namespace qo
