// cgen_test.cc -- the C generator beyond the golden files: its text
// helpers, chains as long as the source, and how output is written.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "c_program.h"
#include "cgen/c_text.h"

namespace qo {
namespace {

TEST(CText, EscapesForStringLiterals) {
    EXPECT_EQ(c_escape("a\"b\\c\nd\re\tf"), "a\\\"b\\\\c\\nd\\re\\tf");
    EXPECT_EQ(c_escape(std::string("\x01\x7f?", 3)), std::string("\x01\x7f?", 3));
    EXPECT_EQ(c_escape("\xc3" "a"), "\\xc3\"\"a");
    EXPECT_EQ(c_escape("\xff" "F9"), "\\xff\"\"F9");
    EXPECT_EQ(c_escape("\xc3\xa9g"), "\\xc3\\xa9g");
    EXPECT_EQ(c_escape("\x80"), "\\x80");
    EXPECT_EQ(c_escape(""), "");
    EXPECT_EQ(c_string_literal("say \"hi\""), "\"say \\\"hi\\\"\"");
}

TEST(CText, StripsOnlyAMatchingOuterPair) {
    EXPECT_EQ(strip_outer_parens("(a < 3)"), "a < 3");
    EXPECT_EQ(strip_outer_parens("((a))"), "(a)");
    EXPECT_EQ(strip_outer_parens("(a) + (b)"), "(a) + (b)");
    EXPECT_EQ(strip_outer_parens("()"), "");
    EXPECT_EQ(strip_outer_parens("("), "(");
    EXPECT_EQ(strip_outer_parens("((a)"), "((a)");
    EXPECT_EQ(strip_outer_parens("f(x)"), "f(x)");
    // Parentheses inside string literals count too.
    EXPECT_EQ(strip_outer_parens("(\")\")"), "(\")\")");
    EXPECT_EQ(strip_outer_parens("(f(\"(\"))"), "(f(\"(\"))");
}

std::string repeat(const std::string &s, std::size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out;
}

// The single body line of `fn f(a: Any, d: Duration) { <expr> }` (its
// implicit return).
std::string body_of(const std::string &expr) {
    std::string c = testing::generate_c("fn f(a: Any, d: Duration) {\n" + expr + "\n}\n");
    std::size_t start = c.find("  return ");
    return c.substr(start + 9, c.find(";\n", start) - start - 9);
}

// Chains the parser builds by looping are as deep as the source is long;
// generating them must neither recurse nor copy quadratically.
constexpr std::size_t kChain = 100000;

// The compiler checks its peak memory after each function. This process
// compiles many large cases, and under the sanitizer keeps freed memory in
// quarantine, so its peak is no single compilation's: the ceiling is raised.
class Chains : public ::testing::Test {
protected:
    void SetUp() override { setenv("QOC_MAX_MEM_MB", "8192", 1); }
};

TEST_F(Chains, OperatorChain) {
    EXPECT_EQ(body_of("a" + repeat(" + a", kChain)),
              repeat("qo_str_concat(", kChain) + "a" + repeat(", a)", kChain));
    EXPECT_EQ(body_of("d" + repeat(" + d", kChain)),
              repeat("qo_duration_add(", kChain) + "d" + repeat(", d)", kChain));
    EXPECT_EQ(body_of("1" + repeat(" - 1", kChain)), repeat("(", kChain) + "1" + repeat(" - 1)", kChain));
}

TEST_F(Chains, PostfixChains) {
    EXPECT_EQ(body_of("a" + repeat("()", kChain)), "a" + repeat("()", kChain));
    EXPECT_EQ(body_of("a" + repeat(".m()", kChain)), repeat("m(", kChain) + "a" + repeat(")", kChain));
    EXPECT_EQ(body_of("a" + repeat(".b", kChain)),
              repeat("qo_get_field(", kChain) + "a" + repeat(", QO_STR(\"b\"))", kChain));
    EXPECT_EQ(body_of("a" + repeat("[0]", kChain)), repeat("qo_list_get(", kChain) + "a" + repeat(", 0)", kChain));
    EXPECT_EQ(body_of("a" + repeat("?", kChain)), "a");
}

TEST_F(Chains, RejectedLinkDropsTheTextBelowIt) {
    // d + 1 is rejected; the rest of the chain builds on the placeholder.
    EXPECT_EQ(body_of("d + 1" + repeat(" + a", 3)),
              "qo_str_concat(qo_str_concat(qo_str_concat(0 /* TIME_TYPE_ERROR: Duration + Int */, a), a), a)");
}

TEST_F(Chains, ElseIfExpressionChainNumbersOutward) {
    std::string src = "if a == 0 { 0 }";
    for (std::size_t i = 1; i < kChain; ++i) src += " else if a == " + std::to_string(i) + " { " + std::to_string(i) + " }";
    src += " else { 7 }";
    std::string c = testing::generate_c("fn f(a: Any) {\nlet v = " + src + "\n}\n");
    std::size_t line = c.find("  qo_val_t v = ");
    ASSERT_NE(line, std::string::npos);
    std::string text = c.substr(line, c.find(";\n", line) - line);
    EXPECT_TRUE(text.starts_with("  qo_val_t v = ({ qo_val_t _if_result_1 = 0; if ((a == 0)) { _if_result_1 = (0); } "
                                 "else { _if_result_1 = (({ qo_val_t _if_result_2 = 0; if ((a == 1)) {"));
    std::string last = std::to_string(kChain);
    EXPECT_NE(text.find("_if_result_" + last + " = (7); } _if_result_" + last + "; })); } _if_result_" +
                        std::to_string(kChain - 1) + "; })"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("); } _if_result_1; })"));
}

TEST_F(Chains, ElseIfStatementChainNests) {
    const std::size_t n = 3000;  // the indentation makes the output quadratic
    std::string src = "fn f(a: Int) {\nif a == 0 { g() }";
    for (std::size_t i = 1; i < n; ++i) src += " else if a == " + std::to_string(i) + " { g() }";
    src += " else { h() }\n}\n";
    std::string c = testing::generate_c(src);
    std::string deepest(2 * (n + 1), ' ');
    EXPECT_NE(c.find("\n" + deepest + "h();\n" + deepest.substr(2) + "}\n"), std::string::npos);
    EXPECT_NE(c.find("\n    }\n  }\n  return 0;\n}\n"), std::string::npos);
    std::size_t lines = 0;
    for (char ch : c) lines += ch == '\n';
    EXPECT_EQ(lines, 4 * n + 11);  // preamble 6, header 1, chain 4n + 1, end 3
}

TEST_F(Chains, TemplatePiecesConcatenate) {
    EXPECT_EQ(body_of("{a}" + repeat("{a}", kChain)), repeat("qo_str_concat(", kChain) + "a" + repeat(", a)", kChain));
}

// Nesting is cut by the parser at a fixed depth; generating what it keeps
// of every nesting kind must stay on the stack too.
TEST_F(Chains, DeepNestingOfEveryKindGenerates) {
    constexpr std::size_t kNest = 20000;  // far past the parser's cut
    const std::pair<const char *, std::string> cases[] = {
        {"calls", repeat("f(", kNest) + repeat(")", kNest)},
        {"lists and maps", repeat("[{k: ", kNest) + repeat("}]", kNest)},
        {"negations", repeat("-!", kNest) + "a"},
        {"if statements", repeat("if a { ", kNest) + repeat("}", kNest)},
        {"loops", repeat("while a { for x in a { ", kNest) + repeat("} }", kNest)},
        {"if values", "let v = " + repeat("if a { ", kNest) + repeat("}", kNest)},
        {"match arms", "let v = " + repeat("match a { _ => ", kNest) + repeat("}", kNest)},
        {"elements", "let v = " + repeat("<div>", kNest) + repeat("</div>", kNest)},
        {"template blocks", "let v = <p>" + repeat("{if a}{each a as b}", kNest) + "</p>"},
        {"interpolations", repeat("\"${", kNest) + repeat("}\"", kNest)},
    };
    for (const auto &[name, body] : cases) {
        SCOPED_TRACE(name);
        int status = -1;
        std::string c = testing::generate_c("fn f(a: Any) {\n" + body + "\n}\n", false, &status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(c.ends_with("  return 0;\n}\n\n"));
    }
}

// Malformed programs of every kind: random sequences of Qo fragments must
// generate (under the sanitizers, without a fault) a complete file.
TEST(Robustness, RandomFragmentSoupsGenerate) {
    const char *fragments[] = {
        "fn ", "main", "f", "(", ")", "{", "}", "[", "]", "a", "x: Int", "d: Duration", "t: Instant",
        ", ", "let ", "= ", "+ ", "- ", "* ", "/ ", "== ", "!= ", "< ", "&& ", "! ", "1 ", "2.5 ",
        "\"s\" ", "\"${a}\" ", "5.seconds ", "now() ", "if ", "else ", "match ", "_ => ", "1 => ",
        "for ", "in ", "0..3 ", "..= ", "while ", "break ", "continue ", "return ", "test ",
        "\"t\" ", "assert ", "try ", "catch (e) ", "cgi C { tavri_id: x } ", "service S { } ",
        "@manager ", "extern fn g(a: Int) ", "type T { a: Int } ", "enum E { A } ", "E::A => ",
        "<div ", "<p>", "</p>", "{if a}", "{else}", "{/if}", "{each a as b}", "{/each}", "{raw(a)}",
        "class=\"c\" ", "id={a} ", "/>", ">", ".m", ".b(1)", "?", "llm_call(1, 2) ", "str_slice(a) ",
        "tavri_emit(1, 2) ", "sleep(d) ", "-1.5 ", "{k: 1} ", "fn(y: Int) { y } ", ";",
    };
    std::mt19937 rng(20240607);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(fragments) - 1), length(1, 200);
    for (int round = 0; round < 3000; ++round) {
        std::string src;
        for (std::size_t n = length(rng); n > 0; --n) src += fragments[pick(rng)];
        for (bool test_mode : {false, true}) {
            int status = -1;
            std::string c = testing::generate_c(src, test_mode, &status);
            ASSERT_EQ(status, 0) << src;
            ASSERT_NE(c.find("#include \"qo_runtime.h\"\n"), std::string::npos) << src;
            ASSERT_TRUE(c.ends_with("\n")) << src;
            if (test_mode) {
                ASSERT_TRUE(c.ends_with("  return __qo_fail < 255 ? __qo_fail : 255;\n}\n")) << src;
            }
        }
    }
}

// Output reaches the stream in large blocks: count the writes a stream
// without its own buffer receives for a program of many functions.
TEST(Output, WritesInLargeBlocks) {
    std::string src;
    for (int i = 0; i < 20000; ++i) src += "fn f" + std::to_string(i) + "(x: Int) -> Int { x + " + std::to_string(i) + " }\n";
    struct Count {
        std::size_t writes = 0, bytes = 0;
    } count;
    cookie_io_functions_t io{};
    io.write = [](void *cookie, const char *, size_t n) -> ssize_t {
        auto *c = static_cast<Count *>(cookie);
        ++c->writes;
        c->bytes += n;
        return static_cast<ssize_t>(n);
    };
    std::FILE *out = fopencookie(&count, "w", io);
    ASSERT_NE(out, nullptr);
    setvbuf(out, nullptr, _IONBF, 0);
    Context ctx;
    EXPECT_EQ(compile(ctx, src, out), 0);
    std::fclose(out);
    EXPECT_GT(count.bytes, 1000000u);
    EXPECT_LE(count.writes, count.bytes / (128 * 1024) + 2);
}

// The message goes to standard output like every message of the driver
// (the temporary file behind an output path can fill up too).
TEST(Output, FailedWriteIsReported) {
    std::FILE *full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    Context ctx;
    ::testing::internal::CaptureStdout();
    int status = compile(ctx, "fn main() { println(\"x\") }", full);
    std::fflush(stdout);
    std::string out = ::testing::internal::GetCapturedStdout();
    std::fclose(full);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "qo-compiler: failed to write output\n");
}

}  // namespace
}  // namespace qo
