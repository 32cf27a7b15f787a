// The engram on generated graphs of 10,000 and 100,000 nodes with ten
// outgoing edges per node (so 100,000 and 1,000,000 edges): spreading
// activation, keyword search, saving and loading the larger graph, and
// forgetting nodes from it.
//
// Node texts draw from a fixed vocabulary so that the query "topic7 w42"
// seeds about one node in fifty; edges go to pseudo-random nodes. The same
// seed gives the same graph on every run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "qo_runtime.h"

namespace {

const char *kQuery = "topic7 w42";
std::vector<std::string> ids;  // of the graph last built, in node order

std::string temp_path(const char *name) { return std::string("/tmp/qo-engram-bench-") + name; }

void reset_graph() {
    std::string path = temp_path("empty.json");
    std::ofstream(path) << R"({"nodes":[],"edges":[]})";
    engram_load(QO_STR(path.c_str()));
}

// Builds the graph once per size; later benchmarks of the same size reuse it.
void ensure_graph(int64_t nodes) {
    static int64_t built = -1;
    if (built == nodes) return;
    reset_graph();
    static const char *types[] = {"Memory", "Knowledge", "Belief", "Entity"};
    ids.clear();
    ids.reserve((size_t)nodes);
    uint64_t seed = 0x9E3779B97F4A7C15ull;
    auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    qo_val_t mark = qo_arena_push();
    for (int64_t i = 0; i < nodes; i++) {
        std::string content = "note " + std::to_string(i) + " about topic" + std::to_string(i % 50) + " and w" +
                              std::to_string(next() % 1000) + " with some longer text to search through";
        qo_val_t id = engram_node(QO_STR(content.c_str()), QO_STR(types[i % 4]), qo_from_float(0.3 + (i % 7) / 10.0));
        ids.emplace_back(QO_STR_PTR(id));
        if (i % 4096 == 4095) qo_arena_pop(mark), mark = qo_arena_push();
    }
    for (int64_t i = 0; i < nodes; i++) {
        for (int k = 0; k < 10; k++) {
            const std::string &to = ids[next() % (uint64_t)nodes];
            engram_connect(QO_STR(ids[(size_t)i].c_str()), QO_STR(to.c_str()), qo_from_float(0.2 + k / 20.0), 0);
        }
        if (i % 1024 == 1023) qo_arena_pop(mark), mark = qo_arena_push();
    }
    // The first lookup after a load builds the id index; do it here, not in
    // a timed loop (BM_Load counts it instead).
    engram_get_node(QO_STR(ids[0].c_str()));
    qo_arena_pop(mark);
    built = nodes;
}

void BM_Activate(benchmark::State &state) {
    ensure_graph(state.range(0));
    int64_t results = 0;
    for (auto _ : state) {
        qo_val_t mark = qo_arena_push();
        qo_val_t list = engram_activate(QO_STR(kQuery), 2);
        results = qo_list_len(list);
        qo_arena_pop(mark);
    }
    state.counters["results"] = (double)results;
}

void BM_Search(benchmark::State &state) {
    ensure_graph(state.range(0));
    int64_t results = 0;
    for (auto _ : state) {
        qo_val_t mark = qo_arena_push();
        results = qo_list_len(engram_search(QO_STR(kQuery), 100));
        qo_arena_pop(mark);
    }
    state.counters["results"] = (double)results;
}

void BM_Save(benchmark::State &state) {
    ensure_graph(state.range(0));
    std::string path = temp_path("graph.json");
    for (auto _ : state) {
        std::remove(path.c_str());
        if (!engram_save(QO_STR(path.c_str()))) state.SkipWithError("save failed");
    }
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    state.counters["bytes"] = (double)file.tellg();
}

// A load, and the first lookup, which builds the index of the loaded graph.
void BM_Load(benchmark::State &state) {
    ensure_graph(state.range(0));
    std::string path = temp_path("graph.json");
    engram_save(QO_STR(path.c_str()));
    for (auto _ : state) {
        if (!engram_load(QO_STR(path.c_str()))) state.SkipWithError("load failed");
        engram_get_node(QO_STR("no such id"));
    }
    state.counters["edges"] = (double)engram_edge_count();
}

// Each forget removes a node and its edges, shifting the records after it
// and renumbering the index in place. Runs last: it spends the graph.
void BM_Forget(benchmark::State &state) {
    ensure_graph(state.range(0));
    engram_get_node(QO_STR(ids[0].c_str()));
    size_t next = 0;
    for (auto _ : state) engram_forget(QO_STR(ids[next++ * 97 % ids.size()].c_str()));
    state.counters["edges_left"] = (double)engram_edge_count();
}

// Grouped by size so that each graph is built once.
BENCHMARK(BM_Activate)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Activate)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(100000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Forget)->Arg(100000)->Iterations(50)->Unit(benchmark::kMillisecond);

}  // namespace
