// Conversions between text and numbers at their edges, float printing and
// rounding, byte arrays, integer helpers and placeholder formatting.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

#include "qo_runtime.h"

namespace {

qo_val_t str(const char *s) { return QO_STR(s); }
std::string S(qo_val_t v) { return QO_STR_PTR(v); }
double F(qo_val_t v) { return qo_to_float(v); }
qo_val_t Fl(double d) { return qo_from_float(d); }

TEST(Convert, IntegersToAndFromText) {
    EXPECT_EQ(S(int_to_str(0)) + " " + S(int_to_str(-1)), "0 -1");
    EXPECT_EQ(S(int_to_str(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(S(int_to_str(INT64_MAX)), "9223372036854775807");
    EXPECT_EQ(str_to_int(str("  -12abc")), -12);
    EXPECT_EQ(str_to_int(str("x")), 0);
    EXPECT_EQ(str_to_int(str("99999999999999999999")), INT64_MAX);  // saturates
    EXPECT_EQ(str_to_int(str("-99999999999999999999")), INT64_MIN);
    EXPECT_EQ(parse_int(str("  42"), -1), 42);
    EXPECT_EQ(parse_int(str("+7!"), -1), 7);
    EXPECT_EQ(parse_int(str("0"), -1), 0);
    for (const char *none : {"x", "", " \t\r\n", "-"}) EXPECT_EQ(parse_int(str(none), -1), -1) << none;
    EXPECT_EQ(parse_int(0, 5), 5);
}

TEST(Convert, FloatPrinting) {
    EXPECT_EQ(S(float_to_str(Fl(0.1))), "0.1");
    EXPECT_EQ(S(float_to_str(Fl(1e20))), "1e+20");
    EXPECT_EQ(S(float_to_str(Fl(1234567.0))), "1.23457e+06");
    EXPECT_EQ(S(float_to_str(Fl(NAN))) + S(float_to_str(Fl(-NAN))), "nannan");
    EXPECT_EQ(S(float_to_str(Fl(-INFINITY))), "-inf");

    EXPECT_EQ(S(format_float(Fl(3.14159), 2)), "3.14");
    EXPECT_EQ(S(format_float(Fl(2.5), -3)), "2");  // 0 digits; %f rounds half to even
    EXPECT_EQ(S(format_float(Fl(1.0), 99)), "1." + std::string(30, '0'));
    // The widest text there is fits whole.
    std::string widest = S(format_float(Fl(-DBL_MAX), 30));
    EXPECT_EQ(widest.size(), 1u + 309 + 1 + 30);
    EXPECT_EQ(widest.substr(0, 5), "-1797");
}

TEST(Convert, DecimalRoundHalvesAwayFromZero) {
    EXPECT_EQ(F(decimal_round(Fl(2.5), 0)), 3.0);
    EXPECT_EQ(F(decimal_round(Fl(-2.5), 0)), -3.0);
    EXPECT_EQ(F(decimal_round(Fl(-2.4), 0)), -2.0);
    EXPECT_EQ(F(decimal_round(Fl(0.125), 2)), 0.13);  // 12.5 is exact in binary
    EXPECT_EQ(F(decimal_round(Fl(-0.125), 2)), -0.13);
    EXPECT_EQ(F(decimal_round(Fl(1.005), 2)), 1.0);  // 100.49999... in binary
    EXPECT_EQ(F(decimal_round(Fl(2.7), -3)), 3.0);   // places clamp to 0..15
    EXPECT_EQ(decimal_round(Fl(0.1234567890123456789), 40), decimal_round(Fl(0.1234567890123456789), 15));
    // Past 2^52 every double is whole: no floor that could change it.
    EXPECT_EQ(F(decimal_round(Fl(9007199254740993.0), 0)), 9007199254740993.0);
    EXPECT_EQ(F(decimal_round(Fl(1e300), 2)), 1e300);
    EXPECT_TRUE(std::isnan(F(decimal_round(Fl(NAN), 2))));
    EXPECT_EQ(F(decimal_round(Fl(-INFINITY), 2)), -INFINITY);
}

TEST(Convert, FloatsAndIntegers) {
    EXPECT_EQ(F(str_to_float(str("1.5e3xyz"))), 1500.0);
    EXPECT_EQ(str_to_float(str("x")), Fl(0.0));
    EXPECT_EQ(str_to_float(0), 0);
    EXPECT_EQ(F(int_to_float(INT64_MAX)), 9223372036854775808.0);
    EXPECT_EQ(float_to_int(Fl(-3.9)), -3);
    EXPECT_EQ(float_to_int(Fl(-9223372036854775808.0)), INT64_MIN);
    EXPECT_EQ(float_to_int(Fl(9223372036854774784.0)), 9223372036854774784LL);  // largest below 2^63
    for (double out : {9223372036854775808.0, -1e19, (double)NAN, (double)INFINITY})
        EXPECT_EQ(float_to_int(Fl(out)), INT64_MIN) << out;
    EXPECT_EQ(S(bool_to_str(-7)) + S(bool_to_str(0)), "truefalse");
}

TEST(Convert, ByteArrays) {
    EXPECT_EQ(S(str_to_bytes(str("Hi"))), "[72,105]");
    EXPECT_EQ(S(str_to_bytes(str("\xff\x01"))), "[255,1]");
    EXPECT_EQ(S(str_to_bytes(0)), "[]");
    EXPECT_EQ(S(bytes_to_str(str(" \r\n\t[ 72 ,\n105 ]"))), "Hi");
    EXPECT_EQ(S(bytes_to_str(str("[300,65]"))), "A");
    EXPECT_EQ(S(bytes_to_str(str("[-1,66]"))), "B");
    EXPECT_EQ(S(bytes_to_str(str("[99999999999999999999999,65]"))), "A");
    EXPECT_EQ(S(bytes_to_str(str("[72,x,105]"))), "H");
    EXPECT_EQ(S(bytes_to_str(str("[72,0,105]"))), "H");  // a 0 byte ends the text
    for (const char *none : {"[]", "{\"a\":1}", "\v[65]", "x[65]"}) EXPECT_EQ(S(bytes_to_str(str(none))), "") << none;

    std::string all;  // every non-zero byte survives the round trip
    for (int c = 1; c < 256; c++) all += (char)c;
    EXPECT_EQ(S(bytes_to_str(str_to_bytes(QO_STR(all.c_str())))), all);
}

TEST(Numbers, IntegersAndMath) {
    EXPECT_EQ(qo_abs(INT64_MIN), INT64_MIN);
    EXPECT_EQ(qo_max(-2, -9), -2);
    EXPECT_EQ(qo_min(INT64_MIN, INT64_MAX), INT64_MIN);
    EXPECT_EQ((uint64_t)math_pi(), 0x400921FB54442D18ull);
    EXPECT_EQ(F(math_log(Fl(M_E))), 1.0);
}

TEST(Format, PlaceholdersFromAMap) {
    qo_val_t m = qo_map_new(2, "x", QO_STR("1"), "empty", QO_STR(""));
    EXPECT_EQ(S(str_format(str("{x} and {y}"), m)), "1 and {y}");
    EXPECT_EQ(S(str_format(str("{x}{x}{empty}|"), m)), "11|");
    EXPECT_EQ(S(str_format(str("{x} and {y}"), qo_map_new(1, "x", 7))), "7 and {y}");
    EXPECT_EQ(S(str_format(str("{x}"), qo_map_new(1, "x", -7))), "-7");
    EXPECT_EQ(S(str_format(str("{x} and {y}"), qo_map_new(1, "x", 0))), "{x} and {y}");
    EXPECT_EQ(S(str_format(str("[{}]"), qo_map_new(1, "", QO_STR("E")))), "[E]");
}

TEST(Format, BracesThatAreNoPlaceholders) {
    qo_val_t m = qo_map_new(2, "a{b", QO_STR("N"), "x", QO_STR("X"));
    EXPECT_EQ(S(str_format(str("{a{b}"), m)), "N");  // the name runs to the first "}"
    EXPECT_EQ(S(str_format(str("{x} {open"), m)), "X {open");
    EXPECT_EQ(S(str_format(str("}{x}{"), m)), "}X{");
    // Only a Map is consulted: null, an Int or a List leave the placeholder.
    for (qo_val_t not_map : {(qo_val_t)0, (qo_val_t)42, qo_list_new(1, QO_STR("x"))})
        EXPECT_EQ(S(str_format(str("{x}"), not_map)), "{x}");

    // A name of 255 bytes is looked up; one of 256 is left as written.
    std::string k255(255, 'k'), k256(256, 'k');
    qo_val_t long_keys = qo_map_new(2, k255.c_str(), QO_STR("short"), k256.c_str(), QO_STR("long"));
    std::string t255 = "{" + k255 + "}", t256 = "{" + k256 + "}";
    EXPECT_EQ(S(str_format(QO_STR(t255.c_str()), long_keys)), "short");
    EXPECT_EQ(S(str_format(QO_STR(t256.c_str()), long_keys)), t256);

    std::string big;  // output well past the builder's first block
    for (int i = 0; i < 50; i++) big += "<{x}>";
    EXPECT_EQ(S(str_format(QO_STR(big.c_str()), m)).size(), 50u * 3);
}

}  // namespace
