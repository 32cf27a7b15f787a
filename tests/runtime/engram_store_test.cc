// The engram store: layers, node and edge defaults, reading untyped
// numbers, the UTF-8 gate, lookups with duplicate ids, strengthening,
// forgetting, neighbours, bounded neighbourhoods, and the exact JSON of
// nodes, layers and statistics. Every test starts from a graph reset by
// loading a file that holds only the six built-in layers.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "qo_runtime.h"

namespace {

const std::string kBuiltinLayers =
    R"([{"layer_id":0,"name":"safety","activation_priority":0,"suppressible":0,"transparent":1,"injectable":0},)"
    R"({"layer_id":1,"name":"core-identity","activation_priority":10,"suppressible":1,"transparent":0,"injectable":0},)"
    R"({"layer_id":2,"name":"domain-knowledge","activation_priority":20,"suppressible":1,"transparent":0,"injectable":0},)"
    R"({"layer_id":3,"name":"imprint","activation_priority":30,"suppressible":1,"transparent":0,"injectable":1},)"
    R"({"layer_id":4,"name":"suit","activation_priority":40,"suppressible":1,"transparent":0,"injectable":1},)"
    R"({"layer_id":5,"name":"accumulation","activation_priority":50,"suppressible":1,"transparent":0,"injectable":0}])";

std::string S(qo_val_t v) { return v ? QO_STR_PTR(v) : "<null>"; }
qo_val_t V(const char *s) { return QO_STR(s); }
qo_val_t F(double d) { return qo_from_float(d); }
double Field(qo_val_t map, const char *key) { return qo_to_float(qo_map_get(map, V(key))); }
std::string Text(qo_val_t map, const char *key) { return S(qo_map_get(map, V(key))); }
int64_t MapLen(qo_val_t map) { return ((qo_map *)(intptr_t)map)->len; }
int64_t NowMs() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return (int64_t)tv.tv_sec * 1000 + tv.tv_usec / 1000;
}

void LoadText(const std::string &json) {
    std::string path = ::testing::TempDir() + "engram_store.json";
    std::ofstream(path) << json;
    ASSERT_EQ(engram_load(V(path.c_str())), 1);
}

// A node record with the given id; members in extra come first, so they
// win over the fixed ones (the first member of a name counts).
std::string Node(const std::string &id, const std::string &extra = "") {
    return R"({"id":")" + id + R"(")" + extra + R"(,"content":"c )" + id + R"(","label":")" + id + R"(","salience":0.5})";
}
std::string Edge(const std::string &from, const std::string &to, const std::string &extra = "") {
    return R"({"id":"e-)" + from + "-" + to + R"(","from_id":")" + from + R"(","to_id":")" + to + R"(")" + extra + "}";
}
std::string Graph(const std::vector<std::string> &nodes, const std::vector<std::string> &edges) {
    std::string text = R"({"nodes":[)";
    for (size_t i = 0; i < nodes.size(); i++) text += (i ? "," : "") + nodes[i];
    text += R"(],"edges":[)";
    for (size_t i = 0; i < edges.size(); i++) text += (i ? "," : "") + edges[i];
    return text + R"(]})";
}

std::vector<std::string> Ids(qo_val_t list) {
    std::vector<std::string> ids;
    for (int64_t i = 0; i < qo_list_len(list); i++) ids.push_back(Text(qo_list_get(list, i), "id"));
    return ids;
}

class EngramStore : public ::testing::Test {
  protected:
    void SetUp() override { LoadText(R"({"nodes":[],"edges":[],"layers":)" + kBuiltinLayers + "}"); }
};

