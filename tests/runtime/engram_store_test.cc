// The engram store: layers, node and edge defaults, untyped numbers, the
// UTF-8 gate, strengthening, null and unknown arguments, and the exact
// texts of nodes, edges and neighbourhoods. Lookups, forgetting and walks
// on random graphs are checked against a plain model in engram_diff_test.
#include <cstring>

#include "engram_fixture.h"

namespace {

using namespace engram_test;

// A node record; members in extra come first, so they win over the fixed
// ones (the first member of a name counts).
std::string Node(const std::string &id, const std::string &extra = "") {
    return R"({"id":")" + id + R"(")" + extra + R"(,"content":"c )" + id + R"(","label":")" + id + R"(","salience":0.5})";
}
std::string Edge(const std::string &from, const std::string &to) {
    return R"({"id":"e-)" + from + "-" + to + R"(","from_id":")" + from + R"(","to_id":")" + to + R"("})";
}

class EngramStore : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(LoadText(kEmpty), 1); }
};

TEST_F(EngramStore, LayersAreAddedRemovedAndListedByPriority) {
    EXPECT_EQ(S(engram_list_layers_json()), kBuiltinLayers);
    EXPECT_EQ(engram_add_layer(V("custom"), 5, 1, 0, 1), 6);
    EXPECT_EQ(engram_add_layer(V("suit"), 99, 0, 1, 0), 4);  // existing name: nothing changes
    EXPECT_EQ(engram_add_layer(V("tie"), 10, 7, -3, 0), 7);  // flags stored as 0 or 1
    EXPECT_EQ(engram_add_layer(V(""), 1, 1, 1, 1), 0);
    EXPECT_EQ(engram_add_layer(0, 1, 1, 1, 1), 0);
    qo_val_t layers = engram_list_layers();
    EXPECT_EQ(Ids(layers, "name"),
              (L{"safety", "custom", "core-identity", "tie", "domain-knowledge", "imprint", "suit", "accumulation"}));
    qo_val_t tie = qo_list_get(layers, 3);
    std::vector<qo_val_t> flags;
    for (const char *key : {"layer_id", "suppressible", "transparent", "injectable"}) flags.push_back(qo_map_get(tie, V(key)));
    EXPECT_EQ(flags, (std::vector<qo_val_t>{7, 1, 1, 0}));

    EXPECT_EQ(engram_remove_layer(4), 1);
    for (qo_val_t refused : {4, 0, 5, -1}) EXPECT_EQ(engram_remove_layer(refused), 0) << refused;
    EXPECT_EQ(engram_add_layer(V("suit"), 40, 1, 0, 1), 8);  // ids are never reused
    EXPECT_EQ(S(engram_stats_json()), R"({"node_count":0,"edge_count":0,"layer_count":9})");
    EXPECT_EQ(qo_list_len(engram_list_layers()), 8);
}

TEST_F(EngramStore, NodeDefaultsAndMapKeyOrder) {
    int64_t before = NowMs();
    qo_val_t id = engram_node(V("hello world"), 0, F(0.8));
    int64_t after = NowMs();
    ASSERT_EQ(S(id).size(), 36u);
    EXPECT_EQ(S(id)[14], '4');
    qo_val_t n = engram_get_node(id);
    auto *map = (qo_map *)(intptr_t)n;
    EXPECT_EQ(L(map->keys, map->keys + map->len),
              (L{"id", "content", "node_type", "label", "tier", "tags", "metadata", "salience", "importance",
                 "confidence", "temporal_decay_rate", "activation_count", "last_activated", "created_at", "updated_at",
                 "background_activation", "working_memory_weight", "suppression_count", "layer_id"}));
    EXPECT_EQ(Text(n, "id") + "|" + Text(n, "content") + "|" + Text(n, "node_type") + "|" + Text(n, "label") + "|" +
                  Text(n, "tier") + "|" + Text(n, "tags") + "|" + Text(n, "metadata"),
              S(id) + "|hello world|Memory|hello world|Working||{}");
    EXPECT_EQ(Num(n, "salience"), 0.8);
    EXPECT_EQ(Num(n, "importance"), 0.5);
    EXPECT_EQ(Num(n, "confidence"), 1.0);
    EXPECT_EQ(qo_map_get(n, V("layer_id")), 5);
    int64_t created = qo_map_get(n, V("created_at"));
    EXPECT_TRUE(created >= before && created <= after);
    EXPECT_EQ(qo_map_get(n, V("updated_at")), created);
    EXPECT_EQ(qo_map_get(n, V("last_activated")), created);

    qo_val_t empty = engram_get_node(engram_node(0, V(""), 0));
    EXPECT_EQ(Text(empty, "content") + "|" + Text(empty, "label") + "|" + Text(empty, "node_type"), "||Memory");
    EXPECT_EQ(((qo_map *)(intptr_t)engram_get_node(V("no-such-id")))->len, 0);
}

