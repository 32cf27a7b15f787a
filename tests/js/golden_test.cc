// Golden files: every tests/golden-js/NAME.qo is compiled through the
// JavaScript pipeline and compared byte for byte with NAME.js (module
// mode) and, when present, NAME.bundle.js (bundle mode, with the small
// runtime_stub.js standing in for the runtime file).
//
// QO_UPDATE_GOLDEN=1 rewrites the expected files instead; review the diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "js_test_util.h"

namespace qo::jstest {
namespace {

const fs::path kGolden = fs::path(kSource) / "tests/golden-js";

std::vector<fs::path> golden_sources() {
    std::vector<fs::path> out;
    for (const auto &entry : fs::directory_iterator(kGolden))
        if (entry.path().extension() == ".qo") out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

void check(const fs::path &expected_path, const std::string &actual) {
    if (std::getenv("QO_UPDATE_GOLDEN")) {
        write_file(expected_path.string(), actual);
        return;
    }
    EXPECT_EQ(read_file(expected_path.string()), actual) << "golden file " << expected_path.filename();
}

TEST(GoldenJs, EverySourceMatchesItsExpectedModuleAndBundle) {
    std::vector<fs::path> sources = golden_sources();
    ASSERT_GE(sources.size(), 8u);
    for (const fs::path &qo : sources) {
        std::string source = read_file(qo.string());
        fs::path stem = qo.parent_path() / qo.stem();
        check(stem.string() + ".js", js_of(source));
        fs::path bundle = stem.string() + ".bundle.js";
        if (fs::exists(bundle)) check(bundle, bundle_of(source, (kGolden / "runtime_stub.js").string()));
    }
}

}  // namespace
}  // namespace qo::jstest
