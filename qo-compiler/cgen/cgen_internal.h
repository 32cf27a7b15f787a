// cgen_internal.h -- what the C generator's files share (not for other
// phases; cgen.h is the public face).
//
// Gen bundles one compilation's generator state: the Context, the checks'
// state (typed-name sets, violation lists), the temporaries counters, the
// declared-names scope and the output sink. Expressions generate to CExpr,
// their C text plus the facts the checks need about them (is it an integer,
// an instant, ...), computed bottom-up in the same walk so that no test
// ever re-walks a subtree.
//
// Depth. The parser bounds nesting at kMaxParseDepth, except for chains it
// builds by looping: operator chains (a + b + ...), postfix chains
// (f()()..., a.b.c..., x[i][j]..., e??...), `else if` chains, and template
// pieces ({a}{b}...). Those can be 100,000 deep. The generator walks every
// such chain with a loop (c_expr.cpp, cg_if_stmt) and recurses only on the
// parts the parser bounded, so its stack depth stays within a small
// multiple of the parser's.
#ifndef QO_CGEN_CGEN_INTERNAL_H
#define QO_CGEN_CGEN_INTERNAL_H

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "cgen/c_sink.h"
#include "checks/check_state.h"
#include "parser/ast.h"
#include "parser/context.h"

namespace qo::cgen {

// The local names that already have a C declaration in the current scope.
// A nested block works on a copy of its parent's list; here that copy is a
// mark: names added after it are dropped again when the block ends.
class DeclaredNames {
public:
    void reset(std::vector<std::string> names);
    bool has(const std::string &name) const { return set_.count(name) > 0; }
    void add(const std::string &name);
    std::size_t mark() const { return order_.size(); }
    void restore(std::size_t mark);

private:
    std::vector<std::string> order_;
    std::unordered_set<std::string> set_;
};

// Per-compilation generator state (ctx.ext<CgenState>()). The counters are
// never reset: temporaries are numbered through the whole file, from 1.
struct CgenState {
    long html_counter = 0;
    long match_counter = 0;
    long if_expr_counter = 0;
    DeclaredNames names;
    // Test mode: the function of every test block, in source order.
    std::vector<std::string> test_functions;
};

struct Gen {
    Context &ctx;
    CheckState &checks;
    CgenState &state;
    CSink &out;

    Gen(Context &c, CSink &sink)
        : ctx(c), checks(c.ext<CheckState>()), state(c.ext<CgenState>()), out(sink) {}
};

struct CExpr {
    std::string text;
    Facts facts = 0;
};

// ---- expressions (c_expr.cpp) ----
CExpr cg_expr(Gen &g, const Expr &e);
inline std::string cg_text(Gen &g, const Expr &e) { return cg_expr(g, e).text; }

// ---- if-expressions and match (c_branches.cpp) ----
// The parts of an if-expression around its else arm, for the chain loop:
// the whole expression is open + else arm + close.
struct IfExprParts {
    std::string open;   // "({ qo_val_t _if_result_N = 0; if (c) { ...} else { "
    std::string close;  // "} _if_result_N; })"
    std::string result; // "_if_result_N"
};
IfExprParts if_expr_parts(Gen &g, const expr::If &node);
// One arm's statements as pieces assigning to result.
std::string if_expr_arm(Gen &g, const Block &arm, const std::string &result);
std::string cg_match(Gen &g, const expr::Match &node);
void cg_match_stmt(Gen &g, const expr::Match &node, const std::string &indent);

// ---- HTML templates (c_html.cpp) ----
std::string cg_html(Gen &g, const expr::HtmlTemplate &node);

// ---- statements (c_stmt.cpp) ----
// One statement at indent, in the current names scope.
void cg_stmt(Gen &g, const Stmt &s, const std::string &indent);

// ---- test mode (c_test_mode.cpp) ----
void emit_test_harness(Gen &g);
// The test block whose "Test" token is at pos; returns the position after it.
Pos cg_test_block(Gen &g, const Tokens &tokens, Pos pos);
void emit_test_main(Gen &g);

}  // namespace qo::cgen

#endif
