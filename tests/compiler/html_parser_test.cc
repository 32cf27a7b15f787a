// The HTML template parser: elements, attributes, every child form,
// void and raw-text elements, doctype, and unclosed or odd markup.
#include <gtest/gtest.h>

#include "frontend_util.h"

namespace qo {
namespace {

using testing::expr_json;

// The root element of the template at the start of source.
std::string root_json(const std::string &source) {
    std::string json = expr_json(source);
    const std::string prefix = R"({"expr":"HtmlTemplate","root":)";
    EXPECT_EQ(json.compare(0, prefix.size(), prefix), 0) << json;
    return json.substr(prefix.size(), json.size() - prefix.size() - 1);
}

std::string element(const char *tag, const std::string &attrs, const std::string &children, int self_closing) {
    return std::string(R"({"html":"Element","tag":")") + tag + R"(","attrs":[)" + attrs + R"(],"children":[)" +
           children + R"(],"self_closing":)" + std::to_string(self_closing) + "}";
}
std::string text(const char *t) { return std::string(R"({"html":"Text","text":")") + t + "\"}"; }
std::string ident(const char *n) { return std::string(R"({"expr":"Ident","name":")") + n + "\"}"; }

TEST(HtmlParser, VoidAndSelfClosingElements) {
    EXPECT_EQ(root_json("<br/>"), element("br", "", "", 1));
    EXPECT_EQ(root_json("<br>"), element("br", "", "", 1));
    EXPECT_EQ(root_json("<input type=\"text\">"),
              element("input", R"({"name":"type","kind":"static","value":"text"})", "", 1));
    EXPECT_EQ(root_json("<div/>"), element("div", "", "", 1));
    EXPECT_EQ(root_json("<p></p>"), element("p", "", "", 0));
}

TEST(HtmlParser, AttributeKinds) {
    EXPECT_EQ(root_json(R"(<a href="/x" disabled onclick={open}>"Open"</a>)"),
              element("a",
                      R"({"name":"href","kind":"static","value":"/x"},{"name":"disabled","kind":"bool"},)"
                      R"({"name":"onclick","kind":"dynamic","value":{"expr":"Ident","name":"open"}})",
                      text("Open"), 0));
    // A hyphenated name is three attributes; `name =` without a value makes
    // the following token the next attribute's name.
    EXPECT_EQ(root_json(R"(<p data-id="3" x = y>)"),
              element("p",
                      R"({"name":"data","kind":"bool"},{"name":"-","kind":"bool"},)"
                      R"({"name":"id","kind":"static","value":"3"},{"name":"y","kind":"bool"})",
                      "", 0));
    // Attribute expressions are full expressions, maps included.
    EXPECT_EQ(root_json("<p style={ {a: 1} }>"),
              element("p", R"({"name":"style","kind":"dynamic","value":{"expr":"Map","pairs":[{"key":"a","value":{"expr":"Int","value":"1"}}]}})", "", 0));
}

TEST(HtmlParser, TextJoinsTokenTextsAndIsTrimmed) {
    EXPECT_EQ(root_json("<p>Hello world</p>"), element("p", "", text("Helloworld"), 0));
    EXPECT_EQ(root_json(R"(<p>"Hello, world"</p>)"), element("p", "", text("Hello, world"), 0));
    EXPECT_EQ(root_json(R"(<p>"  "</p>)"), element("p", "", "", 0));
    EXPECT_EQ(root_json(R"(<p>" a "b</p>)"), element("p", "", text("a b"), 0));
}

TEST(HtmlParser, InterpolationRawIfElseAndEach) {
    EXPECT_EQ(root_json("<p>{x}{raw(html)}{raw()}</p>"),
              element("p", "",
                      R"({"html":"Interp","value":)" + ident("x") + R"(},{"html":"Raw","value":)" + ident("html") +
                          R"(},{"html":"Raw","value":{"expr":"Nil"}})",
                      0));
    EXPECT_EQ(root_json(R"(<p>{if ok}"yes"{else}"no"{/if}</p>)"),
              element("p", "",
                      R"({"html":"HtmlIf","cond":)" + ident("ok") + R"(,"then":[)" + text("yes") + R"(],"else":[)" +
                          text("no") + "]}",
                      0));
    EXPECT_EQ(root_json("<ul>{each items as it}<li>{it}</li>{/each}</ul>"),
              element("ul", "",
                      R"({"html":"Each","list":)" + ident("items") + R"(,"item":"it","body":[)" +
                          element("li", "", R"({"html":"Interp","value":)" + ident("it") + "}", 0) + "]}",
                      0));
}

TEST(HtmlParser, ElseBelongsToTheIfWhoseThenPartItEnds) {
    std::string inner = R"({"html":"HtmlIf","cond":)" + ident("b") + R"(,"then":[)" + text("x") + R"(],"else":[]})";
    EXPECT_EQ(root_json(R"(<p>{if a}{if b}"x"{/if}{else}"y"{/if}</p>)"),
              element("p", "",
                      R"({"html":"HtmlIf","cond":)" + ident("a") + R"(,"then":[)" + inner + R"(],"else":[)" +
                          text("y") + "]}",
                      0));
}

TEST(HtmlParser, RawTextElementsKeepTheirContentAsOneText) {
    EXPECT_EQ(root_json(R"(<script>"function f() { return 1; } // end"</script>)"),
              element("script", "", text("function f() { return 1; } "), 0));
    EXPECT_EQ(root_json("<style>a < b {}</style>"), element("style", "", text("a<b{}"), 0));
    EXPECT_EQ(root_json("<script></script>"), element("script", "", text(""), 0));
    // Unclosed: the content runs to Eof.
    EXPECT_EQ(root_json("<script>x y"), element("script", "", text("xy"), 0));
}

TEST(HtmlParser, Doctype) {
    std::string json = expr_json("<!doctype html><html><body></body></html>");
    EXPECT_EQ(json, R"({"expr":"HtmlTemplate","root":{"html":"Element","tag":"html","attrs":[],"children":[)" +
                        element("body", "", "", 0) + R"(],"self_closing":0,"doctype":1}})");
    // Upper case is no doctype: `<!` opens an element named "!".
    EXPECT_EQ(expr_json("<!DOCTYPE html>").find(R"("doctype":1)"), std::string::npos);
    // Inside children, a doctype is a node of its own; another `<!` is skipped.
    EXPECT_EQ(root_json("<div><!doctype html><!x></div>"),
              element("div", "", R"({"html":"Doctype"},)" + text("!x>"), 0));
}

TEST(HtmlParser, ClosingTagsAreNotMatchedAndUnclosedElementsRunToEof) {
    EXPECT_EQ(root_json("<div><span></div></span>"), element("div", "", element("span", "", "", 0), 0));
    EXPECT_EQ(root_json("<div><p>{x"),
              element("div", "", element("p", "", R"({"html":"Interp","value":)" + ident("x") + "}", 0), 0));
    // Any tag name is accepted inside a template.
    EXPECT_EQ(root_json("<div><svg></svg></div>"), element("div", "", element("svg", "", "", 0), 0));
}

TEST(HtmlParser, TagTables) {
    EXPECT_TRUE(is_html_tag_name("blockquote"));
    EXPECT_TRUE(is_html_tag_name("wbr"));
    EXPECT_FALSE(is_html_tag_name("svg"));
    EXPECT_FALSE(is_html_tag_name("DIV"));
    EXPECT_TRUE(is_void_element("source"));
    EXPECT_FALSE(is_void_element("div"));
}

TEST(HtmlParser, HelpersReportWhereTheyStop) {
    Context ctx;
    Tokens tokens = lex(R"({if a}"x"{else}"y"{/if} after)");
    ParsedChildren then = parse_html_children(ctx, tokens, 4, "__if_then__");
    EXPECT_TRUE(then.at_else);
    EXPECT_EQ(then.pos, 5u);  // at the `{` of `{else}`
    ParsedText run = parse_html_text_tokens(lex("a 1 \"s\" < b"), 0);
    EXPECT_EQ(run.text, "a1s");
    EXPECT_EQ(run.pos, 3u);
}

}  // namespace
}  // namespace qo
