// The qob program in throwaway projects, with a fake compiler (--qoc=) and
// a fake `cc` first on PATH: its messages byte for byte, what it compiles
// and links, and what it leaves on disk, for builds, rebuilds, options and
// every failure.
#include "project.h"

namespace {

using namespace qob_test;

// What qob prints for a build that reaches the link.
std::string build_log(const std::string &building, int modules, const std::string &steps,
                      const std::string &program, const std::string &before_graph = "") {
    return "qob: building " + building + "\n" + before_graph + "qob: " + std::to_string(modules) +
           " modules in build graph\n" + steps + "  link     " + program + "\nqob: done -> " + program + "\n";
}

const std::string kApp = "app (entry: src/main.qo)";
const std::string kCompileAll = "  compile  src/lib/util.qo\n  compile  src/fmt.qo\n  compile  src/main.qo\n";
const std::string kLibs = "[-lcurl][-lssl][-lcrypto][-lpthread][-lm]";

// app: main imports lib/util.qo and (with `from`) fmt.qo, and links one C file.
void write_app(const Project &p) {
    p.write("manifest.qo", "package \"app\"\nentry \"src/main.qo\"\nc_source \"native/extra.c\"\n");
    p.write("src/main.qo", "import \"lib/util.qo\"\nfrom fmt import { money }\nfn main() {}\n");
    p.write("src/lib/util.qo", "fn u() {}\n");
    p.write("src/fmt.qo", "fn money() {}\n");
    p.write("native/extra.c", "int extra(void) { return 1; }\n");
    p.write("rt/qo_runtime.c", "");
}

// Sources at one time, C files ten seconds later: everything up to date.
void settle(const Project &p, const Lines &modules) {
    for (const std::string &m : modules) {
        p.set_mtime("src/" + m + ".qo", 1700000000);
        p.set_mtime("dist/" + m.substr(m.rfind('/') + 1) + ".c", 1700000010);
    }
    p.forget_calls();
}

TEST(Qob, BuildsThenRebuildsOnlyWhatChanged) {
    Project p;
    write_app(p);
    Outcome first = p.qob(p.fake_tools());
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, build_log(kApp, 3, kCompileAll, "dist/app"));
    EXPECT_EQ(p.compiles(), (Lines{"--emit-header src/lib/util.qo", "--emit-header src/fmt.qo",
                                   "--emit-header src/main.qo"}));
    EXPECT_EQ(p.links(), (Lines{"[-O2][-I][rt][-I][dist][dist/util.c][dist/fmt.c][dist/main.c][native/extra.c]"
                                "[rt/qo_runtime.c]" + kLibs + "[-o][dist/app]"}));
    EXPECT_EQ(p.read("dist/util.c"), "/* C of src/lib/util.qo */\n");
    EXPECT_EQ(p.read("dist/util.qoh"), "// header of src/lib/util.qo\n");  // copied from beside the source
    EXPECT_EQ(p.read("dist/app"), "program");

    settle(p, {"main", "lib/util", "fmt"});
    Outcome second = p.qob("--verbose " + p.fake_tools());
    EXPECT_EQ(second.out, build_log(kApp, 3, "  skip  util.qo  (up to date)\n  skip  fmt.qo  (up to date)\n"
                                             "  skip  main.qo  (up to date)\n", "dist/app"));
    EXPECT_TRUE(p.compiles().empty());
    EXPECT_EQ(p.links().size(), 1u);

    // A changed import is compiled alone, not its importer; so is a C file
    // older than its source.
    p.set_mtime("src/lib/util.qo", 1700000020);
    p.set_mtime("dist/fmt.c", 1699999990);
    p.forget_calls();
    Outcome third = p.qob(p.fake_tools());
    EXPECT_EQ(third.out, build_log(kApp, 3, "  compile  src/lib/util.qo\n  compile  src/fmt.qo\n", "dist/app"));
    EXPECT_EQ(p.compiles(), (Lines{"--emit-header src/lib/util.qo", "--emit-header src/fmt.qo"}));
}

TEST(Qob, DryRunMakesOnlyTheOutputFolderAndCleanRemovesOnlyGeneratedFiles) {
    Project p;
    write_app(p);
    Outcome r = p.qob("--dry-run --clean " + p.fake_tools());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, build_log(kApp, 3, kCompileAll, "dist/app", "qob: cleaning dist\n"));
    EXPECT_TRUE(fs::is_directory(p.path("dist")) && fs::is_empty(p.path("dist")));
    EXPECT_TRUE(p.compiles().empty() && p.links().empty());
    EXPECT_FALSE(p.exists("src/main.qoh"));
    p.write("dist/stale.c", "");
    EXPECT_EQ(p.qob("--dry-run --clean " + p.fake_tools()).status, 0);
    EXPECT_TRUE(p.exists("dist/stale.c"));  // a dry clean removes nothing

    ASSERT_EQ(p.qob(p.fake_tools()).status, 0);
    settle(p, {"main", "lib/util", "fmt"});
    p.write("dist/stale.qoh", "");
    p.write("dist/notes.txt", "keep");
    r = p.qob("--clean " + p.fake_tools());
    EXPECT_EQ(r.out, build_log(kApp, 3, kCompileAll, "dist/app", "qob: cleaning dist\n"));  // every C file went
    EXPECT_FALSE(p.exists("dist/stale.c") || p.exists("dist/stale.qoh"));
    EXPECT_EQ(p.read("dist/notes.txt"), "keep");
}

