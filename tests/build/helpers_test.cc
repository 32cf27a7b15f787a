// The build tool's pieces, called in-process: options, manifest lines, the
// freshness probe (against the shell's own `test`), shell quoting (through
// a real shell), the build graph and the link command.
#include "build/graph.h"
#include "build/link.h"
#include "build/manifest.h"
#include "build/options.h"
#include "build/paths.h"
#include "build/shell.h"
#include "project.h"

namespace qo {
namespace {

using qob_test::Lines;
using qob_test::Project;

TEST(Options, SwitchesAndValuesFollowTheirMatchingRules) {
    Options o = parse_options({"--verbose", "--out=first", "--out=second", "--qoc", "--qocx=no", "-clean", "--runtime="});
    EXPECT_TRUE(o.verbose);
    EXPECT_FALSE(o.clean || o.dry_run);  // "-clean" is not "--clean"
    EXPECT_EQ(o.out, "first");            // the first match wins
    EXPECT_EQ(o.qoc, "qoc");              // "--qoc" has no "=", "--qocx=" is another name
    EXPECT_EQ(o.runtime, "");             // an empty value is no value: search for it
    EXPECT_EQ(flag_val({"--out=a=b"}, "--out", "dist"), "a=b");
    EXPECT_FALSE(flag_bool({"--dry-run=1"}, "--dry-run"));
}

TEST(Manifest, DeclarationsAreReadLineByLine) {
    std::string text =
        "   package \"first\"   \r\npackage \"second\"\n"
        "entry  \"two spaces.qo\"\nentry \"unclosed.qo\nentry \"\"\n"  // none of these declares an entry
        "\tentry \"src/main.qo\" trailing words\nentry \"src/other.qo\"\n"
        "c_source \"b.c\"\nxc_source \"no.c\"\nc_source \"a dir/a.c\"\nc_source \"\"\nc_source \"c.c\"";
    EXPECT_EQ(parse_manifest_name(text), "first");
    EXPECT_EQ(parse_manifest_entry(text), "src/main.qo");
    EXPECT_EQ(parse_manifest_c_sources(text), (Lines{"b.c", "a dir/a.c", "c.c"}));
    EXPECT_EQ(parse_manifest_name("entry \"m.qo\"\n"), "out");
    EXPECT_EQ(parse_manifest_entry("package \"x\"\n"), "");
}

TEST(Paths, FileIsNewerAnswersAsTheShellTestDoes) {
    Project p;
    p.write("s.qo", "");
    p.write("t.c", "");
    std::filesystem::create_directories(p.path("folder.c"));
    auto shell_says_newer = [](const std::string &source, const std::string &target) {
        std::string s = qob_test::shell_quote(source), t = qob_test::shell_quote(target);
        return capture_shell("test -f " + t + " && test " + s + " -nt " + t + " && echo yes || echo no") == "yes\n" ||
               capture_shell("test -f " + t + " && echo exists || echo missing") == "missing\n";
    };
    auto expect = [&](const std::string &source, const std::string &target, bool newer, const std::string &what) {
        EXPECT_EQ(file_is_newer(p.path(source), p.path(target)), newer) << what;
        EXPECT_EQ(shell_says_newer(p.path(source), p.path(target)), newer) << what;
    };
    const struct {
        long source_ns, target_ns;  // offsets from one whole second
        bool newer;
    } times[] = {{500, 500, false}, {501, 500, true}, {499, 500, false}, {1000000500, 500, true},
                 {999999999, 1000000000, false}};
    for (const auto &c : times) {
        p.set_mtime("s.qo", 1700000000 + c.source_ns / 1000000000, c.source_ns % 1000000000);
        p.set_mtime("t.c", 1700000000 + c.target_ns / 1000000000, c.target_ns % 1000000000);
        expect("s.qo", "t.c", c.newer, std::to_string(c.source_ns) + " vs " + std::to_string(c.target_ns));
    }
    expect("s.qo", "missing.c", true, "missing target");
    expect("s.qo", "folder.c", true, "target not a regular file");
    expect("gone.qo", "t.c", false, "missing source, target in place");
    expect("gone.qo", "missing.c", true, "both missing");
}

TEST(Paths, ShellWordsReachTheCommandWhole) {
    EXPECT_EQ(shell_word("src/lib-2/util_x.qo"), "src/lib-2/util_x.qo");  // plain paths stay as they are
    EXPECT_EQ(shell_word("it's"), "'it'\\''s'");
    for (std::string word : {"my dir/a b.qo", "it's", "$HOME", "`false`", "a\"b", "*.c", "", "x;y", "~/a",
                             "tab\there", "new\nline", "''"})
        EXPECT_EQ(capture_shell("printf '%s' " + shell_word(word)), word) << word;
}

// The walk from an entry, run in the project folder.
Lines walk(const Project &p, const std::string &entry) {
    std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(p.dir);
    BuildGraph graph;
    walk_imports(entry, graph);
    std::filesystem::current_path(previous);
    return graph.order;
}

TEST(Graph, DependenciesFirstEachSpellingOnceMissingModulesLeftOut) {
    Project p;
    // main and util both import fmt; deep reaches it as "lib/../fmt.qo",
    // another module as far as paths go; gone.qo is missing, empty.qo empty.
    p.write("src/main.qo", "import \"util.qo\"\n  from fmt import { money }\nimport \"lib/deep.qo\"\n"
                           "import \"gone.qo\"\nimport \"empty.qo\"\n");
    p.write("src/util.qo", "from fmt import { money }\n");
    p.write("src/lib/deep.qo", "import \"../fmt.qo\"\n");
    p.write("src/fmt.qo", "fn money() {}\n");
    p.write("src/empty.qo", "");
    EXPECT_EQ(walk(p, "src/main.qo"),
              (Lines{"src/fmt.qo", "src/util.qo", "src/lib/../fmt.qo", "src/lib/deep.qo", "src/main.qo"}));
    EXPECT_TRUE(walk(p, "src/empty.qo").empty());
    // Cycles stop at visited paths as spelled: with a folder part the cycle
    // closes on the entry; a bare entry comes round again as "./a.qo".
    for (const char *folder : {"src/", ""}) {
        p.write(std::string(folder) + "a.qo", "import \"b.qo\"\n");
        p.write(std::string(folder) + "b.qo", "import \"a.qo\"\n");
    }
    EXPECT_EQ(walk(p, "src/a.qo"), (Lines{"src/b.qo", "src/a.qo"}));
    EXPECT_EQ(walk(p, "a.qo"), (Lines{"./a.qo", "./b.qo", "a.qo"}));
    // A module importing itself under a growing spelling ("./", "././", ...)
    // comes round once more and then stops.
    p.write("src/self.qo", "import \"./self.qo\"\n");
    EXPECT_EQ(walk(p, "src/self.qo"), (Lines{"src/./self.qo", "src/self.qo"}));
}

TEST(Graph, LongImportChainsDoNotExhaustTheStack) {
    Project p;
    const int n = 20000;
    for (int i = 0; i < n; i++) p.write("m" + std::to_string(i) + ".qo", "from m" + std::to_string(i + 1) + " import { f }\n");
    Lines order = walk(p, "m0.qo");
    ASSERT_EQ(order.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(order.front(), "./m" + std::to_string(n - 1) + ".qo");
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
    p.write("dist/qop-c-decls.h", "");
    EXPECT_EQ(link_command({out + "/a.c", "native.c"}, out + "/my app", "rt/qo_runtime.c", out),
              probes + "-include " + out + "/qop-c-decls.h -I rt -I " + out + " " + out + "/a.c native.c rt/qo_runtime.c" +
                  libs + " -o '" + out + "/my app'");
    EXPECT_EQ(link_command({}, "app", "qo_runtime.c", "dist").find(" -I . -I dist qo_runtime.c "), probes.size());
}

}  // namespace
}  // namespace qo
