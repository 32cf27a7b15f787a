// Search, scans, the views built on activation, and the seeding of
// activation worked out by hand (salience, decay over time, fatigue, share
// of words): the random graphs of engram_diff_test, which hold every rule of
// activation to a plain model, keep decay at 1 or its floor so as not to
// depend on the clock. "Last activated" lies in 2100 unless a test says
// otherwise, so decay is exactly 1.
#include <cmath>

#include "engram_fixture.h"

namespace {

using namespace engram_test;

const int64_t kFuture = 4102444800000;  // 2100-01-01
const int64_t kT = 1700000000000, kDay = 86400000, kWeek = 7 * kDay;  // kT: every node's creation

struct Rec {
    std::string id, content, type = "Memory", tags, tier = "Working";
    double salience = 1.0, rate = 0, wm = 0;
    int64_t count = 0, last = kFuture, created = kT;
    uint32_t layer = 5;

    std::string Json() const {
        char nums[512];
        snprintf(nums, sizeof nums,
                 R"("salience":%.17g,"confidence":1,"temporal_decay_rate":%.17g,"activation_count":%lld,)"
                 R"("last_activated":%lld,"created_at":%lld,"working_memory_weight":%.17g,"layer_id":%u)",
                 salience, rate, (long long)count, (long long)last, (long long)created, wm, layer);
        return R"({"id":")" + id + R"(","content":")" + content + R"(","node_type":")" + type + R"(","label":")" + id +
               R"(","tier":")" + tier + R"(","tags":")" + tags + R"(",)" + nums + "}";
    }
};

void Load(const std::vector<Rec> &nodes, const L &edges = {}) {
    L records;
    for (const Rec &r : nodes) records.push_back(r.Json());
    ASSERT_EQ(LoadText(GraphText(records, edges)), 1);
}

std::string Edge(const std::string &from, const std::string &to, double weight, int inhibitory = 0) {
    return R"({"from_id":")" + from + R"(","to_id":")" + to + R"(","weight":)" + std::to_string(weight) +
           R"(,"inhibitory":)" + std::to_string(inhibitory) + "}";
}

Rec N(const std::string &id, const std::string &content, double salience = 1.0) {
    Rec r;
    r.id = id;
    r.content = content;
    r.salience = salience;
    return r;
}

const EngramNode &Find(const std::string &id) {
    static const EngramNode none{};
    for (int64_t i = 0; i < engram_global->node_count; i++)
        if (id == engram_global->nodes[i].id) return engram_global->nodes[i];
    return none;
}
double Bg(const std::string &id) { return Find(id).background_activation; }
double Wm(const std::string &id) { return Find(id).working_memory_weight; }

qo_val_t Activate(const char *query) { return engram_activate(V(query), 2); }

TEST(EngramSearch, WordsAreDistinctIgnoringCaseAndScoredAcrossFields) {
    Rec tagged = N("t", "nothing here", 0.1);
    tagged.tags = "CAT";
    Load({N("a", "a cat and a dog", 0.2), N("b", "dog only", 0.9), tagged, N("c", "Concatenate", 0.5)});
    EXPECT_EQ(Ids(engram_search(V("Cat cat CAT"), 0)), (L{"c", "a", "t"}));  // one word, scored 1 each
    EXPECT_EQ(Ids(engram_search(V("cat dog"), 0)), (L{"a", "b", "c", "t"}));  // 2 beats 1; then salience
    EXPECT_EQ(Ids(engram_search(V("cat dog"), 2)), (L{"a", "b"}));
    EXPECT_EQ(Ids(engram_search(V("T"), 0)), (L{"c", "a", "t"}));  // the label counts as well
    for (qo_val_t none : {V("   \t\n"), V(""), (qo_val_t)0, V("zebra")}) EXPECT_EQ(qo_list_len(engram_search(none, 0)), 0);

    std::string word(300, 'x');  // cut to 255 bytes
    Load({N("long", word.substr(0, 255)), N("short", word.substr(0, 254))});
    EXPECT_EQ(Ids(engram_search(V(word), 0)), (L{"long"}));
    std::string query;  // the 33rd distinct word is ignored
    for (int i = 0; i < 32; i++) query += "w" + std::to_string(i) + " ";
    Load({N("late", "needle"), N("other", "w5")});
    EXPECT_EQ(Ids(engram_search(V(query + "needle"), 0)), (L{"other"}));
    EXPECT_EQ(Ids(engram_search(V("w1 w1 W1 " + query.substr(0, 20) + " needle"), 0)), (L{"late", "other"}));
}

