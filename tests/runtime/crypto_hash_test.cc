// SHA-256 (portable and SHA-extension paths), HMAC-SHA-256 and SHA3-256:
// published vectors, then every length across the block boundaries checked
// against libcrypto's own implementations.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <string>

#include "qo_runtime.h"

namespace {

std::string text(qo_val_t v) { return QO_STR_PTR(v); }
std::string hex(const void *p, size_t n) { return text(qo_hex_encode(p, n)); }
qo_val_t bytes(const std::string &s) { return _qo_bytes_new(s.data(), s.size()); }

std::string openssl_digest(const EVP_MD *md, const std::string &data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EXPECT_EQ(EVP_Digest(data.data(), data.size(), out, &len, md, nullptr), 1);
    return hex(out, len);
}

std::string openssl_hmac(const std::string &key, const std::string &msg) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    HMAC(EVP_sha256(), key.data(), (int)key.size(), (const unsigned char *)msg.data(), msg.size(), out, &len);
    return hex(out, len);
}

// A deterministic mix of all byte values, NULs included.
std::string pattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++) s[i] = (char)(i * 131 + (i >> 7) * 17);
    return s;
}

const std::string kTwoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kMillionA(1000000, 'a');

// Every SHA-256 test runs on the portable code and, where the processor has
// them, on the SHA extensions.
class Sha256 : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        bool active = _qo_sha256_use_accel(GetParam()) != 0;
        if (GetParam() && !active) GTEST_SKIP() << "no SHA extensions on this processor";
        ASSERT_FALSE(!GetParam() && active);
    }
    void TearDown() override { _qo_sha256_use_accel(1); }
};

TEST_P(Sha256, PublishedVectors) {
    EXPECT_EQ(text(sha256_hex(QO_STR(""))), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(text(sha256_hex(QO_STR("abc"))), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(text(sha256_hex(QO_STR(kTwoBlocks.c_str()))),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(text(sha256_hex(QO_STR(kMillionA.c_str()))),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_P(Sha256, EveryLengthAroundTheBlockBoundariesMatchesLibcrypto) {
    for (size_t n = 0; n <= 300; n++) {
        std::string data = pattern(n);
        ASSERT_EQ(text(sha256_hex(bytes(data))), openssl_digest(EVP_sha256(), data)) << "length " << n;
    }
    std::string big = pattern(1 << 20);
    EXPECT_EQ(text(sha256_hex(bytes(big))), openssl_digest(EVP_sha256(), big));
}

TEST_P(Sha256, StreamingInUnevenPiecesAndOneBlockTransform) {
    std::string data = pattern(5000);
    uint8_t whole[32], streamed[32];
    qo_sha256_oneshot(data.data(), data.size(), whole);
    for (size_t piece : {1, 7, 63, 64, 65, 1000}) {
        qo_sha256_ctx c;
        qo_sha256_init(&c);
        for (size_t at = 0; at < data.size(); at += piece) {
            qo_sha256_update(&c, data.data() + at, std::min(piece, data.size() - at));
            qo_sha256_update(&c, nullptr, 0);  // an empty piece, also mid-block
        }
        qo_sha256_final(&c, streamed);
        EXPECT_EQ(hex(streamed, 32), hex(whole, 32)) << "piece " << piece;
    }
    // "abc" padded by hand into a single block, from the initial state.
    uint8_t block[64] = {'a', 'b', 'c', 0x80};
    block[63] = 24;
    uint32_t state[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    qo_sha256_transform(state, block);
    EXPECT_EQ(state[0], 0xba7816bfu);
    EXPECT_EQ(state[7], 0xf20015adu);
}

INSTANTIATE_TEST_SUITE_P(Paths, Sha256, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Accelerated" : "Portable"; });

TEST(Sha256Input, BytesCountWholeButHashSha256StopsAtNul) {
    std::string anb("a\0b", 3);
    qo_val_t v = bytes(anb);
    EXPECT_EQ(text(sha256_hex(v)), openssl_digest(EVP_sha256(), anb));
    EXPECT_EQ(text(hash_sha256(v)), openssl_digest(EVP_sha256(), "a"));
    EXPECT_EQ(text(__sha256_hex(v)), text(hash_sha256(v)));
    for (qo_val_t raw : {sha256_bytes(v), qo_sha256_bytes_n("a\0b", 3)}) {
        ASSERT_TRUE(_qo_is_bytes(raw));
        ASSERT_EQ(_qo_bytes_or_str_len(raw), 32u);
        EXPECT_EQ(hex((const void *)(intptr_t)raw, 32), openssl_digest(EVP_sha256(), anb));
    }
}

TEST(HmacSha256, Rfc4231Cases) {
    struct Case {
        std::string key, data, mac;
    };
    const Case cases[] = {
        {std::string(20, '\x0b'), "Hi There", "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"Jefe", "what do ya want for nothing?", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(text(hmac_sha256_hex(bytes(c.key), bytes(c.data))), c.mac);
        qo_val_t raw = hmac_sha256_bytes(bytes(c.key), bytes(c.data));
        ASSERT_EQ(_qo_bytes_or_str_len(raw), 32u);
        EXPECT_EQ(hex((const void *)(intptr_t)raw, 32), c.mac);
    }
}

TEST(HmacSha256, KeyLengthsAroundTheBlockSizeMatchLibcrypto) {
    std::string msg = pattern(200);
    for (size_t klen : {0, 1, 32, 63, 64, 65, 100, 200}) {
        std::string key = pattern(klen + 3).substr(3);
        EXPECT_EQ(text(hmac_sha256_hex(bytes(key), bytes(msg))), openssl_hmac(key, msg)) << "key " << klen;
    }
    // Strings stop at their NUL.
    EXPECT_EQ(text(hmac_sha256_hex(QO_STR("k\0x"), QO_STR("m\0y"))), openssl_hmac("k", "m"));
}

TEST(Sha3_256, PublishedVectorsAndEveryLengthAroundTheRate) {
    EXPECT_EQ(text(sha3_256_hex(QO_STR(""))), "a7ffc6f8bf1ed76651c14756a061d662f580ff4de43b49fa82d80a4b80f8434a");
    EXPECT_EQ(text(sha3_256_hex(QO_STR("abc"))), "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532");
    EXPECT_EQ(text(sha3_256_hex(QO_STR(kTwoBlocks.c_str()))),
              "41c0dba2a9d6240849100376a8235e2c82e1b9998a999e21db32dd97496d3376");
    EXPECT_EQ(text(sha3_256_hex(QO_STR(kMillionA.c_str()))),
              "5c8875ae474a3634ba4fd55ec85bffd661f32aca75c6d699d0cdcb6c115891c1");
    for (size_t n = 0; n <= 420; n++) {
        std::string data = pattern(n);
        ASSERT_EQ(text(sha3_256_hex(bytes(data))), openssl_digest(EVP_sha3_256(), data)) << "length " << n;
    }
    std::string big = pattern(1 << 20);
    EXPECT_EQ(text(sha3_256_hex(bytes(big))), openssl_digest(EVP_sha3_256(), big));
    // The bare permutation: published value for the all-zero state.
    uint64_t st[25] = {0};
    qo_keccak_f1600(st);
    EXPECT_EQ(st[0], 0xF1258F7940E1DDE7ULL);
    EXPECT_EQ(st[24], 0xEAF1FF7B5CECA249ULL);
}

}  // namespace
