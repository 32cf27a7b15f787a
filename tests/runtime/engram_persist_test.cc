// The engram file: the exact text of a save, round trips through another
// process, the sparse-write guard, a save killed at random moments (the old
// file must survive whole), loading malformed, truncated and mistyped files,
// merging, and time ranges.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
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
const std::string kEmpty = R"({"nodes":[],"edges":[],"layers":)" + kBuiltinLayers + "}";

std::string S(qo_val_t v) { return v ? QO_STR_PTR(v) : "<null>"; }
qo_val_t V(const char *s) { return QO_STR(s); }
qo_val_t V(const std::string &s) { return QO_STR(s.c_str()); }

std::string Path(const std::string &name) { return ::testing::TempDir() + "engram_persist_" + name; }

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}
bool Exists(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Loads text as the whole graph.
void Reset(const std::string &text = kEmpty) {
    WriteFile(Path("reset.json"), text);
    ASSERT_EQ(engram_load(V(Path("reset.json"))), 1);
}

std::string SavedText() {
    std::string path = Path("saved.json");
    unlink(path.c_str());
    EXPECT_EQ(engram_save(V(path)), 1);
    return ReadFile(path);
}

// Runs body in a forked child; returns what it printed to the pipe (the
// child's findings) or a note about how it ended.
template <typename Body>
std::string InChild(Body body) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::string out = body();
        if (write(fds[1], out.data(), out.size()) < 0) _exit(3);
        _exit(0);
    }
    close(fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, (size_t)n);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out += " [child ended abnormally]";
    return out;
}

TEST(EngramPersist, EmptyGraphSavesBuiltinLayersOnly) {
    Reset();
    EXPECT_EQ(SavedText(), kEmpty);
    EXPECT_FALSE(Exists(Path("saved.json.tmp")));
    EXPECT_EQ(engram_save(V("")), 0);
    EXPECT_EQ(engram_save(0), 0);
    EXPECT_EQ(engram_save(V("/nonexistent-dir/x.json")), 0);
    EXPECT_FALSE(Exists("/nonexistent-dir/x.json.tmp"));
}