TEST_F(EngramStore, LayersAreAddedRemovedAndListedByPriority) {
    EXPECT_EQ(S(engram_list_layers_json()), kBuiltinLayers);
    EXPECT_EQ(engram_add_layer(V("custom"), 5, 1, 0, 1), 6);
    EXPECT_EQ(engram_add_layer(V("suit"), 99, 0, 1, 0), 4);  // existing name: nothing changes
    EXPECT_EQ(engram_add_layer(V("tie"), 10, 7, -3, 0), 7);  // flags stored as 0 or 1
    EXPECT_EQ(engram_add_layer(V(""), 1, 1, 1, 1), 0);
    EXPECT_EQ(engram_add_layer(0, 1, 1, 1, 1), 0);

    qo_val_t layers = engram_list_layers();
    ASSERT_EQ(qo_list_len(layers), 8);
    std::vector<std::string> names;
    for (int64_t i = 0; i < 8; i++) names.push_back(Text(qo_list_get(layers, i), "name"));
    EXPECT_EQ(names, (std::vector<std::string>{"safety", "custom", "core-identity", "tie", "domain-knowledge",
                                               "imprint", "suit", "accumulation"}));
    qo_val_t tie = qo_list_get(layers, 3);
    EXPECT_EQ(qo_map_get(tie, V("layer_id")), 7);
    EXPECT_EQ(qo_map_get(tie, V("suppressible")), 1);
    EXPECT_EQ(qo_map_get(tie, V("transparent")), 1);
    EXPECT_EQ(qo_map_get(tie, V("injectable")), 0);

    EXPECT_EQ(engram_remove_layer(4), 1);
    EXPECT_EQ(engram_remove_layer(4), 0);  // already gone
    EXPECT_EQ(engram_remove_layer(0), 0);  // safety is not injectable
    EXPECT_EQ(engram_remove_layer(5), 0);
    EXPECT_EQ(engram_remove_layer(-1), 0);
    EXPECT_EQ(engram_add_layer(V("suit"), 40, 1, 0, 1), 8);  // ids are never reused
    EXPECT_EQ(S(engram_stats_json()), R"({"node_count":0,"edge_count":0,"layer_count":9})");
    EXPECT_EQ(qo_list_len(engram_list_layers()), 8);
}

TEST_F(EngramStore, NodeDefaults) {
    int64_t before = NowMs();
    qo_val_t id = engram_node(V("hello world"), 0, F(0.8));
    int64_t after = NowMs();
    std::string text = S(id);
    ASSERT_EQ(text.size(), 36u);
    EXPECT_EQ(text[14], '4');
    qo_val_t n = engram_get_node(id);
    EXPECT_EQ(Text(n, "id"), text);
    EXPECT_EQ(Text(n, "content"), "hello world");
    EXPECT_EQ(Text(n, "node_type"), "Memory");
    EXPECT_EQ(Text(n, "label"), "hello world");
    EXPECT_EQ(Text(n, "tier"), "Working");
    EXPECT_EQ(Text(n, "tags"), "");
    EXPECT_EQ(Text(n, "metadata"), "{}");
    EXPECT_EQ(Field(n, "salience"), 0.8);
    EXPECT_EQ(Field(n, "importance"), 0.5);
    EXPECT_EQ(Field(n, "confidence"), 1.0);
    EXPECT_EQ(Field(n, "temporal_decay_rate"), 0.0);
    EXPECT_EQ(qo_map_get(n, V("activation_count")), 0);
    EXPECT_EQ(qo_map_get(n, V("layer_id")), 5);
    int64_t created = qo_map_get(n, V("created_at"));
    EXPECT_GE(created, before);
    EXPECT_LE(created, after);
    EXPECT_EQ(qo_map_get(n, V("updated_at")), created);
    EXPECT_EQ(qo_map_get(n, V("last_activated")), created);

    qo_val_t empty = engram_get_node(engram_node(0, V(""), 0));
    EXPECT_EQ(Text(empty, "content"), "");
    EXPECT_EQ(Text(empty, "label"), "");
    EXPECT_EQ(Text(empty, "node_type"), "Memory");
}

