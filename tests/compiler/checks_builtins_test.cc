// checks_builtins_test.cc -- every builtin the arity check knows links.
//
// A Qo program calls each builtin of the arity table with its argument
// count; the generated C must compile without implicit declarations and
// link against the runtime library (and the network primitives' stand-in),
// so the table, the runtime header and the runtime library cannot drift
// apart unnoticed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "c_program.h"
#include "checks/arity.h"
#include "driver/pipeline.h"

namespace qo {
namespace {

TEST(Builtins, EveryBuiltinCompilesAndLinks) {
    // A cgi program may call every primitive, so no capability line stops it.
    std::string probe = "cgi Probe { }\n@manager fn probe() {\n";
    std::size_t count = 0;
    for (const auto &[name, arity] : builtin_arities()) {
        probe += "    " + std::string(name) + "(";
        for (int i = 0; i < arity; ++i) probe += i ? ", 0" : "0";
        probe += ")\n";
        ++count;
    }
    probe += "}\nfn main() { println(\"linked\") }\n";
    EXPECT_EQ(count, 271u);

    std::string dir = "/tmp/qo-builtins-" + std::to_string(getpid());
    ASSERT_EQ(system(("mkdir -p " + dir).c_str()), 0);
    std::FILE *out = std::fopen((dir + "/probe.c").c_str(), "w");
    ASSERT_NE(out, nullptr);
    Context ctx;
    ASSERT_EQ(compile(ctx, probe, out), 0);
    std::fclose(out);

    std::string tavri = std::string(QO_SOURCE_DIR) + "/tests/support/tavri_stub.c";
    testing::RunResult built = testing::build_c_program(dir + "/probe.c", dir + "/probe", testing::shell_quote(tavri));
    EXPECT_EQ(built.status, 0) << built.output;
    testing::RunResult ran = testing::run_command(std::string(testing::kRunEnv) + dir + "/probe");
    EXPECT_TRUE(ran.output.ends_with("linked\n")) << ran.output;
    EXPECT_EQ(system(("rm -rf " + dir).c_str()), 0);
}

}  // namespace
}  // namespace qo
