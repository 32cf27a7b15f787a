// The statement parser: every statement and declaration form, programs
// without separators, and the recovery paths (missing punctuation, stray
// tokens, keyword names).
#include <gtest/gtest.h>

#include "frontend_util.h"

namespace qo {
namespace {

using testing::program_json;
using testing::stmt_json;

const std::string one = R"({"expr":"Int","value":"1"})";
const std::string nil = R"({"expr":"Nil"})";
const std::string nil_stmt = R"({"stmt":"Expr","value":{"expr":"Nil"}})";
std::string id(const char *name) { return std::string(R"({"expr":"Ident","name":")") + name + "\"}"; }

TEST(StmtParser, LetTakesAnyTokenAsNameAndKeepsTheLeadingTypeIdentifier) {
    EXPECT_EQ(stmt_json("let x = 1"), R"({"stmt":"Let","name":"x","value":)" + one + R"(,"type":""})");
    EXPECT_EQ(stmt_json("let to = 1"), R"({"stmt":"Let","name":"to","value":)" + one + R"(,"type":""})");
    EXPECT_EQ(stmt_json("let x: [Int] = []"),
              R"({"stmt":"Let","name":"x","value":{"expr":"Array","elems":[]},"type":""})");
    EXPECT_EQ(stmt_json("let y: Map<String, Int>? = {}"),
              R"({"stmt":"Let","name":"y","value":{"expr":"Map","pairs":[]},"type":"Map"})");
    // Missing `=`: the next token is stepped over as if it were one.
    EXPECT_EQ(stmt_json("let x 1 2"), R"({"stmt":"Let","name":"x","value":{"expr":"Int","value":"2"},"type":""})");
}

TEST(StmtParser, StatementsNeedNoSeparator) {
    EXPECT_EQ(program_json("let x = 1 let y = 2"),
              R"([{"stmt":"Let","name":"x","value":)" + one + R"(,"type":""},)"
              R"({"stmt":"Let","name":"y","value":{"expr":"Int","value":"2"},"type":""}])");
    EXPECT_EQ(program_json(""), "[]");
    // `;` and a stray `}` are expression statements holding Nil.
    EXPECT_EQ(program_json("; }"), "[" + nil_stmt + "," + nil_stmt + "]");
}

TEST(StmtParser, ReturnWithAndWithoutValue) {
    EXPECT_EQ(stmt_json("return 1"), R"({"stmt":"Return","value":)" + one + "}");
    EXPECT_EQ(stmt_json("return }"), R"({"stmt":"Return","value":)" + nil + "}");
    EXPECT_EQ(stmt_json("return"), R"({"stmt":"Return","value":)" + nil + "}");
    EXPECT_EQ(program_json("fn f() { return }"),
              R"([{"stmt":"FnDef","name":"f","params":[],"body":[{"stmt":"Return","value":)" + nil +
                  R"(}],"ret_type":""}])");
}

TEST(StmtParser, FunctionsExternsAndDecorators) {
    EXPECT_EQ(stmt_json("fn add(a: Int, b: Int) -> Int { a + b }"),
              R"({"stmt":"FnDef","name":"add","params":[{"name":"a","type":"Int"},{"name":"b","type":"Int"}],)"
              R"("body":[{"stmt":"Expr","value":{"expr":"BinOp","op":"Plus","left":{"expr":"Ident","name":"a"},)"
              R"("right":{"expr":"Ident","name":"b"}}}],"ret_type":"Int"})");
    EXPECT_EQ(stmt_json("fn test() { }"), R"({"stmt":"FnDef","name":"test","params":[],"body":[],"ret_type":""})");
    EXPECT_EQ(stmt_json("extern fn puts(s: String) -> Int? let"),
              R"({"stmt":"ExternFn","name":"puts","params":[{"name":"s","type":"String"}],"ret_type":"Int"})");
    EXPECT_EQ(stmt_json("@manager fn f() { }"),
              R"({"stmt":"FnDef","name":"f","params":[],"body":[],"ret_type":"","decorator":"manager"})");
    EXPECT_EQ(stmt_json("@route let x = 1"), R"({"stmt":"Let","name":"x","value":)" + one + R"(,"type":""})");
    // `extern` without `fn` is an operand nobody can parse.
    EXPECT_EQ(program_json("extern x"), "[" + nil_stmt + R"(,{"stmt":"Expr","value":)" + id("x") + "}]");
}

TEST(StmtParser, TypesEnumsAndImports) {
    std::string def = R"({"stmt":"TypeDef","name":"P","fields":[{"name":"a"},{"name":"b"}]})";
    EXPECT_EQ(stmt_json("type P { a: Int, b: [Map<K, V>] }"), def);
    EXPECT_EQ(stmt_json("type P = { a: Int b: X }"), def);
    EXPECT_EQ(stmt_json("enum E { A, B C }"),
              R"({"stmt":"EnumDef","name":"E","variants":[{"name":"A"},{"name":"B"},{"name":"C"}]})");
    EXPECT_EQ(stmt_json("import \"lib/util.qo\""), R"({"stmt":"Import","path":"lib/util.qo"})");
    EXPECT_EQ(program_json("from util import { a, b }"), R"([{"stmt":"Import","path":"util"}])");
    EXPECT_EQ(program_json("from util import a"),
              R"([{"stmt":"Import","path":"util"},{"stmt":"Expr","value":)" + id("a") + "}]");
}

TEST(StmtParser, Loops) {
    EXPECT_EQ(stmt_json("while x { break continue }"),
              R"({"stmt":"While","cond":)" + id("x") + R"(,"body":[{"stmt":"Break"},{"stmt":"Continue"}]})");
    EXPECT_EQ(stmt_json("for x in xs { }"), R"({"stmt":"For","item":"x","list":)" + id("xs") + R"(,"body":[]})");
    EXPECT_EQ(stmt_json("for i in 0..n { }"),
              R"({"stmt":"ForRange","var":"i","start":{"expr":"Int","value":"0"},"end":)" + id("n") +
                  R"(,"inclusive":0,"body":[]})");
    EXPECT_EQ(stmt_json("for i in 0..=9 { }"),
              R"({"stmt":"ForRange","var":"i","start":{"expr":"Int","value":"0"},"end":{"expr":"Int","value":"9"},"inclusive":1,"body":[]})");
}

TEST(StmtParser, TryCatch) {
    std::string call = R"({"stmt":"Expr","value":{"expr":"Call","func":{"expr":"Ident","name":"a"},"args":[]}})";
    EXPECT_EQ(stmt_json("try { a() }"),
              R"({"stmt":"TryCatch","try_body":[)" + call + R"(],"catch_name":"err","catch_body":[]})");
    EXPECT_EQ(stmt_json("try { } catch (e: Error) { a() }"),
              R"({"stmt":"TryCatch","try_body":[],"catch_name":"e","catch_body":[)" + call + "]}");
    EXPECT_EQ(stmt_json("try { } catch () { }"),
              R"({"stmt":"TryCatch","try_body":[],"catch_name":"err","catch_body":[]})");
}

TEST(StmtParser, CgiAndServiceBlocks) {
    EXPECT_EQ(stmt_json("cgi Api { engram: \"mem\", network: main }"),
              R"({"stmt":"CgiBlock","name":"Api","tavri_id":"","principal":"","network":"main","engram":"mem",)"
              R"("has_tavri_id":0,"has_principal":0,"has_network":1,"has_engram":1})");
    EXPECT_EQ(stmt_json("cgi A { tavri_id: 1 principal: p x: y tavri_id: 2 }"),
              R"({"stmt":"CgiBlock","name":"A","tavri_id":"2","principal":"p","network":"","engram":"",)"
              R"("has_tavri_id":1,"has_principal":1,"has_network":0,"has_engram":0})");
    EXPECT_EQ(stmt_json("service S { sponsor: \"acme\", domain: d, other: 1 }"),
              R"({"stmt":"ServiceBlock","name":"S","sponsor":"acme","domain":"d"})");
}

TEST(StmtParser, AssertAndAssign) {
    EXPECT_EQ(stmt_json("assert x > 0"),
              R"({"stmt":"Assert","cond":{"expr":"BinOp","op":"Gt","left":)" + id("x") +
                  R"(,"right":{"expr":"Int","value":"0"}},"msg":{"expr":"Str","value":""}})");
    EXPECT_EQ(stmt_json("assert ok, \"bad\""),
              R"({"stmt":"Assert","cond":)" + id("ok") + R"(,"msg":{"expr":"Str","value":"bad"}})");
    EXPECT_EQ(stmt_json("x = 1"), R"({"stmt":"Assign","name":"x","value":)" + one + "}");
    // Only a plain name is assigned: `a.b = c` is three statements.
    EXPECT_EQ(program_json("a.b = c"),
              R"([{"stmt":"Expr","value":{"expr":"Field","object":)" + id("a") + R"(,"field":"b"}},)" + nil_stmt +
                  R"(,{"stmt":"Expr","value":)" + id("c") + "}]");
}

TEST(StmtParser, IfAndMatchAreExpressionStatementsAndTestGivesNil) {
    EXPECT_EQ(stmt_json("if a { }"),
              R"({"stmt":"Expr","value":{"expr":"If","cond":)" + id("a") + R"(,"then":[],"else":[],"has_else":0}})");
    EXPECT_EQ(stmt_json("match a { }"), R"({"stmt":"Expr","value":{"expr":"Match","subject":)" + id("a") + R"(,"arms":[]}})");
    Context ctx;
    Parsed<Stmt> test = parse_stmt(ctx, lex("test \"t\" { }"), 0);
    EXPECT_EQ(to_json(*test.node), nil_stmt);
    EXPECT_EQ(test.pos, 1u);
}

TEST(StmtParser, ParseOneStatementAtATime) {
    Context ctx;
    Tokens tokens = lex("fn a() { } let x = 1 fn main() { a() }");
    std::vector<std::string> kinds;
    for (Pos pos = 0; tok_kind(tokens, pos) != TokKind::Eof;) {
        Parsed<Stmt> s = parse_one(ctx, tokens, pos);
        kinds.push_back(kind_name(s.node->kind));
        ASSERT_GT(s.pos, pos);
        pos = s.pos;
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"FnDef", "Let", "FnDef"}));
    EXPECT_EQ(ctx.depth, 0);
    EXPECT_FALSE(ctx.no_block_expr);
}

