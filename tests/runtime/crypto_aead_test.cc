// AES-256-GCM messages, UUIDs and the post-quantum entry points.
#include <gtest/gtest.h>

#include <cctype>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "qo_runtime.h"

namespace {

const std::string kKey = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

std::string text(qo_val_t v) { return QO_STR_PTR(v); }
qo_val_t str(const std::string &s) { return QO_STR(s.c_str()); }
std::string upper(std::string s) {
    for (char &c : s) c = (char)std::toupper((unsigned char)c);
    return s;
}
std::string error_of(const char *msg) { return std::string("{\"error\":\"") + msg + "\"}"; }

struct Message {
    std::string nonce, ciphertext;
};

// Splits an encryption result, checking its exact shape on the way.
Message parse(const std::string &json) {
    const std::string head = "{\"nonce\":\"", mid = "\",\"ciphertext\":\"", tail = "\"}";
    const size_t body = head.size() + 24 + mid.size();
    bool framed = json.rfind(head, 0) == 0 && json.size() >= body + tail.size() &&
                  json.compare(head.size() + 24, mid.size(), mid) == 0 &&
                  json.compare(json.size() - tail.size(), tail.size(), tail) == 0;
    EXPECT_TRUE(framed) << json.substr(0, 200);
    if (!framed) return {};
    Message m = {json.substr(head.size(), 24), json.substr(body, json.size() - body - tail.size())};
    EXPECT_EQ((m.nonce + m.ciphertext).find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(m.ciphertext.size() % 2, 0u);
    return m;
}

Message encrypt(qo_val_t plaintext) { return parse(text(aead_encrypt(str(kKey), plaintext))); }

std::string decrypt(const std::string &key, const Message &m) {
    return text(aead_decrypt(str(key), str(m.nonce), str(m.ciphertext)));
}

TEST(Aead, PublishedGcmVectorDecryptsWithAKeyInEitherCase) {
    // AES-256-GCM, 96-bit IV, no associated data (McGrew and Viega's test case 15).
    const std::string key = "feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308";
    const Message m = {"cafebabefacedbaddecaf888",
                       "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa"
                       "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662898015ad"
                       "b094dac5d93471bdec1a502270e3cc6c"};
    std::string plain = decrypt(key, m);
    ASSERT_EQ(plain.size(), 64u);
    EXPECT_EQ(text(qo_hex_encode(plain.data(), plain.size())),
              "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72"
              "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b391aafd255");
    EXPECT_EQ(decrypt(upper(key), m), plain);
}

TEST(Aead, KeyErrorsNameTheirCause) {
    const std::string bad_hex = error_of("invalid hex in key");
    const std::string bad_len = error_of("aead key must be 32 bytes (64 hex chars) for AES-256-GCM");
    // Bad digits decide before the length, wherever they sit.
    for (const std::string &key : {kKey.substr(0, 63), kKey.substr(0, 62) + "zz", "zz" + kKey.substr(0, 60),
                                   kKey + kKey + "0g"})
        EXPECT_EQ(text(aead_encrypt(str(key), QO_STR("x"))), bad_hex) << key;
    for (qo_val_t junk : {(qo_val_t)0, (qo_val_t)5, (qo_val_t)0x123456789ABCLL})
        EXPECT_EQ(text(aead_encrypt(junk, QO_STR("x"))), bad_hex) << junk;
    for (const std::string &key : {kKey.substr(0, 62), kKey + "00", std::string()})
        EXPECT_EQ(text(aead_encrypt(str(key), QO_STR("x"))), bad_len) << key;
    EXPECT_EQ(text(aead_encrypt(str(upper(kKey)), QO_STR("x"))).rfind("{\"nonce\":\"", 0), 0u);
}

TEST(Aead, RoundTripsFromEmptyToOneMegabyteWithFreshNonces) {
    for (size_t n : {0, 1, 15, 16, 17, 1000, 1 << 20}) {
        std::string plain(n, '\0');
        for (size_t i = 0; i < n; i++) plain[i] = (char)('a' + i % 26);
        Message m = encrypt(str(plain));
        EXPECT_EQ(m.ciphertext.size(), 2 * (n + 16)) << n;
        EXPECT_EQ(decrypt(kKey, m), plain) << n;
    }
    Message a = encrypt(QO_STR("same")), b = encrypt(QO_STR("same"));
    EXPECT_NE(a.nonce, b.nonce);
    EXPECT_NE(a.ciphertext, b.ciphertext);
}

TEST(Aead, PlaintextIsStringOrBytes) {
    const char raw[] = {'a', '\0', 'b', '\0'};
    Message m = encrypt(_qo_bytes_new(raw, 4));
    EXPECT_EQ(m.ciphertext.size(), 2u * (4 + 16));
    const char *plain = QO_STR_PTR(aead_decrypt(str(kKey), str(m.nonce), str(m.ciphertext)));
    EXPECT_EQ(std::string(plain, 5), std::string(raw, 4) + '\0');
    // Null, or a word that is no address, is the empty plaintext: only the tag.
    for (qo_val_t junk : {(qo_val_t)0, (qo_val_t)5}) {
        Message e = encrypt(junk);
        EXPECT_EQ(e.ciphertext.size(), 32u);
        EXPECT_EQ(decrypt(kKey, e), "");
    }
}

TEST(Aead, AnyChangedDigitOrWrongKeyGivesEmpty) {
    Message m = encrypt(QO_STR("attack at dawn"));
    ASSERT_EQ(decrypt(kKey, m), "attack at dawn");
    auto flip = [](std::string s, size_t i) {
        s[i] = s[i] == '0' ? '1' : '0';
        return s;
    };
    // Every digit of the ciphertext body and tag, and of the nonce.
    for (size_t i = 0; i < m.ciphertext.size(); i++)
        EXPECT_EQ(decrypt(kKey, {m.nonce, flip(m.ciphertext, i)}), "") << "ciphertext digit " << i;
    for (size_t i = 0; i < m.nonce.size(); i++)
        EXPECT_EQ(decrypt(kKey, {flip(m.nonce, i), m.ciphertext}), "") << "nonce digit " << i;
    EXPECT_EQ(decrypt(flip(kKey, 63), m), "");
}

TEST(Aead, MalformedFieldsGiveEmpty) {
    Message m = encrypt(QO_STR("hello"));
    const std::string &ct = m.ciphertext, &nonce = m.nonce, &key = kKey;
    const std::vector<std::vector<std::string>> bad = {
        {key, nonce, ct.substr(0, ct.size() - 2)},   // truncated tag
        {key, nonce, ct.substr(10)},                 // truncated front
        {key, nonce, ct.substr(0, 30)},              // shorter than a tag
        {key, nonce, ct + "0"},                      // odd length
        {key, nonce, ct + "00"},                     // extra byte
        {key, nonce, "zz" + ct.substr(2)},           // not hex
        {key, nonce.substr(0, 22), ct},              // 11-byte nonce
        {key, nonce + "00", ct},                     // 13-byte nonce
        {key.substr(0, 62), nonce, ct},              // short key
        {key + "00", nonce, ct},                     // long key
    };
    for (const auto &f : bad) EXPECT_EQ(text(aead_decrypt(str(f[0]), str(f[1]), str(f[2]))), "");
    for (qo_val_t junk : {(qo_val_t)0, (qo_val_t)5, (qo_val_t)0x123456789ABCLL}) {
        EXPECT_EQ(text(aead_decrypt(junk, str(nonce), str(ct))), "") << junk;
        EXPECT_EQ(text(aead_decrypt(str(key), junk, str(ct))), "") << junk;
        EXPECT_EQ(text(aead_decrypt(str(key), str(nonce), junk)), "") << junk;
    }
}

TEST(Uuid, VersionVariantAndUniqueness) {
    static const std::regex shape("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
    std::set<std::string> seen;
    std::set<char> variants;
    for (int i = 0; i < 20000; i++) {
        std::string id = text(i % 3 == 0 ? uuid_new() : i % 3 == 1 ? uuid_v4() : __uuid_v4());
        ASSERT_TRUE(std::regex_match(id, shape)) << id;
        variants.insert(id[19]);
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 20000u);
    EXPECT_EQ(variants.size(), 4u);  // all four variant digits turn up
}

TEST(PostQuantum, EveryEntryReportsTheMissingLibrary) {
    const std::string err = error_of("liboqs not linked, post-quantum primitives unavailable");
    for (qo_val_t v : {pq_keygen_signature(), pq_sign(QO_STR("sk"), QO_STR("msg")), pq_kem_keygen(),
                       pq_kem_encaps(QO_STR("pk")), pq_kem_decaps(QO_STR("sk"), 0), pq_hybrid_keygen(),
                       pq_hybrid_handshake(0)})
        EXPECT_EQ(text(v), err);
    EXPECT_EQ(pq_verify(QO_STR("pk"), QO_STR("msg"), QO_STR("sig")), 0);
}

}  // namespace