TEST_F(EngramStore, NodeMapKeysComeInRecordOrder) {
    qo_val_t n = engram_get_node(engram_node(V("x"), V("Entity"), 0));
    auto *map = (qo_map *)(intptr_t)n;
    std::vector<std::string> keys(map->keys, map->keys + map->len);
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "id", "content", "node_type", "label", "tier", "tags", "metadata", "salience", "importance",
                        "confidence", "temporal_decay_rate", "activation_count", "last_activated", "created_at",
                        "updated_at", "background_activation", "working_memory_weight", "suppression_count",
                        "layer_id"}));
    EXPECT_EQ(MapLen(engram_get_node(V("no-such-id"))), 0);
    EXPECT_EQ(MapLen(engram_get_node(0)), 0);
}

TEST_F(EngramStore, UntypedNumbersAreReadAsFloatOrInteger) {
    auto salience = [](qo_val_t v) { return Field(engram_get_node(engram_node(V("n"), 0, v)), "salience"); };
    EXPECT_EQ(salience(F(0.8)), 0.8);
    EXPECT_EQ(salience(F(1.0)), 1.0);
    EXPECT_EQ(salience(F(0.0)), 0.5);
    EXPECT_EQ(salience(F(50.0)), 0.5);
    EXPECT_EQ(salience(F(1.5)), 0.5);
    EXPECT_EQ(salience(-1), 0.5);
    EXPECT_EQ(salience(0), 0.5);
    // A small positive integer's bits read as a tiny float inside (0, 1].
    EXPECT_EQ(salience(7), qo_to_float(7));
    EXPECT_EQ(salience((qo_val_t)1 << 61), qo_to_float((qo_val_t)1 << 61));

    qo_val_t full = engram_get_node(engram_node_full(V("c"), 0, 0, F(0.3), F(2.0), F(0.0), 0, 0));
    EXPECT_EQ(Field(full, "salience"), 0.3);
    EXPECT_EQ(Field(full, "importance"), 0.5);
    EXPECT_EQ(Field(full, "confidence"), 1.0);
    full = engram_get_node(engram_node_full(V("c"), 0, 0, 0, F(0.7), F(0.25), 0, 0));
    EXPECT_EQ(Field(full, "importance"), 0.7);
    EXPECT_EQ(Field(full, "confidence"), 0.25);
}

TEST_F(EngramStore, LabelIsTheFirstSixtyBytesOfTheContent) {
    std::string content(100, 'x');
    for (size_t i = 0; i < content.size(); i++) content[i] = (char)('a' + i % 26);
    EXPECT_EQ(Text(engram_get_node(engram_node(V(content.c_str()), 0, 0)), "label"), content.substr(0, 60));
    // The cut falls inside a two-byte character: bytes, not characters.
    std::string accents = "a";
    for (int i = 0; i < 40; i++) accents += "\xc3\xa9";
    qo_val_t id = engram_node_full(V(accents.c_str()), 0, V(""), 0, 0, 0, 0, 0);
    EXPECT_EQ(Text(engram_get_node(id), "label"), accents.substr(0, 60));
    id = engram_node_full(V(accents.c_str()), 0, V("given"), 0, 0, 0, 0, 0);
    EXPECT_EQ(Text(engram_get_node(id), "label"), "given");
}

TEST_F(EngramStore, FullNodesRejectMalformedUtf8) {
    const char *bad[] = {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe0\x9f\xbf", "\xf0\x8f\xbf\xbf",
                         "ok \xe2\x82", "\x80", "\xf5\x80\x80\x80", "x\xc2", "\xc3\x28", "\xff"};
    for (const char *content : bad) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(S(engram_node_full(V(content), 0, V("lbl"), 0, 0, 0, 0, 0)), "") << content;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  "[engram] REJECTED node write \xe2\x80\x94 content contains invalid UTF-8 (label=lbl)\n");
    }
    testing::internal::CaptureStderr();
    engram_node_full(V("\xed\xbf\xbf"), 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "[engram] REJECTED node write \xe2\x80\x94 content contains invalid UTF-8 (label=(null))\n");
    EXPECT_EQ(engram_node_count(), 0);

    const char *good[] = {"\xf0\x9f\x98\x80", "\xe0\xa0\x80", "\xed\x9f\xbf", "\xf4\x8f\xbf\xbf", "\xc2\x80", ""};
    for (const char *content : good) EXPECT_EQ(S(engram_node_full(V(content), 0, 0, 0, 0, 0, 0, 0)).size(), 36u);
    EXPECT_EQ(S(engram_node_full(0, 0, 0, 0, 0, 0, 0, 0)).size(), 36u);
    EXPECT_EQ(engram_node_count(), 7);
}

