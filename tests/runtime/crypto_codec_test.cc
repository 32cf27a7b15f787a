// Hex and base64: RFC 4648 vectors, libcrypto's encoder as the reference
// for every length, every byte value through the hex digit decoder, and the
// lenient base64 decoder's skipping and stopping rules.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#include "qo_runtime.h"

namespace {

qo_val_t bytes(const std::string &s) { return _qo_bytes_new(s.data(), s.size()); }
std::string text(qo_val_t v) { return QO_STR_PTR(v); }

// Contents of a Bytes value, after checking that it is one and that its
// terminator is in place.
std::string contents(qo_val_t v) {
    EXPECT_TRUE(_qo_is_bytes(v));
    size_t n = _qo_bytes_or_str_len(v);
    const char *p = QO_STR_PTR(v);
    EXPECT_EQ(p[n], '\0');
    return std::string(p, n);
}

std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++) s[i] = (char)(i * 197 + (i >> 8) * 31);
    return s;
}

std::string openssl_base64(const std::string &data) {
    std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock((unsigned char *)out.data(), (const unsigned char *)data.data(), (int)data.size());
    out.resize((size_t)n);
    return out;
}

std::string to_url(std::string s) {
    std::replace(s.begin(), s.end(), '+', '-');
    std::replace(s.begin(), s.end(), '/', '_');
    s.erase(s.find_last_not_of('=') + 1);
    return s;
}

TEST(Hex, EncodesLowercaseAndRoundTripsEveryByte) {
    std::string all;
    for (int i = 0; i < 256; i++) all += (char)i;
    std::string encoded = text(qo_hex_encode(all.data(), all.size()));
    ASSERT_EQ(encoded.size(), 512u);
    EXPECT_EQ(encoded.substr(0, 8), "00010203");
    EXPECT_EQ(encoded.substr(504), "fcfdfeff");
    size_t n = 0;
    EXPECT_EQ(contents(qo_hex_decode(encoded.c_str(), &n)), all);
    EXPECT_EQ(n, 256u);
    EXPECT_EQ(text(qo_hex_encode("", 0)), "");
}

TEST(Hex, DigitDecoderAgreesWithStrtolOnEveryByteValue) {
    for (int c = 1; c < 256; c++) {
        for (int second = 0; second < 2; second++) {
            char pair[3] = {'7', '7', '\0'};
            pair[second] = (char)c;
            size_t n = 99;
            qo_val_t v = qo_hex_decode(pair, &n);
            char one[2] = {(char)c, '\0'};
            bool is_hex = std::isxdigit(c) != 0;
            ASSERT_EQ(v != 0, is_hex) << "byte " << c;
            if (!is_hex) {
                EXPECT_EQ(n, 0u);
                continue;
            }
            long digit = std::strtol(one, nullptr, 16);
            unsigned expect = second ? (unsigned)(0x70 | digit) : (unsigned)(digit << 4 | 7);
            EXPECT_EQ(n, 1u);
            EXPECT_EQ((unsigned char)QO_STR_PTR(v)[0], expect) << "byte " << c;
        }
    }
}

TEST(Hex, RejectsOddLengthsForeignDigitsAndNull) {
    size_t n = 99;
    EXPECT_EQ(contents(qo_hex_decode("ABcd", &n)), "\xab\xcd");
    EXPECT_EQ(n, 2u);
    for (const char *bad : {"abc", "zz", "0g", "12 4", "1234567z"}) {
        n = 99;
        EXPECT_EQ(qo_hex_decode(bad, &n), 0) << bad;
        EXPECT_EQ(n, 0u);
    }
    n = 99;
    EXPECT_EQ(qo_hex_decode(nullptr, &n), 0);
    EXPECT_EQ(n, 0u);
    qo_val_t empty = qo_hex_decode("", nullptr);
    ASSERT_NE(empty, 0);
    EXPECT_EQ(contents(empty), "");
}

