// Search, scans and spreading activation on small graphs whose times are
// fixed by loading them from a file: each rule of activation on its own
// (seeding, decay, fatigue, the time anchor, spreading, inhibition,
// thresholds, the context multiplier, the five-times rule, protected
// layers, result order) and the JSON and working-memory views built on it.
// "Last activated" lies in 2100 unless a test says otherwise, so decay is
// exactly 1.
#include <gtest/gtest.h>
#include <sys/time.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "qo_runtime.h"

namespace {

const int64_t kFuture = 4102444800000;  // 2100-01-01
const int64_t kT = 1700000000000;
const int64_t kDay = 86400000;
const int64_t kWeek = 7 * kDay;

std::string S(qo_val_t v) { return v ? QO_STR_PTR(v) : "<null>"; }
qo_val_t V(const char *s) { return QO_STR(s); }
double D(qo_val_t v) { return qo_to_float(v); }

int64_t NowMs() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return (int64_t)tv.tv_sec * 1000 + tv.tv_usec / 1000;
}

struct Rec {
    std::string id, content, type = "Memory", tier = "Working", tags;
    double salience = 1.0, confidence = 1.0, rate = 0;
    int64_t count = 0, last = kFuture, created = kT;
    int32_t suppressed = 0;
    uint32_t layer = 5;
    double wm = 0;

    std::string Json() const {
        char nums[512];
        snprintf(nums, sizeof nums,
                 R"("salience":%.17g,"importance":0.5,"confidence":%.17g,"temporal_decay_rate":%.17g,)"
                 R"("activation_count":%lld,"last_activated":%lld,"created_at":%lld,"updated_at":%lld,)"
                 R"("background_activation":0,"working_memory_weight":%.17g,"suppression_count":%d,"layer_id":%u)",
                 salience, confidence, rate, (long long)count, (long long)last, (long long)created,
                 (long long)created, wm, suppressed, layer);
        return R"({"id":")" + id + R"(","content":")" + content + R"(","node_type":")" + type + R"(","label":")" +
               id + R"(","tier":")" + tier + R"(","tags":")" + tags + R"(","metadata":"{}",)" + nums + "}";
    }
};

struct Link {
    std::string from, to;
    double weight = 0.5;
    int inhibitory = 0;

    std::string Json() const {
        char nums[128];
        snprintf(nums, sizeof nums, R"("weight":%.17g,"confidence":1,"inhibitory":%d)", weight, inhibitory);
        return R"({"id":"e","from_id":")" + from + R"(","to_id":")" + to + R"(","relation":"r",)" + nums + "}";
    }
};

void Load(const std::vector<Rec> &nodes, const std::vector<Link> &edges = {}) {
    std::string text = R"({"nodes":[)";
    for (size_t i = 0; i < nodes.size(); i++) text += (i ? "," : "") + nodes[i].Json();
    text += R"(],"edges":[)";
    for (size_t i = 0; i < edges.size(); i++) text += (i ? "," : "") + edges[i].Json();
    text += "]}";
    std::string path = ::testing::TempDir() + "engram_activate.json";
    std::ofstream(path) << text;
    ASSERT_EQ(engram_load(V(path.c_str())), 1);
}

Rec N(const std::string &id, const std::string &content, double salience = 1.0) {
    Rec r;
    r.id = id;
    r.content = content;
    r.salience = salience;
    return r;
}

const EngramNode *Find(const std::string &id) {
    for (int64_t i = 0; i < engram_global->node_count; i++)
        if (id == engram_global->nodes[i].id) return &engram_global->nodes[i];
    return nullptr;
}
double Bg(const std::string &id) { return Find(id)->background_activation; }
double Wm(const std::string &id) { return Find(id)->working_memory_weight; }

struct Result {
    std::string id;
    double activation, weight, epistemic;
    int64_t hops, promoted;
};

std::vector<Result> Activate(const char *query, qo_val_t hops = 2) {
    qo_val_t list = engram_activate(V(query), hops);
    std::vector<Result> out;
    for (int64_t i = 0; i < qo_list_len(list); i++) {
        qo_val_t m = qo_list_get(list, i);
        out.push_back({S(qo_map_get(qo_map_get(m, V("node")), V("id"))), D(qo_map_get(m, V("activation_strength"))),
                       D(qo_map_get(m, V("working_memory_weight"))), D(qo_map_get(m, V("epistemic_confidence"))),
                       qo_map_get(m, V("hops")), qo_map_get(m, V("promoted"))});
    }
    return out;
}

