// The expression parser: precedence, postfix chains, durations, the
// primary forms, if/match/for expressions, lambdas, patterns, parameters,
// types and the block-expression flag.
#include <gtest/gtest.h>

#include "frontend_util.h"

namespace qo {
namespace {

using testing::expr_json;

const std::string a = R"({"expr":"Ident","name":"a"})";
const std::string b = R"({"expr":"Ident","name":"b"})";
const std::string c = R"({"expr":"Ident","name":"c"})";
const std::string nil = R"({"expr":"Nil"})";
std::string num(const char *digits) { return std::string(R"({"expr":"Int","value":")") + digits + "\"}"; }
std::string bin(const char *op, const std::string &l, const std::string &r) {
    return std::string(R"({"expr":"BinOp","op":")") + op + R"(","left":)" + l + R"(,"right":)" + r + "}";
}

TEST(ExprParser, PrecedenceAndLeftAssociativity) {
    EXPECT_EQ(expr_json("1 + 2 * 3"), bin("Plus", num("1"), bin("Star", num("2"), num("3"))));
    EXPECT_EQ(expr_json("a - b - c"), bin("Minus", bin("Minus", a, b), c));
    EXPECT_EQ(expr_json("a || b && c"), bin("Or", a, bin("And", b, c)));
    EXPECT_EQ(expr_json("a == b < c"), bin("EqEq", a, bin("Lt", b, c)));
    EXPECT_EQ(expr_json("a % b / c"), bin("Slash", bin("Percent", a, b), c));
    EXPECT_EQ(expr_json("(a + b) * c"), bin("Star", bin("Plus", a, b), c));
    // Pipes, ranges, arrows and `=` end an expression.
    for (const char *end : {"|> b", "| b", ".. b", "=> b", "= b"})
        EXPECT_EQ(expr_json(std::string("a ") + end), a) << end;
}

TEST(ExprParser, OperatorTable) {
    EXPECT_EQ(op_precedence(TokKind::Or), 1);
    EXPECT_EQ(op_precedence(TokKind::GtEq), 4);
    EXPECT_EQ(op_precedence(TokKind::Percent), 6);
    EXPECT_EQ(op_precedence(TokKind::PipeOp), 0);
    EXPECT_TRUE(is_binop(TokKind::NotEq));
    EXPECT_FALSE(is_binop(TokKind::Not));
}

TEST(ExprParser, PostfixChains) {
    EXPECT_EQ(expr_json("f(a)(b)[0].x?"),
              R"({"expr":"Try","inner":{"expr":"Field","object":{"expr":"Index","object":)"
              R"({"expr":"Call","func":{"expr":"Call","func":{"expr":"Ident","name":"f"},"args":[)" +
                  a + R"(]},"args":[)" + b + R"(]},"index":)" + num("0") + R"(},"field":"x"}})");
    EXPECT_EQ(expr_json("f(a b, c,)"),
              R"({"expr":"Call","func":{"expr":"Ident","name":"f"},"args":[)" + a + "," + b + "," + c + "]}");
    // The field name is the next token's text whatever its kind.
    EXPECT_EQ(expr_json("x.type"), R"({"expr":"Field","object":{"expr":"Ident","name":"x"},"field":"type"})");
}

TEST(ExprParser, UnaryOperandIsAPrimary) {
    EXPECT_EQ(expr_json("-a.b"), R"({"expr":"Field","object":{"expr":"Neg","inner":)" + a + R"(},"field":"b"})");
    EXPECT_EQ(expr_json("!f(x)"),
              R"({"expr":"Call","func":{"expr":"Not","inner":{"expr":"Ident","name":"f"}},"args":[{"expr":"Ident","name":"x"}]})");
    EXPECT_EQ(expr_json("--a"), R"({"expr":"Neg","inner":{"expr":"Neg","inner":)" + a + "}}");
}

TEST(ExprParser, DurationLiterals) {
    EXPECT_EQ(expr_json("5.seconds"), R"({"expr":"DurationLit","count":"5","unit":"seconds"})");
    EXPECT_EQ(expr_json("1.milli"), R"({"expr":"DurationLit","count":"1","unit":"milli"})");
    EXPECT_EQ(expr_json("5.weeks"), R"({"expr":"Field","object":)" + num("5") + R"(,"field":"weeks"})");
    EXPECT_EQ(expr_json("1.5.seconds"),
              R"({"expr":"Field","object":{"expr":"Float","value":"1.5"},"field":"seconds"})");
    EXPECT_EQ(expr_json("2.hours.x"),
              R"({"expr":"Field","object":{"expr":"DurationLit","count":"2","unit":"hours"},"field":"x"})");
    for (const char *unit : {"nanos", "nano", "millis", "millisecond", "milliseconds", "second",
                             "minute", "minutes", "hour", "day", "days"})
        EXPECT_TRUE(is_duration_unit(unit)) << unit;
    EXPECT_FALSE(is_duration_unit("sec"));
    EXPECT_FALSE(is_duration_unit("Seconds"));
}

TEST(ExprParser, LiteralsListsAndMaps) {
    EXPECT_EQ(expr_json(R"("s")"), R"({"expr":"Str","value":"s"})");
    EXPECT_EQ(expr_json("true"), R"({"expr":"Bool","value":"true"})");
    EXPECT_EQ(expr_json("[a, b c]"), R"({"expr":"Array","elems":[)" + a + "," + b + "," + c + "]}");
    EXPECT_EQ(expr_json("[]"), R"({"expr":"Array","elems":[]})");
    EXPECT_EQ(expr_json("{}"), R"({"expr":"Map","pairs":[]})");
    EXPECT_EQ(expr_json(R"({a: 1, "b": 2 3: c})"),
              R"({"expr":"Map","pairs":[{"key":"a","value":)" + num("1") + R"(},{"key":"b","value":)" +
                  num("2") + R"(},{"key":"3","value":)" + c + "}]}");
}

TEST(ExprParser, BracedExpressionsAndTemplatePiecesConcatenate) {
    EXPECT_EQ(expr_json("{a}"), a);
    EXPECT_EQ(expr_json("{a}{b}{c}"), bin("Plus", bin("Plus", a, b), c));
    EXPECT_EQ(expr_json("{a}<hr/>"),
              bin("Plus", a,
                  R"({"expr":"HtmlTemplate","root":{"html":"Element","tag":"hr","attrs":[],"children":[],"self_closing":1}})"));
}

TEST(ExprParser, KeywordsAsNames) {
    EXPECT_EQ(expr_json("with"), R"({"expr":"Ident","name":"with"})");
    EXPECT_EQ(expr_json("target + vessel"),
              bin("Plus", R"({"expr":"Ident","name":"target"})", R"({"expr":"Ident","name":"vessel"})"));
    // Other keywords and stray punctuation are unparsable operands.
    EXPECT_EQ(expr_json("test"), nil);
    EXPECT_EQ(expr_json(")"), nil);
    EXPECT_EQ(expr_json(""), nil);
    EXPECT_EQ(expr_json("a + "), bin("Plus", a, nil));
}

TEST(ExprParser, LessThanStartsATemplateOnlyBeforeAKnownTag) {
    EXPECT_EQ(expr_json("x < y"),
              bin("Lt", R"({"expr":"Ident","name":"x"})", R"({"expr":"Ident","name":"y"})"));
    EXPECT_EQ(expr_json("<svg>"), nil);
    EXPECT_EQ(expr_json("<br>"),
              R"({"expr":"HtmlTemplate","root":{"html":"Element","tag":"br","attrs":[],"children":[],"self_closing":1}})");
}

TEST(ExprParser, IfExpressions) {
    EXPECT_EQ(expr_json("if a { b }"),
              R"({"expr":"If","cond":)" + a + R"(,"then":[{"stmt":"Expr","value":)" + b +
                  R"(}],"else":[],"has_else":0})");
    std::string inner = R"({"expr":"If","cond":)" + b + R"(,"then":[],"else":[{"stmt":"Expr","value":)" + c +
                        R"(}],"has_else":1})";
    EXPECT_EQ(expr_json("if a { } else if b { } else { c }"),
              R"({"expr":"If","cond":)" + a + R"(,"then":[],"else":[{"stmt":"Expr","value":)" + inner +
                  R"(}],"has_else":1})");
    // An else-if chain without a final else: the innermost has none.
    EXPECT_EQ(expr_json("if a { } else if b { }"),
              R"({"expr":"If","cond":)" + a + R"(,"then":[],"else":[{"stmt":"Expr","value":{"expr":"If","cond":)" +
                  b + R"(,"then":[],"else":[],"has_else":0}}],"has_else":1})");
}

TEST(ExprParser, MatchExpressionsAndPatterns) {
    EXPECT_EQ(expr_json("match v { Color::Red => 1, _ => 0 }"),
              R"({"expr":"Match","subject":{"expr":"Ident","name":"v"},"arms":[)"
              R"({"pattern":{"pattern":"Variant","enum_name":"Color","variant":"Red"},"body":)" + num("1") +
                  R"(},{"pattern":{"pattern":"Wildcard"},"body":)" + num("0") + "}]}");
    // Arm bodies are expressions: a braced body is a map or a braced expression.
    EXPECT_EQ(expr_json("match v { x => {a: 1} \"s\" => {b} }"),
              R"({"expr":"Match","subject":{"expr":"Ident","name":"v"},"arms":[)"
              R"({"pattern":{"pattern":"Binding","name":"x"},"body":{"expr":"Map","pairs":[{"key":"a","value":)" +
                  num("1") + R"(}]}},{"pattern":{"pattern":"LitStr","value":"s"},"body":)" + b + "}]}");
    Tokens tokens = lex("3 true - x");
    EXPECT_EQ(to_json(*parse_pattern(tokens, 0).node), R"({"pattern":"LitInt","value":"3"})");
    EXPECT_EQ(to_json(*parse_pattern(tokens, 1).node), R"({"pattern":"LitBool","value":"true"})");
    Parsed<Pattern> minus = parse_pattern(tokens, 2);
    EXPECT_EQ(to_json(*minus.node), R"({"pattern":"Wildcard"})");
    EXPECT_EQ(minus.pos, 3u);
}

TEST(ExprParser, ForExpressionAndLambda) {
    EXPECT_EQ(expr_json("for x in xs { x }"),
              R"({"expr":"For","item":"x","list":{"expr":"Ident","name":"xs"},"body":[{"stmt":"Expr","value":{"expr":"Ident","name":"x"}}]})");
    EXPECT_EQ(expr_json("fn(x: Int) -> Int { return x }"),
              R"({"expr":"Lambda","params":[{"name":"x","type":"Int"}],"body":[{"stmt":"Return","value":{"expr":"Ident","name":"x"}}],"ret_type":"Int"})");
    EXPECT_EQ(expr_json("fn() -> [Int] { }"), R"({"expr":"Lambda","params":[],"body":[],"ret_type":""})");
}

TEST(ExprParser, BlockFlagLeavesTheBraceToTheCaller) {
    Context ctx;
    Tokens tokens = lex("x { }");
    ctx.no_block_expr = true;
    Parsed<Expr> cond = parse_expr(ctx, tokens, 0);
    EXPECT_EQ(to_json(*cond.node), R"({"expr":"Ident","name":"x"})");
    EXPECT_EQ(cond.pos, 1u);
    Parsed<Expr> brace = parse_primary(ctx, tokens, 1);
    EXPECT_EQ(to_json(*brace.node), nil);
    EXPECT_EQ(brace.pos, 1u);  // nothing consumed
    // Conditions set the flag only for themselves; it is restored after.
    ctx.no_block_expr = false;
    Parsed<Expr> when = parse_expr(ctx, lex("if c { {a: 1} } else { {} }"), 0);
    EXPECT_FALSE(ctx.no_block_expr);
    EXPECT_NE(to_json(*when.node).find(R"("then":[{"stmt":"Expr","value":{"expr":"Map")"), std::string::npos);
}

TEST(ExprParser, ListsInsideConditionsAlwaysMoveOn) {
    // With the flag set, `{` inside call arguments and lists is no operand;
    // the lists still end.
    Context ctx;
    Parsed<Stmt> loop = parse_stmt(ctx, lex("while f({a: 1}, [{]) { }"), 0);
    EXPECT_EQ(loop.node->kind, StmtKind::While);
    EXPECT_EQ(loop.pos, lex("while f({a: 1}, [{]) { }").size() - 1);
}

TEST(ExprParser, ParametersAndTypes) {
    Tokens tokens = lex("(a: Int, b: [String] c: Map<String, List<Int>>?, d: Int?, e: 3, f: T) rest");
    ParsedParams params = parse_params(tokens, 0);
    ASSERT_EQ(params.params.size(), 6u);
    EXPECT_EQ(params.params[1].name, "b");
    EXPECT_EQ(params.params[1].type, "");
    EXPECT_EQ(params.params[2].type, "Map");
    EXPECT_EQ(params.params[3].type, "Int");
    EXPECT_EQ(params.params[4].type, "");
    EXPECT_EQ(params.params[5].type, "T");
    EXPECT_EQ(tok_value(tokens, params.pos), "rest");
    // An untyped list reads the next name as the type.
    ParsedParams untyped = parse_params(lex("(a, b)"), 0);
    ASSERT_EQ(untyped.params.size(), 1u);
    EXPECT_EQ(untyped.params[0].type, "b");
    EXPECT_EQ(skip_type(lex("[[Int]] x"), 0), 5u);
    EXPECT_EQ(skip_type(lex("Map<A, B<C>>? x"), 0), 10u);
    EXPECT_EQ(skip_type(lex("Map<A, B"), 0), 5u);  // Eof ends it
}

}  // namespace
}  // namespace qo