TEST(EngramSearch, JsonKeepsNodeOrderOnEqualScores) {
    Load({N("low", "cat", 0.1), N("high", "cat", 0.9), N("both", "cat dog", 0.05)});
    EXPECT_EQ(JsonIds(engram_search_json(V("cat dog"), 0)), (L{"both", "low", "high"}));
    EXPECT_EQ(Ids(engram_search(V("cat dog"), 0)), (L{"both", "high", "low"}));
    EXPECT_EQ(JsonIds(engram_search_json(V("cat dog"), 2)), (L{"both", "low"}));
    EXPECT_EQ(S(engram_search_json(V(""), 5)) + S(engram_search_json(V("zebra"), 5)), "[][]");
    EXPECT_EQ(S(json_array_get(engram_search_json(V("dog"), 1), 0)), S(engram_get_node_json(V("both"))));
}

TEST(EngramSearch, ScansPageBySalienceAndSkipTransparentLayers) {
    Rec hidden = N("hidden", "x", 0.99), k1 = N("k1", "x", 0.5), k2 = N("k2", "x", 0.7);
    hidden.layer = 0;  // safety: transparent
    k1.type = k2.type = "Knowledge";
    Load({N("a", "x", 0.5), hidden, N("b", "x", 0.9), k1, N("c", "x", 0.5), k2});
    EXPECT_EQ(Ids(engram_scan_nodes(0, 0)), (L{"b", "k2", "a", "k1", "c"}));
    EXPECT_EQ(Ids(engram_scan_nodes(2, 1)), (L{"k2", "a"}));
    EXPECT_EQ(Ids(engram_scan_nodes(2, -5)), (L{"b", "k2"}));
    EXPECT_EQ(Ids(engram_scan_nodes(10, 4)), (L{"c"}));
    EXPECT_EQ(qo_list_len(engram_scan_nodes(10, 5)) + qo_list_len(engram_scan_nodes(INT64_MAX, INT64_MAX)), 0);
    EXPECT_EQ(JsonIds(engram_scan_nodes_json(3, 1)), (L{"k2", "a", "k1"}));
    EXPECT_EQ(JsonIds(engram_scan_nodes_by_type_json(V("Knowledge"), 0, 0)), (L{"k2", "k1"}));
    EXPECT_EQ(JsonIds(engram_scan_nodes_by_type_json(V("Knowledge"), 1, 1)), (L{"k1"}));
    EXPECT_EQ(JsonIds(engram_scan_nodes_by_type_json(V(""), 2, 0)), (L{"b", "k2"}));
    EXPECT_EQ(S(engram_scan_nodes_by_type_json(V("Belief"), 0, 0)), "[]");
    EXPECT_EQ(qo_list_len(engram_search(V("x"), 0)), 5);  // search skips it too
}

TEST(EngramActivate, SeedsBySalienceDecayFatigueAndShareOfWords) {
    int64_t now = NowMs();
    Rec tired = N("tired", "alpha", 0.8), week = N("week", "alpha"), old = N("old", "alpha"), fast = N("fast", "alpha"),
        soon = N("soon", "alpha");
    tired.count = 1;
    week.last = fast.last = now - kWeek;  // half a week's weight gone per week by default
    fast.rate = 2 * 0.693147;
    old.last = now - 20 * kWeek;  // the floor
    soon.last = now + kDay;
    Load({N("half", "alpha beta", 1.0), tired, N("none", "zeta"), week, old, fast, soon});
    qo_val_t r = Activate("alpha beta gamma delta");
    EXPECT_EQ(Bg("half"), 0.5);
    EXPECT_DOUBLE_EQ(Bg("tired"), 0.8 * (1.0 / (std::log(2.0) + 1.0)) * 0.25);
    EXPECT_EQ(Bg("none"), 0.0);
    EXPECT_NEAR(Bg("week"), 0.25 * 0.5, 1e-6);
    EXPECT_EQ(Bg("old"), 0.25 * 0.05);
    EXPECT_NEAR(Bg("fast"), 0.25 * 0.25, 1e-6);
    EXPECT_EQ(Bg("soon"), 0.25);
    ASSERT_GT(qo_list_len(r), 0);
    qo_val_t first = qo_list_get(r, 0);
    EXPECT_EQ(Text(qo_map_get(first, V("node")), "id"), "half");
    EXPECT_EQ((Ds{Num(first, "activation_strength"), Num(first, "epistemic_confidence")}), (Ds{0.5, 0.5}));
    EXPECT_EQ(qo_map_get(first, V("hops")), 0);
}