int64_t HopsOf(const std::vector<Result> &results, const std::string &id) {
    for (const Result &r : results)
        if (r.id == id) return r.hops;
    return -1;
}

std::vector<std::string> Ids(qo_val_t list) {
    std::vector<std::string> ids;
    for (int64_t i = 0; i < qo_list_len(list); i++) ids.push_back(S(qo_map_get(qo_list_get(list, i), V("id"))));
    return ids;
}
std::vector<std::string> JsonIds(qo_val_t json) {
    std::vector<std::string> ids;
    for (int64_t i = 0; i < json_array_len(json); i++) ids.push_back(S(json_get_string(json_array_get(json, i), V("id"))));
    return ids;
}
using L = std::vector<std::string>;

TEST(EngramSearch, WordsAreDistinctIgnoringCaseAndScoredAcrossFields) {
    Rec tagged = N("t", "nothing here", 0.1);
    tagged.tags = "CAT";
    Load({N("a", "a cat and a dog", 0.2), N("b", "dog only", 0.9), tagged, N("c", "Concatenate", 0.5)});
    EXPECT_EQ(Ids(engram_search(V("Cat cat CAT"), 0)), (L{"c", "a", "t"}));  // one word, scored 1 each
    EXPECT_EQ(Ids(engram_search(V("cat dog"), 0)), (L{"a", "b", "c", "t"}));  // 2 beats 1; then salience
    EXPECT_EQ(Ids(engram_search(V("cat dog"), 2)), (L{"a", "b"}));
    EXPECT_EQ(qo_list_len(engram_search(V("   \t\n"), 0)), 0);
    EXPECT_EQ(qo_list_len(engram_search(V(""), 0)), 0);
    EXPECT_EQ(qo_list_len(engram_search(0, 0)), 0);
    EXPECT_EQ(qo_list_len(engram_search(V("zebra"), 0)), 0);
    // The label counts as well.
    EXPECT_EQ(Ids(engram_search(V("T"), 0)), (L{"c", "a", "t"}));
}

TEST(EngramSearch, LongWordsAreCutAndAtMostThirtyTwoKept) {
    std::string word(300, 'x');
    Rec r = N("long", word.substr(0, 255));
    Load({r, N("short", word.substr(0, 254))});
    EXPECT_EQ(Ids(engram_search(V(word.c_str()), 0)), (L{"long"}));
    // The 33rd distinct word is ignored.
    std::string query;
    for (int i = 0; i < 32; i++) query += "w" + std::to_string(i) + " ";
    Load({N("late", "needle"), N("other", "w5")});
    EXPECT_EQ(Ids(engram_search(V((query + "needle").c_str()), 0)), (L{"other"}));
    EXPECT_EQ(Ids(engram_search(V(("w1 w1 W1 " + query.substr(0, 20) + " needle").c_str()), 0)), (L{"late", "other"}));
}

TEST(EngramSearch, JsonKeepsNodeOrderOnEqualScores) {
    Load({N("low", "cat", 0.1), N("high", "cat", 0.9), N("both", "cat dog", 0.05)});
    EXPECT_EQ(JsonIds(engram_search_json(V("cat dog"), 0)), (L{"both", "low", "high"}));
    EXPECT_EQ(Ids(engram_search(V("cat dog"), 0)), (L{"both", "high", "low"}));
    EXPECT_EQ(JsonIds(engram_search_json(V("cat dog"), 2)), (L{"both", "low"}));
    EXPECT_EQ(S(engram_search_json(V(""), 5)), "[]");
    EXPECT_EQ(S(engram_search_json(V("zebra"), 5)), "[]");
    EXPECT_EQ(S(json_array_get(engram_search_json(V("dog"), 1), 0)), S(engram_get_node_json(V("both"))));
}

