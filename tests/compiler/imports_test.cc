// Import resolution in temporary folders: headers win, cycles, modules
// imported twice, `from` lines, indented lines, paths by exact text.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "driver/files.h"
#include "driver/imports.h"

namespace qo {
namespace {

namespace fs = std::filesystem;

class Imports : public ::testing::Test {
protected:
    fs::path dir;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qo-frontend-imports-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "lib");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string &rel) { return (dir / rel).string(); }
    void put(const std::string &rel, const std::string &text) { ASSERT_TRUE(write_file(path(rel), text)); }
    std::string resolve(const std::string &rel) {
        Context ctx;
        return resolve_imports(ctx, path(rel));
    }
};

TEST(ImportLines, QuotedAndFromForms) {
    EXPECT_EQ(parse_import_line("import \"lib/util.qo\"", "src"), "src/lib/util.qo");
    EXPECT_EQ(parse_import_line("import \"\"", "src"), "");
    EXPECT_EQ(parse_import_line("import \"open", "src"), "");
    EXPECT_EQ(parse_import_line("import util", "src"), "");
    EXPECT_EQ(parse_import_line("from util import { a }", "."), "./util.qo");
    EXPECT_EQ(parse_import_line("from util", "."), "");
    EXPECT_EQ(parse_import_line("from  util x", "."), "");
    EXPECT_EQ(parse_import_line("fromutil x", "."), "");
    EXPECT_EQ(parse_import_line("let x = 1", "."), "");
}

TEST(ImportLines, DirnameAndHeaderPath) {
    EXPECT_EQ(dirname_of("src/a/main.qo"), "src/a");
    EXPECT_EQ(dirname_of("main.qo"), ".");
    EXPECT_EQ(dirname_of(""), ".");
    EXPECT_EQ(dirname_of("/main.qo"), "");
    EXPECT_EQ(header_path_for("src/util.qo"), "src/util.qoh");
    EXPECT_EQ(header_path_for("ab"), ".qoh");
}

TEST_F(Imports, ImportedTextComesFirstThenOwnLines) {
    put("lib/util.qo", "fn u() { }");
    put("main.qo", "let a = 1\n  import \"lib/util.qo\"\nlet b = 2");
    EXPECT_EQ(resolve("main.qo"), "fn u() { }\nlet a = 1\nlet b = 2\n");
}

TEST_F(Imports, HeaderWinsOverSourceWhenItHasText) {
    put("lib/util.qo", "fn u() { }");
    put("lib/util.qoh", "// header\nextern fn u() -> Any\n");
    put("main.qo", "import \"lib/util.qo\"\nmain()");
    EXPECT_EQ(resolve("main.qo"), "// header\nextern fn u() -> Any\nmain()\n");
    put("lib/util.qoh", "");
    EXPECT_EQ(resolve("main.qo"), "fn u() { }\nmain()\n");
}

TEST_F(Imports, CyclesAndRepeatedModulesContributeOnce) {
    put("a.qo", "from b import { x }\nA");
    put("b.qo", "import \"a.qo\"\nimport \"c.qo\"\nB");
    put("c.qo", "C");
    put("main.qo", "import \"a.qo\"\nimport \"c.qo\"\nimport \"b.qo\"\nM");
    // main -> a -> b -> (a: being resolved) c; then c and b again: nothing.
    EXPECT_EQ(resolve("main.qo"), "C\nB\nA\nM\n");
}

TEST_F(Imports, CyclesUnderAnotherSpellingEndToo) {
    // "./self.qo" inside self.qo is a new path each round ("d/./self.qo",
    // "d/././self.qo", ...), but the same file.
    put("self.qo", "import \"./self.qo\"\nS");
    EXPECT_EQ(resolve("self.qo"), "S\n");
    put("a.qo", "import \"./b.qo\"\nA");
    put("b.qo", "import \"./a.qo\"\nB");
    EXPECT_EQ(resolve("a.qo"), "B\nA\n");
}

TEST_F(Imports, AModuleWithAHeaderIsIncludedOnce) {
    put("u.qoh", "extern fn u() -> Any\n");
    put("v.qo", "import \"u.qo\"\nV");
    put("main.qo", "import \"u.qo\"\nimport \"v.qo\"\nM");
    EXPECT_EQ(resolve("main.qo"), "extern fn u() -> Any\nV\nM\n");
}

TEST_F(Imports, PathsAreComparedAsSpelled) {
    put("lib/x.qo", "X");
    put("main.qo", "import \"lib/x.qo\"\nimport \"lib/./x.qo\"");
    EXPECT_EQ(resolve("main.qo"), "X\nX\n");
}

TEST_F(Imports, MissingFilesReadAsEmptyAndImportsInStringsStillCount) {
    put("main.qo", "import \"nope.qo\"\nlet s = \"\nimport \"lib/y.qo\"\n\"");
    put("lib/y.qo", "Y");
    EXPECT_EQ(resolve("main.qo"), "\nY\nlet s = \"\n\"\n");
    EXPECT_EQ(resolve("absent.qo"), "\n");
    Context ctx;
    std::string first = resolve_imports(ctx, path("main.qo"));
    EXPECT_EQ(resolve_imports(ctx, path("main.qo")), "");
    EXPECT_TRUE(ctx.imported.count(path("lib/y.qo")));
}

}  // namespace
}  // namespace qo
