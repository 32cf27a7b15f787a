// Hex and base64: RFC 4648 vectors, libcrypto's encoder as the reference
// for every length, every byte value through the hex digit decoder, and the
// lenient base64 decoder's skipping and stopping rules.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
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

TEST(Hex, EncodesLowercaseAndDecodesEitherCaseStrictly) {
    std::string all;
    for (int i = 0; i < 256; i++) all += (char)i;
    std::string encoded = text(qo_hex_encode(all.data(), all.size()));
    EXPECT_EQ(encoded.substr(0, 8) + encoded.substr(504), "00010203fcfdfeff");
    std::string upper = encoded;
    for (char &c : upper) c = (char)std::toupper((unsigned char)c);
    for (const std::string &digits : {encoded, upper}) {
        size_t n = 0;
        EXPECT_EQ(contents(qo_hex_decode(digits.c_str(), &n)), all);
        EXPECT_EQ(n, 256u);
    }
    // Every byte that is no hex digit is refused, in either place of a pair.
    for (int c = 1; c < 256; c++) {
        if (std::isxdigit(c)) continue;
        for (const std::string &pair : {std::string(1, (char)c) + "7", "7" + std::string(1, (char)c)}) {
            size_t n = 99;
            ASSERT_EQ(qo_hex_decode(pair.c_str(), &n), 0) << "byte " << c;
            ASSERT_EQ(n, 0u);
        }
    }
    for (const char *bad : {(const char *)"abc", (const char *)"1234567z", (const char *)nullptr}) {
        size_t n = 99;
        EXPECT_EQ(qo_hex_decode(bad, &n) + (qo_val_t)n, 0) << (bad ? bad : "null");
    }
    EXPECT_EQ(contents(qo_hex_decode("", nullptr)), "");
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
    EXPECT_EQ(contents(qo_base64_decode_any(nullptr)), "");
}

// Null, and a word that is no address (an integer passed by mistake), are
// the empty input everywhere: no function reads through them.
TEST(CryptoInput, NullAndNonAddressWordsReadAsEmpty) {
    const std::string empty_sha = text(sha256_hex(QO_STR(""))), empty_hmac = text(hmac_sha256_hex(QO_STR(""), QO_STR("")));
    for (qo_val_t junk : {(qo_val_t)0, (qo_val_t)5, (qo_val_t)-1, (qo_val_t)0x123456789ABCLL}) {
        EXPECT_EQ(text(sha256_hex(junk)), empty_sha) << junk;
        EXPECT_EQ(text(hash_sha256(junk)), empty_sha) << junk;
        EXPECT_EQ(text(hmac_sha256_hex(junk, junk)), empty_hmac) << junk;
        EXPECT_EQ(text(sha3_256_hex(junk)), text(sha3_256_hex(QO_STR("")))) << junk;
        EXPECT_EQ(text(base64_encode(junk)) + text(base64url_encode(junk)), "") << junk;
        EXPECT_EQ(contents(base64_decode(junk)) + contents(base64url_decode(junk)), "") << junk;
    }
    // A plain string stops at its NUL; a Bytes value counts whole.
    EXPECT_EQ(text(base64_encode(QO_STR("ab\0cd"))) + text(base64_encode(bytes(std::string("\0a\0", 3)))), "YWI=AGEA");
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
    const char *cases[][2] = {
        {"Zm9v\nYmFy", "foobar"}, {" Z m=9\tv\r", "foo"},  {"Zm9\nvYmFy", "foobar"},  // break inside a group
        {"Zm9v!Zm9v", "foo"},      {"Zm9vY.mFy", "foo"},      // stops, also mid-group
        {"-_8", "\xfb\xff"},       {"+/8", "\xfb\xff"},       {"+_-/", "\xfb\xff\xbf"},
        {"Z", ""},                 {"Zm9vY", "foo"},          // leftover bits are dropped
        {"Zm9v\xc3\xa9Zm9v", "foo"},                          // a non-ASCII byte is foreign too
    };
    for (const auto &c : cases) {
        EXPECT_EQ(contents(base64_decode(QO_STR(c[0]))), c[1]) << c[0];
        EXPECT_EQ(contents(base64url_decode(QO_STR(c[0]))), c[1]) << c[0];
    }
}

}  // namespace