TEST(EngramSearch, ScansPageBySalienceAndSkipTransparentLayers) {
    Rec hidden = N("hidden", "x", 0.99);
    hidden.layer = 0;  // safety: transparent
    Rec k1 = N("k1", "x", 0.5), k2 = N("k2", "x", 0.7);
    k1.type = k2.type = "Knowledge";
    Load({N("a", "x", 0.5), hidden, N("b", "x", 0.9), k1, N("c", "x", 0.5), k2});
    EXPECT_EQ(Ids(engram_scan_nodes(0, 0)), (L{"b", "k2", "a", "k1", "c"}));
    EXPECT_EQ(Ids(engram_scan_nodes(2, 1)), (L{"k2", "a"}));
    EXPECT_EQ(Ids(engram_scan_nodes(2, -5)), (L{"b", "k2"}));
    EXPECT_EQ(Ids(engram_scan_nodes(10, 4)), (L{"c"}));
    EXPECT_EQ(qo_list_len(engram_scan_nodes(10, 5)), 0);
    EXPECT_EQ(qo_list_len(engram_scan_nodes(INT64_MAX, INT64_MAX)), 0);
    EXPECT_EQ(JsonIds(engram_scan_nodes_json(3, 1)), (L{"k2", "a", "k1"}));
    EXPECT_EQ(JsonIds(engram_scan_nodes_by_type_json(V("Knowledge"), 0, 0)), (L{"k2", "k1"}));
    EXPECT_EQ(JsonIds(engram_scan_nodes_by_type_json(V("Knowledge"), 1, 1)), (L{"k1"}));
    EXPECT_EQ(JsonIds(engram_scan_nodes_by_type_json(V(""), 2, 0)), (L{"b", "k2"}));
    EXPECT_EQ(S(engram_scan_nodes_by_type_json(V("Belief"), 0, 0)), "[]");
    EXPECT_EQ(qo_list_len(engram_search(V("x"), 0)), 5);  // search skips it too
}

TEST(EngramActivate, SeedsBySalienceFatigueAndShareOfWords) {
    Rec tired = N("tired", "alpha", 0.8);
    tired.count = 1;
    Load({N("half", "alpha beta", 1.0), tired, N("none", "zeta")});
    std::vector<Result> r = Activate("alpha beta gamma delta");
    EXPECT_EQ(Bg("half"), 0.5);
    EXPECT_DOUBLE_EQ(Bg("tired"), 0.8 * (1.0 / (std::log(2.0) + 1.0)) * 0.25);
    EXPECT_EQ(Bg("none"), 0.0);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].id, "half");
    EXPECT_EQ(r[0].activation, 0.5);
    EXPECT_EQ(r[0].epistemic, 0.5);
    EXPECT_EQ(r[0].hops, 0);
}

TEST(EngramActivate, DecayHalvesPerWeekWithAFloor) {
    int64_t now = NowMs();
    Rec week = N("week", "alpha"), old = N("old", "alpha"), fast = N("fast", "alpha"), soon = N("soon", "alpha");
    week.last = now - kWeek;
    old.last = now - 20 * kWeek;
    fast.last = now - kWeek;
    fast.rate = 2 * 0.693147;
    soon.last = now + kDay;
    Load({week, old, fast, soon});
    Activate("alpha");
    EXPECT_NEAR(Bg("week"), 0.5, 1e-6);
    EXPECT_EQ(Bg("old"), 0.05);
    EXPECT_NEAR(Bg("fast"), 0.25, 1e-6);
    EXPECT_EQ(Bg("soon"), 1.0);
}

TEST(EngramActivate, SpreadsAlongEdgesBothWaysWithTheProximityBonus) {
    Rec near = N("near", "x"), mid = N("mid", "x"), far = N("far", "x"), back = N("back", "x"), two = N("two", "x");
    mid.created = kT + 3 * kDay;
    far.created = kT - 30 * kDay;
    Load({N("seed", "alpha"), near, mid, far, back, two},
         {{"seed", "near"}, {"seed", "mid"}, {"seed", "far"}, {"back", "seed"}, {"near", "two"}, {"seed", "ghost"}});
    std::vector<Result> r = Activate("alpha", 1);
    EXPECT_DOUBLE_EQ(Bg("near"), 0.42);
    EXPECT_DOUBLE_EQ(Bg("mid"), 0.385);
    EXPECT_DOUBLE_EQ(Bg("far"), 0.35);
    EXPECT_DOUBLE_EQ(Bg("back"), 0.42);
    EXPECT_EQ(Bg("two"), 0.0);  // two hops away
    Activate("alpha", 0);       // below 1 means 2
    EXPECT_DOUBLE_EQ(Bg("two"), 0.42 * 0.5 * 0.7 * 1.2);
    EXPECT_EQ(HopsOf(Activate("alpha", 2), "two"), 2);
}

