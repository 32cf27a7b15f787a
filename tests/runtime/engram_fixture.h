// What the engram tests share: short spellings for runtime values, files
// named per process (forked children and test programs running side by
// side never meet), and a graph made from JSON text.
#ifndef QO_TESTS_ENGRAM_FIXTURE_H
#define QO_TESTS_ENGRAM_FIXTURE_H

#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "qo_runtime.h"

namespace engram_test {

using L = std::vector<std::string>;
using Ds = std::vector<double>;

inline const std::string kBuiltinLayers =
    R"([{"layer_id":0,"name":"safety","activation_priority":0,"suppressible":0,"transparent":1,"injectable":0},)"
    R"({"layer_id":1,"name":"core-identity","activation_priority":10,"suppressible":1,"transparent":0,"injectable":0},)"
    R"({"layer_id":2,"name":"domain-knowledge","activation_priority":20,"suppressible":1,"transparent":0,"injectable":0},)"
    R"({"layer_id":3,"name":"imprint","activation_priority":30,"suppressible":1,"transparent":0,"injectable":1},)"
    R"({"layer_id":4,"name":"suit","activation_priority":40,"suppressible":1,"transparent":0,"injectable":1},)"
    R"({"layer_id":5,"name":"accumulation","activation_priority":50,"suppressible":1,"transparent":0,"injectable":0}])";
inline const std::string kEmpty = R"({"nodes":[],"edges":[],"layers":)" + kBuiltinLayers + "}";

inline std::string S(qo_val_t v) { return v ? QO_STR_PTR(v) : "<null>"; }
inline qo_val_t V(const std::string &s) { return QO_STR(s.c_str()); }
inline qo_val_t V(const char *s) { return QO_STR(s); }
inline qo_val_t F(double d) { return qo_from_float(d); }
inline std::string Text(qo_val_t map, const char *key) { return S(qo_map_get(map, V(key))); }
inline double Num(qo_val_t map, const char *key) { return qo_to_float(qo_map_get(map, V(key))); }

inline int64_t NowMs() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return (int64_t)tv.tv_sec * 1000 + tv.tv_usec / 1000;
}

inline std::string TempPath(const std::string &name) {
    return ::testing::TempDir() + "engram_" + std::to_string(getpid()) + "_" + name;
}
inline std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
inline void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// Loads text as the whole graph, or merges it; gives the loader's answer.
inline qo_val_t LoadText(const std::string &text, bool merge = false) {
    std::string path = TempPath("load.json");
    WriteFile(path, text);
    qo_val_t got = merge ? engram_load_merge(V(path)) : engram_load(V(path));
    unlink(path.c_str());
    return got;
}

inline std::string Join(const L &records) {
    std::string out;
    for (size_t i = 0; i < records.size(); i++) out += (i ? "," : "") + records[i];
    return out;
}
inline std::string GraphText(const L &nodes, const L &edges = {}) {
    return R"({"nodes":[)" + Join(nodes) + R"(],"edges":[)" + Join(edges) + "]}";
}

// One field of every map in a list, or of every object in a JSON array.
inline L Ids(qo_val_t list, const char *key = "id") {
    L out;
    for (int64_t i = 0; i < qo_list_len(list); i++) out.push_back(Text(qo_list_get(list, i), key));
    return out;
}
inline L JsonIds(qo_val_t json) {
    L out;
    for (int64_t i = 0; i < json_array_len(json); i++) out.push_back(S(json_get_string(json_array_get(json, i), V("id"))));
    return out;
}

}  // namespace engram_test

#endif
