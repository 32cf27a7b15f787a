// The build tool's pieces, called in-process: options, manifest lines, the
// freshness probe (against the shell's own `test`), shell quoting (through
// a real shell), the build graph, the link command and the runtime option.
#include <unistd.h>

#include "build/graph.h"
#include "build/link.h"
#include "build/manifest.h"
#include "build/options.h"
#include "build/paths.h"
#include "build/qob.h"
#include "build/shell.h"
#include "project.h"

namespace qo {
namespace {

using qob_test::Project;

TEST(Options, SwitchesAndValuesFollowTheirMatchingRules) {
    std::vector<std::string> args = {"--verbose", "--out=first", "--out=second", "--qoc", "--qocx=no",
                                     "-clean", "--runtime=", "extra"};
    Options o = parse_options(args);
    EXPECT_TRUE(o.verbose);
    EXPECT_FALSE(o.clean);     // "-clean" is not "--clean"
    EXPECT_FALSE(o.dry_run);
    EXPECT_EQ(o.out, "first");  // the first match wins
    EXPECT_EQ(o.qoc, "qoc");    // "--qoc" has no "=", "--qocx=" is another name
    EXPECT_EQ(o.runtime, "");   // an empty value is no value: search for it
    EXPECT_EQ(flag_val({"--out=a=b"}, "--out", "dist"), "a=b");
    EXPECT_FALSE(flag_bool({"--dry-run=1"}, "--dry-run"));
}

TEST(Manifest, DeclarationsAreReadLineByLine) {
    std::string text =
        "// the demo\n"
        "   package \"first\"   \r\n"
        "package \"second\"\n"
        "entry  \"two spaces.qo\"\n"    // not one space: ignored
        "entry \"unclosed.qo\n"         // no closing quote: ignored
        "entry \"\"\n"                  // empty: declares nothing
        "\tentry \"src/main.qo\" trailing words\n"
        "entry \"src/other.qo\"\n"
        "c_source \"b.c\"\n"
        "xc_source \"no.c\"\n"
        "c_source \"a dir/a.c\"\n"
        "c_source \"\"\n"
        "c_source \"c.c\"";             // last line without newline
    EXPECT_EQ(parse_manifest_name(text), "first");
    EXPECT_EQ(parse_manifest_entry(text), "src/main.qo");
    EXPECT_EQ(parse_manifest_c_sources(text), (std::vector<std::string>{"b.c", "a dir/a.c", "c.c"}));
    EXPECT_EQ(parse_manifest_name("entry \"m.qo\"\n"), "out");
    EXPECT_EQ(parse_manifest_entry("package \"x\"\n"), "");
    EXPECT_TRUE(parse_manifest_c_sources("").empty());
}

// The shell's answer to the two probes file_is_newer stands for.
bool shell_says_newer(const std::string &source, const std::string &target) {
    std::string s = qob_test::sq(source), t = qob_test::sq(target);
    return capture_shell("test -f " + t + " && test " + s + " -nt " + t + " && echo yes || echo no") == "yes\n" ||
           capture_shell("test -f " + t + " && echo exists || echo missing") == "missing\n";
}

TEST(Paths, FileIsNewerAnswersAsTheShellTestDoes) {
    Project p;
    p.write("s.qo", "fn main() {}\n");
    p.write("t.c", "");
    std::filesystem::create_directories(p.path("folder.c"));
    struct Case {
        const char *what;
        long source_ns, target_ns;  // offsets from one whole second
        bool newer;
    } cases[] = {
        {"equal times", 500, 500, false},
        {"source one nanosecond later", 501, 500, true},
        {"source one nanosecond earlier", 499, 500, false},
        {"source a second later, same fraction", 1000000500, 500, true},
        {"target a second later, smaller fraction", 999999999, 1000000000, false},
    };
    const time_t base = 1700000000;
    for (const Case &c : cases) {
        p.set_mtime("s.qo", base + c.source_ns / 1000000000, c.source_ns % 1000000000);
        p.set_mtime("t.c", base + c.target_ns / 1000000000, c.target_ns % 1000000000);
        EXPECT_EQ(file_is_newer(p.path("s.qo"), p.path("t.c")), c.newer) << c.what;
        EXPECT_EQ(shell_says_newer(p.path("s.qo"), p.path("t.c")), c.newer) << c.what;
    }
    // A missing or non-regular target must be made; a missing source with
    // a target in place leaves the target alone.
    struct Pair {
        std::string source, target;
        bool newer;
    } pairs[] = {
        {p.path("s.qo"), p.path("missing.c"), true},
        {p.path("s.qo"), p.path("folder.c"), true},
        {p.path("gone.qo"), p.path("t.c"), false},
        {p.path("gone.qo"), p.path("missing.c"), true},
    };
    for (const Pair &c : pairs) {
        EXPECT_EQ(file_is_newer(c.source, c.target), c.newer) << c.source << " vs " << c.target;
        EXPECT_EQ(shell_says_newer(c.source, c.target), c.newer) << c.source << " vs " << c.target;
    }
}

TEST(Paths, ShellWordsReachTheCommandWhole) {
    EXPECT_EQ(shell_word("src/lib-2/util_x.qo"), "src/lib-2/util_x.qo");  // plain paths stay as they are
    EXPECT_EQ(shell_word("a b"), "'a b'");
    EXPECT_EQ(shell_word("it's"), "'it'\\''s'");
    for (std::string word : {"my dir/a b.qo", "it's", "$HOME", "`false`", "a\"b", "*.c", "", "x;y", "~/a",
                             "tab\there", "new\nline", "''"}) {
        EXPECT_EQ(capture_shell("printf '%s' " + shell_word(word)), word) << word;
    }
}

class Graph : public ::testing::Test {
protected:
    Project p;
    std::string previous;
    void SetUp() override {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(p.dir);
    }
    void TearDown() override { std::filesystem::current_path(previous); }
    std::vector<std::string> walk(const std::string &entry) {
        BuildGraph graph;
        walk_imports(entry, graph);
        return graph.order;
    }
};

TEST_F(Graph, DependenciesComeFirstAndEachModuleOnce) {
    // main and util both import fmt (a diamond, one spelling); deep reaches
    // it as "lib/../fmt.qo", another module as far as paths go; gone.qo
    // does not exist and empty.qo has no text: both are left out.
    p.write("src/main.qo",
            "import \"util.qo\"\n  from fmt import { money }\nimport \"lib/deep.qo\"\n"
            "import \"gone.qo\"\nimport \"empty.qo\"\nfn main() {}\n");
    p.write("src/util.qo", "from fmt import { money }\nfn u() {}\n");
    p.write("src/lib/deep.qo", "import \"../fmt.qo\"\nfn d() {}\n");
    p.write("src/fmt.qo", "fn money() {}\n");
    p.write("src/empty.qo", "");
    EXPECT_EQ(walk("src/main.qo"), (std::vector<std::string>{"src/fmt.qo", "src/util.qo", "src/lib/../fmt.qo",
                                                             "src/lib/deep.qo", "src/main.qo"}));
    EXPECT_TRUE(walk("src/empty.qo").empty());
    EXPECT_TRUE(walk("nothing.qo").empty());
}

TEST_F(Graph, CyclesStopAtVisitedPathsAsSpelled) {
    p.write("src/a.qo", "import \"b.qo\"\nfn main() {}\n");
    p.write("src/b.qo", "import \"a.qo\"\nfn b() {}\n");
    // With a folder part the cycle closes on the entry's own spelling.
    EXPECT_EQ(walk("src/a.qo"), (std::vector<std::string>{"src/b.qo", "src/a.qo"}));
    // A bare entry is reached again as "./a.qo", a different path.
    p.write("a.qo", "import \"b.qo\"\nfn main() {}\n");
    p.write("b.qo", "import \"a.qo\"\nfn b() {}\n");
    EXPECT_EQ(walk("a.qo"), (std::vector<std::string>{"./a.qo", "./b.qo", "a.qo"}));
}

TEST_F(Graph, LongImportChainsDoNotExhaustTheStack) {
    const int n = 20000;
    for (int i = 0; i < n; i++) p.write("m" + std::to_string(i) + ".qo", "from m" + std::to_string(i + 1) + " import { f }\n");
    std::vector<std::string> order = walk("m0.qo");
    ASSERT_EQ(order.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(order.front(), "./m" + std::to_string(n - 1) + ".qo");
    EXPECT_EQ(order.back(), "m0.qo");
}

TEST(Link, TheCommandLineIsFixedWithPathsQuotedOnlyWhenNeeded) {
    Project p;
    const std::string probes =
        "cc -O2 $(cc --version 2>&1 | grep -q clang && printf -- '-fbracket-depth=1024' || true) "
        "$(brew --prefix openssl 2>/dev/null | xargs -I{} printf -- '-I{}/include' 2>/dev/null || true) ";
    const std::string libs =
        " $(brew --prefix openssl 2>/dev/null | xargs -I{} printf -- '-L{}/lib' 2>/dev/null || true)"
        " -lcurl -lssl -lcrypto -lpthread -lm";
    std::string out = p.path("dist");
    EXPECT_EQ(link_command({"dist/a.c", "native.c"}, "dist/app", "rt/qo_runtime.c", "dist"),
              probes + " -I rt -I dist dist/a.c native.c rt/qo_runtime.c" + libs + " -o dist/app");
    std::filesystem::create_directories(out);
    p.write("dist/qop-c-decls.h", "");
    EXPECT_EQ(link_command({out + "/a.c"}, out + "/my app", "qo_runtime.c", out),
              probes + "-include " + out + "/qop-c-decls.h -I . -I " + out + " " + out + "/a.c qo_runtime.c" + libs +
                  " -o '" + out + "/my app'");
}

TEST(Runtime, TheOptionNamesTheFileOrAFolderHoldingIt) {
    Project p;
    p.write("rt/qo_runtime.c", "");
    std::filesystem::create_directories(p.path("empty"));
    EXPECT_EQ(locate_runtime("qoc", p.path("rt")), p.path("rt") + "/qo_runtime.c");
    EXPECT_EQ(locate_runtime("qoc", "/x/rt.c"), "/x/rt.c");             // a file is taken as given
    EXPECT_EQ(locate_runtime("qoc", p.path("empty")), p.path("empty"));  // a folder without it, too
}

}  // namespace
}  // namespace qo
