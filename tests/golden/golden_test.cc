// golden_test.cc -- the C generator's output, byte for byte.
//
// Every NAME.qo in this folder is compiled in-process; NAME.c is the exact
// program `qoc NAME.qo` prints and NAME.test.c the test runner of
// `qoc --test NAME.qo` (either may be absent). update.sh rewrites the
// expected files from bin/qoc for a person to review with `git diff`.
// Expected programs that should be valid C (no "#error" line, and no
// "// golden: invalid C" marker in the source) must also pass the C
// compiler's syntax check against the runtime header, so a golden file can
// never enshrine C that does not compile.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "c_program.h"
#include "driver/files.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDir = fs::path(QO_SOURCE_DIR) / "tests" / "golden";

struct Golden {
    fs::path source;
    fs::path expected;
    bool test_mode;
};

std::vector<Golden> goldens() {
    std::vector<Golden> out;
    for (const auto &entry : fs::directory_iterator(kDir)) {
        if (entry.path().extension() != ".qo") continue;
        fs::path stem = entry.path();
        stem.replace_extension();
        for (bool test_mode : {false, true}) {
            fs::path expected = stem.string() + (test_mode ? ".test.c" : ".c");
            if (fs::exists(expected)) out.push_back({entry.path(), expected, test_mode});
        }
    }
    return out;
}

// "line N: expected ... / actual ..." for the first differing line.
std::string first_difference(const std::string &expected, const std::string &actual) {
    std::size_t line = 1, i = 0;
    while (i < expected.size() && i < actual.size() && expected[i] == actual[i])
        line += expected[i++] == '\n';
    auto line_at = [](const std::string &s, std::size_t at) {
        std::size_t start = s.rfind('\n', at == 0 ? 0 : at - 1);
        start = start == std::string::npos || at == 0 ? 0 : start + 1;
        return s.substr(start, s.find('\n', start) - start);
    };
    return "line " + std::to_string(line) + ":\n  expected: " + line_at(expected, i) +
           "\n  actual:   " + line_at(actual, i);
}

bool should_compile(const std::string &source, const std::string &program) {
    return source.find("// golden: invalid C") == std::string::npos &&
           program.find("\n#error ") == std::string::npos && program.rfind("#error ", 0) != 0;
}

TEST(Golden, FolderHasCases) { EXPECT_GE(goldens().size(), 10u); }

TEST(Golden, GeneratedCMatchesExpectedFiles) {
    for (const Golden &g : goldens()) {
        SCOPED_TRACE(g.expected.filename().string());
        std::string source = qo::read_file(g.source.string());
        std::string expected = qo::read_file(g.expected.string());
        int status = -1;
        std::string actual = qo::testing::generate_c(source, g.test_mode, &status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(actual == expected) << first_difference(expected, actual);
    }
}

TEST(Golden, ExpectedProgramsAreValidC) {
    std::string include = fs::path(QO_SOURCE_DIR) / "qo-compiler" / "runtime";
    for (const Golden &g : goldens()) {
        std::string program = qo::read_file(g.expected.string());
        if (!should_compile(qo::read_file(g.source.string()), program)) continue;
        SCOPED_TRACE(g.expected.filename().string());
        qo::testing::RunResult check = qo::testing::run_command(
            "cc -std=gnu11 -fsyntax-only -Werror=implicit-function-declaration -I" +
            qo::testing::shell_quote(include) + " " + qo::testing::shell_quote(g.expected.string()) + " 2>&1");
        EXPECT_EQ(check.status, 0) << check.output;
    }
}

}  // namespace
