/*
 * sha256.c -- SHA-256 (FIPS 180-4): the compression function, the running
 * hash and the Qo-callable digests.
 *
 * Two compression functions share one interface that takes a run of whole
 * blocks: a portable one with the 64 rounds unrolled, and one built on the
 * x86 SHA extensions, which does four rounds per pair of instructions and
 * is several times faster. The choice is made once, on first use, from
 * cpuid. Only the accelerated function is compiled for the extensions (a
 * target attribute), so the rest of the runtime still runs on any x86-64
 * processor. Handing the compression whole runs of blocks lets the
 * accelerated path keep the state in registers across a long input.
 */
#include <stdint.h>
#include <string.h>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define QO_SHA_HAVE_X86 1
#endif

static const uint32_t _qo_sha_k[64] __attribute__((aligned(16))) = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

static const uint32_t _qo_sha_init[8] = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

/* ---- portable compression ---- */

static inline uint32_t _qo_sha_ror(uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

static inline uint32_t _qo_sha_load_be32(const uint8_t *p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

/* One round with the working variables renamed instead of shifted: the
 * eight-way rotation of a..h costs nothing once the rounds are unrolled. */
#define QO_SHA_ROUND(a, b, c, d, e, f, g, h, i)                                          \
    do {                                                                                 \
        uint32_t t1 = h + (_qo_sha_ror(e, 6) ^ _qo_sha_ror(e, 11) ^ _qo_sha_ror(e, 25)) + \
                      ((e & f) ^ (~e & g)) + _qo_sha_k[i] + w[(i) & 15];                 \
        uint32_t t2 = (_qo_sha_ror(a, 2) ^ _qo_sha_ror(a, 13) ^ _qo_sha_ror(a, 22)) +     \
                      ((a & b) ^ (a & c) ^ (b & c));                                     \
        d += t1;                                                                         \
        h = t1 + t2;                                                                     \
    } while (0)

/* Message schedule over a 16-word ring: w[i] for i >= 16 replaces w[i-16]. */
#define QO_SHA_SCHEDULE(i)                                                                   \
    do {                                                                                     \
        uint32_t s0 = w[((i) + 1) & 15], s1 = w[((i) + 14) & 15];                            \
        w[(i) & 15] += (_qo_sha_ror(s0, 7) ^ _qo_sha_ror(s0, 18) ^ (s0 >> 3)) + w[((i) + 9) & 15] + \
                       (_qo_sha_ror(s1, 17) ^ _qo_sha_ror(s1, 19) ^ (s1 >> 10));              \
    } while (0)

#define QO_SHA_EIGHT(i)                                  \
    do {                                                 \
        QO_SHA_ROUND(a, b, c, d, e, f, g, h, (i) + 0);   \
        QO_SHA_ROUND(h, a, b, c, d, e, f, g, (i) + 1);   \
        QO_SHA_ROUND(g, h, a, b, c, d, e, f, (i) + 2);   \
        QO_SHA_ROUND(f, g, h, a, b, c, d, e, (i) + 3);   \
        QO_SHA_ROUND(e, f, g, h, a, b, c, d, (i) + 4);   \
        QO_SHA_ROUND(d, e, f, g, h, a, b, c, (i) + 5);   \
        QO_SHA_ROUND(c, d, e, f, g, h, a, b, (i) + 6);   \
        QO_SHA_ROUND(b, c, d, e, f, g, h, a, (i) + 7);   \
    } while (0)

static void _qo_sha_blocks_portable(uint32_t state[8], const uint8_t *p, size_t nblocks) {
    for (; nblocks; nblocks--, p += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; i++) w[i] = _qo_sha_load_be32(p + 4 * i);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        QO_SHA_EIGHT(0);
        QO_SHA_EIGHT(8);
        for (int i = 16; i < 64; i += 8) {
            for (int j = i; j < i + 8; j++) QO_SHA_SCHEDULE(j);
            QO_SHA_EIGHT(i);
        }
        state[0] += a; state[1] += b; state[2] += c; state[3] += d;
        state[4] += e; state[5] += f; state[6] += g; state[7] += h;
    }
}

/* ---- compression on the SHA extensions ---- */

#ifdef QO_SHA_HAVE_X86
#define QO_SHA_NI __attribute__((target("sha,sse4.1,ssse3")))

/* The extensions keep the state as two registers, ABEF and CDGH. Each
 * group of four rounds adds four schedule words and four constants, then
 * runs two double-rounds; the schedule for later groups is built from the
 * previous four groups with msg1/msg2 while earlier rounds run. */
QO_SHA_NI static void _qo_sha_blocks_ni(uint32_t state[8], const uint8_t *p, size_t nblocks) {
    const __m128i byteswap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    __m128i dcba = _mm_loadu_si128((const __m128i *)&state[0]);
    __m128i hgfe = _mm_loadu_si128((const __m128i *)&state[4]);
    __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);

    for (; nblocks; nblocks--, p += 64) {
        __m128i abef_in = abef, cdgh_in = cdgh, w[4];
#pragma GCC unroll 16
        for (int g = 0; g < 16; g++) {
            if (g < 4) {
                w[g] = _mm_shuffle_epi8(_mm_loadu_si128((const __m128i *)(p + 16 * g)), byteswap);
            } else {
                __m128i t = _mm_sha256msg1_epu32(w[g & 3], w[(g + 1) & 3]);
                t = _mm_add_epi32(t, _mm_alignr_epi8(w[(g + 3) & 3], w[(g + 2) & 3], 4));
                w[g & 3] = _mm_sha256msg2_epu32(t, w[(g + 3) & 3]);
            }
            __m128i wk = _mm_add_epi32(w[g & 3], _mm_load_si128((const __m128i *)&_qo_sha_k[4 * g]));
            cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);
            abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(wk, 0x0E));
        }
        abef = _mm_add_epi32(abef, abef_in);
        cdgh = _mm_add_epi32(cdgh, cdgh_in);
    }

    __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
    _mm_storeu_si128((__m128i *)&state[0], _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128((__m128i *)&state[4], _mm_alignr_epi8(dchg, feba, 8));
}