TEST_F(EngramStore, FullAndLayeredNodesTakeTheirFields) {
    qo_val_t n = engram_get_node(engram_node_full(V("c"), V("Belief"), V("L"), 0, 0, 0, V("Canonical"), V("t1 t2")));
    EXPECT_EQ(Text(n, "node_type"), "Belief");
    EXPECT_EQ(Text(n, "tier"), "Canonical");
    EXPECT_EQ(Text(n, "tags"), "t1 t2");
    EXPECT_EQ(qo_map_get(n, V("layer_id")), 5);
    n = engram_get_node(engram_node_full(V("c"), 0, 0, 0, 0, 0, V(""), 0));
    EXPECT_EQ(Text(n, "tier"), "Working");
    EXPECT_EQ(Text(n, "tags"), "");

    auto layered = [](qo_val_t status, qo_val_t layer) {
        return engram_get_node(engram_node_layered(V("c"), 0, 0, 0, 0, 0, status, V("tg"), layer));
    };
    n = layered(V("active"), 2);
    EXPECT_EQ(Text(n, "metadata"), R"({"status":"active"})");
    EXPECT_EQ(Text(n, "tier"), "Working");
    EXPECT_EQ(Text(n, "tags"), "tg");
    EXPECT_EQ(qo_map_get(n, V("layer_id")), 2);
    EXPECT_EQ(Text(layered(V(""), 0), "metadata"), "{}");
    EXPECT_EQ(qo_map_get(layered(0, 0), V("layer_id")), 0);
    EXPECT_EQ(qo_map_get(layered(0, 99), V("layer_id")), 1);
    EXPECT_EQ(qo_map_get(layered(0, -1), V("layer_id")), 1);
    EXPECT_EQ(qo_map_get(layered(0, ((qo_val_t)1 << 32) + 2), V("layer_id")), 1);
    ASSERT_EQ(engram_remove_layer(3), 1);
    EXPECT_EQ(qo_map_get(layered(0, 3), V("layer_id")), 1);

    // Quotes, backslashes and control bytes in the status keep the
    // metadata a JSON object that gives the status back.
    std::string status = "say \"hi\" \\ now\n\x01";
    std::string metadata = Text(layered(V(status.c_str()), 1), "metadata");
    EXPECT_EQ(metadata, "{\"status\":\"say \\\"hi\\\" \\\\ now\\n\\u0001\"}");
    EXPECT_EQ(S(json_get_string(V(metadata.c_str()), V("status"))), "say \"hi\" \\ now\n?");
}

TEST_F(EngramStore, StrengthenCapsSalienceAtOne) {
    LoadText(Graph({Node("a", R"(,"salience":0.98,"activation_count":2,"last_activated":5,"updated_at":5)")}, {}));
    int64_t before = NowMs();
    engram_strengthen(V("a"));
    qo_val_t n = engram_get_node(V("a"));
    EXPECT_EQ(Field(n, "salience"), 1.0);
    EXPECT_EQ(qo_map_get(n, V("activation_count")), 3);
    EXPECT_GE(qo_map_get(n, V("last_activated")), before);
    EXPECT_EQ(qo_map_get(n, V("updated_at")), qo_map_get(n, V("last_activated")));
    engram_strengthen(V("missing"));
    engram_strengthen(0);
    LoadText(Graph({Node("b", R"(,"salience":0.5)")}, {}));
    engram_strengthen(V("b"));
    EXPECT_DOUBLE_EQ(Field(engram_get_node(V("b")), "salience"), 0.55);
}

