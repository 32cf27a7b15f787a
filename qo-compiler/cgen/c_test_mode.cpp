// c_test_mode.cpp -- the test runner that `qoc --test` generates.
//
// Every `test "name" { ... }` block becomes a static C function, and `main`
// calls them in source order and prints "N passed, M failed". Assertions
// (c_stmt.cpp) count into two static counters and report each failure on
// standard error as "FAIL  <test name, 40 wide> <message>". The runner's
// exit status is the number of failed assertions, capped at 255: an exit
// status is 8 bits wide, and 256 failures must not read as success.
#include "cgen/c_text.h"
#include "cgen/cgen_internal.h"
#include "parser/parser.h"

namespace qo::cgen {

namespace {

bool is_ascii_alnum(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// "__qo_test_" + the name with every byte but ASCII letters and digits as
// "_" (so names that differ only there collide, and the C compiler says so).
std::string test_function_name(std::string_view name) {
    std::string out = "__qo_test_";
    for (unsigned char c : name) out += is_ascii_alnum(c) ? static_cast<char>(c) : '_';
    return out;
}

}  // namespace

void emit_test_harness(Gen &g) {
    g.out.line("#include <stdio.h>");
    g.out.line("");
    g.out.line("static int __qo_pass = 0, __qo_fail = 0;");
    g.out.line("static const char *__qo_cur_test = \"(none)\";");
    g.out.line("static void __qo_test_fail(const char *test, const char *msg) {");
    g.out.line("  fprintf(stderr, \"FAIL  %-40s %s\\n\", test, msg);");
    g.out.line("}");
    g.out.line("");
}

Pos cg_test_block(Gen &g, const Tokens &tokens, Pos pos) {
    Pos p = step(tokens, pos);
    std::string name = "unnamed";
    if (at(tokens, p, TokKind::Str)) {
        name = tok_value(tokens, p);
        p = step(tokens, p);
    }
    if (at(tokens, p, TokKind::LBrace)) p = step(tokens, p);
    std::string function = test_function_name(name);
    g.out.line("static void ", function, "(void) {");
    g.out.line("  __qo_cur_test = \"", c_escape(name), "\";");
    g.state.names.reset({});
    while (!at(tokens, p, TokKind::RBrace) && !at(tokens, p, TokKind::Eof)) {
        Parsed<Stmt> parsed = parse_stmt(g.ctx, tokens, p);
        if (parsed.pos <= p) {
            p = step(tokens, p);
            continue;
        }
        p = parsed.pos;
        cg_stmt(g, *parsed.node, "  ");
    }
    if (at(tokens, p, TokKind::RBrace)) p = step(tokens, p);
    g.out.line("}");
    g.out.line("");
    g.state.test_functions.push_back(std::move(function));
    return p;
}

void emit_test_main(Gen &g) {
    g.out.line("int main(int _argc, char **_argv) {");
    g.out.line("  qo_runtime_init_args(_argc, _argv);");
    for (const std::string &function : g.state.test_functions) g.out.line("  ", function, "();");
    g.out.line("  printf(\"%d passed, %d failed\\n\", __qo_pass, __qo_fail);");
    g.out.line("  return __qo_fail < 255 ? __qo_fail : 255;");
    g.out.line("}");
}

}  // namespace qo::cgen
