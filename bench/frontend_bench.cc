// Front-end throughput: lexing, and lexing plus parsing, of one program,
// both as a whole (the JavaScript pipeline) and one top-level statement at
// a time with each tree dropped at once (the C pipeline).
//
// The program is the file named by QO_FRONTEND_INPUT (bench/frontend.sh
// generates a 100,000-line one); without it, the sample programs under
// tests/fuzz/corpus/parse/ repeated to about 1 MB. Throughput is in the
// bytes_per_second column; max_rss_MB is the process's peak resident size
// after the runs (source, tokens and the largest tree alive at once).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>

#include "driver/files.h"
#include "lexer/lexer.h"
#include "parser/parser.h"

namespace {

const std::string &input() {
    static const std::string text = [] {
        if (const char *path = std::getenv("QO_FRONTEND_INPUT")) return qo::read_file(path);
        std::string samples;
        for (const auto &entry : std::filesystem::directory_iterator(QO_SOURCE_DIR "/tests/fuzz/corpus/parse"))
            samples += qo::read_file(entry.path().string()) + "\n";
        std::string text;
        while (!samples.empty() && text.size() < (1u << 20)) text += samples;
        return text;
    }();
    return text;
}

double max_rss_mb() {
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0;
}

void finish(benchmark::State &state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input().size()));
    state.counters["max_rss_MB"] = max_rss_mb();
}

void BM_Lex(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(qo::lex(input()));
    finish(state);
}
BENCHMARK(BM_Lex)->Unit(benchmark::kMillisecond);

void BM_LexParseWhole(benchmark::State &state) {
    for (auto _ : state) {
        qo::Context ctx;
        qo::Tokens tokens = qo::lex(input());
        benchmark::DoNotOptimize(qo::parse(ctx, tokens));
    }
    finish(state);
}
BENCHMARK(BM_LexParseWhole)->Unit(benchmark::kMillisecond);

void BM_LexParseStreaming(benchmark::State &state) {
    for (auto _ : state) {
        qo::Context ctx;
        qo::Tokens tokens = qo::lex(input());
        for (qo::Pos pos = 0; qo::tok_kind(tokens, pos) != qo::TokKind::Eof;) {
            qo::Parsed<qo::Stmt> stmt = qo::parse_stmt(ctx, tokens, pos);
            benchmark::DoNotOptimize(stmt.node.get());
            pos = stmt.pos > pos ? stmt.pos : pos + 1;
        }
    }
    finish(state);
}
BENCHMARK(BM_LexParseStreaming)->Unit(benchmark::kMillisecond);

}  // namespace