TEST(EngramActivate, TheAnchorIsTheRunningMeanOfSeedTimes) {
    // Seeds four days apart put the anchor between them: the neighbour is
    // within a day of the anchor but not of either seed.
    Rec s1 = N("s1", "alpha"), s2 = N("s2", "alpha"), nb = N("nb", "x");
    s2.created = kT + 4 * kDay;
    nb.created = kT + 2 * kDay + kDay / 2;
    Link l{"s1", "nb", 0.1, 0};
    Load({s1, s2, nb}, {l});
    Activate("alpha", 1);
    EXPECT_DOUBLE_EQ(Bg("nb"), 1.0 * 0.1 * 0.7 * 1.2);
}

TEST(EngramActivate, ANodeTakesTheStrongestOfferAndItsHops) {
    Load({N("a", "alpha"), N("b", "x"), N("c", "x")}, {{"a", "b", 0.2, 0}, {"a", "c", 1.0, 0}, {"c", "b", 1.0, 0}});
    std::vector<Result> r = Activate("alpha", 2);
    EXPECT_DOUBLE_EQ(Bg("b"), 0.84 * 0.84);
    EXPECT_EQ(HopsOf(r, "b"), 2);
}

TEST(EngramActivate, UnreachedNodesAreResetOnEveryCall) {
    Load({N("a", "alpha"), N("b", "beta")}, {{"a", "b"}});
    Activate("alpha");
    EXPECT_GT(Wm("a"), 0.0);
    EXPECT_GT(Bg("b"), 0.0);
    EXPECT_TRUE(Activate("zebra").empty());
    EXPECT_EQ(Bg("a"), 0.0);
    EXPECT_EQ(Wm("a"), 0.0);
    EXPECT_EQ(Bg("b"), 0.0);
}

TEST(EngramActivate, NothingRunsWithoutAQueryOrNodes) {
    Rec r = N("a", "alpha");
    r.wm = 0.7;
    Load({r});
    EXPECT_EQ(qo_list_len(engram_activate(0, 2)), 0);
    EXPECT_EQ(Wm("a"), 0.7);
    EXPECT_EQ(S(engram_activate_json(0, 2)), "[]");
    Load({});
    EXPECT_EQ(qo_list_len(engram_activate(V("alpha"), 2)), 0);
}

TEST(EngramActivate, InhibitionScalesTheCandidateDown) {
    Rec source = N("src", "alpha", 2.0), target = N("tgt", "alpha", 0.5), safe = N("safe", "alpha", 0.5),
        mild = N("mild", "alpha", 0.5);
    target.type = safe.type = mild.type = "Safety";
    safe.layer = 0;
    Rec weak = N("weak", "alpha", 0.4);
    Load({source, target, safe, mild, weak},
         {{"src", "tgt", 1.0, 1}, {"src", "safe", 1.0, 1}, {"weak", "mild", 0.5, 1}, {"ghost", "tgt", 1.0, 1}});
    Activate("alpha", 1);
    // tgt: spreading lifted it to 2 * 0.7 * 1.2; the source's 2.0 is above 1.
    double tgt = 2.0 * 1.0 * 0.7 * 1.2;
    EXPECT_DOUBLE_EQ(Bg("tgt"), tgt);
    EXPECT_EQ(Wm("tgt"), tgt * 1.5 * 1.0 * 0.09999999999999998);
    EXPECT_EQ(Wm("safe"), 1.0);  // a protected layer is never inhibited
    // mild keeps its seed (0.5 beats weak's 0.4 * 0.5 * 0.84); inhibition 0.2.
    EXPECT_EQ(Bg("mild"), 0.5);
    EXPECT_EQ(Wm("mild"), 0.5 * 1.5 * 1.0 * (1 - 0.9 * 0.2));
}

