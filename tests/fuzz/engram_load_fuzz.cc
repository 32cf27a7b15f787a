// Arbitrary bytes as an engram file. Whatever loads must survive the graph
// operations that walk it (activation, neighbourhoods, the layered view),
// and its file text must reach a fixed point: once loaded back, it gives
// the same text again. The text is taken straight from the writer that
// engram_save uses, without the save's fsync, which would slow the fuzzer
// down a hundredfold. Each input's strings live in an arena scope that is
// closed at the end, so leak checking stays on.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "qo_runtime.h"

namespace {

void require(bool ok) {
    if (!ok) __builtin_trap();
}

std::string path(const char *name) {
    return "/tmp/qo-engram-fuzz-" + std::to_string(getpid()) + "-" + name + ".json";
}

// The graph's file text, also written to file.
std::string save_text(const std::string &file) {
    size_t len = 0;
    char *raw = _qo_engram_file_text(engram_global, &len);
    std::string text(raw, len);
    free(raw);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const std::string input = path("input"), first = path("first"), second = path("second");
    std::ofstream(input, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(data), (std::streamsize)size);
    qo_val_t mark = qo_arena_push();
    if (engram_load(QO_STR(input.c_str()))) {
        EngramGraph *g = engram_global;
        const char *id = g->node_count ? g->nodes[0].id : "x";
        engram_activate_json(QO_STR("alpha beta a"), 3);
        engram_neighbors_json(QO_STR(id), 3, 0);
        engram_compile_layered_json(QO_STR("e"), 2);
        engram_wm_top_json(0);
        save_text(first);
        require(engram_load(QO_STR(first.c_str())) == 1);
        std::string once = save_text(second);
        require(engram_load(QO_STR(second.c_str())) == 1);
        require(save_text(second) == once);
    }
    qo_arena_pop(mark);
    return 0;
}
