// Functions found by name in programs linked the way the build tool links
// them (no exported symbols), position independent or not, and with their
// symbols exported: a small C program is compiled against the prebuilt
// runtime library and run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

const char *kProgram = R"(#include "qo_runtime.h"
#include <stdio.h>
qo_val_t lookup_square(qo_val_t x) { return x * x; }
static qo_val_t lookup_hidden(qo_val_t x) { return x; }
qo_val_t lookup_handler(qo_val_t m, qo_val_t p, qo_val_t b) { (void)m; (void)b; return p; }
int main(void) {
    qo_val_t id = __thread_create(QO_STR("lookup_square"), 7);
    printf("%lld\n", (long long)__thread_join(id));
    printf("%lld\n", (long long)__thread_create(QO_STR("lookup_hidden"), 1));
    printf("%d\n", _qo_find_function("lookup_handler") == (void *)lookup_handler);
    printf("%d\n", _qo_find_function("printf") != 0);
    return (int)lookup_hidden(0);
}
)";

std::string run(const std::string &cmd) {
    std::string out;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return "popen failed";
    char buf[256];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int status = pclose(p);
    return status == 0 ? out : out + "[exit " + std::to_string(status) + "]";
}

class LinkedProgram : public testing::TestWithParam<const char *> {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qo-lookup-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::ofstream(dir_ + "/prog.c") << kProgram;
    }
    void TearDown() override { run("rm -rf " + dir_); }
    std::string dir_;
};

TEST_P(LinkedProgram, FindsFunctionsByName) {
    std::string build = std::string("cc -O2 ") + QO_CC_FLAGS + " " + GetParam() + " -I" QO_SOURCE_DIR
                        "/qo-compiler/runtime " + dir_ + "/prog.c " QO_RUNTIME_LIB
                        " -lcurl -lssl -lcrypto -lpthread -lm -o " + dir_ + "/prog 2>&1";
    ASSERT_EQ(run(build), "");
    EXPECT_EQ(run(dir_ + "/prog 2>/dev/null"), "49\n-1\n1\n1\n");
}

INSTANTIATE_TEST_SUITE_P(LinkModes, LinkedProgram, testing::Values("", "-no-pie", "-rdynamic"));

}  // namespace
