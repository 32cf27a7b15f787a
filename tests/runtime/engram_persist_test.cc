// The engram file: the exact text of a save and a round trip, the
// sparse-write guard, a save killed at random moments (the old file must
// survive whole), loading bad and mistyped files, merging, and time ranges.
// Truncated and arbitrary files are the load fuzzer's (fuzz.engram_load).
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "engram_fixture.h"

namespace {

using namespace engram_test;

bool Exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Every test starts from an empty graph with the built-in layers.
class EngramPersist : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(LoadText(kEmpty), 1); }
};

std::string SavedText() {
    std::string path = TempPath("saved.json");
    unlink(path.c_str());
    EXPECT_EQ(engram_save(V(path)), 1);
    return ReadFile(path);
}

TEST_F(EngramPersist, SavesGoThroughATemporaryFileOrNowhere) {
    EXPECT_EQ(SavedText(), kEmpty);
    EXPECT_FALSE(Exists(TempPath("saved.json.tmp")));
    for (qo_val_t path : {V(""), (qo_val_t)0, V("/nonexistent-dir/x.json")}) EXPECT_EQ(engram_save(path), 0);
    EXPECT_FALSE(Exists("/nonexistent-dir/x.json.tmp"));
}

TEST_F(EngramPersist, SaveAndLoadRoundTrip) {
    qo_val_t a = engram_node_full(V("quote \" backslash \\ tab\t nl\n caf\xc3\xa9 \xf0\x9f\x98\x80"), V("Belief"),
                                  V("label \"x\""), F(0.123456789), F(1.0), F(0.5), V("Canonical"), V("t"));
    qo_val_t b = engram_node_layered(V("b"), 0, 0, 0, 0, 0, V("st\"at"), 0, 2);
    engram_connect(a, b, F(0.75), V("rel \\ ation"));
    engram_connect(b, V("dangling"), 0, 0);
    engram_strengthen(a);
    ASSERT_EQ(engram_add_layer(V("extra \"layer\""), 7, 0, 1, 1), 6);
    ASSERT_EQ(engram_remove_layer(4), 1);
    std::string first = SavedText(), layers = S(engram_list_layers_json());
    ASSERT_EQ(LoadText(first), 1);
    EXPECT_EQ(S(engram_stats_json()) + S(engram_list_layers_json()),
              R"({"node_count":2,"edge_count":2,"layer_count":6})" + layers);
    // Doubles keep six significant digits; everything else comes back exactly.
    EXPECT_EQ(SavedText(), first);
    EXPECT_NE(first.find(R"("salience":0.173457,)"), std::string::npos);  // 0.123456789 + 0.05
    EXPECT_NE(first.find(R"("name":"extra \"layer\"")"), std::string::npos);
    EXPECT_EQ(first.find(R"("name":"suit")"), std::string::npos);
    EXPECT_EQ(first.find_first_of(" \n"), first.find(' ', first.find("quote")));  // no white space of its own
}

TEST_F(EngramPersist, SparseWritesAreRefused) {
    std::string path = TempPath("big.json");
    // Saves over a file of size bytes: a refusal names both sizes and
    // leaves the file as it was, with no temporary behind.
    auto save_over = [&](size_t size) {
        std::string text = SavedText(), old(size, ' ');
        WriteFile(path, old);
        testing::internal::CaptureStderr();
        qo_val_t ok = engram_save(V(path));
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(ReadFile(path), ok ? text : old) << size;
        EXPECT_EQ(err, ok ? "" : "[engram_save] REFUSED sparse write: new " + std::to_string(text.size()) +
                                     " vs existing " + std::to_string(size) + " (<1/16) protecting " + path + "\n");
        EXPECT_FALSE(Exists(path + ".tmp"));
        return ok;
    };
    engram_node(V("small"), 0, 0);
    EXPECT_EQ(save_over(200000), 1);
    EXPECT_EQ(save_over(200001), 0);
    EXPECT_EQ(save_over(300000), 0);
    engram_node(V(std::string(13000, 'c')), 0, 0);
    size_t len = SavedText().size();
    EXPECT_EQ(save_over(16 * len + 15), 1);  // a sixteenth of it, rounded down, is len: not shorter
    EXPECT_EQ(save_over(16 * len + 16), 0);
}

TEST_F(EngramPersist, AKilledSaveLeavesTheOldFileWhole) {
    // A graph whose text takes a while to write, saved over a small one.
    std::string nodes, filler(2000, 'z');
    for (int i = 0; i < 2000; i++)
        nodes += (i ? "," : "") + std::string(R"({"id":"n)") + std::to_string(i) + R"(","content":")" + filler + "\"}";
    LoadText(R"({"nodes":[)" + nodes + "]}");
    std::string expected_new = SavedText();
    LoadText(R"({"nodes":[{"id":"old"}]})");
    std::string old_text = SavedText();
    LoadText(R"({"nodes":[)" + nodes + "]}");

    std::string path = TempPath("killed.json");
    int interrupted = 0;
    for (int delay_us : {0, 200, 1000, 3000, 10000}) {
        WriteFile(path, old_text);
        unlink((path + ".tmp").c_str());
        pid_t pid = fork();
        if (pid == 0)
            for (;;) engram_save(V(path));
        for (int i = 0; i < 20000 && !Exists(path + ".tmp"); i++) usleep(100);
        usleep((useconds_t)delay_us);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        interrupted += Exists(path + ".tmp");  // killed between open and rename
        std::string now = ReadFile(path);
        EXPECT_TRUE(now == old_text || now == expected_new) << "delay " << delay_us << ": " << now.size() << " bytes";
    }
    EXPECT_GT(interrupted, 0);
    unlink((path + ".tmp").c_str());
}

TEST_F(EngramPersist, UnreadableFilesLeaveTheGraphAlone) {
    LoadText(R"({"nodes":[{"id":"keep"}]})");
    std::string empty = TempPath("empty.json");
    WriteFile(empty, "");
    for (const std::string &path : {TempPath("missing.json"), empty, ::testing::TempDir(), std::string("/dev/zero"),
                                     std::string("")}) {
        EXPECT_EQ(engram_load(V(path)), 0) << path;
        EXPECT_EQ(engram_load_merge(V(path)), 0) << path;
    }
    EXPECT_EQ(engram_load(0) + engram_load_merge(0), 0);
    EXPECT_EQ(engram_node_count(), 1);
    // Readable text without a nodes array still empties the graph.
    EXPECT_EQ(LoadText("not json at all"), 1);
    EXPECT_EQ(S(engram_stats_json()), R"({"node_count":0,"edge_count":0,"layer_count":6})");
}

TEST_F(EngramPersist, MissingAndMistypedFieldsTakeTheirDefaults) {
    LoadText(R"({"nodes":[{"id":"bare"},{"id":"typed","layer_id":"x","salience":"high","content":5,)"
             R"("metadata":"","confidence":[1],"activation_count":{"a":1},"suppression_count":7.9,"created_at":12.7},)"
             R"( {"id":"spaced" , "layer_id" : 3 , "salience" : 0.25 },)"
             R"({"tags":{"id":"inner","label":"x"},"label":"first","id":"dup","label":"second"},)"
             R"(17, "text", [{"id":"nested"}]],)"
             R"("edges":[{"from_id":"bare","to_id":"typed","inhibitory":5,"weight":2.5}],"layers":{"no":"array"}})");
    ASSERT_EQ(engram_node_count(), 5);
    const EngramNode *n = engram_global->nodes;
    EXPECT_EQ(std::string(n[0].id) + "|" + n[0].content + "|" + n[0].tier + "|" + n[0].metadata, "bare|||{}");
    EXPECT_EQ(n[0].layer_id, 1u);  // missing: 1; present but no number: 0
    EXPECT_EQ((Ds{n[0].salience, n[0].confidence}), (Ds{0, 0}));
    EXPECT_EQ(std::string(n[1].content) + "|" + n[1].metadata, "|{}");
    EXPECT_EQ(n[1].layer_id, 0u);
    EXPECT_EQ((Ds{n[1].salience, n[1].confidence, (double)n[1].activation_count}), (Ds{0, 0, 0}));
    EXPECT_EQ(n[1].suppression_count, 7);
    EXPECT_EQ(n[1].created_at, 12);
    EXPECT_EQ(n[2].layer_id, 3u);
    EXPECT_EQ(n[2].salience, 0.25);
    // Members of nested objects do not count; of two alike, the first does.
    EXPECT_EQ(std::string(n[3].id) + "|" + n[3].tags + "|" + n[3].label, "dup||first");
    EXPECT_STREQ(n[4].id, "nested");  // stepped into the inner array
    ASSERT_EQ(engram_edge_count(), 1);
    const EngramEdge *e = engram_global->edges;
    EXPECT_EQ(std::string(e[0].id) + "|" + e[0].relation, "|");
    EXPECT_EQ(e[0].weight, 2.5);  // values are taken as they are
    EXPECT_EQ(e[0].inhibitory, 5);
    EXPECT_EQ(e[0].layer_id, 1u);
    EXPECT_EQ(S(engram_list_layers_json()), kBuiltinLayers);  // not an array: layers kept

    LoadText(R"({"nodes":[],"layers":[{"layer_id":9,"suppressible":-2},{"name":"n","layer_id":3,"transparent":1}]})");
    EXPECT_EQ(S(engram_list_layers_json()),
              R"([{"layer_id":9,"name":"","activation_priority":0,"suppressible":1,"transparent":0,"injectable":0},)"
              R"({"layer_id":3,"name":"n","activation_priority":0,"suppressible":0,"transparent":1,"injectable":0}])");
    EXPECT_EQ(engram_add_layer(V("next"), 0, 0, 0, 0), 10);
    LoadText(R"({"nodes":[],"layers":[]})");
    EXPECT_EQ(S(engram_list_layers_json()), "[]");
    EXPECT_EQ(engram_add_layer(V("first"), 0, 0, 0, 0), 1);
}

TEST_F(EngramPersist, MergeAddsOnlyWhatIsNew) {
    std::string file = R"({"nodes":[{"id":"a"},{"id":"b"},{"id":""},{"id":"a","content":"dup in file"}],)"
                       R"("edges":[{"id":"e1","from_id":"a","to_id":"b","relation":"r"},)"
                       R"({"id":"e2","from_id":"a","to_id":"b","relation":"r"},)"
                       R"({"id":"e3","from_id":"a","to_id":"b","relation":"other"},)"
                       R"({"id":"e4","from_id":"b","to_id":"a","relation":"r"}],)"
                       R"("layers":[{"layer_id":42,"name":"ignored"}]})";
    LoadText(R"({"nodes":[{"id":"b","content":"mine"}],"edges":[{"id":"x","from_id":"b","to_id":"a","relation":"r"}]})");
    EXPECT_EQ(LoadText(file, true), 2);  // a and the empty id; b is ours, the second a a repeat
    EXPECT_EQ(engram_node_count(), 3);
    EXPECT_EQ(S(json_get_string(engram_get_node_json(V("b")), V("content"))), "mine");
    EXPECT_EQ(engram_edge_count(), 3);  // e1 and e3; e2 repeats e1, e4 matches ours
    EXPECT_EQ(S(engram_list_layers_json()), kBuiltinLayers);
    EXPECT_EQ(LoadText(file, true), 1);  // again: only the node with the empty id is new
    EXPECT_EQ(engram_edge_count(), 3);
    LoadText(kEmpty);
    EXPECT_EQ(LoadText(file, true), 3);
    EXPECT_EQ(engram_edge_count(), 3);
}

TEST_F(EngramPersist, QueryRangeSelectsByCreationOrActivation) {
    LoadText(R"({"nodes":[{"id":"late","created_at":300,"last_activated":300},)"
             R"({"id":"old-but-used","created_at":10,"last_activated":150},)"
             R"({"id":"mid","created_at":120,"last_activated":120},)"
             R"({"id":"tie","created_at":120,"last_activated":0},)"
             R"({"id":"future","created_at":9000000000000,"last_activated":9000000000000}]})");
    EXPECT_EQ(JsonIds(engram_query_range(100, 200)), (L{"old-but-used", "mid", "tie"}));
    EXPECT_EQ(JsonIds(engram_query_range(120, 120)), (L{"mid", "tie"}));
    EXPECT_EQ(JsonIds(engram_query_range(0, 0)), (L{"old-but-used", "mid", "tie", "late"}));  // up to now
    EXPECT_EQ(S(engram_query_range(400, 500)), "[]");
    EXPECT_EQ(S(json_array_get(engram_query_range(300, 300), 0)), S(engram_get_node_json(V("late"))));
}

}  // namespace
