// Nesting 100,000 levels deep, of every kind the grammar nests, must lex,
// scan, parse and free without overflowing the stack, and the parser
// must still reach the end of the input. Chains the grammar builds by
// iteration keep their full depth in the tree.
#include <gtest/gtest.h>

#include "driver/signatures.h"
#include "frontend_util.h"

namespace qo {
namespace {

constexpr int kDeep = 100000;

std::string repeat(const std::string &s, int n) {
    std::string out;
    out.reserve(s.size() * n);
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Lexes, scans, parses and frees source; returns the program's size.
std::size_t survive(const std::string &source) {
    Tokens tokens = lex(source);
    scan_fn_sigs(tokens);
    scan_fn_sigs_qo(tokens);
    Context ctx;
    Program program = parse(ctx, tokens);
    EXPECT_EQ(ctx.depth, 0);
    return program.size();
}

struct Case {
    const char *name;
    std::string source;
};

TEST(DeepNesting, EveryNestingKindSurvives) {
    const std::vector<Case> cases = {
        {"parentheses", repeat("(", kDeep) + "x" + repeat(")", kDeep)},
        {"brackets", repeat("[", kDeep) + repeat("]", kDeep)},
        {"braces", repeat("{", kDeep) + repeat("}", kDeep)},
        {"map literals", repeat("{a: ", kDeep) + "1" + repeat("}", kDeep)},
        {"unary minus", repeat("-", kDeep) + "x"},
        {"lambdas", repeat("fn() { ", kDeep) + repeat("}", kDeep)},
        {"if blocks", repeat("if a { ", kDeep) + repeat("}", kDeep)},
        {"while blocks", "fn f() { " + repeat("while a { ", kDeep) + repeat("}", kDeep) + "}"},
        {"match arms", repeat("match a { _ => ", kDeep) + repeat("}", kDeep)},
        {"elements", "let x = " + repeat("<div>", kDeep) + repeat("</div>", kDeep)},
        {"template ifs", "let x = <p>" + repeat("{if a}", kDeep) + repeat("{/if}", kDeep) + "</p>"},
        {"template eaches", "let x = <p>" + repeat("{each a as b}", kDeep) + "</p>"},
        {"interpolations", repeat("\"${", kDeep) + repeat("}\"", kDeep)},
        {"unclosed interpolations", repeat("\"${", kDeep)},
        {"decorators", repeat("@a ", kDeep) + "fn f() { }"},
        {"list types", "fn f(a: " + repeat("[", kDeep) + "Int" + repeat("]", kDeep) + ") { }"},
        {"generic types", "fn f(a: " + repeat("M<", kDeep) + "Int" + repeat(">", kDeep) + ") { }"},
        {"mixed openers", repeat("([{", kDeep)},
        {"calls in arguments", repeat("f(", kDeep) + repeat(")", kDeep)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_GE(survive(c.source), 1u);
    }
}

TEST(DeepNesting, IterativeChainsKeepTheirFullDepth) {
    Context ctx;
    Program plus = parse(ctx, lex("a" + repeat(" + a", kDeep)));
    ASSERT_EQ(plus.size(), 1u);
    const Expr *e = plus[0]->as<stmt::Expr>()->value.get();
    int depth = 0;
    while (auto *b = e->as<expr::BinOp>()) e = b->left.get(), ++depth;
    EXPECT_EQ(depth, kDeep);
    // Rendering a tree that deep does not recurse either.
    const std::string leaf = R"({"expr":"Ident","name":"a"})";
    const std::size_t per_level =
        std::string(R"({"expr":"BinOp","op":"Plus","left":)" R"(,"right":)").size() + leaf.size() + 1;
    std::string json = to_json(plus);
    EXPECT_EQ(json.size(), std::string(R"([{"stmt":"Expr","value":)").size() + leaf.size() + kDeep * per_level + 2);
    EXPECT_EQ(json.substr(json.size() - leaf.size() - 3), leaf + "}}]");

    Program chain = parse(ctx, lex(repeat("if a { } else ", kDeep) + "{ b }"));
    ASSERT_EQ(chain.size(), 1u);
    const expr::If *level = chain[0]->as<stmt::Expr>()->value->as<expr::If>();
    int ifs = 1;
    while (!level->else_.empty() && level->else_[0]->kind == StmtKind::Expr) {
        const auto *next = level->else_[0]->as<stmt::Expr>()->value->as<expr::If>();
        if (!next) break;
        level = next, ++ifs;
    }
    EXPECT_EQ(ifs, kDeep);
    EXPECT_EQ(to_json(level->else_), R"([{"stmt":"Expr","value":{"expr":"Ident","name":"b"}}])");

    for (const std::string &chain_source :
         {"f" + repeat("()", kDeep), "x" + repeat(".f", kDeep), "x = " + repeat("{a}", kDeep)}) {
        EXPECT_EQ(survive(chain_source), 1u);
    }
}

TEST(DeepNesting, PastTheLimitTheRestOfTheGroupReadsAsNil) {
    // A nesting just inside the limit parses in full; past it, the inner
    // group becomes one Nil and the parse goes on after it.
    // Each parenthesis costs two levels (the operand and the expression
    // inside it); the statement and its expression count too.
    const int inside = (kMaxParseDepth - 3) / 2;
    std::string json = testing::program_json(repeat("(", inside) + "x" + repeat(")", inside));
    EXPECT_NE(json.find(R"("name":"x")"), std::string::npos);
    std::string deep = repeat("(", kMaxParseDepth + 10) + "x" + repeat(")", kMaxParseDepth + 10) + " y";
    EXPECT_EQ(testing::program_json(deep),
              R"([{"stmt":"Expr","value":{"expr":"Nil"}},{"stmt":"Expr","value":{"expr":"Ident","name":"y"}}])");
}

}  // namespace
}  // namespace qo
