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

#include "driver/files.h"
#include "driver/pipeline.h"

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

std::string generate(const std::string &source, bool test_mode) {
    char *buf = nullptr;
    std::size_t len = 0;
    std::FILE *out = open_memstream(&buf, &len);
    qo::Context ctx;
    int status = test_mode ? qo::compile_test(ctx, source, out) : qo::compile(ctx, source, out);
    std::fclose(out);
    std::string text(buf, len);
    std::free(buf);
    EXPECT_EQ(status, 0);
    return text;
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
        std::string actual = generate(source, g.test_mode);
        EXPECT_TRUE(actual == expected) << first_difference(expected, actual);
    }
}

TEST(Golden, ExpectedProgramsAreValidC) {
    std::string include = fs::path(QO_SOURCE_DIR) / "qo-compiler" / "runtime";
    for (const Golden &g : goldens()) {
        std::string program = qo::read_file(g.expected.string());
        if (!should_compile(qo::read_file(g.source.string()), program)) continue;
        SCOPED_TRACE(g.expected.filename().string());
        std::string cmd = "cc -std=gnu11 -fsyntax-only -Werror=implicit-function-declaration -I'" +
                          include + "' '" + g.expected.string() + "' 2>&1";
        std::FILE *p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string diagnostics;
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) diagnostics.append(buf, n);
        EXPECT_EQ(pclose(p), 0) << diagnostics;
    }
}

}  // namespace
