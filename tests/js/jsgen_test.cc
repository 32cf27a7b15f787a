// The JavaScript generator. Golden files: every tests/golden/NAME.qo that
// has a NAME.js beside it is compiled and compared byte for byte with
// NAME.js (module mode) and, when present, NAME.bundle.js (bundle mode, with runtime_stub.js standing in
// for the runtime file); QO_UPDATE_GOLDEN=1 rewrites them instead (review
// the diff). Then what golden files show poorly: escaping, export
// stripping, deep chains on a small stack, per-compilation state, and the
// bundle warnings of the qoc program.
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

#include "jsgen/js_gen.h"
#include "js_test_util.h"
#include "lexer/lexer.h"
#include "parser/parser.h"

namespace qo::jstest {
namespace {

// Module-mode output always opens with the same runtime header. empty_js.js
// holds it in full; every other expected file starts with kHeaderLine in
// its place, so the 33-line name list is written down once.
const std::string kHeaderLine = "// <runtime header: see empty_js.js>\n";

std::string runtime_header(const fs::path &golden) {
    const std::string text = read_file((golden / "empty_js.js").string()), end = "} = globalThis.__qo;\n";
    std::size_t at = text.find(end);
    return at == std::string::npos ? "" : text.substr(0, at + end.size());
}

void check(const fs::path &expected, const std::string &actual, const std::string &header) {
    const bool shared = expected.filename() != "empty_js.js";
    if (std::getenv("QO_UPDATE_GOLDEN")) {
        bool fold = shared && actual.starts_with(header);
        write_file(expected.string(), fold ? kHeaderLine + actual.substr(header.size()) : actual);
        return;
    }
    std::string text = read_file(expected.string());
    if (shared && text.starts_with(kHeaderLine)) text = header + text.substr(kHeaderLine.size());
    EXPECT_EQ(text, actual) << "golden file " << expected.filename();
}

TEST(GoldenJs, EverySourceMatchesItsExpectedModuleAndBundle) {
    const fs::path golden = fs::path(kSource) / "tests/golden";
    const std::string stub = (golden / "runtime_stub.js").string();
    const std::string header = runtime_header(golden);
    ASSERT_NE(header, "");
    int sources = 0;
    for (const auto &entry : fs::directory_iterator(golden)) {
        if (entry.path().extension() != ".qo") continue;
        fs::path stem = entry.path();
        stem.replace_extension();
        if (!fs::exists(stem.string() + ".js")) continue;  // a C-only case
        ++sources;
        std::string source = read_file(entry.path().string());
        check(stem.string() + ".js", js_of(source), header);
        if (fs::exists(stem.string() + ".bundle.js"))
            check(stem.string() + ".bundle.js", js_of(source, stub.c_str()), header);
    }
    EXPECT_GE(sources, 8);
}

TEST(JsText, EscapingAndExportStripping) {
    EXPECT_EQ(js_escape("a\"b\\c\nd\re\tf"), "a\\\"b\\\\c\\nd\\re\\tf");
    std::string raw = "\x01\x0b\xc3\xa9\xe2\x80\xa8'`$";
    EXPECT_EQ(js_escape(raw), raw);  // no hexadecimal escapes, UTF-8 kept
    const std::pair<const char *, const char *> strips[] = {
        {"a\nb\n  export { x };\nc\n", "a\nb"},
        {"a\nexport default api;\nexport { x }", "a"},
        {"a\n// export { not at start\nb\n", "a\n// export { not at start\nb\n"},
        {"export {a}", ""},
        {"exported {\nexport{x}", "exported {\nexport{x}"},
    };
    for (auto [runtime, kept] : strips) EXPECT_EQ(js_strip_es_exports(runtime), kept) << runtime;
}

std::string generate(Context &ctx, const Program &program) {
    std::FILE *tmp = std::tmpfile();
    codegen_js(ctx, program, tmp);
    std::string js(std::ftell(tmp), '\0');
    std::rewind(tmp);
    js.resize(std::fread(js.data(), 1, js.size(), tmp));
    std::fclose(tmp);
    return js;
}

// The program generated on a thread whose stack is too small for
// recursion per level of a 100,000-deep tree.
std::string generate_on_small_stack(const std::string &source) {
    Context ctx;
    Program program = parse(ctx, lex(source));
    std::string js;
    std::function<void()> work = [&] { js = generate(ctx, program); };
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 1 << 20);
    pthread_t thread;
    auto run = [](void *fn) -> void * { return (*static_cast<std::function<void()> *>(fn))(), nullptr; };
    EXPECT_EQ(pthread_create(&thread, &attr, run, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    return js;
}

std::string repeat(const std::string &piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

TEST(JsDeepChains, LongOperatorAndPostfixChainsNeedNoDeepStack) {
    const int n = 100000;
    const std::pair<std::string, std::string> chains[] = {
        {"a" + repeat(" + a", n), repeat("qo_str_concat(", n) + "a, a), a)"},
        {"1" + repeat(" - 1", n), repeat("(", n) + "1 - 1) - 1)"},
        {"f" + repeat("()", n), "f" + repeat("()", n) + ";\n"},
        {"a" + repeat(".b", n), "a" + repeat("[\"b\"]", n) + ";\n"},
    };
    for (const auto &[expr, text] : chains)
        EXPECT_NE(generate_on_small_stack("let s = " + expr + "\n").find("let s = " + text), std::string::npos);
}

TEST(JsDeepChains, ElseIfChainNestsAndClosesWithoutRecursion) {
    const int n = 1500;
    std::string source = "fn f(x: Int) -> Void {\nif x == 0 { g(0) }";
    for (int i = 1; i < n; ++i) source += " else if x == " + std::to_string(i) + " { g(" + std::to_string(i) + ") }";
    std::string js = generate_on_small_stack(source + " else { g(-1) }\n}\n");
    EXPECT_NE(js.find("\n" + std::string(2 * n, ' ') + "} else {\n" + std::string(2 * n + 2, ' ') + "g((-1));\n"),
              std::string::npos);
    std::string closing;  // innermost first, then the function
    for (int depth = n; depth >= 1; --depth) closing += std::string(2 * depth, ' ') + "}\n";
    EXPECT_TRUE(js.ends_with("\n" + closing + "}\n\n"));
}

TEST(JsState, CountersRestartPerProgramExceptTheTemplateCounter) {
    std::string source = "let f = fn(x: Int) -> Int { x }\nlet m = match 1 { _ => 2 }\nlet h = <p>{1}</p>\n";
    std::string fresh = js_of(source);
    EXPECT_EQ(fresh, js_of(source));  // nothing leaks between compilations
    for (const char *name : {"function __lambda_1(x)", "_match_subj_1", "_html_1"})
        EXPECT_NE(fresh.find(name), std::string::npos) << name;
    Context ctx;  // two programs in one compilation
    Program program = parse(ctx, lex(source));
    generate(ctx, program);
    std::string second = generate(ctx, program);
    for (const char *name : {"_html_2", "__lambda_1(", "_match_subj_1"})
        EXPECT_NE(second.find(name), std::string::npos) << name;
}

TEST(QocJs, BundleWithoutRuntimeWarnsInsideTheOutputAndStillWraps) {
    TempDir dir{"qocjs"};
    write_file(dir / "a.qo", "fn main() { println(\"hi\") }\n");
    Outcome r = run_in(dir.path(), kQoc + " --target=js --bundle a.qo");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("qo-compiler: warning: --bundle: could not read runtime at \n"
                                  "qo-compiler: warning: bundle output will be incomplete\n"
                                  "// Generated by qoc --target=js\n"))
        << r.out;
    EXPECT_NE(r.out.find(";(function() {\n\"use strict\";\n\n\n"), std::string::npos);
    EXPECT_TRUE(r.out.ends_with("main();\n\n})();\n"));
}

}  // namespace
}  // namespace qo::jstest