static int _qo_sha_cpu_has_ni(void) {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1) || !(c & bit_SSSE3)) return 0;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return 0;
    return (b & bit_SHA) != 0;
}
#endif

/* ---- dispatch ---- */

typedef void (*_qo_sha_blocks_fn)(uint32_t state[8], const uint8_t *p, size_t nblocks);

/* 0: not yet decided, 1: portable, 2: SHA extensions. Racing first calls
 * decide the same way, so a relaxed atomic is enough. */
static int _qo_sha_path;

static int _qo_sha_best_path(void) {
#ifdef QO_SHA_HAVE_X86
    if (_qo_sha_cpu_has_ni()) return 2;
#endif
    return 1;
}

int _qo_sha256_use_accel(int allow) {
    int path = allow ? _qo_sha_best_path() : 1;
    __atomic_store_n(&_qo_sha_path, path, __ATOMIC_RELAXED);
    return path == 2;
}

static void _qo_sha_blocks(uint32_t state[8], const uint8_t *p, size_t nblocks) {
    int path = __atomic_load_n(&_qo_sha_path, __ATOMIC_RELAXED);
    if (!path) {
        path = _qo_sha_best_path();
        __atomic_store_n(&_qo_sha_path, path, __ATOMIC_RELAXED);
    }
#ifdef QO_SHA_HAVE_X86
    if (path == 2) {
        _qo_sha_blocks_ni(state, p, nblocks);
        return;
    }
#endif
    _qo_sha_blocks_portable(state, p, nblocks);
}

/* ---- the running hash ---- */

void qo_sha256_transform(uint32_t state[8], const uint8_t block[64]) {
    _qo_sha_blocks(state, block, 1);
}

void qo_sha256_init(qo_sha256_ctx *c) {
    memcpy(c->state, _qo_sha_init, sizeof c->state);
    c->total = 0;
    c->used = 0;
}

void qo_sha256_update(qo_sha256_ctx *c, const void *data, size_t n) {
    const uint8_t *p = data;
    if (!n) return; /* data may be NULL then */
    c->total += n;
    if (c->used) {
        size_t take = 64 - c->used < n ? 64 - c->used : n;
        memcpy(c->block + c->used, p, take);
        c->used += take;
        p += take;
        n -= take;
        if (c->used < 64) return;
        _qo_sha_blocks(c->state, c->block, 1);
        c->used = 0;
    }
    if (n >= 64) {
        _qo_sha_blocks(c->state, p, n / 64);
        p += n & ~(size_t)63;
        n &= 63;
    }
    if (n) memcpy(c->block, p, n);
    c->used = n;
}

void qo_sha256_final(qo_sha256_ctx *c, uint8_t out32[32]) {
    uint64_t bits = c->total * 8;
    c->block[c->used++] = 0x80;
    if (c->used > 56) {
        memset(c->block + c->used, 0, 64 - c->used);
        _qo_sha_blocks(c->state, c->block, 1);
        c->used = 0;
    }
    memset(c->block + c->used, 0, 56 - c->used);
    for (int i = 0; i < 8; i++) c->block[56 + i] = (uint8_t)(bits >> (56 - 8 * i));
    _qo_sha_blocks(c->state, c->block, 1);
    for (int i = 0; i < 8; i++) {
        out32[4 * i] = (uint8_t)(c->state[i] >> 24);
        out32[4 * i + 1] = (uint8_t)(c->state[i] >> 16);
        out32[4 * i + 2] = (uint8_t)(c->state[i] >> 8);
        out32[4 * i + 3] = (uint8_t)c->state[i];
    }
}

void qo_sha256_oneshot(const void *data, size_t n, uint8_t out32[32]) {
    qo_sha256_ctx c;
    qo_sha256_init(&c);
    qo_sha256_update(&c, data, n);
    qo_sha256_final(&c, out32);
}

qo_val_t qo_sha256_bytes_n(const void *data, size_t n) {
    uint8_t digest[32];
    qo_sha256_oneshot(data, n, digest);
    return _qo_bytes_new(digest, 32);
}

/* ---- Qo-callable ---- */

static qo_val_t _qo_sha_hex_of(const void *data, size_t n) {
    uint8_t digest[32];
    qo_sha256_oneshot(data, n, digest);
    return qo_hex_encode(digest, 32);
}

qo_val_t sha256_hex(qo_val_t s) {
    size_t n;
    const uint8_t *p = _qo_crypto_input(s, &n);
    return _qo_sha_hex_of(p, n);
}

qo_val_t sha256_bytes(qo_val_t s) {
    size_t n;
    const uint8_t *p = _qo_crypto_input(s, &n);
    return qo_sha256_bytes_n(p, n);
}

qo_val_t hash_sha256(qo_val_t s) {
    const char *text = _qo_cstr(s);
    return _qo_sha_hex_of(text, strlen(text));
}

qo_val_t __sha256_hex(qo_val_t s) { return hash_sha256(s); }
