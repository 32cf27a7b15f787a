// The JavaScript generator's own rules that golden files show poorly:
// escaping, export stripping, deep chains on a small stack, per-compilation
// state, and the bundle path through the qoc program.
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

#include "jsgen/js_gen.h"
#include "js_test_util.h"
#include "lexer/lexer.h"
#include "parser/parser.h"

namespace qo::jstest {
namespace {

// The generated program after the runtime preamble (module mode).
std::string body_of(const std::string &source) {
    std::string js = js_of(source);
    std::size_t at = js.find("} = globalThis.__qo;\n");
    return at == std::string::npos ? js : js.substr(at + 21);
}

TEST(JsEscape, EscapesQuoteBackslashAndLineBreaksOnly) {
    EXPECT_EQ(js_escape("a\"b\\c\nd\re\tf"), "a\\\"b\\\\c\\nd\\re\\tf");
    std::string raw = "\x01\x0b\xc3\xa9\xe2\x80\xa8'`$";
    EXPECT_EQ(js_escape(raw), raw);  // no hexadecimal escapes, UTF-8 kept
}

TEST(JsStripExports, CutsFromTheFirstExportLineOn) {
    EXPECT_EQ(js_strip_es_exports("a\nb\n  export { x };\nc\n"), "a\nb");
    EXPECT_EQ(js_strip_es_exports("a\nexport default api;\nexport { x }"), "a");
    EXPECT_EQ(js_strip_es_exports("a\n// export { not at start\nb\n"), "a\n// export { not at start\nb\n");
    EXPECT_EQ(js_strip_es_exports("export {a}"), "");
    EXPECT_EQ(js_strip_es_exports(""), "");
    EXPECT_EQ(js_strip_es_exports("exported {\nexport{x}"), "exported {\nexport{x}");
}

// Runs fn on a thread whose stack is too small for recursion per level of
// a 100,000-deep tree; a recursive generator would crash the test.
void on_small_stack(const std::function<void()> &fn) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1 << 20);
    pthread_t thread;
    auto call = [](void *arg) -> void * {
        (*static_cast<const std::function<void()> *>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()> *>(&fn)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

std::string generate_deep(const std::string &source) {
    Context ctx;
    Program program = parse(ctx, lex(source));
    std::string js;
    on_small_stack([&] { js = capture([&](std::FILE *out) { codegen_js(ctx, program, out); }); });
    return js;
}

std::string repeat(const std::string &piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

TEST(JsDeepChains, LongOperatorAndPostfixChainsNeedNoDeepStack) {
    const int n = 100000;
    std::string js = generate_deep("let s = a" + repeat(" + a", n) + "\n");
    EXPECT_EQ(js.find("let s = " + repeat("qo_str_concat(", n) + "a, a), a)"), js.find("let s = "));
    EXPECT_NE(js.find("a), a);\n"), std::string::npos);

    js = generate_deep("let n = 1" + repeat(" - 1", n) + "\n");
    EXPECT_NE(js.find("let n = " + repeat("(", n) + "1 - 1) - 1)"), std::string::npos);

    js = generate_deep("let c = f" + repeat("()", n) + "\n");
    EXPECT_NE(js.find("let c = f" + repeat("()", n) + ";\n"), std::string::npos);

    js = generate_deep("let d = a" + repeat(".b", n) + "\n");
    EXPECT_NE(js.find("let d = a" + repeat("[\"b\"]", n) + ";\n"), std::string::npos);
}

TEST(JsDeepChains, ElseIfChainNestsAndClosesWithoutRecursion) {
    const int n = 1500;
    std::string source = "fn f(x: Int) -> Void {\nif x == 0 { g(0) }";
    for (int i = 1; i < n; ++i) source += " else if x == " + std::to_string(i) + " { g(" + std::to_string(i) + ") }";
    source += " else { g(-1) }\n}\n";
    std::string js = generate_deep(source);
    EXPECT_NE(js.find("\n" + std::string(2 * n + 2, ' ') + "g((-1));\n"), std::string::npos);
    EXPECT_NE(js.find("\n" + std::string(2 * n, ' ') + "} else {\n"), std::string::npos);
    // Every opened block is closed, innermost first, then the function.
    std::string closing;
    for (int depth = n; depth >= 1; --depth) closing += std::string(2 * depth, ' ') + "}\n";
    EXPECT_TRUE(js.ends_with("\n" + closing + "}\n\n"));
}

TEST(JsState, CountersAndNameSetsArePerCompilation) {
    std::string source = "let f = fn(x: Int) -> Int { x }\nlet m = match 1 { _ => 2 }\nlet h = <p>{1}</p>\n";
    std::string first = body_of(source), second = body_of(source);
    EXPECT_EQ(first, second);
    EXPECT_NE(first.find("function __lambda_1(x)"), std::string::npos);
    EXPECT_NE(first.find("_match_subj_1"), std::string::npos);
    EXPECT_NE(first.find("_html_1"), std::string::npos);

    // Within one compilation the template counter runs on across programs
    // while the lambda and match counters start again.
    Context ctx;
    Program program = parse(ctx, lex(source));
    std::string a = capture([&](std::FILE *out) { codegen_js(ctx, program, out); });
    std::string b = capture([&](std::FILE *out) { codegen_js(ctx, program, out); });
    EXPECT_NE(b.find("_html_2"), std::string::npos);
    EXPECT_NE(b.find("__lambda_1("), std::string::npos);
    EXPECT_NE(b.find("_match_subj_1"), std::string::npos);
}

TEST(JsState, IntegerNamesFollowTheLastFunctionIntoTheTopLevel) {
    // Top-level statements come after every function and see the set the
    // last function (or lambda) left, plus their own Int lets.
    std::string js = body_of("fn f(n: Int, s: String) { }\nlet k = 1\nlet a = n + k\nlet b = s + k\nlet c = n + s\n");
    EXPECT_NE(js.find("let a = (n + k);"), std::string::npos);
    EXPECT_NE(js.find("let b = qo_str_concat(s, k);"), std::string::npos);
    EXPECT_NE(js.find("let c = qo_str_concat(n, s);"), std::string::npos);
    // Without functions the first Int let counts as well.
    EXPECT_NE(body_of("let a: Int = 1\nlet b: Int = 2\nlet c = a + b\n").find("let c = (a + b);"), std::string::npos);
}

TEST(JsState, AsyncFunctionsAreAwaitedEverywhereOnlyWhenDeclaredAsync) {
    std::string js = body_of("fn main() { a() b() }\n@async fn a() { }\n@manager fn b() { }\n");
    EXPECT_NE(js.find("  await a();\n"), std::string::npos);
    EXPECT_NE(js.find("  return b();\n"), std::string::npos);
    EXPECT_NE(js.find("async function a() {"), std::string::npos);
    EXPECT_NE(js.find("\nfunction b() {"), std::string::npos);
    EXPECT_NE(js.find("\nmain();\n"), std::string::npos);  // not awaited
}

class QocJs : public ::testing::Test {
protected:
    TempDir dir{"qocjs"};
    void SetUp() override { write_file(dir / "a.qo", "fn main() { println(\"hi\") }\n"); }
};

TEST_F(QocJs, BundleWithoutRuntimeWarnsInsideTheOutputAndStillWraps) {
    Outcome r = run_in(dir.path(), "'" + kQoc + "' --target=js --bundle a.qo");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("qo-compiler: warning: --bundle: could not read runtime at \n"
                          "qo-compiler: warning: bundle output will be incomplete\n"
                          "// Generated by qoc --target=js\n",
                          0),
              0u);
    EXPECT_NE(r.out.find(";(function() {\n\"use strict\";\n\n\n"), std::string::npos);
    EXPECT_TRUE(r.out.ends_with("main();\n\n})();\n"));
}

TEST_F(QocJs, BundleInlinesTheRuntimeBesideTheSourceWithoutItsExports) {
    write_file(dir / "qo_runtime.js", read_file(kRuntimeJs));
    Outcome r = run_in(dir.path(), "'" + kQoc + "' --target=js --bundle a.qo out.js");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    std::string js = read_file(dir / "out.js");
    EXPECT_NE(js.find("globalThis.__qo = Object.assign"), std::string::npos);
    EXPECT_EQ(js.find("export {"), std::string::npos);
    EXPECT_EQ(js.find("export default"), std::string::npos);
    EXPECT_EQ(js.find("import \""), std::string::npos);
}

TEST_F(QocJs, ModuleOutputGoesToTheSecondPositional) {
    Outcome r = run_in(dir.path(), "'" + kQoc + "' --target=js a.qo out.js");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file(dir / "out.js"), js_of(read_file(dir / "a.qo")));
    r = run_in(dir.path(), "'" + kQoc + "' --target=js a.qo no/such/dir/out.js");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "qo-compiler: failed to write output\n");
}

}  // namespace
}  // namespace qo::jstest