// The rules below are worked out by hand from the rules themselves, not
// from the model of engram_diff_test, so a misreading shared by the two
// shows up here.
TEST(EngramActivate, SpreadsWithNearnessBonusUpToMaxHops) {
    Rec week = N("week", "x"), month = N("month", "x");
    week.created = kT + 3 * kDay;
    month.created = kT + 30 * kDay;
    for (int64_t hops : {2, 0, 1}) {  // 0 counts as 2
        Load({N("seed", "alpha"), N("near", "x"), week, month, N("next", "x")},
             {Edge("seed", "near", 0.5), Edge("week", "seed", 0.5), Edge("seed", "month", 0.5), Edge("near", "next", 1)});
        engram_activate(V("alpha"), hops);
        EXPECT_DOUBLE_EQ(Bg("near"), 1.0 * 0.5 * 0.7 * 1.2);  // 0.42
        EXPECT_DOUBLE_EQ(Bg("week"), 1.0 * 0.5 * 0.7 * 1.1);  // against the edge's direction
        EXPECT_DOUBLE_EQ(Bg("month"), 1.0 * 0.5 * 0.7);
        EXPECT_DOUBLE_EQ(Bg("next"), hops == 1 ? 0.0 : 0.42 * 1.0 * 0.7 * 1.2) << hops;
    }
}

TEST(EngramActivate, WorkingMemoryThresholdsAndContext) {
    struct Row {
        const char *type, *tier;
        double salience;
        const char *word;
        double weight;  // the node alone, its one word asked: activation = salience, m starts at 1.5
    } rows[] = {
        {"Memory", "Working", 0.5, "build", 0.5 * (1.5 - 0.3)},       {"Memory", "Working", 0.5, "personal", 0.5 * 1.8},
        {"Entity", "Canonical", 0.5, "code", 0.5 * (1.2 + 0.2)},      {"Belief", "Working", 0.5, "build", 0.5 * 1.8},
        {"Belief", "Working", 0.5, "personal", 0.5 * (1.5 - 0.1)},    {"Thing", "Lesson", 0.5, "alpha", 0.5 * 1.6},
        {"Belief", "Canonical", 0.9, "design", 1.0},                  {"Knowledge", "Working", 0.14, "alpha", 0.14 * 1.5},
        {"Entity", "Working", 0.19, "alpha", 0},                      {"Belief", "Working", 0.21, "alpha", 0.21 * 1.5},
        {"Thing", "Working", 0.26, "alpha", 0},                       {"TavriSelf", "Working", 0.04, "alpha", 0.04 * 1.5},
        {"Safety", "Lesson", 0.04, "alpha", 0.04 * 1.6},              {"Thing", "Canonical", 0.09, "alpha", 0.09 * 1.7},
        {"Thing", "Lesson", 0.15, "alpha", 0},
    };
    for (const Row &row : rows) {
        Rec r = N("n", row.word, row.salience);
        r.type = row.type;
        r.tier = row.tier;
        Load({r});
        Activate(row.word);
        EXPECT_DOUBLE_EQ(Wm("n"), row.weight) << row.type << " " << row.tier << " " << row.salience;
    }
}

TEST(EngramActivate, InhibitionProtectionAndTheFifthPass) {
    Rec source = N("source", "alpha", 2.0), hit = N("hit", "alpha", 1.0), half = N("half", "alpha", 0.5),
        guarded = N("guarded", "alpha", 0.01);
    hit.type = half.type = "Safety";
    guarded.layer = 0;
    Load({source, hit, half, guarded},
         {Edge("source", "hit", 1, 1), Edge("source", "half", 0.25, 1), Edge("source", "guarded", 1, 1)});
    Activate("alpha");
    // Inhibitory edges spread like any other: the source lifts its target.
    EXPECT_DOUBLE_EQ(Bg("hit"), 2.0 * 1.0 * 0.7 * 1.2);
    EXPECT_DOUBLE_EQ(Wm("hit"), Bg("hit") * 1.5 * 0.09999999999999998);  // inhibition 2.0, above 1
    EXPECT_DOUBLE_EQ(Wm("half"), 0.5 * 1.5 * (1 - 0.9 * 0.5));
    EXPECT_EQ(Wm("guarded"), 1.0);  // a protected layer: always in, whatever its weight

    Load({N("slow", "alpha", 0.1)});  // 0.15, below 0.4
    for (int pass = 1; pass <= 6; pass++) {
        Activate("alpha");
        EXPECT_EQ(Wm("slow"), pass == 5 ? 0.25 : 0.0) << pass;
        EXPECT_EQ(Find("slow").suppression_count, pass % 5) << pass;
    }
}