TEST_F(EngramStore, LookupsAnswerTheFirstOfDuplicateIds) {
    LoadText(Graph({Node("x", R"(,"content":"first")"), Node("y"), Node("x", R"(,"content":"second")")},
                   {Edge("x", "y"), Edge("y", "z"), Edge("q", "x")}));
    EXPECT_EQ(Text(engram_get_node(V("x")), "content"), "first");
    // Forgetting removes the first x and every edge touching "x"; the second
    // x is found from then on.
    engram_forget(V("x"));
    EXPECT_EQ(engram_node_count(), 2);
    EXPECT_EQ(engram_edge_count(), 1);
    EXPECT_EQ(Text(engram_get_node(V("x")), "content"), "second");
    EXPECT_EQ(engram_edge_between(V("y"), V("z")), 1);
    engram_forget(V("x"));
    engram_forget(V("x"));
    engram_forget(0);
    EXPECT_EQ(engram_node_count(), 1);
    EXPECT_EQ(Text(engram_get_node(V("y")), "id"), "y");
}

TEST_F(EngramStore, ForgettingKeepsTheOrderOfWhatRemains) {
    LoadText(Graph({Node("a"), Node("b"), Node("c"), Node("d")},
                   {Edge("a", "b"), Edge("c", "d"), Edge("b", "c"), Edge("d", "a"), Edge("a", "c")}));
    engram_forget(V("b"));
    EXPECT_EQ(Ids(engram_scan_nodes(10, 0)), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(engram_edge_count(), 3);
    // Edge order survives: neighbours of a list d (edge d->a) before c (a->c).
    EXPECT_EQ(Ids(engram_neighbors(V("a"))), (std::vector<std::string>{"d", "c"}));
}

TEST_F(EngramStore, ConnectAppendsEdgesWithDefaults) {
    qo_val_t a = engram_node(V("a"), 0, 0), b = engram_node(V("b"), 0, 0);
    engram_connect(a, b, 0, 0);
    engram_connect(a, b, F(1.0), V("likes"));  // duplicates are allowed
    engram_connect(a, V("nowhere"), F(1.5), V(""));
    engram_connect(0, b, 0, 0);
    engram_connect(a, 0, 0, 0);
    EXPECT_EQ(engram_edge_count(), 3);
    EXPECT_EQ(engram_edge_between(a, b), 1);
    EXPECT_EQ(engram_edge_between(b, a), 0);
    EXPECT_EQ(engram_edge_between(a, V("nowhere")), 1);
    EXPECT_EQ(engram_edge_between(0, b), 0);
    // Saved edge objects show every default: relation "associate", weight
    // 0.5 unless in (0, 1], confidence 1, never fired, layer 1.
    std::string saved = ::testing::TempDir() + "engram_store_edges.json";
    ASSERT_EQ(engram_save(V(saved.c_str())), 1);
    std::ifstream in(saved);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const EngramEdge *e = engram_global->edges;
    char expect[400];
    snprintf(expect, sizeof expect,
             R"({"id":"%s","from_id":"%s","to_id":"%s","relation":"associate","metadata":"{}","weight":0.5,)"
             R"("confidence":1,"created_at":%lld,"updated_at":%lld,"last_fired":0,"inhibitory":0,"layer_id":1})",
             e[0].id, S(a).c_str(), S(b).c_str(), (long long)e[0].created_at, (long long)e[0].created_at);
    EXPECT_NE(text.find(expect), std::string::npos) << text;
    EXPECT_EQ(strlen(e[0].id), 36u);
    EXPECT_STREQ(e[1].relation, "likes");
    EXPECT_EQ(e[1].weight, 1.0);
    EXPECT_EQ(e[2].weight, 0.5);
}

TEST_F(EngramStore, NeighboursFollowEdgesBothWaysOncePerEdge) {
    LoadText(Graph({Node("a"), Node("b"), Node("c")},
                   {Edge("a", "b"), Edge("c", "a"), Edge("a", "ghost"), Edge("a", "a"), Edge("b", "a")}));
    EXPECT_EQ(Ids(engram_neighbors(V("a"))), (std::vector<std::string>{"b", "c", "a", "b"}));
    EXPECT_EQ(Ids(engram_neighbors(V("ghost"))), (std::vector<std::string>{"a"}));
    EXPECT_EQ(qo_list_len(engram_neighbors(V("nobody"))), 0);
    EXPECT_EQ(qo_list_len(engram_neighbors(0)), 0);
}

TEST_F(EngramStore, BoundedNeighbourhoodsListNodesInNodeOrder) {
    // Node order c, b, a; the chain runs a -> b -> c.
    LoadText(Graph({Node("c"), Node("b"), Node("a"), Node("lone")}, {Edge("a", "b"), Edge("b", "c")}));
    auto hood = [](const char *id, qo_val_t depth, qo_val_t dir) {
        return Ids(engram_neighbors_filtered(V(id), depth, dir));
    };
    using L = std::vector<std::string>;
    EXPECT_EQ(hood("a", 2, V("out")), (L{"c", "b"}));
    EXPECT_EQ(hood("a", 1, V("out")), (L{"b"}));
    EXPECT_EQ(hood("a", 0, V("out")), (L{"b"}));
    EXPECT_EQ(hood("a", 2, V("in")), L{});
    EXPECT_EQ(hood("c", 2, V("in")), (L{"b", "a"}));
    EXPECT_EQ(hood("b", 1, 0), (L{"c", "a"}));
    EXPECT_EQ(hood("b", 1, V("sideways")), (L{"c", "a"}));
    EXPECT_EQ(hood("lone", 3, 0), L{});
    EXPECT_EQ(hood("ghost", 3, 0), L{});
    EXPECT_EQ(qo_list_len(engram_neighbors_filtered(0, 2, 0)), 0);
}

TEST_F(EngramStore, NeighbourhoodJsonInDiscoveryOrderWithTheFirstEdge) {
    LoadText(Graph({Node("c"), Node("b"), Node("a")}, {Edge("a", "b"), Edge("b", "c"), Edge("c", "a")}));
    qo_val_t out = engram_neighbors_json(V("a"), 2, V("out"));
    ASSERT_EQ(json_array_len(out), 2);
    EXPECT_EQ(S(json_get(out, V("0.node.id"))), "b");
    EXPECT_EQ(S(json_get(out, V("0.edge.id"))), "e-a-b");
    EXPECT_EQ(S(json_get(out, V("0.hops"))), "1");
    EXPECT_EQ(S(json_get(out, V("1.node.id"))), "c");
    EXPECT_EQ(S(json_get(out, V("1.edge.id"))), "e-b-c");
    EXPECT_EQ(S(json_get(out, V("1.hops"))), "2");
    // The entry text is exactly node, edge and hops.
    std::string first = S(json_array_get(out, 0));
    // Loaded edges take the file's defaults: missing layer_id means 1.
    EXPECT_EQ(first, "{\"node\":" + S(engram_get_node_json(V("b"))) +
                         R"(,"edge":{"id":"e-a-b","from_id":"a","to_id":"b","relation":"","metadata":"{}",)"
                         R"("weight":0,"confidence":0,"created_at":0,"updated_at":0,"last_fired":0,"inhibitory":0,)"
                         R"("layer_id":1},"hops":1})");

    qo_val_t both = engram_neighbors_json(V("c"), 1, 0);
    ASSERT_EQ(json_array_len(both), 2);
    EXPECT_EQ(S(json_get(both, V("0.node.id"))), "b");
    EXPECT_EQ(S(json_get(both, V("1.node.id"))), "a");
    EXPECT_EQ(S(json_get(both, V("1.edge.id"))), "e-c-a");
    EXPECT_EQ(S(engram_neighbors_json(V("c"), 1, V("both"))), S(both));
    EXPECT_EQ(S(engram_neighbors_json(V("a"), 2, V("sideways"))), "[]");
    qo_val_t in = engram_neighbors_json(V("a"), 2, V("in"));
    ASSERT_EQ(json_array_len(in), 2);
    EXPECT_EQ(S(json_get(in, V("0.edge.id"))), "e-c-a");
    EXPECT_EQ(S(json_get(in, V("1.edge.id"))), "e-b-c");
    EXPECT_EQ(S(json_get(in, V("1.hops"))), "2");
    EXPECT_EQ(json_array_len(engram_neighbors_json(V("a"), 1, V("in"))), 1);
    EXPECT_EQ(S(engram_neighbors_json(V(""), 2, 0)), "[]");
    EXPECT_EQ(S(engram_neighbors_json(0, 2, 0)), "[]");
}

TEST_F(EngramStore, NodeJsonHasTheRecordsKeyOrderAndNumberFormats) {
    const std::string record =
        R"({"id":"n1","content":"q\"uote\\ tab\t nl\n caf\u00e9","node_type":"Entity","label":"L","tier":"Lesson",)"
        R"("tags":"t","metadata":"{\"k\":1}","salience":0.123457,"importance":1e-05,"confidence":1,)"
        R"("temporal_decay_rate":2.5e+06,"activation_count":-3,"last_activated":1700000000123,)"
        R"("created_at":-5,"updated_at":9223372036854775807,"background_activation":0,)"
        R"("working_memory_weight":0.25,"suppression_count":-2,"layer_id":4294967295})";
    LoadText(Graph({record}, {}));
    std::string expected = record;
    // The file's \u escape decodes to "?" and is written back as such.
    expected.replace(expected.find("caf\\u00e9"), 9, "caf?");
    EXPECT_EQ(S(engram_get_node_json(V("n1"))), expected);
    EXPECT_EQ(S(engram_get_node_by_label(V("L"))), expected);
    EXPECT_EQ(S(engram_get_node_json(V("n2"))), "{}");
    EXPECT_EQ(S(engram_get_node_json(0)), "{}");
    EXPECT_EQ(S(engram_get_node_by_label(V(""))), "{}");
    EXPECT_EQ(S(engram_get_node_by_label(0)), "{}");
    EXPECT_EQ(S(engram_get_node_by_label(V("l"))), "{}");
}

