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

enum class Tool { None, Works, Fails };

// A stand-in tool: records its arguments one per line in <name>.args
// beside it, then copies its input to the file after --output (or fails).
void fake_tool(const fs::path &bin, const std::string &name, Tool kind) {
    fs::remove(bin / name);
    if (kind == Tool::None) return;
    fs::create_directories(bin);
    write_file((bin / name).string(), "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " +
                                          shell_quote((bin / name).string() + ".args") + "\n" +
                                          (kind == Tool::Fails ? "exit 1\n" : "") +
                                          "in=$1; while [ \"$1\" != --output ]; do shift; done\n/bin/cp \"$in\" \"$2\"\n");
    fs::permissions(bin / name, fs::perms::owner_all);
}

class Packaging : public ::testing::Test {
protected:
    TempDir dir{"packaging"};
    fs::path project = dir.path() / "my app";
    fs::path bin = project / "node_modules/.bin";
    std::string no_npx;  // a search path with `which` but without npx

    void SetUp() override {
        fs::create_directories(dir.path() / "path");
        fs::create_symlink("/usr/bin/which", dir.path() / "path/which");
        no_npx = "PATH=" + shell_quote((dir.path() / "path").string()) + " ";
        fs::create_directories(project);
        write_file((project / "a.qo").string(), "fn main() { println(\"packed\") }\n");
    }
    Outcome qoc(const std::string &args, const std::string &env = "") { return run_in(project, env + kQoc + " " + args); }
    std::string args_of(const std::string &tool) { return read_file((bin / (tool + ".args")).string()); }
};

TEST_F(Packaging, MissingOrFailingToolsAreReportedAndLeaveNoFiles) {
    struct Case {
        Tool terser, obfuscator;
        const char *flag, *message;
    } cases[] = {
        {Tool::None, Tool::None, "--minify", "terser not found. Run 'npm install terser' in your project directory."},
        {Tool::Works, Tool::None, "--obfuscate",
         "javascript-obfuscator not found. Run 'npm install javascript-obfuscator' in your project directory."},
        {Tool::Fails, Tool::None, "--minify", "terser failed (exit 256)"},
        {Tool::Works, Tool::Fails, "--obfuscate", "javascript-obfuscator failed (exit 256)"},
    };
    std::set<std::string> before = qoc_temp_files();
    for (const Case &c : cases) {
        fake_tool(bin, "terser", c.terser);
        fake_tool(bin, "javascript-obfuscator", c.obfuscator);
        Outcome r = qoc(std::string("--target=js ") + c.flag + " a.qo out.js", no_npx);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_EQ(r.out, std::string("qo-compiler: error: ") + c.message + "\n");
        EXPECT_FALSE(fs::exists(project / "out.js"));
    }
    EXPECT_EQ(qoc_temp_files(), before);
}

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
    fake_tool(bin, "terser", Tool::Works);
    fake_tool(bin, "javascript-obfuscator", Tool::Works);
    const std::string defaults = "main,__qo,html_escape,html_raw,str_eq,qo_assert_fail";
    for (auto [env, reserved] : {std::pair<std::string, std::string>{"", defaults},
                                 {"QOC_JS_RESERVED=boot,App_1 ", "boot,App_1"}}) {
        Outcome r = qoc("--target=js --obfuscate a.qo", env);
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(r.out, js_of(read_file((project / "a.qo").string())));  // the stand-ins only copy
        std::smatch terser, obf;
        std::string terser_args = args_of("terser"), obf_args = args_of("javascript-obfuscator");
        ASSERT_TRUE(std::regex_match(terser_args, terser, std::regex(terser_pattern(reserved)))) << terser_args;
        ASSERT_TRUE(std::regex_match(obf_args, obf, std::regex(obfuscator_pattern(reserved)))) << obf_args;
        EXPECT_EQ(terser[2].str(), obf[1].str());  // the obfuscator reads what the minifier wrote
    }
    Outcome r = qoc("--target=js --minify a.qo", "QOC_JS_RESERVED='a;rm -rf x' ");
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("qo-compiler: warning: QOC_JS_RESERVED ignored"));
    EXPECT_TRUE(std::regex_match(args_of("terser"), std::regex(terser_pattern(defaults))));
}

TEST_F(Packaging, ToolsInTheParentFolderAreFoundAndAnOutputFileGetsTheResult) {
    // The folder part of the source path names the project; its parent is
    // searched second.
    fake_tool(dir.path() / "node_modules/.bin", "terser", Tool::Works);
    Outcome r = run_in(dir.path(), no_npx + kQoc + " --target=js --minify 'my app/a.qo' 'my app/out.js'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file((project / "out.js").string()), js_of(read_file((project / "a.qo").string())));
    r = run_in(dir.path(), no_npx + kQoc + " --target=js --minify 'my app/a.qo' no/dir/out.js");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "qo-compiler: failed to write output\n");
}

// The real tools, as `scripts/setup --npm` installs them: a minified
// module and an obfuscated bundle print what the program prints.
TEST_F(Packaging, RealToolsKeepTheProgramWorking) {
    const std::string tools = kSource + "/.cache/npm-tools/node_modules";
    if (!fs::exists(tools + "/.bin/terser") || !fs::exists(tools + "/.bin/javascript-obfuscator"))
        GTEST_SKIP() << "run scripts/setup --npm for terser and javascript-obfuscator";
    if (!have_command("node")) GTEST_SKIP() << "node is not installed";
    fs::create_directory_symlink(tools, project / "node_modules");
    fs::copy_file(kSource + "/tests/js/programs/report.qo", project / "report.qo");
    make_module_folder(project);
    const std::string expected = read_file(kSource + "/tests/js/programs/report.out");
    Outcome r = qoc("--target=js --minify report.qo");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("\n  "), std::string::npos);  // no indented lines left
    EXPECT_FALSE(r.out.ends_with("\n"));
    write_file((project / "min.js").string(), r.out);
    EXPECT_EQ(run_in(project, "node min.js").out, expected);
    r = qoc("--target=js --bundle --obfuscate report.qo packed.cjs");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(read_file((project / "packed.cjs").string()).find("status_label"), std::string::npos);  // renamed
    fs::remove(project / "qo_runtime.js");
    EXPECT_EQ(run_in(project, "node packed.cjs").out, expected);
}

}  // namespace
}  // namespace qo::jstest