TEST(Base64, Rfc4648Vectors) {
    const char *plain[] = {"", "f", "fo", "foo", "foob", "fooba", "foobar"};
    const char *std_form[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
    const char *url_form[] = {"", "Zg", "Zm8", "Zm9v", "Zm9vYg", "Zm9vYmE", "Zm9vYmFy"};
    for (int i = 0; i < 7; i++) {
        EXPECT_EQ(text(base64_encode(QO_STR(plain[i]))), std_form[i]);
        EXPECT_EQ(text(base64url_encode(QO_STR(plain[i]))), url_form[i]);
        EXPECT_EQ(contents(base64_decode(QO_STR(std_form[i]))), plain[i]);
        EXPECT_EQ(contents(base64url_decode(QO_STR(url_form[i]))), plain[i]);
    }
    EXPECT_EQ(text(base64_encode(0)), "");
    EXPECT_EQ(contents(base64_decode(0)), "");
    EXPECT_EQ(contents(qo_base64_decode_any(nullptr)), "");
}

TEST(Base64, EveryLengthMatchesLibcryptoAndRoundTrips) {
    for (size_t n = 0; n <= 100; n++) {
        std::string data = pattern(n);
        std::string std_form = text(base64_encode(bytes(data)));
        ASSERT_EQ(std_form, openssl_base64(data)) << "length " << n;
        std::string url_form = text(base64url_encode(bytes(data)));
        ASSERT_EQ(url_form, to_url(std_form)) << "length " << n;
        ASSERT_EQ(contents(base64_decode(QO_STR(std_form.c_str()))), data) << "length " << n;
        ASSERT_EQ(contents(base64url_decode(QO_STR(url_form.c_str()))), data) << "length " << n;
    }
    std::string big = pattern(1 << 20);
    std::string encoded = text(qo_base64_encode_n(big.data(), big.size(), 0));
    EXPECT_EQ(encoded, openssl_base64(big));
    EXPECT_EQ(contents(qo_base64_decode_any(encoded.c_str())), big);
    // Wrapped at 76 columns, as mail and PEM write it.
    std::string wrapped;
    for (size_t at = 0; at < encoded.size(); at += 76) wrapped += encoded.substr(at, 76) + "\r\n";
    EXPECT_EQ(contents(qo_base64_decode_any(wrapped.c_str())), big);
}

TEST(Base64, LenientDecoderSkipsMixesAndStops) {
    EXPECT_EQ(contents(base64_decode(QO_STR("Zm9v\nYmFy"))), "foobar");
    EXPECT_EQ(contents(base64_decode(QO_STR(" Z m=9\tv\r"))), "foo");
    EXPECT_EQ(contents(base64_decode(QO_STR("Zm9\nvYmFy"))), "foobar");  // break inside a group
    EXPECT_EQ(contents(base64_decode(QO_STR("Zm9v!Zm9v"))), "foo");
    EXPECT_EQ(contents(base64_decode(QO_STR("Zm9vY.mFy"))), "foo");  // stops mid-group
    EXPECT_EQ(contents(base64_decode(QO_STR("-_8"))), "\xfb\xff");
    EXPECT_EQ(contents(base64_decode(QO_STR("+/8"))), "\xfb\xff");
    EXPECT_EQ(contents(base64url_decode(QO_STR("+_-/"))), "\xfb\xff\xbf");
    // Leftover bits that make no whole byte are dropped.
    EXPECT_EQ(contents(base64_decode(QO_STR("Z"))), "");
    EXPECT_EQ(contents(base64_decode(QO_STR("Zm9vY"))), "foo");
    // A non-ASCII byte is foreign too.
    EXPECT_EQ(contents(base64_decode(QO_STR("Zm9v\xc3\xa9Zm9v"))), "foo");
}

TEST(Base64, BytesWithNulEncodeWhole) {
    std::string data("\0a\0", 3);
    EXPECT_EQ(text(base64_encode(bytes(data))), "AGEA");
    EXPECT_EQ(contents(base64_decode(QO_STR("AGEA"))), data);
    // A plain string stops at its NUL.
    EXPECT_EQ(text(base64_encode(QO_STR("ab\0cd"))), "YWI=");
}

}  // namespace