TEST_F(EngramStore, UntypedNumbersReadAsFloatOrInteger) {
    auto salience = [](qo_val_t v) { return Num(engram_get_node(engram_node(V("n"), 0, v)), "salience"); };
    for (qo_val_t fallback : {F(0.0), F(50.0), F(1.5), (qo_val_t)-1, (qo_val_t)0}) EXPECT_EQ(salience(fallback), 0.5);
    EXPECT_EQ(salience(F(1.0)), 1.0);
    // A small positive integer's bits read as a tiny float inside (0, 1].
    EXPECT_EQ(salience(7), qo_to_float(7));

    qo_val_t full = engram_get_node(engram_node_full(V("c"), 0, 0, F(0.3), F(2.0), F(0.0), 0, 0));
    EXPECT_EQ((Ds{Num(full, "salience"), Num(full, "importance"), Num(full, "confidence")}), (Ds{0.3, 0.5, 1.0}));
    full = engram_get_node(engram_node_full(V("c"), 0, 0, 0, F(0.7), F(0.25), 0, 0));
    EXPECT_EQ((Ds{Num(full, "importance"), Num(full, "confidence")}), (Ds{0.7, 0.25}));
}

TEST_F(EngramStore, LabelsAreTheFirstSixtyBytesOfTheContent) {
    std::string accents = "a";  // the cut falls inside a two-byte character
    for (int i = 0; i < 40; i++) accents += "\xc3\xa9";
    EXPECT_EQ(Text(engram_get_node(engram_node(V(accents), 0, 0)), "label"), accents.substr(0, 60));
    EXPECT_EQ(Text(engram_get_node(engram_node_full(V(accents), 0, V(""), 0, 0, 0, 0, 0)), "label"), accents.substr(0, 60));
    EXPECT_EQ(Text(engram_get_node(engram_node_full(V(accents), 0, V("given"), 0, 0, 0, 0, 0)), "label"), "given");
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
    EXPECT_EQ(Text(n, "node_type") + "|" + Text(n, "tier") + "|" + Text(n, "tags"), "Belief|Canonical|t1 t2");
    EXPECT_EQ(Text(engram_get_node(engram_node_full(V("c"), 0, 0, 0, 0, 0, V(""), 0)), "tier"), "Working");

    auto layered = [](qo_val_t status, qo_val_t layer) {
        return engram_get_node(engram_node_layered(V("c"), 0, 0, 0, 0, 0, status, V("tg"), layer));
    };
    n = layered(V("active"), 2);
    EXPECT_EQ(Text(n, "metadata") + "|" + Text(n, "tier") + "|" + Text(n, "tags"), R"({"status":"active"}|Working|tg)");
    EXPECT_EQ(qo_map_get(n, V("layer_id")), 2);
    EXPECT_EQ(Text(layered(V(""), 0), "metadata"), "{}");
    EXPECT_EQ(qo_map_get(layered(0, 0), V("layer_id")), 0);
    for (qo_val_t unknown : {(qo_val_t)99, (qo_val_t)-1, ((qo_val_t)1 << 32) + 2})
        EXPECT_EQ(qo_map_get(layered(0, unknown), V("layer_id")), 1) << unknown;
    ASSERT_EQ(engram_remove_layer(3), 1);
    EXPECT_EQ(qo_map_get(layered(0, 3), V("layer_id")), 1);

    // Quotes, backslashes and control bytes keep the metadata valid JSON.
    std::string metadata = Text(layered(V("say \"hi\" \\ now\n\x01"), 1), "metadata");
    EXPECT_EQ(metadata, "{\"status\":\"say \\\"hi\\\" \\\\ now\\n\\u0001\"}");
    EXPECT_EQ(S(json_get_string(V(metadata), V("status"))), "say \"hi\" \\ now\n?");
}

TEST_F(EngramStore, StrengthenCapsSalienceAtOne) {
    LoadText(GraphText({Node("a", R"(,"salience":0.98,"activation_count":2,"last_activated":5)"),
                        Node("b", R"(,"salience":0.5)")}));
    int64_t before = NowMs();
    engram_strengthen(V("a"));
    engram_strengthen(V("b"));
    qo_val_t a = engram_get_node(V("a"));
    EXPECT_EQ(Num(a, "salience"), 1.0);
    EXPECT_EQ(qo_map_get(a, V("activation_count")), 3);
    EXPECT_GE(qo_map_get(a, V("last_activated")), before);
    EXPECT_EQ(qo_map_get(a, V("updated_at")), qo_map_get(a, V("last_activated")));
    EXPECT_DOUBLE_EQ(Num(engram_get_node(V("b")), "salience"), 0.55);
}

