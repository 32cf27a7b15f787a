// Whole programs run under Node.js: every tests/js/programs/NAME.qo is
// compiled in module mode (beside a copy of the runtime) and in bundle
// mode, run with node, and must print NAME.out on standard output and
// NAME.err (or nothing) on standard error, exiting with the number of
// failed assertions. Programs whose first line is "// compare: c" must
// also print NAME.out when compiled to C and linked with the runtime, once
// qoc generates C; until then that half reports that it was not compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "js_test_util.h"

namespace qo::jstest {
namespace {

const fs::path kPrograms = fs::path(kSource) / "tests/js/programs";

struct Expected {
    std::string out, err;
    int status;
};

Expected expected_for(const fs::path &qo) {
    fs::path stem = qo.parent_path() / qo.stem();
    Expected e{read_file(stem.string() + ".out"), read_file(stem.string() + ".err"), 0};
    for (std::size_t at = 0; (at = e.err.find("FAIL  ", at)) != std::string::npos; ++at) ++e.status;
    return e;
}

void expect_run(const Outcome &r, const Expected &e, const std::string &what) {
    EXPECT_EQ(r.out, e.out) << what;
    EXPECT_EQ(r.err, e.err) << what;
    EXPECT_EQ(r.status, e.status) << what;
}

class NodeRun : public ::testing::TestWithParam<std::string> {
protected:
    TempDir dir{"node-run"};
    fs::path qo = kPrograms / GetParam();
    Expected expected = expected_for(qo);

    void SetUp() override {
        if (!have_command("node")) GTEST_SKIP() << "node is not installed (scripts/setup installs it)";
        fs::copy_file(qo, dir.path() / "prog.qo");
    }
};

TEST_P(NodeRun, ModuleModeBesideTheRuntime) {
    make_module_folder(dir.path());
    Outcome gen = run_in(dir.path(), "'" + kQoc + "' --target=js prog.qo prog.js");
    ASSERT_EQ(gen.status, 0) << gen.out;
    expect_run(run_in(dir.path(), "node prog.js"), expected, "module mode");
}

TEST_P(NodeRun, BundleModeRunsAlone) {
    write_file(dir / "qo_runtime.js", read_file(kRuntimeJs));
    Outcome gen = run_in(dir.path(), "'" + kQoc + "' --target=js --bundle prog.qo prog.cjs");
    ASSERT_EQ(gen.status, 0) << gen.out;
    fs::remove(dir.path() / "qo_runtime.js");
    expect_run(run_in(dir.path(), "node prog.cjs"), expected, "bundle mode");
}

TEST_P(NodeRun, TheCTargetPrintsTheSame) {
    if (!read_file(qo.string()).starts_with("// compare: c\n")) GTEST_SKIP() << "JavaScript-only program";
    Outcome gen = run_in(dir.path(), "'" + kQoc + "' prog.qo prog.c");
    if (gen.status != 0) GTEST_SKIP() << "not compared: qoc does not generate C yet";
    std::string cc = "cc -std=gnu11 -w prog.c -I'" + kSource + "/qo-compiler/runtime' '" QO_RUNTIME_LIB "' " QO_CC_FLAGS
                     " -lcurl -lssl -lcrypto -lpthread -lm -o prog";
    Outcome built = run_in(dir.path(), cc);
    ASSERT_EQ(built.status, 0) << built.err;
    // Runtime values live until the program exits, by design.
    Outcome run = run_in(dir.path(), "ASAN_OPTIONS=detect_leaks=0 ./prog");
    EXPECT_EQ(run.out, expected.out) << "C target";
    EXPECT_EQ(run.status, 0);
}

std::vector<std::string> programs() {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(kPrograms))
        if (entry.path().extension() == ".qo") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Programs, NodeRun, ::testing::ValuesIn(programs()),
                         [](const auto &info) { return fs::path(info.param).stem().string(); });

}  // namespace
}  // namespace qo::jstest
