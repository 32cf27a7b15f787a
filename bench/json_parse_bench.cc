// json_parse throughput on an API-like document of about 20 MB. The
// document is the file named by QO_JSON_BENCH_FILE (bench/json_parse.sh
// passes the one it also gives to Node's JSON.parse), or one built here.
// Each parse is freed whole outside the timed region. Wall-clock time, as
// for Node's side.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "qo_runtime.h"

namespace {

std::string Generated() {
    std::string d = "[";
    for (int i = 0; d.size() < 20000000; i++) {
        if (i) d += ',';
        std::string n = std::to_string(i);
        d += "{\"id\":" + n + ",\"name\":\"user " + n + " \\\"quoted\\\"\\tname\",\"email\":\"user" + n +
             "@example.com\",\"score\":" + std::to_string(i * 37 % 1000 / 8.0) + ",\"active\":" +
             (i % 3 ? "false" : "true") + ",\"manager\":null,\"tags\":[\"alpha\",\"beta\",\"t" +
             std::to_string(i % 17) + "\"],\"address\":{\"street\":\"" + n +
             " Main St\",\"city\":\"Springfield\"},\"history\":[" + n + "," + n + ",{\"ok\":true}]}";
    }
    return d + "]";
}

const std::string &Document() {
    static const std::string doc = [] {
        const char *file = getenv("QO_JSON_BENCH_FILE");
        if (!file) return Generated();
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }();
    return doc;
}

void BM_JsonParse(benchmark::State &state) {
    const std::string &doc = Document();
    for (auto _ : state) {
        jp_cursor c = {doc.data(), doc.data() + doc.size(), 0};
        qo_json_blocks owned;
        qo_val_t v = _qo_json_parse_owned(&c, &owned);
        benchmark::DoNotOptimize(v);
        if (c.err) state.SkipWithError("document did not parse");
        state.PauseTiming();
        _qo_json_blocks_free(&owned);
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)doc.size());
}
BENCHMARK(BM_JsonParse)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