TEST(EngramActivate, ThresholdsDependOnTypeAndTier) {
    struct Case {
        const char *id, *type, *tier;
        double salience, weight;
    };
    // Every node matches the one query word, so m = 1.5 (+0.1 Lesson,
    // +0.2 Canonical) and the candidate is salience * m.
    const Case cases[] = {
        {"mem-in", "Memory", "Working", 0.3, 0.3 * 1.5},       {"mem-out", "Memory", "Working", 0.26, 0},
        {"other-in", "Thing", "Working", 0.3, 0.3 * 1.5},      {"know-in", "Knowledge", "Working", 0.14, 0.14 * 1.5},
        {"know-out", "Knowledge", "Working", 0.13, 0},         {"belief-in", "Belief", "Working", 0.2, 0.2 * 1.5},
        {"belief-out", "Belief", "Working", 0.19, 0},          {"entity-in", "Entity", "Working", 0.21, 0.21 * 1.5},
        {"lesson-in", "Memory", "Lesson", 0.16, 0.16 * 1.6},   {"lesson-out", "Memory", "Lesson", 0.15, 0},
        {"canon-in", "Thing", "Canonical", 0.09, 0.09 * 1.7},  {"canon-out", "Thing", "Canonical", 0.08, 0},
        {"self-in", "TavriSelf", "Canonical", 0.04, 0.04 * 1.7}, {"safety-out", "Safety", "Working", 0.03, 0},
        {"big", "Memory", "Working", 0.9, 1.0},
    };
    std::vector<Rec> nodes;
    for (const Case &c : cases) {
        Rec r = N(c.id, "alpha", c.salience);
        r.type = c.type;
        r.tier = c.tier;
        nodes.push_back(r);
    }
    Load(nodes);
    Activate("alpha");
    for (const Case &c : cases) {
        EXPECT_DOUBLE_EQ(Wm(c.id), c.weight) << c.id;
        EXPECT_EQ(Find(c.id)->suppression_count, c.weight > 0 ? 0 : 1) << c.id;
    }
}

TEST(EngramActivate, TechnicalAndPersonalQueriesShiftTheMultiplier) {
    Rec belief = N("belief", "fix the build error alpha", 0.5), memory = N("memory", "fix the build error alpha", 0.5);
    belief.type = "Belief";
    Rec pbelief = N("pbelief", "tell a personal story alpha", 0.5), pmemory = N("pmemory", "tell a personal story alpha", 0.5);
    pbelief.type = "Belief";
    Load({belief, memory, pbelief, pmemory});
    Activate("fix the build error alpha");
    EXPECT_DOUBLE_EQ(Wm("memory"), 0.5 * 1.2);
    EXPECT_DOUBLE_EQ(Wm("belief"), 0.5 * 1.8);
    Activate("tell a personal story alpha");
    EXPECT_DOUBLE_EQ(Wm("pmemory"), 0.5 * 1.8);
    EXPECT_DOUBLE_EQ(Wm("pbelief"), 0.5 * 1.4);
}

TEST(EngramActivate, PassedOverFiveTimesGetsIn) {
    Load({N("slow", "alpha", 0.2), N("fast", "alpha", 0.5)});
    for (int i = 1; i <= 4; i++) {
        Activate("alpha");
        EXPECT_EQ(Wm("slow"), 0.0);
        EXPECT_EQ(Find("slow")->suppression_count, i);
    }
    std::vector<Result> r = Activate("alpha");
    EXPECT_EQ(Wm("slow"), 0.25);
    EXPECT_EQ(Find("slow")->suppression_count, 0);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].id, "slow");
    EXPECT_EQ(r[1].promoted, 1);
    Activate("alpha");
    EXPECT_EQ(Find("slow")->suppression_count, 1);
}

TEST(EngramActivate, ProtectedLayersAlwaysEnterWorkingMemory) {
    Rec safety = N("safety", "alpha", 0.1), guarded = N("guarded", "alpha", 0.1), plain = N("plain", "alpha", 0.1);
    safety.layer = 0;
    safety.suppressed = 3;
    guarded.layer = 6;
    Load({safety, guarded, plain});
    ASSERT_EQ(engram_add_layer(V("guard"), 1, 0, 0, 0), 6);
    Activate("alpha");
    EXPECT_EQ(Wm("safety"), 1.0);
    EXPECT_EQ(Find("safety")->suppression_count, 0);
    EXPECT_EQ(Wm("guarded"), 1.0);
    EXPECT_EQ(Wm("plain"), 0.0);
}

