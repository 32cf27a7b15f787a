// The qob program in throwaway projects, with a fake compiler (--qoc=) and
// a fake `cc` first on PATH: its messages byte for byte, what it compiles
// and links, and what it leaves on disk, for builds, rebuilds, options and
// every failure.
#include "project.h"

namespace {

using qob_test::Project;
using qob_test::Outcome;
using Lines = std::vector<std::string>;

constexpr const char *kLinkTail = "[rt/qo_runtime.c][-lcurl][-lssl][-lcrypto][-lpthread][-lm][-o][dist/app]";

// app: main imports lib/util.qo and (with `from`) fmt.qo, and links one C file.
void write_app(const Project &p) {
    p.write("manifest.qo", "package \"app\"\nentry \"src/main.qo\"\nc_source \"native/extra.c\"\n");
    p.write("src/main.qo", "import \"lib/util.qo\"\nfrom fmt import { money }\nfn main() {}\n");
    p.write("src/lib/util.qo", "fn u() {}\n");
    p.write("src/fmt.qo", "fn money() {}\n");
    p.write("native/extra.c", "int extra(void) { return 1; }\n");
    p.write("rt/qo_runtime.c", "");
}

std::string build_args(const Project &p) { return "--qoc=" + p.fake_compiler() + " --runtime=rt"; }

// Sources at one time, C files ten seconds later: everything up to date.
void settle(const Project &p, const Lines &modules) {
    for (const std::string &m : modules) {
        p.set_mtime("src/" + m + ".qo", 1700000000);
        std::string base = m.substr(m.rfind('/') + 1);
        p.set_mtime("dist/" + base + ".c", 1700000010);
    }
}

TEST(Qob, BuildsThenRebuildsOnlyWhatChanged) {
    Project p;
    write_app(p);
    Outcome first = p.qob(build_args(p));
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out,
              "qob: building app (entry: src/main.qo)\n"
              "qob: 3 modules in build graph\n"
              "  compile  src/lib/util.qo\n"
              "  compile  src/fmt.qo\n"
              "  compile  src/main.qo\n"
              "  link     dist/app\n"
              "qob: done -> dist/app\n");
    EXPECT_EQ(p.compiles(), (Lines{"--emit-header src/lib/util.qo", "--emit-header src/fmt.qo",
                                   "--emit-header src/main.qo"}));
    EXPECT_EQ(p.links(), (Lines{std::string("[-O2][-I][rt][-I][dist][dist/util.c][dist/fmt.c][dist/main.c]"
                                            "[native/extra.c]") + kLinkTail}));
    EXPECT_EQ(p.read("dist/util.c"), "/* C of src/lib/util.qo */\n");
    EXPECT_EQ(p.read("dist/util.qoh"), "// header of src/lib/util.qo\n");  // copied from beside the source
    EXPECT_EQ(p.read("dist/app"), "program");

    settle(p, {"main", "lib/util", "fmt"});
    p.forget_calls();
    Outcome second = p.qob("--verbose " + build_args(p));
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out,
              "qob: building app (entry: src/main.qo)\n"
              "qob: 3 modules in build graph\n"
              "  skip  util.qo  (up to date)\n"
              "  skip  fmt.qo  (up to date)\n"
              "  skip  main.qo  (up to date)\n"
              "  link     dist/app\n"
              "qob: done -> dist/app\n");
    EXPECT_TRUE(p.compiles().empty());
    EXPECT_EQ(p.links().size(), 1u);

    // An imported module changes: it alone is compiled, not its importer.
    // A C file older than its source is stale too.
    p.set_mtime("src/lib/util.qo", 1700000020);
    p.set_mtime("dist/fmt.c", 1699999990);
    p.forget_calls();
    Outcome third = p.qob(build_args(p));
    EXPECT_EQ(third.status, 0) << third.err;
    EXPECT_EQ(third.out,
              "qob: building app (entry: src/main.qo)\n"
              "qob: 3 modules in build graph\n"
              "  compile  src/lib/util.qo\n"
              "  compile  src/fmt.qo\n"
              "  link     dist/app\n"
              "qob: done -> dist/app\n");
    EXPECT_EQ(p.compiles(), (Lines{"--emit-header src/lib/util.qo", "--emit-header src/fmt.qo"}));
}

TEST(Qob, DryRunMakesOnlyTheOutputFolder) {
    Project p;
    write_app(p);
    Outcome r = p.qob("--dry-run --clean " + build_args(p));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "qob: building app (entry: src/main.qo)\n"
              "qob: cleaning dist\n"
              "qob: 3 modules in build graph\n"
              "  compile  src/lib/util.qo\n"
              "  compile  src/fmt.qo\n"
              "  compile  src/main.qo\n"
              "  link     dist/app\n"
              "qob: done -> dist/app\n");
    EXPECT_TRUE(qob_test::fs::is_directory(p.path("dist")));
    EXPECT_TRUE(qob_test::fs::is_empty(p.path("dist")));
    EXPECT_TRUE(p.compiles().empty());
    EXPECT_TRUE(p.links().empty());
    EXPECT_FALSE(p.exists("src/main.qoh"));

    // A dry clean names the folder but removes nothing.
    p.write("dist/old.c", "old");
    EXPECT_EQ(p.qob("--dry-run --clean " + build_args(p)).status, 0);
    EXPECT_EQ(p.read("dist/old.c"), "old");
}