TEST(StmtParser, TruncatedInputStillEndsAtEof) {
    for (const char *src : {"fn", "fn f(", "fn f(a:", "let", "let x:", "for", "for i in", "try {",
                            "cgi A {", "type T {", "enum E {", "from", "@", "while (", "x = ",
                            "if a {", "match x { A::", "<div", "[1,", "{a:", "f(a"}) {
        Context ctx;
        Tokens tokens = lex(src);
        Program program = parse(ctx, tokens);
        EXPECT_FALSE(program.empty()) << src;
        Parsed<Stmt> first = parse_stmt(ctx, tokens, 0);
        EXPECT_LT(first.pos, tokens.size()) << src;
    }
}

TEST(StmtParser, BlockHelpers) {
    Context ctx;
    ParsedBlock block = parse_block(ctx, lex("{ a b } c"), 0);
    EXPECT_EQ(to_json(block.stmts),
              R"([{"stmt":"Expr","value":)" + id("a") + R"(},{"stmt":"Expr","value":)" + id("b") + "}]");
    EXPECT_EQ(block.pos, 4u);
    // A missing `{` is stepped over; a missing `}` is assumed at Eof.
    ParsedBlock loose = parse_block(ctx, lex("( a"), 0);
    EXPECT_EQ(loose.stmts.size(), 1u);
    EXPECT_EQ(loose.pos, 2u);
}

}  // namespace
}  // namespace qo