TEST(Qob, ACycleThroughABareEntryLinksEachCFileOnce) {
    Project p;
    p.write("manifest.qo", "entry \"a.qo\"\n");
    p.write("a.qo", "import \"b.qo\"\nfn main() {}\n");
    p.write("b.qo", "import \"a.qo\"\nfn b() {}\n");
    p.write("rt/qo_runtime.c", "");
    Outcome r = p.qob("--verbose " + p.fake_tools());
    EXPECT_EQ(r.out, build_log("out (entry: a.qo)", 3,
                               "  compile  ./a.qo\n  compile  ./b.qo\n  skip  a.qo  (up to date)\n", "dist/out"));
    EXPECT_EQ(p.links(), (Lines{"[-O2][-I][rt][-I][dist][dist/a.c][dist/b.c][rt/qo_runtime.c]" + kLibs +
                                "[-o][dist/out]"}));
}

TEST(Qob, BadSetupsStopWithTheirMessage) {
    const struct {
        const char *manifest;  // nullptr: no manifest file
        std::string args, out;
    } cases[] = {
        {nullptr, "--runtime=rt", "qob: no manifest.qo found in current directory\n"},
        {"", "--runtime=rt", "qob: no manifest.qo found in current directory\n"},
        {"package \"app\"\nentry \"\"\n", "--runtime=rt", "qob: manifest.qo has no 'entry' declaration\n"},
        {"entry \"main.qo\"\n", "--qoc=qob-test-no-such-compiler",
         "qob: building out (entry: main.qo)\nqob: cannot locate qo_runtime.c - use --runtime=PATH\n"},
    };
    for (const auto &c : cases) {
        Project p;
        if (c.manifest) p.write("manifest.qo", c.manifest);
        p.write("main.qo", "fn main() {}\n");
        Outcome r = p.qob(c.args);
        EXPECT_EQ(r.status, 1) << c.out;
        EXPECT_EQ(r.out, c.out);
        EXPECT_FALSE(p.exists("dist")) << c.out;
    }
}

TEST(Qob, FailedCompileOrLinkStopsAndLeavesNothingBehind) {
    Project p;
    write_app(p);
    p.write("src/main.qo", "import \"lib/util.qo\"\nimport \"faulty.qo\"\nfrom fmt import { money }\nfn main() {}\n");
    p.write("src/faulty.qo", "fn f() { BROKEN }\n");
    Outcome r = p.qob(p.fake_tools());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "qob: building app (entry: src/main.qo)\nqob: 4 modules in build graph\n"
                     "  compile  src/lib/util.qo\n  compile  src/faulty.qo\nsrc/faulty.qo: BROKEN here\n"
                     "second error line\nqob: compile failed: src/faulty.qo\nqob: build failed\n");
    EXPECT_FALSE(p.exists("dist/faulty.c") || p.exists("dist/faulty.qoh"));  // no partial C file
    EXPECT_FALSE(fs::exists("/tmp/qob-err-faulty.txt"));
    EXPECT_TRUE(p.links().empty());

    // Mended, the module compiles again (its C file is missing) and the
    // build goes on from there.
    p.write("src/faulty.qo", "fn f() { }\n");
    settle(p, {"lib/util"});
    EXPECT_EQ(p.qob(p.fake_tools()).status, 0);
    EXPECT_EQ(p.compiles(), (Lines{"--emit-header src/faulty.qo", "--emit-header src/fmt.qo",
                                   "--emit-header src/main.qo"}));
    ASSERT_EQ(p.read("dist/app"), "program");

    p.write("cc-fail", "");
    r = p.qob(p.fake_tools());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with("  link     dist/app\nqob: link failed\n")) << r.out;
    EXPECT_FALSE(p.exists("dist/app"));  // neither the half-written program nor the old one
}

TEST(Qob, PathsWithSpacesAndQuotesReachTheToolsWhole) {
    Project p("my project");
    p.write("manifest.qo", "package \"my app\"\nentry \"src dir/main prog.qo\"\nc_source \"native code/it's extra.c\"\n");
    p.write("src dir/main prog.qo", "import \"lib dir/str utils.qo\"\nfn main() {}\n");
    p.write("src dir/lib dir/str utils.qo", "fn s() {}\n");
    p.write("native code/it's extra.c", "");
    p.write("rt dir/qo_runtime.c", "");
    Outcome r = p.qob("--qoc=" + (p.bin / "fakeqoc").string() + " '--runtime=rt dir' '--out=out dir'");
    EXPECT_EQ(r.out, build_log("my app (entry: src dir/main prog.qo)", 2,
                               "  compile  src dir/lib dir/str utils.qo\n  compile  src dir/main prog.qo\n",
                               "out dir/my app"));
    EXPECT_EQ(p.read("out dir/str utils.qoh"), "// header of src dir/lib dir/str utils.qo\n");
    EXPECT_EQ(p.links(), (Lines{"[-O2][-I][rt dir][-I][out dir][out dir/str utils.c][out dir/main prog.c]"
                                "[native code/it's extra.c][rt dir/qo_runtime.c]" + kLibs + "[-o][out dir/my app]"}));
}

TEST(Qob, FindsTheRuntimeBesideTheCompilerOnThePath) {
    Project p;
    p.write("manifest.qo", "entry \"main.qo\"\n");
    p.write("main.qo", "fn main() {}\n");
    p.write("../tools/bin/qoc", kFakeCompiler);
    fs::permissions(p.root / "tools/bin/qoc", fs::perms::owner_all);
    p.write("../tools/qo-compiler/runtime/qo_runtime.c", "");
    EXPECT_EQ(p.qob("", (p.root / "tools/bin").string() + ":" + p.bin.string()).status, 0);
    std::string runtime_dir = (p.root / "tools/bin/../qo-compiler/runtime").string();
    EXPECT_EQ(p.links(), (Lines{"[-O2][-I][" + runtime_dir + "][-I][dist][dist/main.c][" + runtime_dir +
                                "/qo_runtime.c]" + kLibs + "[-o][dist/out]"}));
}

}  // namespace