TEST(Qob, CleanRemovesGeneratedFilesOnly) {
    Project p;
    write_app(p);
    ASSERT_EQ(p.qob(build_args(p)).status, 0);
    settle(p, {"main", "lib/util", "fmt"});
    p.write("dist/stale.c", "");
    p.write("dist/stale.qoh", "");
    p.write("dist/notes.txt", "keep");
    p.forget_calls();
    Outcome r = p.qob("--clean " + build_args(p));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("qob: 3")),
              "qob: building app (entry: src/main.qo)\nqob: cleaning dist\n");
    EXPECT_EQ(p.compiles().size(), 3u);  // every C file was removed, so every module compiles
    EXPECT_FALSE(p.exists("dist/stale.c"));
    EXPECT_FALSE(p.exists("dist/stale.qoh"));
    EXPECT_EQ(p.read("dist/notes.txt"), "keep");
}

TEST(Qob, OutputFolderPackageDefaultAndForcedInclude) {
    Project p;
    p.write("manifest.qo", "entry \"main.qo\"\n");
    p.write("main.qo", "fn main() {}\n");
    p.write("rt/qo_runtime.c", "");
    p.write("build/x/qop-c-decls.h", "");
    Outcome r = p.qob("--out=build/x --out=ignored --frobnicate " + build_args(p));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "qob: building out (entry: main.qo)\n"
              "qob: 1 modules in build graph\n"
              "  compile  main.qo\n"
              "  link     build/x/out\n"
              "qob: done -> build/x/out\n");
    EXPECT_EQ(p.links(), (Lines{"[-O2][-include][build/x/qop-c-decls.h][-I][rt][-I][build/x][build/x/main.c]"
                                "[rt/qo_runtime.c][-lcurl][-lssl][-lcrypto][-lpthread][-lm][-o][build/x/out]"}));
    EXPECT_FALSE(p.exists("ignored"));
}

TEST(Qob, ACycleThroughABareEntryLinksEachCFileOnce) {
    Project p;
    p.write("manifest.qo", "entry \"a.qo\"\n");
    p.write("a.qo", "import \"b.qo\"\nfn main() {}\n");
    p.write("b.qo", "import \"a.qo\"\nfn b() {}\n");
    p.write("rt/qo_runtime.c", "");
    p.set_mtime("a.qo", 1700000000);
    p.set_mtime("b.qo", 1700000000);
    Outcome r = p.qob("--verbose " + build_args(p));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "qob: building out (entry: a.qo)\n"
              "qob: 3 modules in build graph\n"
              "  compile  ./a.qo\n"
              "  compile  ./b.qo\n"
              "  skip  a.qo  (up to date)\n"
              "  link     dist/out\n"
              "qob: done -> dist/out\n");
    EXPECT_EQ(p.links(), (Lines{"[-O2][-I][rt][-I][dist][dist/a.c][dist/b.c][rt/qo_runtime.c][-lcurl][-lssl]"
                                "[-lcrypto][-lpthread][-lm][-o][dist/out]"}));
}

TEST(Qob, BadSetupsStopWithTheirMessage) {
    struct Case {
        const char *what;
        const char *manifest;  // nullptr: no manifest file
        std::string args;
        std::string out;
    } cases[] = {
        {"no manifest", nullptr, "--runtime=rt", "qob: no manifest.qo found in current directory\n"},
        {"empty manifest", "", "--runtime=rt", "qob: no manifest.qo found in current directory\n"},
        {"no entry", "package \"app\"\nentry \"\"\n", "--runtime=rt", "qob: manifest.qo has no 'entry' declaration\n"},
        {"no runtime", "entry \"main.qo\"\n", "--qoc=qob-test-no-such-compiler",
         "qob: building out (entry: main.qo)\nqob: cannot locate qo_runtime.c - use --runtime=PATH\n"},
    };
    for (const Case &c : cases) {
        Project p;
        if (c.manifest) p.write("manifest.qo", c.manifest);
        p.write("main.qo", "fn main() {}\n");
        Outcome r = p.qob(c.args);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.out, c.out) << c.what;
        EXPECT_FALSE(p.exists("dist")) << c.what;
        EXPECT_TRUE(p.compiles().empty()) << c.what;
    }
}