TEST_F(EngramStore, NullAndUnknownArgumentsChangeNothing) {
    LoadText(GraphText({Node("a"), Node("b")}, {Edge("a", "b")}));
    engram_strengthen(0);
    engram_strengthen(V("missing"));
    engram_forget(0);
    engram_forget(V("missing"));
    engram_connect(0, V("a"), 0, 0);
    engram_connect(V("a"), 0, 0, 0);
    EXPECT_EQ(S(engram_stats_json()), R"({"node_count":2,"edge_count":1,"layer_count":6})");
    EXPECT_EQ(qo_map_get(engram_get_node(V("a")), V("activation_count")), 0);
    EXPECT_EQ(engram_edge_between(0, V("b")), 0);
    EXPECT_EQ(qo_list_len(engram_neighbors(0)) + qo_list_len(engram_neighbors_filtered(0, 2, 0)), 0);
    EXPECT_EQ(((qo_map *)(intptr_t)engram_node_to_map(nullptr))->len, 0);
    for (qo_val_t id : {(qo_val_t)0, V("")}) {
        EXPECT_EQ(S(engram_neighbors_json(id, 2, 0)), "[]");
        EXPECT_EQ(S(engram_get_node_json(id)), "{}");
        EXPECT_EQ(S(engram_get_node_by_label(id)), "{}");
    }
}

TEST_F(EngramStore, ConnectAppendsEdgesWithDefaults) {
    qo_val_t a = engram_node(V("a"), 0, 0), b = engram_node(V("b"), 0, 0);
    engram_connect(a, b, 0, 0);
    engram_connect(a, b, F(1.0), V("likes"));  // duplicates are allowed
    engram_connect(a, V("nowhere"), F(1.5), V(""));
    ASSERT_EQ(engram_edge_count(), 3);
    EXPECT_EQ(engram_edge_between(a, b) * 2 + engram_edge_between(b, a), 2);
    EXPECT_EQ(engram_edge_between(a, V("nowhere")), 1);
    const EngramEdge *e = engram_global->edges;
    EXPECT_EQ(strlen(e[0].id), 36u);
    EXPECT_EQ(std::string(e[0].from_id) + ">" + e[0].to_id + "|" + e[0].relation + "|" + e[0].metadata,
              S(a) + ">" + S(b) + "|associate|{}");
    EXPECT_EQ((Ds{e[0].weight, e[0].confidence, (double)e[0].last_fired, (double)e[0].inhibitory}), (Ds{0.5, 1, 0, 0}));
    EXPECT_EQ(e[0].layer_id, 1u);
    EXPECT_TRUE(e[0].created_at > 0 && e[0].updated_at == e[0].created_at);
    EXPECT_STREQ(e[1].relation, "likes");
    EXPECT_EQ((Ds{e[1].weight, e[2].weight}), (Ds{1.0, 0.5}));  // 1.5 is out of range
    EXPECT_STREQ(e[2].relation, "associate");
}

TEST_F(EngramStore, NodeAndNeighbourhoodJsonAreExact) {
    const std::string record =
        R"({"id":"n1","content":"q\"uote\\ tab\t nl\n caf\u00e9","node_type":"Entity","label":"L","tier":"Lesson",)"
        R"("tags":"t","metadata":"{\"k\":1}","salience":0.123457,"importance":1e-05,"confidence":1,)"
        R"("temporal_decay_rate":2.5e+06,"activation_count":-3,"last_activated":1700000000123,)"
        R"("created_at":-5,"updated_at":9223372036854775807,"background_activation":0,)"
        R"("working_memory_weight":0.25,"suppression_count":-2,"layer_id":4294967295})";
    LoadText(GraphText({record, Node("b", R"(,"label":"L")")}, {Edge("n1", "b")}));
    std::string expected = record;
    // The file's \u escape decodes to "?" and is written back as such.
    expected.replace(expected.find("caf\\u00e9"), 9, "caf?");
    EXPECT_EQ(S(engram_get_node_json(V("n1"))), expected);
    EXPECT_EQ(S(engram_get_node_by_label(V("L"))), expected);  // the first in node order
    EXPECT_EQ(S(engram_get_node_by_label(V("l"))), "{}");
    // Loaded edges take the file's defaults: missing layer_id means 1.
    EXPECT_EQ(S(engram_neighbors_json(V("n1"), 1, V("out"))),
              "[{\"node\":" + S(engram_get_node_json(V("b"))) +
                  R"(,"edge":{"id":"e-n1-b","from_id":"n1","to_id":"b","relation":"","metadata":"{}",)"
                  R"("weight":0,"confidence":0,"created_at":0,"updated_at":0,"last_fired":0,"inhibitory":0,)"
                  R"("layer_id":1},"hops":1}])");
}

TEST_F(EngramStore, BuiltinSpellingsAreTheSameFunctions) {
    qo_val_t a = __engram_node(V("alpha"), 0, 0);
    qo_val_t b = __engram_node_full(V("beta alpha"), 0, 0, 0, 0, 0, 0, 0);
    __engram_connect(a, b, 0, 0);
    EXPECT_EQ(__engram_node_count(), 2);
    EXPECT_EQ(__engram_edge_between(a, b), 1);
    EXPECT_EQ(Ids(__engram_neighbors(a)), L{S(b)});
    EXPECT_EQ(Ids(__engram_neighbors_filtered(b, 1, V("in"))), L{S(a)});
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

}  // namespace
