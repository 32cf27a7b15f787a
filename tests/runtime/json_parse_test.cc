// JSON text into values and back: kinds and values, the lenient and the
// failing shapes, numbers against the C library, deep nesting, and the
// freeing of whole parses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "qo_runtime.h"

namespace {

qo_val_t parse(const std::string &s) { return json_parse(QO_STR(s.c_str())); }
std::string text(qo_val_t v) { return (const char *)(intptr_t)v; }
qo_val_t at(qo_val_t l, int i) { return qo_list_get(l, i); }
qo_val_t field(qo_val_t m, const char *k) { return qo_map_get(m, QO_STR(k)); }

TEST(JsonParse, ScalarsInAListKeepTheirKinds) {
    qo_val_t l = parse("[1, 2.5, \"a\", true, false, null, -7, 1e3, -0, 10.0]");
    ASSERT_TRUE(_qo_is_list(l));
    const qo_val_t want[] = {1, qo_from_float(2.5), 0, 1, 0, 0, -7, qo_from_float(1000.0), 0, qo_from_float(10.0)};
    ASSERT_EQ(qo_list_len(l), 10);
    for (int i = 0; i < 10; i++) {
        if (i == 2) continue;
        EXPECT_EQ(at(l, i), want[i]) << i;
    }
    EXPECT_EQ(text(at(l, 2)), "a");
    EXPECT_EQ(parse("10"), 10);
}

TEST(JsonParse, ObjectsNestAndRepeatedKeysKeepFirstPlaceLastValue) {
    qo_val_t m = parse(" {\"a\":1, \"b\":{\"c\":[true,{}]}, \"a\":2} ");
    ASSERT_TRUE(_qo_is_map(m));
    qo_map *mp = (qo_map *)(intptr_t)m;
    ASSERT_EQ(mp->len, 2);
    EXPECT_STREQ(mp->keys[0], "a");
    EXPECT_STREQ(mp->keys[1], "b");
    EXPECT_EQ(field(m, "a"), 2);
    qo_val_t c = field(field(m, "b"), "c");
    ASSERT_TRUE(_qo_is_list(c));
    EXPECT_EQ(at(c, 0), 1);
    EXPECT_TRUE(_qo_is_map(at(c, 1)));
    EXPECT_EQ(((qo_list *)(intptr_t)c)->refcount, 1u);
}

TEST(JsonParse, RepeatedKeysInLargeObjects) {
    // Past the small-object scan the keys are hashed: same rule.
    std::string doc = "{";
    for (int i = 0; i < 100; i++) doc += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    doc += "\"k5\":-5,\"k99\":-99,\"new\":1}";
    qo_val_t m = parse(doc);
    qo_map *mp = (qo_map *)(intptr_t)m;
    ASSERT_EQ(mp->len, 101);
    EXPECT_STREQ(mp->keys[5], "k5");
    EXPECT_EQ(field(m, "k5"), -5);
    EXPECT_EQ(field(m, "k99"), -99);
    EXPECT_STREQ(mp->keys[100], "new");
}

TEST(JsonParse, StringsDecodeTheirEscapes) {
    EXPECT_EQ(text(parse("\"x\\u0041y\"")), "x?y");
    EXPECT_EQ(text(parse("\"t\\tn\\nq\\\"s\\/b\\\\\"")), "t\tn\nq\"s/b\\");
    qo_val_t m = parse("{\"k\\\"ey\":\"v\"}");
    EXPECT_EQ(text(field(m, "k\"ey")), "v");
}

TEST(JsonParse, LenientEndsAndErrors) {
    // A container the text ends in right after its opener or a comma is
    // returned; anything else unfinished is an error.
    EXPECT_TRUE(_qo_is_map(parse("{\"a\":1,")));
    EXPECT_EQ(field(parse("{\"a\":1,"), "a"), 1);
    EXPECT_TRUE(_qo_is_list(parse("[1,")));
    EXPECT_TRUE(_qo_is_list(parse("[  ")));
    EXPECT_TRUE(_qo_is_map(parse("{")));
    EXPECT_EQ(qo_list_len(parse("[1,2] garbage")), 2);
    for (const char *bad : {"", "   ", "{\"a\":1,}", "[1, ", "[1 2]", "{\"a\" 1}", "{\"a\":}", "{1:2}",
                            "[1,]", "+1", "tru", "nul", "x", "\"open", "[\"a\",[1,", "{\"a\":[", "[[",
                            "{\"a\":1", "[1"}) {
        EXPECT_EQ(parse(bad), 0) << bad;
    }
    EXPECT_EQ(json_parse(0), 0);
}

TEST(JsonParse, CursorStopsAfterTheValue) {
    const char *t = "  [1] , 2";
    jp_cursor c = {t, t + strlen(t), 0};
    qo_val_t v = jp_parse_value(&c);
    EXPECT_EQ(c.err, 0);
    EXPECT_EQ(qo_list_len(v), 1);
    EXPECT_EQ(c.p, t + 5);
    jp_skip_ws(&c);
    EXPECT_EQ(*c.p, ',');
}

TEST(JsonParse, IntegersSaturateLikeStrtoll) {
    const std::pair<const char *, qo_val_t> cases[] = {
        {"9223372036854775807", INT64_MAX}, {"9223372036854775808", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
        {"-99999999999999999999999", INT64_MIN}, {"-", 0}, {"007", 7}};
    for (auto &c : cases) EXPECT_EQ(parse(c.first), c.second) << c.first;
    // Only the first 63 bytes count: 70 zeros then a 1 reads as 0.
    EXPECT_EQ(parse(std::string(70, '0') + "1"), 0);
}

TEST(JsonParse, FloatsMatchStrtodBitForBit) {
    std::mt19937_64 rng(12345);
    std::vector<std::string> cases = {"0.1", "1e23", "-0.0", "1.7976931348623157e308", "5e-324",
                                      "2.2250738585072014e-308", "1e-400", "1e400", "123456789012345678.5",
                                      "0.30000000000000004", "1.", "-.5", "-.", "1e", "1e+", "9007199254740993.0"};
    for (int i = 0; i < 4000; i++) {
        char buf[64];
        uint64_t mant = rng() % (i % 2 ? 10000000000000000000ull : 100000000ull);
        int exp = (int)(rng() % 60) - 30;
        snprintf(buf, sizeof buf, "%s%llu.%llue%d", rng() % 2 ? "-" : "", (unsigned long long)(mant / 1000),
                 (unsigned long long)(mant % 1000), exp);
        cases.push_back(buf);
    }
    for (const std::string &c : cases) {
        double want = strtod(c.c_str(), nullptr);
        qo_val_t got = parse(c);
        EXPECT_EQ(got, qo_from_float(want)) << c;
    }
}

TEST(JsonParse, DeepNestingNeedsNoStack) {
    const int depth = 200000;
    std::string deep(depth, '[');
    deep += std::string(depth, ']');
    qo_val_t v = parse(deep);
    ASSERT_TRUE(_qo_is_list(v));
    for (int i = 0; i < depth - 1; i++) v = at(v, 0);
    EXPECT_EQ(qo_list_len(v), 0);
    // Unbalanced: an error after a long descent, not a crash.
    EXPECT_EQ(parse(std::string(depth, '[') + "1"), 0);
    std::string maps;
    for (int i = 0; i < depth; i++) maps += "{\"a\":";
    EXPECT_EQ(parse(maps + "1"), 0);
}

TEST(JsonParse, OwnedParsesFreeEverything) {
    // Freed by the owner: run under AddressSanitizer this catches double
    // frees and leaks of the log alike.
    const char *t = "{\"a\":[\"x\",{\"b\":\"y\"}],\"a\":\"dup\",\"c\":\"z\"}";
    jp_cursor c = {t, t + strlen(t), 0};
    qo_json_blocks owned;
    qo_val_t v = _qo_json_parse_owned(&c, &owned);
    ASSERT_TRUE(_qo_is_map(v));
    EXPECT_EQ(text(field(v, "a")), "dup");
    EXPECT_GT(owned.count, 0u);
    _qo_json_blocks_free(&owned);
    EXPECT_EQ(owned.count, 0u);
    const char *bad = "[\"x\",{\"b\":\"y\"},";
    jp_cursor c2 = {bad, bad + strlen(bad) - 1, 0};
    EXPECT_EQ(_qo_json_parse_owned(&c2, &owned), 0);
    EXPECT_EQ(owned.blocks, nullptr);
}

TEST(JsonStringify, ScalarsOnly) {
    EXPECT_EQ(text(json_stringify(0)), "null");
    EXPECT_EQ(text(json_stringify(42)), "42");
    EXPECT_EQ(text(json_stringify(-5)), "-5");
    EXPECT_EQ(text(json_stringify(QO_STR("a\"b\n"))), "\"a\\\"b\\n\"");
    qo_val_t l = qo_list_empty();
    EXPECT_EQ(text(json_stringify(l)), std::to_string((long long)l));
    EXPECT_EQ(text(__json_stringify_val(QO_STR(""))), "\"\"");
}

}  // namespace
