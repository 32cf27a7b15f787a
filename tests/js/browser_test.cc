// A Qo page in a real browser: tests/js/browser/page.qo is bundled with
// the runtime, loaded by headless Chromium (driven by browser_check.mjs
// through ChromeDriver), rendered, clicked twice, and read back.
#include <gtest/gtest.h>

#include "js_test_util.h"

namespace qo::jstest {
namespace {

TEST(Browser, TemplateRendersAndClicksUpdateTheText) {
    for (const char *tool : {"node", "chromium", "chromedriver"})
        if (!have_command(tool)) GTEST_SKIP() << tool << " is missing: run scripts/setup --browser";
    TempDir dir{"browser"};
    const std::string browser = kSource + "/tests/js/browser";
    write_file(dir / "page.html", read_file(browser + "/page.html"));
    write_file(dir / "page.qo", read_file(browser + "/page.qo"));
    write_file(dir / "qo_runtime.js", read_file(kRuntimeJs));
    Outcome gen = run_in(dir.path(), "'" + kQoc + "' --target=js --bundle page.qo page.js");
    ASSERT_EQ(gen.status, 0) << gen.out;
    Outcome r = run_in(dir.path(), "node '" + kSource + "/tests/js/browser_check.mjs' '" + (dir / "page.html") +
                                       "' \"$(command -v chromedriver)\" \"$(command -v chromium)\"");
    EXPECT_EQ(r.out,
              "title: Qo in the browser\n"
              "items: alpha | beta & <gamma>\n"
              "before: waiting\n"
              "after: clicked 2\n")
        << r.err;
    EXPECT_EQ(r.status, 0);
}

}  // namespace
}  // namespace qo::jstest
