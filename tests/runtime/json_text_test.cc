// JSON text access and building: escape sets on control bytes and broken
// UTF-8, path lookups through objects and arrays, setting and pushing on
// every shape of text, the builders, and truncated text read only up to its
// end (every prefix is copied into a block of exactly its size, so a read
// past the NUL is an AddressSanitizer error).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "qo_runtime.h"

namespace {

std::string S(qo_val_t v) { return QO_STR_PTR(v); }
qo_val_t V(const char *s) { return QO_STR(s); }

std::string Full(const std::string &s) {
    qo_jb b;
    jb_init(&b);
    jb_emit_escaped(&b, s.c_str());
    std::string out(b.buf, b.len);
    jb_discard(&b);
    return out;
}

TEST(JsonEscape, FullSetEscapesControlBytesAndMalformedUtf8) {
    EXPECT_EQ(Full("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(Full("\b\t\n\f\r"), "\"\\b\\t\\n\\f\\r\"");
    EXPECT_EQ(Full("\x01\x0b\x1f\x7f"), "\"\\u0001\\u000b\\u001f\x7f\"");
    // Well-formed sequences of two, three and four bytes stay as they are.
    EXPECT_EQ(Full("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"), "\"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\"");
    // A lone lead, a stray continuation, a lead cut short by the end or by
    // an ASCII byte, and bytes that never start a sequence.
    EXPECT_EQ(Full("a\xe9" "b"), "\"a\\u00e9b\"");
    EXPECT_EQ(Full("\x80x"), "\"\\u0080x\"");
    EXPECT_EQ(Full("\xe2\x82"), "\"\\u00e2\\u0082\"");
    EXPECT_EQ(Full("\xf0\x9f" "A"), "\"\\u00f0\\u009fA\"");
    EXPECT_EQ(Full("\xff\xf8"), "\"\\u00ff\\u00f8\"");
    EXPECT_EQ(Full(""), "\"\"");
}

TEST(JsonEscape, ShortAndErrorSets) {
    // The short set leaves every other control byte alone.
    EXPECT_EQ(S(json_escape_string(V("q\"\\\n\r\t\x01\xe9"))), "q\\\"\\\\\\n\\r\\t\x01\xe9");
    // The error set escapes every control byte but copies high bytes.
    EXPECT_EQ(S(http_error_json(V("say \"hi\""))), "{\"error\":\"say \\\"hi\\\"\"}");
    EXPECT_EQ(S(http_error_json(V("\x01\t\b\xe9"))), "{\"error\":\"\\u0001\\t\\u0008\xe9\"}");
}

TEST(JsonGet, PathWithoutDotSearchesTheWholeText) {
    EXPECT_EQ(S(json_get(V("{\"b\":{\"a\":1}}"), V("a"))), "1");
    EXPECT_EQ(S(json_get(V("{\"a\": true}"), V("a"))), "true");
    EXPECT_EQ(S(json_get(V("{\"a\":null}"), V("a"))), "null");
    EXPECT_EQ(S(json_get(V("{\"a\" : 1}"), V("a"))), "");  // no space allowed before ':'
    // The small decoder: \n \r \t \" \/ \\ and a backslash before anything else.
    EXPECT_EQ(S(json_get(V("{\"a\":\"x\\u00e9y\"}"), V("a"))), "xu00e9y");
    EXPECT_EQ(S(json_get(V("{\"a\":\"1\\n2\\\"3\\/\\b\"}"), V("a"))), "1\n2\"3/b");
    EXPECT_EQ(S(json_get(V("{\"a\":[1, {\"b\":2} ]  }"), V("a"))), "[1, {\"b\":2} ]");
}

TEST(JsonGet, DottedPathThroughObjectsAndArrays) {
    const char *doc = "{\"items\":[{\"name\":\"x\"},{\"name\":\"y\"}],"
                      " \"m\" : { \"n\" : [ 10 , [20, 21] ] }, \"s\":\"a.b\"}";
    EXPECT_EQ(S(json_get(V(doc), V("items.1.name"))), "y");
    EXPECT_EQ(S(json_get(V(doc), V("items.2.name"))), "");
    EXPECT_EQ(S(json_get(V(doc), V("items.x"))), "");
    EXPECT_EQ(S(json_get(V(doc), V("items.-1.name"))), "");
    EXPECT_EQ(S(json_get(V(doc), V("m.n.1.0"))), "20");
    EXPECT_EQ(S(json_get(V(doc), V("m.n.1"))), "[20, 21]");
    EXPECT_EQ(S(json_get(V(doc), V("m.n.99999999999999999999999"))), "");
    EXPECT_EQ(S(json_get(V(doc), V("s.b"))), "");  // a string has no members
    EXPECT_EQ(S(json_get(V(doc), V("m."))), "");   // empty last segment: no such key
    // A member missing from the object reached is not found in a sibling.
    EXPECT_EQ(S(json_get(V("{\"a\":{\"x\":1},\"b\":{\"k\":2}}"), V("a.k"))), "");
    // Nested keys of the same name do not shadow the member itself.
    EXPECT_EQ(S(json_get(V("{\"a\":{\"k\":{\"k\":1},\"z\":2}}"), V("a.z"))), "2");
}

TEST(JsonGet, TopLevelKeyReaders) {
    const char *doc = "{\"b\":{\"a\":1},\"s\":\"x\\u00e9\\ty\",\"n\":-42,\"f\":2.5,"
                      "\"t\":true,\"q\":\"7\",\"l\":[1,2],\"key\\\"q\":3}";
    EXPECT_EQ(json_get_int(V(doc), V("a")), 0);  // nested keys are not top-level
    EXPECT_EQ(json_get_int(V(doc), V("n")), -42);
    EXPECT_EQ(json_get_int(V(doc), V("q")), 0);
    EXPECT_EQ(json_get_int(V(doc), V("l")), 0);
    EXPECT_EQ(json_get_int(V(doc), V("t")), 0);
    EXPECT_DOUBLE_EQ(qo_to_float(json_get_float(V(doc), V("f"))), 2.5);
    EXPECT_EQ(json_get_float(V(doc), V("missing")), 0);
    EXPECT_EQ(json_get_bool(V(doc), V("t")), 1);
    EXPECT_EQ(json_get_bool(V(doc), V("n")), 0);
    EXPECT_EQ(S(json_get_string(V(doc), V("s"))), "x?\ty");
    EXPECT_EQ(S(json_get_string(V(doc), V("n"))), "");
    EXPECT_EQ(S(json_get_string(V("{\"s\":\"open"), V("s"))), "");
    EXPECT_EQ(json_get_int(V(doc), V("key\\\"q")), 3);  // escaped keys match as spelled
    _tl_fs_read_len = 99;
    EXPECT_EQ(S(json_get_raw(V(doc), V("q"))), "\"7\"");
    EXPECT_EQ(_tl_fs_read_len, 0);
    EXPECT_EQ(S(json_get_raw(V(doc), V("b"))), "{\"a\":1}");
    EXPECT_EQ(S(json_get_raw(V(doc), V("zz"))), "");
}

TEST(JsonArray, LengthAndElements) {
    EXPECT_EQ(json_array_len(V("[]")), 0);
    EXPECT_EQ(json_array_len(V(" [ ] ")), 0);
    EXPECT_EQ(json_array_len(V("[1,[2,3],\"a,b\"]")), 3);
    EXPECT_EQ(json_array_len(V("{}")), 0);
    EXPECT_EQ(json_array_len(V("[1,2,]")), 2);
    const char *arr = " [ \"a\\\"]\" , {\"k\":[1]} ,3 ]";
    EXPECT_EQ(S(json_array_get(V(arr), 0)), "\"a\\\"]\"");
    EXPECT_EQ(S(json_array_get(V(arr), 1)), "{\"k\":[1]}");
    EXPECT_EQ(S(json_array_get(V(arr), 2)), "3");
    EXPECT_EQ(S(json_array_get(V(arr), 3)), "");
    EXPECT_EQ(S(json_array_get(V(arr), -1)), "");
    EXPECT_EQ(S(json_array_get_string(V(arr), 0)), "a\"]");
    EXPECT_EQ(S(json_array_get_string(V(arr), 2)), "");
    EXPECT_EQ(S(json_array_get(V("{\"a\":1}"), 0)), "");
}

TEST(JsonSet, EveryShapeOfText) {
    auto set = [](qo_val_t text, const char *k, qo_val_t raw) { return S(json_set(text, V(k), raw)); };
    EXPECT_EQ(set(V(""), "k", V("1")), "{\"k\":1}");
    EXPECT_EQ(set(0, "k", 0), "{\"k\":null}");
    EXPECT_EQ(set(V("{}"), "k", V("1")), "{\"k\":1}");
    EXPECT_EQ(set(V("{ \n }"), "k", V("1")), "{ \n \"k\":1}");
    EXPECT_EQ(set(V("{\"a\":2}"), "k", V("1")), "{\"a\":2,\"k\":1}");
    EXPECT_EQ(set(V("{\"k\":5,\"a\":2}"), "k", V("1")), "{\"k\":1,\"a\":2}");
    // An existing nested value is replaced whole; a nested key of the same
    // name is not the member.
    EXPECT_EQ(set(V("{\"k\":{\"x\":[1,{\"y\":2}]},\"a\":2}"), "k", V("3")), "{\"k\":3,\"a\":2}");
    EXPECT_EQ(set(V("{\"a\":{\"k\":1}}"), "k", V("2")), "{\"a\":{\"k\":1},\"k\":2}");
    EXPECT_EQ(set(V("{\"k\" : \"old\" }"), "k", V("[]")), "{\"k\" : [] }");
    // Malformed text: no closing brace is left unchanged.
    EXPECT_EQ(set(V("{\"a\":1"), "k", V("1")), "{\"a\":1");
    EXPECT_EQ(set(V("[1,2]"), "k", V("1")), "[1,2]");
    // A name holding a quote is escaped, and a second set replaces it.
    std::string once = set(V("{}"), "q\"", V("1"));
    EXPECT_EQ(once, "{\"q\\\"\":1}");
    EXPECT_EQ(set(V(once.c_str()), "q\"", V("2")), "{\"q\\\"\":2}");
}

TEST(JsonArrayPush, AppendsOrStartsOver) {
    EXPECT_EQ(S(json_array_push(V("[1,2]"), V("3"))), "[1,2,3]");
    EXPECT_EQ(S(json_array_push(V("[ ]"), V("3"))), "[ 3]");
    EXPECT_EQ(S(json_array_push(V(" [1] \n"), V("3"))), " [1,3]");
    EXPECT_EQ(S(json_array_push(V("x"), V("3"))), "[3]");
    EXPECT_EQ(S(json_array_push(V("[]"), V(""))), "[null]");
    EXPECT_EQ(S(json_array_push(0, 0)), "[null]");
    EXPECT_EQ(S(json_array_push(V("   "), V("1"))), "[1]");
}

TEST(JsonBuild, ObjectsAndArraysFromLists) {
    EXPECT_EQ(S(json_build_object(qo_list_new(5, V("a"), V("1"), 0, V("2"), V("b")))), "{\"a\":\"1\"}");
    EXPECT_EQ(S(json_build_object(qo_list_new(4, V("a"), V("x\"\n"), V("b"), 0))), "{\"a\":\"x\\\"\\n\"}");
    // Keys cannot break out of their string; numbers are written as text.
    EXPECT_EQ(S(json_build_object(qo_list_new(4, V("k\",\"admin"), V("v"), V("n"), 42))),
              "{\"k\\\",\\\"admin\":\"v\",\"n\":\"42\"}");
    EXPECT_EQ(S(json_build_object(V("not a list"))), "{}");
    EXPECT_EQ(S(json_build_array(qo_list_new(3, 0, V("1"), V("true")))), "[1,true]");
    EXPECT_EQ(S(json_build_array(qo_list_new(2, 7, V("{\"a\":1}")))), "[7,{\"a\":1}]");
}

TEST(JsonCursor, StringDecoderReportsErrorsAndAdvances) {
    const char *text = "\"a\\u0041b\\n\\/\" rest";
    jp_cursor c = {text, text + strlen(text), 0};
    qo_val_t s = jp_parse_string_raw(&c);
    EXPECT_EQ(S(s), "a?b\n/");
    EXPECT_EQ(c.err, 0);
    EXPECT_STREQ(c.p, " rest");
    free((void *)(intptr_t)s);
    for (const char *bad : {"\"open", "\"ends\\", "\"\\u12", "x\"", ""}) {
        jp_cursor e = {bad, bad + strlen(bad), 0};
        free((void *)(intptr_t)jp_parse_string_raw(&e));
        EXPECT_EQ(e.err, 1) << bad;
        EXPECT_LE(e.p, bad + strlen(bad)) << bad;
    }
    // The end of the cursor, not a NUL, ends the text.
    const char *cut = "\"abc\"";
    jp_cursor t = {cut, cut + 3, 0};
    qo_val_t part = jp_parse_string_raw(&t);
    EXPECT_EQ(t.err, 1);
    EXPECT_EQ(S(part), "ab");
    free((void *)(intptr_t)part);
}

// Every reader and editor on every prefix of a document full of escapes,
// nesting and strings holding brackets: no read past the end, and the
// readers stay lenient (no crash, plain results).
TEST(JsonText, TruncatedTextIsNeverReadPastItsEnd) {
    const std::string doc =
        "{\"a\":{\"b\":[1,\"x\\\\\",{\"c\":\"}]\\\"\"}]},\"k\\\"\":\"\\u00e9\\\\\",\"n\":-1.5e3,\"t\":true}";
    qo_val_t mark = qo_arena_push();
    for (size_t n = 0; n <= doc.size(); n++) {
        char *cut = static_cast<char *>(malloc(n + 1));
        memcpy(cut, doc.data(), n);
        cut[n] = '\0';
        qo_val_t t = QO_STR(cut);
        json_get(t, V("a.b.2.c"));
        json_get(t, V("c"));
        json_get_string(t, V("k\\\""));
        json_get_raw(t, V("a"));
        json_get_int(t, V("n"));
        json_array_len(t);
        json_array_get(t, 1);
        json_set(t, V("t"), V("false"));
        json_array_push(t, V("1"));
        jp_cursor c = {cut, cut + n, 0};
        free((void *)(intptr_t)jp_parse_string_raw(&c));
        EXPECT_EQ(json_skip_value(cut), cut + n) << "prefix " << n;
        free(cut);
    }
    qo_arena_pop(mark);
    EXPECT_EQ(S(json_get(V(doc.c_str()), V("a.b.2.c"))), "}]\"");
    EXPECT_EQ(S(json_get(V(doc.c_str()), V("a.b.1"))), "x\\");
}

}  // namespace