TEST(EngramViews, ActivationAndLayeredContextTexts) {
    // Each text is taken before the node objects it is compared with: the
    // activation writes their weights.
    Load({N("only", "alpha", 0.5)});
    std::string text = S(engram_activate_json(V("alpha"), 2));
    EXPECT_EQ(text, "[{\"node\":" + S(engram_get_node_json(V("only"))) +
                        R"(,"activation_strength":0.5,"working_memory_weight":0.75,"epistemic_confidence":0.5,)"
                        R"("hops":0,"promoted":1}])");
    EXPECT_EQ(S(engram_activate_json(0, 2)), "[]");
    EXPECT_EQ(Wm("only"), 0.75);  // a call without a query leaves the weights alone
    EXPECT_EQ(S(engram_activate_json(V("zebra"), 2)), "[]");
    auto *map = (qo_map *)(intptr_t)qo_list_get(engram_activate(V("alpha"), 2), 0);
    EXPECT_EQ(L(map->keys, map->keys + map->len),
              (L{"node", "activation_strength", "working_memory_weight", "epistemic_confidence", "hops", "promoted"}));

    Load({N("plain", "alpha", 0.6), N("other", "alpha", 0.7)});
    text = S(engram_compile_layered_json(V("alpha"), 2));
    EXPECT_EQ(text, "[ENGRAM CONTEXT]\n" + S(engram_get_node_json(V("other"))) + "\n" +
                        S(engram_get_node_json(V("plain"))) + "\n");
    Rec safety = N("safety", "alpha", 0.1);
    safety.layer = 0;
    Load({N("plain", "alpha", 0.6), safety});
    text = S(engram_compile_layered_json(V("alpha"), 2));
    EXPECT_EQ(text, "[LAYER 0 \xe2\x80\x94 STRUCTURAL]\n" + S(engram_get_node_json(V("safety"))) +
                        "\n\n[ENGRAM CONTEXT]\n" + S(engram_get_node_json(V("plain"))) + "\n");
    EXPECT_EQ(S(engram_compile_layered_json(V("zebra"), 2)), "");
}

TEST(EngramViews, WorkingMemorySummaries) {
    std::vector<Rec> nodes;
    for (int i = 0; i < 60; i++) nodes.push_back(N("n" + std::to_string(i), "alpha", 0.3 + i / 200.0));
    Rec internal = N("internal", "alpha", 0.66), quarter = N("quarter", "alpha", 1.0 / 6);
    internal.type = "InternalStateEvent";
    quarter.type = "Safety";
    nodes.push_back(internal);
    nodes.push_back(quarter);
    Load(nodes);
    Activate("alpha");
    EXPECT_EQ(engram_wm_count(), 62);
    const qo_val_t asked[][2] = {{0, 10}, {-4, 10}, {500, 50}, {3, 3}};  // n, entries
    for (const auto &a : asked) EXPECT_EQ(json_array_len(engram_wm_top_json(a[0])), a[1]) << a[0];
    // Weights 0.45 .. 0.8925 in steps; the internal event is left out.
    EXPECT_EQ(S(json_array_get(engram_wm_top_json(1), 0)),
              R"({"label":"n59","node_type":"Memory","tier":"Working","wm":0.892})");
    Load({quarter, internal});
    Activate("alpha");
    EXPECT_EQ(S(engram_wm_top_json(0)), R"([{"label":"quarter","node_type":"Safety","tier":"Working","wm":0.250}])");
    EXPECT_DOUBLE_EQ(qo_to_float(engram_wm_avg_weight()), (0.25 + 0.99) / 2);
    Rec heavy = N("heavy", "x"), light = N("light", "x");
    heavy.wm = 3.0;
    light.wm = 0.5;
    Load({heavy, light});
    EXPECT_EQ(qo_to_float(engram_wm_avg_weight()), 0.5);  // weights above 1 are ignored
    EXPECT_EQ(engram_wm_count(), 2);
    Load({});
    EXPECT_EQ(qo_to_float(engram_wm_avg_weight()), 0.0);
    EXPECT_EQ(S(engram_wm_top_json(5)), "[]");
}

}  // namespace