TEST(Qob, AFailedCompileStopsAndLeavesNothingBehind) {
    Project p;
    write_app(p);
    p.write("src/main.qo", "import \"lib/util.qo\"\nimport \"faulty.qo\"\nfrom fmt import { money }\nfn main() {}\n");
    p.write("src/faulty.qo", "fn f() { BROKEN }\n");
    Outcome r = p.qob(build_args(p));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "qob: building app (entry: src/main.qo)\n"
              "qob: 4 modules in build graph\n"
              "  compile  src/lib/util.qo\n"
              "  compile  src/faulty.qo\n"
              "src/faulty.qo: BROKEN here\n"
              "second error line\n"
              "qob: compile failed: src/faulty.qo\n"
              "qob: build failed\n");
    EXPECT_FALSE(p.exists("dist/faulty.c"));  // the partial C file is gone...
    EXPECT_FALSE(qob_test::fs::exists("/tmp/qob-err-faulty.txt"));  // ...and so is the error file
    EXPECT_FALSE(p.exists("dist/faulty.qoh"));
    EXPECT_TRUE(p.exists("dist/util.c"));
    EXPECT_TRUE(p.links().empty());

    // Mended, the module compiles again (its C file is missing) and the
    // build goes on from there.
    p.write("src/faulty.qo", "fn f() { }\n");
    settle(p, {"lib/util"});
    p.forget_calls();
    Outcome again = p.qob(build_args(p));
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(p.compiles(), (Lines{"--emit-header src/faulty.qo", "--emit-header src/fmt.qo",
                                   "--emit-header src/main.qo"}));
}

TEST(Qob, AFailedLinkLeavesNoProgram) {
    Project p;
    write_app(p);
    ASSERT_EQ(p.qob(build_args(p)).status, 0);
    ASSERT_EQ(p.read("dist/app"), "program");
    p.write("cc-fail", "");
    Outcome r = p.qob(build_args(p));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.ends_with("  link     dist/app\nqob: link failed\n")) << r.out;
    EXPECT_EQ(r.err, "ld: undefined reference to main\n");
    EXPECT_FALSE(p.exists("dist/app"));  // neither the half-written one nor the old one
}

TEST(Qob, PathsWithSpacesAndQuotesReachTheToolsWhole) {
    Project p("my project");
    p.write("manifest.qo",
            "package \"my app\"\nentry \"src dir/main prog.qo\"\nc_source \"native code/it's extra.c\"\n");
    p.write("src dir/main prog.qo", "import \"lib dir/str utils.qo\"\nfn main() {}\n");
    p.write("src dir/lib dir/str utils.qo", "fn s() {}\n");
    p.write("native code/it's extra.c", "");
    p.write("rt dir/qo_runtime.c", "");
    Outcome r = p.qob("--qoc=" + p.fake_compiler() + " '--runtime=rt dir' '--out=out dir'");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out,
              "qob: building my app (entry: src dir/main prog.qo)\n"
              "qob: 2 modules in build graph\n"
              "  compile  src dir/lib dir/str utils.qo\n"
              "  compile  src dir/main prog.qo\n"
              "  link     out dir/my app\n"
              "qob: done -> out dir/my app\n");
    EXPECT_EQ(p.read("out dir/str utils.c"), "/* C of src dir/lib dir/str utils.qo */\n");
    EXPECT_EQ(p.read("out dir/str utils.qoh"), "// header of src dir/lib dir/str utils.qo\n");
    EXPECT_EQ(p.links(), (Lines{"[-O2][-I][rt dir][-I][out dir][out dir/str utils.c][out dir/main prog.c]"
                                "[native code/it's extra.c][rt dir/qo_runtime.c][-lcurl][-lssl][-lcrypto]"
                                "[-lpthread][-lm][-o][out dir/my app]"}));
    EXPECT_EQ(p.read("out dir/my app"), "program");
}

TEST(Qob, FindsTheRuntimeBesideTheCompilerOnThePath) {
    Project p;
    p.write("manifest.qo", "entry \"main.qo\"\n");
    p.write("main.qo", "fn main() {}\n");
    std::string tools = (p.root / "tools").string();
    qob_test::fs::create_directories(tools + "/bin");
    qob_test::fs::copy_file(p.fake_compiler(), tools + "/bin/qoc");
    qob_test::fs::create_directories(tools + "/qo-compiler/runtime");
    std::ofstream(tools + "/qo-compiler/runtime/qo_runtime.c") << "";
    Outcome r = p.qob("", tools + "/bin:" + p.bin.string());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    std::string runtime_dir = tools + "/bin/../qo-compiler/runtime";
    EXPECT_EQ(p.links(), (Lines{"[-O2][-I][" + runtime_dir + "][-I][dist][dist/main.c][" + runtime_dir +
                                "/qo_runtime.c][-lcurl][-lssl][-lcrypto][-lpthread][-lm][-o][dist/out]"}));
}

}  // namespace