TEST(EngramActivate, ResultsRankByWeightThenActivation) {
    Rec faint = N("faint", "x");
    Load({N("b", "alpha", 0.3), N("a", "alpha", 0.3), N("top", "alpha beta", 0.9), N("weak", "alpha", 0.26), faint},
         {{"b", "faint", 0.1, 0}});
    std::vector<Result> r = Activate("alpha beta", 1);
    // top: weight 1. b and a (0.15) and weak (0.13) stay below 0.4 but carry
    // epistemic confidence of at least 0.1; b and a tie and keep node order.
    // faint (0.15 * 0.1 * 0.84) has neither and is left out.
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].id, "top");
    EXPECT_EQ(r[0].weight, 1.0);
    EXPECT_EQ(r[0].promoted, 1);
    EXPECT_EQ(r[1].id, "b");
    EXPECT_EQ(r[1].promoted, 0);
    EXPECT_EQ(r[2].id, "a");
    EXPECT_EQ(r[3].id, "weak");
    EXPECT_GT(Bg("faint"), 0.0);
    Load({N("b", "alpha", 0.4), N("a", "alpha", 0.4), N("c", "alpha", 0.5)});
    r = Activate("alpha");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].id, "c");
    EXPECT_EQ(r[1].id, "b");
    EXPECT_EQ(r[2].id, "a");
    qo_val_t first = qo_list_get(engram_activate(V("alpha"), 2), 0);
    auto *map = (qo_map *)(intptr_t)first;
    EXPECT_EQ(std::vector<std::string>(map->keys, map->keys + map->len),
              (L{"node", "activation_strength", "working_memory_weight", "epistemic_confidence", "hops", "promoted"}));
}

TEST(EngramViews, ActivationJsonIsExact) {
    Rec r = N("only", "alpha", 0.5);
    Load({r});
    std::string json = S(engram_activate_json(V("alpha"), 2));
    EXPECT_EQ(json, "[{\"node\":" + S(engram_get_node_json(V("only"))) +
                        R"(,"activation_strength":0.5,"working_memory_weight":0.75,"epistemic_confidence":0.5,)"
                        R"("hops":0,"promoted":1}])");
    EXPECT_EQ(S(engram_activate_json(V("zebra"), 2)), "[]");
}

TEST(EngramViews, LayeredContextPutsProtectedNodesFirst) {
    Load({N("plain", "alpha", 0.6), N("other", "alpha", 0.7)});
    std::string text = S(engram_compile_layered_json(V("alpha"), 2));
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
    Rec internal = N("internal", "alpha", 0.66);
    internal.type = "InternalStateEvent";
    Rec quarter = N("quarter", "alpha", 1.0 / 6);
    quarter.type = "Safety";
    nodes.push_back(internal);
    nodes.push_back(quarter);
    Load(nodes);
    Activate("alpha");
    EXPECT_EQ(engram_wm_count(), 62);
    EXPECT_EQ(json_array_len(engram_wm_top_json(0)), 10);
    EXPECT_EQ(json_array_len(engram_wm_top_json(-4)), 10);
    EXPECT_EQ(json_array_len(engram_wm_top_json(500)), 50);
    EXPECT_EQ(json_array_len(engram_wm_top_json(3)), 3);
    // Weights 0.45 .. 0.8925 in steps; the internal event is left out.
    EXPECT_EQ(S(json_array_get(engram_wm_top_json(1), 0)),
              R"({"label":"n59","node_type":"Memory","tier":"Working","wm":0.892})");
    Load({quarter, internal});
    Activate("alpha");
    EXPECT_EQ(S(engram_wm_top_json(0)), R"([{"label":"quarter","node_type":"Safety","tier":"Working","wm":0.250}])");
    EXPECT_DOUBLE_EQ(D(engram_wm_avg_weight()), (0.25 + 0.99) / 2);
    Rec heavy = N("heavy", "x");
    heavy.wm = 3.0;
    Rec light = N("light", "x");
    light.wm = 0.5;
    Load({heavy, light});
    EXPECT_EQ(D(engram_wm_avg_weight()), 0.5);  // weights above 1 are ignored
    EXPECT_EQ(engram_wm_count(), 2);
    Load({});
    EXPECT_EQ(D(engram_wm_avg_weight()), 0.0);
    EXPECT_EQ(S(engram_wm_top_json(5)), "[]");
}

}  // namespace
