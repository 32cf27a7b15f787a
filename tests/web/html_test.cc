// HTML escaping, the sanitiser against filter-evasion markup, URL coding
// and the client entry points that answer without a client.
#include <gtest/gtest.h>

#include <string>

#include "arena_scope.h"
#include "qo_runtime.h"

namespace {

std::string text(qo_val_t v) { return (const char *)(intptr_t)v; }
std::string clean(const std::string &html, const char *allow) {
    return text(qo_html_sanitize(QO_STR(html.c_str()), allow ? QO_STR(allow) : 0));
}

TEST(HtmlEscape, EscapesTheFiveCharacters) {
    EXPECT_EQ(text(html_escape(QO_STR("<a href=\"x\">'&'</a> é"))),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt; é");
    EXPECT_EQ(text(html_escape(0)), "");
    EXPECT_EQ(text(html_escape(42)), "42"); // an Int interpolated into a template
    EXPECT_EQ(text(html_escape(-7)), "-7");
    qo_val_t raw = QO_STR("<b>");
    EXPECT_EQ(html_raw(raw), raw);
}

TEST(Sanitize, TextAndStrayMarkup) {
    EXPECT_EQ(clean("a < b", "{}"), "a &lt; b");
    EXPECT_EQ(clean("x <", "{}"), "x &lt;");
    EXPECT_EQ(clean("salt & pepper's \"x\" > y", "{}"), "salt & pepper&#39;s &quot;x&quot; &gt; y");
    EXPECT_EQ(clean("a </", "{}"), "a &lt;/");
    EXPECT_EQ(clean("<1>", 0), "&lt;1&gt;");
    EXPECT_EQ(clean("<!-- c -->t<!doctype html><?php x ?>u", 0), "tu");
    EXPECT_EQ(clean("keep<!-- never closed", 0), "keep");
    EXPECT_EQ(clean("keep<b class='x", "{\"b\":[]}"), "keep");
    EXPECT_EQ(clean("keep<bold", "{}"), "keep");
    EXPECT_EQ(text(qo_html_sanitize(0, 0)), "");
    // Words that are no text read as "" and as "{}" (they used to be read).
    EXPECT_EQ(text(qo_html_sanitize(5, 7)), "");
    EXPECT_EQ(text(qo_html_sanitize(QO_STR("<b>x</b>"), 12345)), "x");
}

TEST(Sanitize, AllowListedTagsAreRebuilt) {
    EXPECT_EQ(clean("<B onclick=\"x\">hi</B><i>hi</i>", "{\"b\":[]}"), "<b>hi</b>hi");
    EXPECT_EQ(clean("<img src=x/>", "{\"img\":[\"src\"]}"), "<img src=\"x\">");
    EXPECT_EQ(clean("<br></br><BR/>", "{\"br\":[]}"), "<br><br>");
    EXPECT_EQ(clean("<a href='it\"s' TITLE=t <x>z</a>", "{ \"a\" : [ \"href\", \"title\" ] }"),
              "<a href=\"it&quot;s\" title=\"t\">z</a>");
    EXPECT_EQ(clean("<p id=a class=b data-x>t</p >", "{\"P\":[\"ID\",\"data-x\"]}"), "<p id=\"a\" data-x>t</p>");
    EXPECT_EQ(clean("<a title=\"a>b\">x</a>", "{\"a\":[\"title\"]}"), "<a title=\"a&gt;b\">x</a>");
    // Malformed allow-lists allow nothing.
    EXPECT_EQ(clean("<b>x</b>", "[\"b\"]"), "x");
    EXPECT_EQ(clean("<b>x</b>", "{\"b\":{}}"), "x");
    EXPECT_EQ(clean("<b x=1>x</b>", "{\"b\":[1,\"x\"]}"), "<b>x</b>");
}

TEST(Sanitize, LinksKeepOnlySafeUrls) {
    const char *allow = "{\"a\":[\"href\"]}";
    for (const char *ok : {"/p?q=1", "#top", "page.html", "HTTPS://x", "http://a/b:c", "mailto:a@b", "", "  ",
                           "?x:y", "a/b:c", "h&#116;tp://x"})
        EXPECT_EQ(clean(std::string("<a href=\"") + ok + "\">x</a>", allow),
                  std::string("<a href=\"") + ok + "\">x</a>")
            << ok;
    for (const char *bad : {"data:text/html,x", "da\tta:x", "javascript:alert(1)", "JaVaScRiPt:alert(1)",
                            " \x01javascript:x", "jav&#x09;ascript:alert(1)", "javascript&#58;alert(1)",
                            "&#106;avascript:alert(1)", "&#x6A;avascript:alert(1)", "&#0000106avascript:x",
                            "javascript&colon;alert(1)", "java&Tab;script:x", "jav&NewLine;ascript:x",
                            "vbscript:x", "&#1;javascript:x", "file:///etc/passwd", "java\nscript:x"})
        EXPECT_EQ(clean(std::string("<a href=\"") + bad + "\">x</a>", allow), "<a>x</a>") << bad;
}

TEST(Sanitize, FilterEvasionInputsLeaveNoScript) {
    const char *allow =
        "{\"a\":[\"href\",\"title\",\"onclick\",\"formaction\"],\"img\":[\"src\",\"alt\",\"onerror\"],"
        "\"p\":[\"style\"],\"b\":[],\"div\":[],\"button\":[\"formaction\"],\"svg\":[\"onload\"],\"script\":[]}";
    const std::string attacks[] = {
        "<script>alert(1)</script>",
        "<SCRIPT SRC=//x.js></SCRIPT>",
        "<scr<script>ipt>alert(1)</script>",
        "<script>never closed",
        "<script/x>alert(1)</script >",
        "<ScRiPt>alert(1)</sCrIpT>",
        "<img src=x onerror=alert(1)>",
        "<img src=\"x\" OnErRoR=\"alert(1)\" alt=ok>",
        "<img src=javascript:alert(1)>",
        "<img src=\"jav&#x0A;ascript:alert(1)\">",
        "<img src=\"data:image/svg+xml;base64,PHN2Zz4=\">",
        "<a href=\"javascript:alert(1)\" onclick=\"alert(1)\">x</a>",
        "<a href=\" &#14;  javascript:alert(1)\">x</a>",
        "<svg onload=alert(1)><circle/></svg>",
        "<svg><script>alert(1)</script></svg>",
        "<math><mi xlink:href=\"javascript:alert(1)\">x</mi></math>",
        "<iframe src=javascript:alert(1)></iframe>",
        "<iframe srcdoc=\"<script>alert(1)</script>\">",
        "<object data=\"javascript:alert(1)\"></object>",
        "<embed src=javascript:alert(1)>",
        "<style>@import 'javascript:alert(1)';</style>",
        "<div><b><script>alert(1)</script></b></div>",
        "<button formaction=javascript:alert(1)>x</button>",
        "<a title='x' \"onclick=alert(1)\">x</a>",
        "<a/onclick=alert(1)>x</a>",
        "<img src=x\nonerror=alert(1)>",
        "<a href=\"x\"onclick=\"alert(1)\">x</a>",
        "<!--<script>-->alert(1)<!--</script>-->",
        "<<script>script>alert(1)<</script>/script>",
        "<a href=\"&#x6A&#x61&#x76&#x61&#x73&#x63&#x72&#x69&#x70&#x74&#x3A;alert(1)\">x</a>",
    };
    for (const std::string &a : attacks) {
        std::string out = clean(a, allow);
        std::string lower;
        for (char c : out) lower += (char)tolower((unsigned char)c);
        EXPECT_EQ(lower.find("<script"), std::string::npos) << a << " -> " << out;
        EXPECT_EQ(lower.find("javascript"), std::string::npos) << a << " -> " << out;
        EXPECT_EQ(lower.find("data:"), std::string::npos) << a << " -> " << out;
        EXPECT_EQ(lower.find(" on"), std::string::npos) << a << " -> " << out;
        EXPECT_EQ(lower.find("<svg"), std::string::npos) << a << " -> " << out;
        EXPECT_EQ(lower.find("<iframe"), std::string::npos) << a << " -> " << out;
    }
    // What is dropped with its content, and what is kept around it.
    EXPECT_EQ(clean("<script>alert(1)</script>after", "{}"), "after");
    EXPECT_EQ(clean("<b>x<style>p{}</style>y</b>", allow), "<b>xy</b>");
    EXPECT_EQ(clean("a<video src=x><source src=y>b</video>c", allow), "ac");
    EXPECT_EQ(clean("a<embed src=x>b", allow), "ab");
    EXPECT_EQ(clean("<p style=\"color:red\">t</p>", allow), "<p style=\"color:red\">t</p>");
}

TEST(Url, EncodeAndDecode) {
    EXPECT_EQ(text(url_encode(QO_STR("a b&c/\xc3\xa9-._~"))), "a%20b%26c%2F%C3%A9-._~");
    EXPECT_EQ(text(url_decode(QO_STR("a+b%2fc%zz%4"))), "a b/c%zz%4");
    EXPECT_EQ(text(url_decode(QO_STR("%E2%82%AC%"))), "\xe2\x82\xac%");
    EXPECT_EQ(text(url_encode(0)), "");
    EXPECT_EQ(text(__url_decode(0)), "");
    std::string all;
    for (int c = 1; c < 256; c++) all += (char)c;
    EXPECT_EQ(text(url_decode(url_encode(QO_STR(all.c_str())))), all);
}

TEST(Client, EveryEntryPointAnswersWithTheSameError) {
    const std::string want = "{\"error\":\"not built with HAVE_CURL\"}";
    qo_val_t a = http_get(QO_STR("http://example.invalid/"));
    qo_val_t b = http_get(QO_STR("http://example.invalid/"));
    EXPECT_EQ(text(a), want);
    EXPECT_NE(a, b);
    EXPECT_EQ(text(http_post(0, 0)), want);
    EXPECT_EQ(text(__http_do(0, 0, 0, 0, 0)), want);
    EXPECT_EQ(text(__http_do_to_file(0, 0, 0, 0, 0)), want);
    EXPECT_EQ(text(llm_call(QO_STR("m"), QO_STR("p"))), want);
    EXPECT_EQ(text(llm_vision(0, 0, 0, 0)), want);
    qo_val_t models = llm_models();
    EXPECT_TRUE(_qo_is_list(models));
    EXPECT_EQ(qo_list_len(models), 0);
    qo_release(models);
    EXPECT_EQ(llm_register_tool(QO_STR("t"), 0), 0);
}

}  // namespace
