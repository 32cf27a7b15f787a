// json_get on a 1 MB document: a dotted path to a member near the start
// (found after a few bytes) and near the end (the scan crosses the whole
// document, stepping over a large array of records), plus the dot-free form
// that searches the text for the quoted name.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "qo_runtime.h"

namespace {

// About 1 MB: a small head, 7,216 records with strings that hold escapes,
// brackets and nested arrays, and a small tail.
const std::string &Document() {
    static const std::string doc = [] {
        std::string d = "{\"head\":{\"id\":1,\"name\":\"first\"},\"items\":[";
        for (int i = 0; d.size() < 1000000; i++) {
            if (i) d += ',';
            d += "{\"id\":" + std::to_string(i) +
                 ",\"name\":\"item \\\"" + std::to_string(i) + "\\\" [x]\","
                 "\"tags\":[\"a\",\"b\",{\"k\":\"}\"}],\"score\":" + std::to_string(i * 7 % 100) +
                 ".5,\"ok\":true,\"note\":\"padding text for a realistic record size\"}";
        }
        d += "],\"tail\":{\"id\":2,\"name\":\"last\",\"last_key\":\"end\"}}";
        return d;
    }();
    return doc;
}

// Throughput is reported only for lookups that scan the whole document.
void Lookup(benchmark::State &state, const char *path, const char *expected, bool whole) {
    qo_val_t doc = QO_STR(Document().c_str());
    qo_val_t p = QO_STR(path);
    for (auto _ : state) {
        qo_val_t v = json_get(doc, p);
        benchmark::DoNotOptimize(v);
        if (strcmp(QO_STR_PTR(v), expected) != 0) state.SkipWithError("wrong value");
        free(QO_STR_PTR(v));  // no arena scope is active: results are plain blocks
    }
    if (whole)
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                                static_cast<int64_t>(Document().size()));
}

void BM_JsonGetDottedNearStart(benchmark::State &state) { Lookup(state, "head.name", "first", false); }
void BM_JsonGetDottedNearEnd(benchmark::State &state) { Lookup(state, "tail.name", "last", true); }
void BM_JsonGetDottedIntoArray(benchmark::State &state) { Lookup(state, "items.3000.id", "3000", false); }
void BM_JsonGetSearchNearEnd(benchmark::State &state) { Lookup(state, "last_key", "end", true); }

BENCHMARK(BM_JsonGetDottedNearStart);
BENCHMARK(BM_JsonGetDottedNearEnd);
BENCHMARK(BM_JsonGetDottedIntoArray);
BENCHMARK(BM_JsonGetSearchNearEnd);

}  // namespace
