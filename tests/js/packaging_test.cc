// --minify and --obfuscate: finding the tools, their command lines, the
// failure messages and statuses, temporary files, and (with the real npm
// tools that `scripts/setup --npm` installs) packaged programs that still
// run in Node.js with the same output.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "js_test_util.h"

namespace qo::jstest {
namespace {

std::set<std::string> qoc_temp_files() {
    std::set<std::string> out;
    for (const auto &entry : fs::directory_iterator("/tmp"))
        if (entry.path().filename().string().starts_with("qoc-")) out.insert(entry.path().string());
    return out;
}

// A stand-in tool: records its arguments one per line in <name>.args
// beside it, then copies its input to the file after --output (or fails).
void fake_tool(const fs::path &bin, const std::string &name, bool fail) {
    fs::create_directories(bin);
    std::string script = "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + (bin / name).string() +
                         ".args'\n" + (fail ? "exit 1\n" : "") +
                         "in=$1; while [ \"$1\" != --output ]; do shift; done\n/bin/cp \"$in\" \"$2\"\n";
    write_file((bin / name).string(), script);
    fs::permissions(bin / name, fs::perms::owner_all);
}

class Packaging : public ::testing::Test {
protected:
    TempDir dir{"packaging"};
    fs::path project = dir.path() / "my app";
    fs::path bin = project / "node_modules/.bin";
    std::string no_npx_path;

    void SetUp() override {
        fs::create_directories(project);
        write_file((project / "a.qo").string(), "fn main() { println(\"packed\") }\n");
        // A search path with `which` but without npx.
        fs::create_directories(dir.path() / "path");
        fs::create_symlink("/usr/bin/which", dir.path() / "path/which");
        no_npx_path = (dir.path() / "path").string();
    }

    Outcome qoc(const std::string &args, const std::string &env = "") {
        return run_in(project, env + " '" + kQoc + "' " + args);
    }
};

TEST_F(Packaging, MissingToolsAreReportedAndLeaveNoTemporaryFiles) {
    std::set<std::string> before = qoc_temp_files();
    Outcome r = qoc("--target=js --minify a.qo", "PATH='" + no_npx_path + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "qo-compiler: error: terser not found. Run 'npm install terser' in your project directory.\n");
    fake_tool(bin, "terser", false);
    r = qoc("--target=js --obfuscate a.qo out.js", "PATH='" + no_npx_path + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "qo-compiler: error: javascript-obfuscator not found. Run 'npm install javascript-obfuscator' in your "
              "project directory.\n");
    EXPECT_FALSE(fs::exists(project / "out.js"));
    EXPECT_EQ(qoc_temp_files(), before);
}

TEST_F(Packaging, FailingToolsPrintTheRawWaitStatus) {
    std::set<std::string> before = qoc_temp_files();
    fake_tool(bin, "terser", true);
    Outcome r = qoc("--target=js --minify a.qo");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "qo-compiler: error: terser failed (exit 256)\n");
    fake_tool(bin, "terser", false);
    fake_tool(bin, "javascript-obfuscator", true);
    r = qoc("--target=js --obfuscate a.qo");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "qo-compiler: error: javascript-obfuscator failed (exit 256)\n");
    EXPECT_EQ(qoc_temp_files(), before);
}

const std::string kDefaultList = "main,__qo,html_escape,html_raw,str_eq,qo_assert_fail";

std::string terser_pattern(const std::string &reserved) {
    return "/tmp/qoc-([0-9]+)-[0-9]+\\.js\n--compress\npasses=2,drop_console=false,drop_debugger=true\n--mangle\n"
           "reserved=\\[" + reserved + "\\]\n--output\n(/tmp/qoc-\\1-[0-9]+\\.min\\.js)\n";
}

std::string obfuscator_pattern(const std::string &reserved) {
    return "(/tmp/qoc-[0-9]+-[0-9]+\\.min\\.js)\n--output\n/tmp/qoc-[0-9]+-[0-9]+\\.obf\\.js\n--compact\ntrue\n"
           "--simplify\ntrue\n--string-array\ntrue\n--string-array-encoding\nbase64\n--string-array-threshold\n"
           "0\\.75\n--identifier-names-generator\nhexadecimal\n--rename-globals\nfalse\n--self-defending\nfalse\n"
           "--reserved-names\n" + reserved + "\n";
}

