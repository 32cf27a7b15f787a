// Hashing and base64 throughput on 16 KB and 1 MB inputs, each beside
// libcrypto's implementation of the same function on the same input.
// SHA-256 runs on the path the processor picks and, for reference, on the
// portable code. The OpenSSL digests run through EVP_Digest both with the
// EVP_sha256()/EVP_sha3_256() handles and with an explicitly fetched one,
// which skips the per-call implicit fetch.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <string>

#include "qo_runtime.h"

namespace {

std::string input(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++) s[i] = (char)(i * 2654435761u >> 13);
    return s;
}

void set_bytes(benchmark::State &state, size_t n) {
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)n);
}

void BM_Sha256_Qo(benchmark::State &state) {
    std::string data = input((size_t)state.range(0));
    uint8_t out[32];
    _qo_sha256_use_accel(1);
    for (auto _ : state) {
        qo_sha256_oneshot(data.data(), data.size(), out);
        benchmark::DoNotOptimize(out);
    }
    set_bytes(state, data.size());
}

void BM_Sha256_QoPortable(benchmark::State &state) {
    std::string data = input((size_t)state.range(0));
    uint8_t out[32];
    _qo_sha256_use_accel(0);
    for (auto _ : state) {
        qo_sha256_oneshot(data.data(), data.size(), out);
        benchmark::DoNotOptimize(out);
    }
    _qo_sha256_use_accel(1);
    set_bytes(state, data.size());
}

void openssl_digest(benchmark::State &state, const EVP_MD *md) {
    std::string data = input((size_t)state.range(0));
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len;
    for (auto _ : state) {
        EVP_Digest(data.data(), data.size(), out, &len, md, nullptr);
        benchmark::DoNotOptimize(out);
    }
    set_bytes(state, data.size());
}

void BM_Sha256_OpenSSL(benchmark::State &state) { openssl_digest(state, EVP_sha256()); }

void BM_Sha256_OpenSSLFetched(benchmark::State &state) {
    EVP_MD *md = EVP_MD_fetch(nullptr, "SHA256", nullptr);
    openssl_digest(state, md);
    EVP_MD_free(md);
}

void BM_Sha3_256_Qo(benchmark::State &state) {
    std::string data = input((size_t)state.range(0));
    uint8_t out[32];
    for (auto _ : state) {
        qo_sha3_256(data.data(), data.size(), out);
        benchmark::DoNotOptimize(out);
    }
    set_bytes(state, data.size());
}

void BM_Sha3_256_OpenSSL(benchmark::State &state) { openssl_digest(state, EVP_sha3_256()); }

void BM_Sha3_256_OpenSSLFetched(benchmark::State &state) {
    EVP_MD *md = EVP_MD_fetch(nullptr, "SHA3-256", nullptr);
    openssl_digest(state, md);
    EVP_MD_free(md);
}

// Both encoders allocate their output each time: the runtime returns a new
// string (freed here by the arena scope), OpenSSL's gets a malloc'd buffer.
void BM_Base64Encode_Qo(benchmark::State &state) {
    std::string data = input((size_t)state.range(0));
    for (auto _ : state) {
        qo_val_t mark = qo_arena_push();
        benchmark::DoNotOptimize(qo_base64_encode_n(data.data(), data.size(), 0));
        qo_arena_pop(mark);
    }
    set_bytes(state, data.size());
}

void BM_Base64Encode_OpenSSL(benchmark::State &state) {
    std::string data = input((size_t)state.range(0));
    for (auto _ : state) {
        auto *out = (unsigned char *)malloc(4 * ((data.size() + 2) / 3) + 1);
        EVP_EncodeBlock(out, (const unsigned char *)data.data(), (int)data.size());
        benchmark::DoNotOptimize(out);
        free(out);
    }
    set_bytes(state, data.size());
}

// Decoding figures count the encoded text's bytes.
void BM_Base64Decode_Qo(benchmark::State &state) {
    std::string data = input((size_t)state.range(0));
    std::string text = QO_STR_PTR(qo_base64_encode_n(data.data(), data.size(), 0));
    for (auto _ : state) {
        qo_val_t bytes = qo_base64_decode_any(text.c_str());
        benchmark::DoNotOptimize(bytes);
        free(QO_STR_PTR(bytes) - 8);  // a Bytes block starts 8 bytes before its data
    }
    set_bytes(state, text.size());
}

void BM_Base64Decode_OpenSSL(benchmark::State &state) {
    std::string data = input((size_t)state.range(0));
    std::string text = QO_STR_PTR(qo_base64_encode_n(data.data(), data.size(), 0));
    for (auto _ : state) {
        auto *out = (unsigned char *)malloc(text.size() / 4 * 3 + 3);
        EVP_DecodeBlock(out, (const unsigned char *)text.data(), (int)text.size());
        benchmark::DoNotOptimize(out);
        free(out);
    }
    set_bytes(state, text.size());
}

#define QO_SIZES ->Arg(16 << 10)->Arg(1 << 20)

BENCHMARK(BM_Sha256_Qo) QO_SIZES;
BENCHMARK(BM_Sha256_QoPortable) QO_SIZES;
BENCHMARK(BM_Sha256_OpenSSL) QO_SIZES;
BENCHMARK(BM_Sha256_OpenSSLFetched) QO_SIZES;
BENCHMARK(BM_Sha3_256_Qo) QO_SIZES;
BENCHMARK(BM_Sha3_256_OpenSSL) QO_SIZES;
BENCHMARK(BM_Sha3_256_OpenSSLFetched) QO_SIZES;
BENCHMARK(BM_Base64Encode_Qo) QO_SIZES;
BENCHMARK(BM_Base64Encode_OpenSSL) QO_SIZES;
BENCHMARK(BM_Base64Decode_Qo) QO_SIZES;
BENCHMARK(BM_Base64Decode_OpenSSL) QO_SIZES;

}  // namespace