TEST_F(EngramStore, BuiltinSpellingsForwardToTheSameFunctions) {
    qo_val_t a = __engram_node(V("alpha"), 0, 0);
    qo_val_t b = __engram_node_full(V("beta alpha"), 0, 0, 0, 0, 0, 0, 0);
    __engram_connect(a, b, 0, 0);
    EXPECT_EQ(__engram_node_count(), 2);
    EXPECT_EQ(__engram_edge_between(a, b), 1);
    EXPECT_EQ(Ids(__engram_neighbors(a)), (std::vector<std::string>{S(b)}));
    EXPECT_EQ(Ids(__engram_neighbors_filtered(b, 1, V("in"))), (std::vector<std::string>{S(a)}));
    EXPECT_EQ(qo_list_len(__engram_search(V("beta"), 0)), 1);
    EXPECT_EQ(qo_list_len(__engram_scan_nodes(1, 1)), 1);
    EXPECT_EQ(json_array_len(__engram_scan_nodes_json(5, 0)), 2);
    EXPECT_EQ(qo_list_len(__engram_activate(V("alpha"), 1)), 2);
    EXPECT_EQ(json_array_len(__engram_activate_json(V("beta"), 1)), 2);
    __engram_strengthen(a);
    EXPECT_EQ(qo_map_get(__engram_get_node(a), V("activation_count")), 1);
    __engram_forget(a);
    EXPECT_EQ(engram_node_count(), 1);
}

TEST_F(EngramStore, LabelLookupTakesTheFirstInNodeOrder) {
    LoadText(Graph({Node("a", R"(,"label":"same")"), Node("b", R"(,"label":"same")")}, {}));
    EXPECT_EQ(S(json_get_string(engram_get_node_by_label(V("same")), V("id"))), "a");
}

}  // namespace