TEST_F(Packaging, ToolsGetTheirCommandLinesAndTheSameReservedNames) {
    fake_tool(bin, "terser", false);
    fake_tool(bin, "javascript-obfuscator", false);
    Outcome r = qoc("--target=js --obfuscate a.qo");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, js_of(read_file((project / "a.qo").string())));  // the stand-ins only copy
    std::smatch terser, obf;
    std::string terser_args = read_file((bin / "terser.args").string());
    std::string obf_args = read_file((bin / "javascript-obfuscator.args").string());
    ASSERT_TRUE(std::regex_match(terser_args, terser, std::regex(terser_pattern(kDefaultList)))) << terser_args;
    ASSERT_TRUE(std::regex_match(obf_args, obf, std::regex(obfuscator_pattern(kDefaultList)))) << obf_args;
    EXPECT_EQ(terser[2].str(), obf[1].str());  // the obfuscator reads what the minifier wrote

    r = qoc("--target=js --obfuscate a.qo", "QOC_JS_RESERVED=boot,App_1");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(std::regex_match(read_file((bin / "terser.args").string()), std::regex(terser_pattern("boot,App_1"))));
    EXPECT_TRUE(std::regex_match(read_file((bin / "javascript-obfuscator.args").string()),
                                 std::regex(obfuscator_pattern("boot,App_1"))));
    r = qoc("--target=js --minify a.qo", "QOC_JS_RESERVED='a;rm -rf x'");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("qo-compiler: warning: QOC_JS_RESERVED ignored"));
    EXPECT_TRUE(std::regex_match(read_file((bin / "terser.args").string()), std::regex(terser_pattern(kDefaultList))));
}

TEST_F(Packaging, ToolsInTheParentFolderAreFoundAndAnOutputFileGetsTheResult) {
    // The folder part of the source path names the project; its parent is
    // searched second.
    fake_tool(dir.path() / "node_modules/.bin", "terser", false);
    Outcome r = run_in(dir.path(), "PATH='" + no_npx_path + "' '" + kQoc + "' --target=js --minify 'my app/a.qo' 'my app/out.js'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file((project / "out.js").string()), js_of(read_file((project / "a.qo").string())));
    r = run_in(dir.path(), "PATH='" + no_npx_path + "' '" + kQoc + "' --target=js --minify 'my app/a.qo' no/dir/out.js");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "qo-compiler: failed to write output\n");
}

// The real tools, as `scripts/setup --npm` installs them.
class RealTools : public Packaging {
protected:
    void SetUp() override {
        Packaging::SetUp();
        if (!fs::exists(kNpmTools + "/.bin/terser") || !fs::exists(kNpmTools + "/.bin/javascript-obfuscator"))
            GTEST_SKIP() << "run scripts/setup --npm for terser and javascript-obfuscator";
        if (!have_command("node")) GTEST_SKIP() << "node is not installed";
        fs::create_directory_symlink(kNpmTools, project / "node_modules");
        fs::copy_file(kSource + "/tests/js/programs/report.qo", project / "report.qo");
        make_module_folder(project);
    }
    std::string expected = read_file(kSource + "/tests/js/programs/report.out");
};

TEST_F(RealTools, MinifiedModuleRunsTheSameAndIsPrintedWithoutANewline) {
    Outcome r = qoc("--target=js --minify report.qo");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("\n  "), std::string::npos);  // no indented lines left
    EXPECT_FALSE(r.out.ends_with("\n"));
    write_file((project / "min.js").string(), r.out);
    Outcome run = run_in(project, "node min.js");
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST_F(RealTools, ObfuscatedBundleRunsTheSame) {
    Outcome r = qoc("--target=js --bundle --obfuscate report.qo packed.cjs");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    std::string packed = read_file((project / "packed.cjs").string());
    EXPECT_EQ(packed.find("status_label"), std::string::npos);  // names are gone
    fs::remove(project / "qo_runtime.js");
    Outcome run = run_in(project, "node packed.cjs");
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.status, 0) << run.err;
}

}  // namespace
}  // namespace qo::jstest