TEST(EngramPersist, SaveAndLoadRoundTripThroughAnotherProcess) {
    Reset();
    qo_val_t a = engram_node_full(V("quote \" backslash \\ tab\t nl\n caf\xc3\xa9 \xf0\x9f\x98\x80"), V("Belief"),
                                  V("label \"x\""), qo_from_float(0.123456789), qo_from_float(1.0),
                                  qo_from_float(0.5), V("Canonical"), V("t"));
    qo_val_t b = engram_node_layered(V("b"), 0, 0, 0, 0, 0, V("st\"at"), 0, 2);
    engram_connect(a, b, qo_from_float(0.75), V("rel \\ ation"));
    engram_connect(b, V("dangling"), 0, 0);
    engram_strengthen(a);
    ASSERT_EQ(engram_add_layer(V("extra \"layer\""), 7, 0, 1, 1), 6);
    ASSERT_EQ(engram_remove_layer(4), 1);
    std::string first = SavedText();
    std::string again = Path("again.json");
    unlink(again.c_str());
    std::string report = InChild([&] {
        if (engram_load(V(Path("saved.json"))) != 1) return std::string("load failed");
        if (engram_save(V(again)) != 1) return std::string("save failed");
        return S(engram_stats_json()) + S(engram_list_layers_json());
    });
    std::string layers = S(engram_list_layers_json());
    EXPECT_EQ(report, R"({"node_count":2,"edge_count":2,"layer_count":6})" + layers);
    // Doubles keep six significant digits; everything else comes back exactly.
    EXPECT_EQ(ReadFile(again), first);
    EXPECT_NE(first.find(R"("salience":0.173457,)"), std::string::npos);  // 0.123456789 + 0.05
    EXPECT_NE(first.find(R"("name":"extra \"layer\"")"), std::string::npos);
    EXPECT_EQ(first.find(R"("name":"suit")"), std::string::npos);
    EXPECT_EQ(first.find_first_of(" \n"), first.find(' ', first.find("quote")));
}

TEST(EngramPersist, SparseWritesAreRefused) {
    Reset();
    engram_node(V("small"), 0, 0);
    std::string path = Path("big.json");
    std::string big(300000, ' ');
    WriteFile(path, big);
    testing::internal::CaptureStderr();
    EXPECT_EQ(engram_save(V(path)), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.rfind("[engram_save] REFUSED sparse write: new ", 0), 0u) << err;
    EXPECT_NE(err.find(" vs existing 300000 (<1/16) protecting " + path + "\n"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(path), big);
    EXPECT_FALSE(Exists(path + ".tmp"));
    WriteFile(path, std::string(150000, ' '));
    EXPECT_EQ(engram_save(V(path)), 1);
    EXPECT_EQ(ReadFile(path).rfind("{\"nodes\":[{", 0), 0u);
}

TEST(EngramPersist, AKilledSaveLeavesTheOldFileWhole) {
    // A graph whose text takes a while to write, saved over a small one.
    std::string nodes;
    std::string filler(2000, 'z');
    for (int i = 0; i < 2000; i++)
        nodes += (i ? "," : "") + std::string(R"({"id":"n)") + std::to_string(i) + R"(","content":")" + filler + "\"}";
    Reset(R"({"nodes":[)" + nodes + "]}");
    std::string expected_new = SavedText();
    Reset(R"({"nodes":[{"id":"old"}]})");
    std::string old_text = SavedText();
    Reset(R"({"nodes":[)" + nodes + "]}");

    std::string path = Path("killed.json");
    const int delays_us[] = {0, 200, 1000, 3000, 10000};
    int interrupted = 0;
    for (int delay : delays_us) {
        WriteFile(path, old_text);
        unlink((path + ".tmp").c_str());
        pid_t pid = fork();
        if (pid == 0) {
            for (;;) engram_save(V(path));
        }
        for (int i = 0; i < 20000 && !Exists(path + ".tmp"); i++) usleep(100);
        usleep((useconds_t)delay);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        interrupted += Exists(path + ".tmp");  // killed between open and rename
        std::string now = ReadFile(path);
        EXPECT_TRUE(now == old_text || now == expected_new) << "delay " << delay << ": " << now.size() << " bytes";
    }
    EXPECT_GT(interrupted, 0);
    unlink((path + ".tmp").c_str());
}

TEST(EngramPersist, LoadFailuresLeaveTheGraphAlone) {
    Reset(R"({"nodes":[{"id":"keep"}]})");
    EXPECT_EQ(engram_load(V(Path("missing.json"))), 0);
    WriteFile(Path("empty.json"), "");
    EXPECT_EQ(engram_load(V(Path("empty.json"))), 0);
    EXPECT_EQ(engram_load(V(::testing::TempDir())), 0);  // a directory
    EXPECT_EQ(engram_load(V("/dev/zero")), 0);            // endless
    EXPECT_EQ(engram_load(V("")), 0);
    EXPECT_EQ(engram_load(0), 0);
    EXPECT_EQ(engram_load_merge(V(Path("missing.json"))), 0);
    EXPECT_EQ(engram_node_count(), 1);
    // Readable text without a nodes array still empties the graph.
    WriteFile(Path("junk.json"), "not json at all");
    EXPECT_EQ(engram_load(V(Path("junk.json"))), 1);
    EXPECT_EQ(engram_node_count(), 0);
    EXPECT_EQ(S(engram_stats_json()), R"({"node_count":0,"edge_count":0,"layer_count":6})");
}

TEST(EngramPersist, MissingAndMistypedFieldsTakeTheirDefaults) {
    Reset(R"({"nodes":[{"id":"bare"},{"id":"typed","layer_id":"x","salience":"high","content":5,)"
          R"("metadata":"","confidence":[1],"activation_count":{"a":1},"suppression_count":7.9,"created_at":12.7},)"
          R"( {"id":"spaced" , "layer_id" : 3 , "salience" : 0.25 }, 17, "text", [{"id":"nested"}]],)"
          R"("edges":[{"from_id":"bare","to_id":"typed","inhibitory":5,"weight":2.5}],"layers":{"no":"array"}})");
    ASSERT_EQ(engram_node_count(), 4);
    const EngramNode *n = engram_global->nodes;
    EXPECT_STREQ(n[0].id, "bare");
    EXPECT_STREQ(n[0].content, "");
    EXPECT_STREQ(n[0].tier, "");
    EXPECT_STREQ(n[0].metadata, "{}");
    EXPECT_EQ(n[0].layer_id, 1u);
    EXPECT_EQ(n[0].salience, 0.0);
    EXPECT_EQ(n[0].confidence, 0.0);
    EXPECT_EQ(n[1].layer_id, 0u);
    EXPECT_EQ(n[1].salience, 0.0);
    EXPECT_STREQ(n[1].content, "");
    EXPECT_STREQ(n[1].metadata, "{}");
    EXPECT_EQ(n[1].confidence, 0.0);
    EXPECT_EQ(n[1].activation_count, 0);
    EXPECT_EQ(n[1].suppression_count, 7);
    EXPECT_EQ(n[1].created_at, 12);
    EXPECT_EQ(n[2].layer_id, 3u);
    EXPECT_EQ(n[2].salience, 0.25);
    EXPECT_STREQ(n[3].id, "nested");  // stepped into the inner array
    const EngramEdge *e = engram_global->edges;
    ASSERT_EQ(engram_edge_count(), 1);
    EXPECT_STREQ(e[0].id, "");
    EXPECT_STREQ(e[0].relation, "");
    EXPECT_EQ(e[0].weight, 2.5);  // values are taken as they are
    EXPECT_EQ(e[0].inhibitory, 5);
    EXPECT_EQ(e[0].layer_id, 1u);
    EXPECT_EQ(S(engram_list_layers_json()), kBuiltinLayers);  // not an array: layers kept
    Reset(R"({"nodes":[],"layers":[{"layer_id":9,"suppressible":-2},{"name":"n","layer_id":3,"transparent":1}]})");
    EXPECT_EQ(S(engram_list_layers_json()),
              R"([{"layer_id":9,"name":"","activation_priority":0,"suppressible":1,"transparent":0,"injectable":0},)"
              R"({"layer_id":3,"name":"n","activation_priority":0,"suppressible":0,"transparent":1,"injectable":0}])");
    EXPECT_EQ(engram_add_layer(V("next"), 0, 0, 0, 0), 10);
    Reset(R"({"nodes":[],"layers":[]})");
    EXPECT_EQ(S(engram_list_layers_json()), "[]");
    EXPECT_EQ(engram_add_layer(V("first"), 0, 0, 0, 0), 1);
}

TEST(EngramPersist, TruncatedFilesNeverBreakTheLoader) {
    Reset();
    qo_val_t a = engram_node(V("alpha \"quoted\" {braces} [brackets]"), V("Entity"), 0);
    qo_val_t b = engram_node(V("beta\\"), 0, 0);
    engram_connect(a, b, 0, V("r"));
    engram_connect(b, a, 0, 0);
    std::string full = SavedText();
    std::string path = Path("cut.json");
    for (size_t len = 1; len < full.size(); len += 3) {
        WriteFile(path, full.substr(0, len));
        ASSERT_EQ(engram_load(V(path)), 1) << len;
        ASSERT_LE(engram_node_count(), 2) << len;
        ASSERT_LE(engram_edge_count(), 2) << len;
        engram_activate(V("alpha beta"), 3);
        engram_neighbors_json(a, 3, 0);
    }
    WriteFile(path, full);
    ASSERT_EQ(engram_load(V(path)), 1);
    EXPECT_EQ(engram_node_count(), 2);
    EXPECT_EQ(engram_edge_count(), 2);
}

TEST(EngramPersist, MergeAddsOnlyWhatIsNew) {
    std::string file = Path("merge.json");
    WriteFile(file, R"({"nodes":[{"id":"a"},{"id":"b"},{"id":""},{"id":"a","content":"dup in file"}],)"
                    R"("edges":[{"id":"e1","from_id":"a","to_id":"b","relation":"r"},)"
                    R"({"id":"e2","from_id":"a","to_id":"b","relation":"r"},)"
                    R"({"id":"e3","from_id":"a","to_id":"b","relation":"other"},)"
                    R"({"id":"e4","from_id":"b","to_id":"a","relation":"r"}],)"
                    R"("layers":[{"layer_id":42,"name":"ignored"}]})");
    Reset(R"({"nodes":[{"id":"b","content":"mine"}],"edges":[{"id":"x","from_id":"b","to_id":"a","relation":"r"}]})");
    EXPECT_EQ(engram_load_merge(V(file)), 2);  // a and the empty id; b is ours, the second a a repeat
    EXPECT_EQ(engram_node_count(), 3);
    EXPECT_EQ(S(json_get_string(engram_get_node_json(V("b")), V("content"))), "mine");
    EXPECT_EQ(engram_edge_count(), 3);  // e1 and e3; e2 repeats e1, e4 matches ours
    EXPECT_EQ(S(engram_list_layers_json()), kBuiltinLayers);
    // Again: only the node with the empty id is new.
    EXPECT_EQ(engram_load_merge(V(file)), 1);
    EXPECT_EQ(engram_edge_count(), 3);
    std::string report = InChild([&] {
        Reset();
        qo_val_t added = engram_load_merge(V(file));
        return std::to_string(added) + "/" + std::to_string(engram_edge_count());
    });
    EXPECT_EQ(report, "3/3");
}

TEST(EngramPersist, QueryRangeSelectsByCreationOrActivation) {
    Reset(R"({"nodes":[{"id":"late","created_at":300,"last_activated":300},)"
          R"({"id":"old-but-used","created_at":10,"last_activated":150},)"
          R"({"id":"mid","created_at":120,"last_activated":120},)"
          R"({"id":"tie","created_at":120,"last_activated":0},)"
          R"({"id":"future","created_at":9000000000000,"last_activated":9000000000000}]})");
    auto ids = [](qo_val_t json) {
        std::string out;
        for (int64_t i = 0; i < json_array_len(json); i++)
            out += S(json_get_string(json_array_get(json, i), V("id"))) + " ";
        return out;
    };
    EXPECT_EQ(ids(engram_query_range(100, 200)), "old-but-used mid tie ");
    EXPECT_EQ(ids(engram_query_range(120, 120)), "mid tie ");
    EXPECT_EQ(ids(engram_query_range(0, 0)), "old-but-used mid tie late ");
    EXPECT_EQ(S(engram_query_range(400, 500)), "[]");
    EXPECT_EQ(S(json_array_get(engram_query_range(300, 300), 0)), S(engram_get_node_json(V("late"))));
}

}  // namespace
