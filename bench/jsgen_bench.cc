// The JavaScript generator on large programs, parse excluded: a module of
// many ordinary functions (statements, calls, templates, matches), one
// 100,000-term `+` chain, and a 1,000-deep else-if chain (whose output
// grows with the square of the depth, since every level indents further).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "jsgen/js_gen.h"
#include "lexer/lexer.h"
#include "parser/parser.h"

namespace {

std::string many_functions(int n) {
    std::string src;
    for (int i = 0; i < n; ++i) {
        std::string k = std::to_string(i);
        src += "fn f" + k + "(a: Int, items: [String], name: String) -> String {\n"
               "    let total: Int = a + " + k + "\n"
               "    for it in items { if it == \"x\" { continue } println(it + name) }\n"
               "    let kind = match a { 0 => \"zero\", 1 => \"one\", _ => \"many\" }\n"
               "    <ul class=\"l\">{each items as it}<li>{it}</li>{/each}</ul>\n}\n";
    }
    return src;
}

std::string plus_chain(int n) {
    std::string src = "let s = a";
    for (int i = 0; i < n; ++i) src += " + a";
    return src + "\n";
}

std::string else_if_chain(int n) {
    std::string src = "fn f(x: Int) { if x == 0 { g(0) }";
    for (int i = 1; i < n; ++i) src += " else if x == " + std::to_string(i) + " { g(1) }";
    return src + " }\n";
}

void generate(benchmark::State &state, const std::string &source) {
    qo::Context parse_ctx;
    qo::Program program = qo::parse(parse_ctx, qo::lex(source));
    std::FILE *sink = std::fopen("/dev/null", "w");
    long bytes = 0;
    for (auto _ : state) {
        qo::Context ctx;
        qo::codegen_js(ctx, program, sink);
        bytes += std::ftell(sink);
    }
    std::fclose(sink);
    state.SetBytesProcessed(static_cast<int64_t>(source.size()) * state.iterations());
    benchmark::DoNotOptimize(bytes);
}

void BM_JsManyFunctions(benchmark::State &state) { generate(state, many_functions(2000)); }
void BM_JsPlusChain(benchmark::State &state) { generate(state, plus_chain(100000)); }
void BM_JsElseIfChain(benchmark::State &state) { generate(state, else_if_chain(1000)); }

BENCHMARK(BM_JsManyFunctions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsPlusChain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsElseIfChain)->Unit(benchmark::kMillisecond);

}  // namespace
