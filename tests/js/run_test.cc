// Generated JavaScript in its hosts.
//
// Node.js: every tests/js/programs/NAME.qo is compiled in module mode
// (beside a copy of the runtime) and in bundle mode, run with node, and
// must print NAME.out on standard output and NAME.err (or nothing) on
// standard error, exiting with the number of failed assertions. Programs
// whose first line is "// compare: c" must print NAME.out when compiled
// to C as well: runtime.qo so compares the two runtimes function by
// function, and host.qo checks what has no C counterpart.
//
// Chromium: tests/js/browser/page.qo, bundled, is loaded by headless
// Chromium (driven by browser_check.mjs through ChromeDriver), rendered,
// clicked twice and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "js_test_util.h"

namespace qo::jstest {
namespace {

const fs::path kPrograms = fs::path(kSource) / "tests/js/programs";

class NodeRun : public ::testing::TestWithParam<std::string> {
protected:
    TempDir dir{"node-run"};
    fs::path qo = kPrograms / (GetParam() + ".qo");
    std::string out = read_file((kPrograms / (GetParam() + ".out")).string());
    std::string err = read_file((kPrograms / (GetParam() + ".err")).string());

    void SetUp() override {
        if (!have_command("node")) GTEST_SKIP() << "node is not installed (scripts/setup installs it)";
        fs::copy_file(qo, dir.path() / "prog.qo");
    }
    void expect_node_run(const std::string &file) {
        Outcome r = run_in(dir.path(), "node " + file);
        EXPECT_EQ(r.out, out) << file;
        EXPECT_EQ(r.err, err) << file;
        int failures = 0;
        for (std::size_t at = 0; (at = err.find("FAIL  ", at)) != std::string::npos; ++at) ++failures;
        EXPECT_EQ(r.status, failures) << file;
    }
};

TEST_P(NodeRun, ModuleModeBesideTheRuntime) {
    make_module_folder(dir.path());
    Outcome gen = run_in(dir.path(), kQoc + " --target=js prog.qo prog.js");
    ASSERT_EQ(gen.status, 0) << gen.out;
    expect_node_run("prog.js");
}

TEST_P(NodeRun, BundleModeRunsAlone) {
    write_file(dir / "qo_runtime.js", read_file(kRuntimeJs));
    Outcome gen = run_in(dir.path(), kQoc + " --target=js --bundle prog.qo prog.cjs");
    ASSERT_EQ(gen.status, 0) << gen.out;
    fs::remove(dir.path() / "qo_runtime.js");
    expect_node_run("prog.cjs");
}

TEST_P(NodeRun, TheCTargetPrintsTheSame) {
    if (!read_file(qo.string()).starts_with("// compare: c\n")) GTEST_SKIP() << "JavaScript-only program";
    ASSERT_EQ(run_in(dir.path(), kQoc + " prog.qo prog.c").status, 0);
    auto built = qo::testing::build_c_program(dir / "prog.c", dir / "prog");
    ASSERT_EQ(built.status, 0) << built.output;
    Outcome run = run_in(dir.path(), std::string(qo::testing::kRunEnv) + "./prog");
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.status, 0);
}

std::vector<std::string> programs() {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(kPrograms))
        if (entry.path().extension() == ".qo") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Programs, NodeRun, ::testing::ValuesIn(programs()),
                         [](const auto &info) { return info.param; });

TEST(Browser, TemplateRendersAndClicksUpdateTheText) {
    for (const char *tool : {"node", "chromium", "chromedriver"})
        if (!have_command(tool)) GTEST_SKIP() << tool << " is missing: run scripts/setup --browser";
    TempDir dir{"browser"};
    for (const char *file : {"page.html", "page.qo"})
        write_file(dir / file, read_file(kSource + "/tests/js/browser/" + file));
    write_file(dir / "qo_runtime.js", read_file(kRuntimeJs));
    Outcome gen = run_in(dir.path(), kQoc + " --target=js --bundle page.qo page.js");
    ASSERT_EQ(gen.status, 0) << gen.out;
    Outcome r = run_in(dir.path(), "node " + shell_quote(kSource + "/tests/js/browser_check.mjs") +
                                       " page.html \"$(command -v chromedriver)\" \"$(command -v chromium)\"");
    EXPECT_EQ(r.out, "title: Qo in the browser\nitems: alpha | beta & <gamma>\nbefore: waiting\nafter: clicked 2\n")
        << r.err;
    EXPECT_EQ(r.status, 0);
}

}  // namespace
}  // namespace qo::jstest
