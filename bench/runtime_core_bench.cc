// The runtime's text and container layer in the loops the compiler, the
// build tool and generated programs run: concatenation in a loop, splitting
// and replacing in a large text, list appends, small-map reads and writes,
// joining. String results are made inside an arena scope, as generated code
// makes them, and the scope's end (freeing them) is part of each figure.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "qo_runtime.h"

namespace {

constexpr size_t kMiB = 1 << 20;

// About 1 MiB of comma-separated words of varying length.
const std::string &Text() {
    static const std::string text = [] {
        std::string t;
        for (int i = 0; t.size() < kMiB; i++) t += "word" + std::to_string(i % 997) + ",";
        return t;
    }();
    return text;
}

// s = s + piece until s holds 1 MiB: each step copies everything so far.
void BM_ConcatLoop1MiB(benchmark::State &state) {
    const std::string piece(state.range(0), 'x');
    for (auto _ : state) {
        qo_val_t mark = qo_arena_push();
        qo_val_t s = QO_STR("");
        while (str_len(s) < (qo_val_t)kMiB) s = qo_str_concat(s, QO_STR(piece.c_str()));
        benchmark::DoNotOptimize(s);
        qo_arena_pop(mark);
    }
    state.SetBytesProcessed(state.iterations() * kMiB);
}
BENCHMARK(BM_ConcatLoop1MiB)->Arg(4096)->Arg(1024)->Unit(benchmark::kMillisecond);

// The linear way to build the same text: pieces into a List, one join.
void BM_JoinPieces1MiB(benchmark::State &state) {
    const std::string piece(state.range(0), 'x');
    for (auto _ : state) {
        qo_val_t mark = qo_arena_push();
        qo_val_t parts = qo_list_empty();
        for (size_t n = 0; n < kMiB; n += piece.size()) parts = qo_list_append(parts, QO_STR(piece.c_str()));
        benchmark::DoNotOptimize(list_join(parts, QO_STR("")));
        qo_release(parts);
        qo_arena_pop(mark);
    }
    state.SetBytesProcessed(state.iterations() * kMiB);
}
BENCHMARK(BM_JoinPieces1MiB)->Arg(1024)->Arg(16)->Unit(benchmark::kMillisecond);

void BM_Split1MiB(benchmark::State &state) {
    qo_val_t text = QO_STR(Text().c_str());
    qo_val_t pieces = 0;
    for (auto _ : state) {
        qo_val_t mark = qo_arena_push();
        qo_val_t list = str_split(text, QO_STR(","));
        pieces = qo_list_len(list);
        qo_release(list);
        qo_arena_pop(mark);
    }
    state.counters["pieces"] = (double)pieces;
    state.SetBytesProcessed(state.iterations() * Text().size());
}
BENCHMARK(BM_Split1MiB)->Unit(benchmark::kMillisecond);

void BM_Replace1MiB(benchmark::State &state) {
    qo_val_t text = QO_STR(Text().c_str());
    const char *needles[] = {",", "word99,"};
    qo_val_t needle = QO_STR(needles[state.range(0)]);
    for (auto _ : state) {
        qo_val_t mark = qo_arena_push();
        benchmark::DoNotOptimize(str_replace(text, needle, QO_STR(", ")));
        qo_arena_pop(mark);
    }
    state.SetLabel(state.range(0) ? "rare needle" : "every word");
    state.SetBytesProcessed(state.iterations() * Text().size());
}
BENCHMARK(BM_Replace1MiB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ListAppend10M(benchmark::State &state) {
    const qo_val_t n = 10'000'000;
    for (auto _ : state) {
        qo_val_t list = qo_list_empty();
        for (qo_val_t i = 0; i < n; i++) list = qo_list_append(list, i);
        benchmark::DoNotOptimize(list);
        qo_release(list);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ListAppend10M)->Unit(benchmark::kMillisecond);

// A map of n entries with keys "key0".."key<n-1>"; lookups cycle through
// every key, so the scan covers half the map on average.
struct MapFixture {
    std::vector<std::string> keys;
    qo_val_t map;
    explicit MapFixture(int64_t n) : map(qo_map_new(0)) {
        for (int64_t i = 0; i < n; i++) keys.push_back("key" + std::to_string(i));
        for (int64_t i = 0; i < n; i++) map = qo_map_set(map, QO_STR(keys[i].c_str()), i + 1);
    }
};

void BM_MapGet(benchmark::State &state) {
    MapFixture f(state.range(0));
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(qo_map_get(f.map, QO_STR(f.keys[i].c_str())));
        if (++i == f.keys.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MapGet)->Arg(10)->Arg(100)->Arg(1000);

void BM_MapSetExisting(benchmark::State &state) {
    MapFixture f(state.range(0));
    size_t i = 0;
    for (auto _ : state) {
        f.map = qo_map_set(f.map, QO_STR(f.keys[i].c_str()), (qo_val_t)i);
        if (++i == f.keys.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MapSetExisting)->Arg(10)->Arg(100)->Arg(1000);

void BM_ListJoin1MInts(benchmark::State &state) {
    qo_val_t list = list_range(1, 1'000'001);
    size_t bytes = 0;
    for (auto _ : state) {
        qo_val_t mark = qo_arena_push();
        bytes = (size_t)str_len(list_join(list, QO_STR(",")));
        qo_arena_pop(mark);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetItemsProcessed(state.iterations() * 1'000'000);
    qo_release(list);
}
BENCHMARK(BM_ListJoin1MInts)->Unit(benchmark::kMillisecond);

// The hottest string call of all (token kinds, `==` in generated code);
// each argument passes the word check before the compare.
void BM_StrEqShort(benchmark::State &state) {
    std::string a = "Identifier", b = "Identifier";
    for (auto _ : state) benchmark::DoNotOptimize(str_eq(QO_STR(a.c_str()), QO_STR(b.c_str())));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StrEqShort);

// One byte read at a given offset of a 1 MiB text. Strings carry no length,
// so the read first makes sure the text reaches that far (strnlen up to the
// offset): its cost grows with the offset, not with the text's length.
void BM_CharCodeAt(benchmark::State &state) {
    qo_val_t text = QO_STR(Text().c_str());
    const qo_val_t at = state.range(0);
    for (auto _ : state) benchmark::DoNotOptimize(str_char_code(text, at));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CharCodeAt)->Arg(0)->Arg(1024)->Arg(kMiB - 1);

}  // namespace
