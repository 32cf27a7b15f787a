/*
 * sha3.c -- the Keccak-f[1600] permutation and SHA3-256 (FIPS 202).
 *
 * The state is 25 64-bit lanes, lane (x, y) at index x + 5y. A round is
 * written as theta, then five output rows, each gathering its five lanes
 * along the pi permutation, rotating them (rho) and mixing them (chi). The
 * rows read one array and write another, so rounds go in pairs that swap
 * the two; with every index a constant the compiler keeps the lanes in
 * registers and no lane is ever shuffled in memory. The sponge absorbs a
 * whole run of blocks inside one call so that the state stays local too.
 */
#include <stdint.h>
#include <string.h>

#define QO_SHA3_RATE 136 /* bytes: 1600 bits less a 512-bit capacity */

static const uint64_t _qo_keccak_rc[24] = {
    0x0000000000000001ULL, 0x0000000000008082ULL, 0x800000000000808aULL, 0x8000000080008000ULL,
    0x000000000000808bULL, 0x0000000080000001ULL, 0x8000000080008081ULL, 0x8000000000008009ULL,
    0x000000000000008aULL, 0x0000000000000088ULL, 0x0000000080008009ULL, 0x000000008000000aULL,
    0x000000008000808bULL, 0x800000000000008bULL, 0x8000000000008089ULL, 0x8000000000008003ULL,
    0x8000000000008002ULL, 0x8000000000000080ULL, 0x000000000000800aULL, 0x800000008000000aULL,
    0x8000000080008081ULL, 0x8000000000008080ULL, 0x0000000080000001ULL, 0x8000000080008008ULL,
};

static inline uint64_t _qo_keccak_rol(uint64_t x, unsigned n) {
    return (x << n) | (x >> ((64 - n) & 63));
}

/* Lane s of the input, after theta's column parity d, rotated by r. */
#define QO_KECCAK_LANE(A, s, r) _qo_keccak_rol(A[s] ^ d[(s) % 5], r)

/* Output row y: (source lane, rotation) for x = 0..4, then chi. */
#define QO_KECCAK_ROW(A, E, y, s0, r0, s1, r1, s2, r2, s3, r3, s4, r4)                      \
    do {                                                                                   \
        uint64_t b0 = QO_KECCAK_LANE(A, s0, r0), b1 = QO_KECCAK_LANE(A, s1, r1);           \
        uint64_t b2 = QO_KECCAK_LANE(A, s2, r2), b3 = QO_KECCAK_LANE(A, s3, r3);           \
        uint64_t b4 = QO_KECCAK_LANE(A, s4, r4);                                           \
        E[5 * (y) + 0] = b0 ^ (~b1 & b2);                                                  \
        E[5 * (y) + 1] = b1 ^ (~b2 & b3);                                                  \
        E[5 * (y) + 2] = b2 ^ (~b3 & b4);                                                  \
        E[5 * (y) + 3] = b3 ^ (~b4 & b0);                                                  \
        E[5 * (y) + 4] = b4 ^ (~b0 & b1);                                                  \
    } while (0)

#define QO_KECCAK_ROUND(A, E, rc)                                                          \
    do {                                                                                   \
        uint64_t c0 = A[0] ^ A[5] ^ A[10] ^ A[15] ^ A[20];                                 \
        uint64_t c1 = A[1] ^ A[6] ^ A[11] ^ A[16] ^ A[21];                                 \
        uint64_t c2 = A[2] ^ A[7] ^ A[12] ^ A[17] ^ A[22];                                 \
        uint64_t c3 = A[3] ^ A[8] ^ A[13] ^ A[18] ^ A[23];                                 \
        uint64_t c4 = A[4] ^ A[9] ^ A[14] ^ A[19] ^ A[24];                                 \
        uint64_t d[5] = {c4 ^ _qo_keccak_rol(c1, 1), c0 ^ _qo_keccak_rol(c2, 1),           \
                         c1 ^ _qo_keccak_rol(c3, 1), c2 ^ _qo_keccak_rol(c4, 1),           \
                         c3 ^ _qo_keccak_rol(c0, 1)};                                      \
        QO_KECCAK_ROW(A, E, 0, 0, 0, 6, 44, 12, 43, 18, 21, 24, 14);                        \
        QO_KECCAK_ROW(A, E, 1, 3, 28, 9, 20, 10, 3, 16, 45, 22, 61);                        \
        QO_KECCAK_ROW(A, E, 2, 1, 1, 7, 6, 13, 25, 19, 8, 20, 18);                          \
        QO_KECCAK_ROW(A, E, 3, 4, 27, 5, 36, 11, 10, 17, 15, 23, 56);                       \
        QO_KECCAK_ROW(A, E, 4, 2, 62, 8, 55, 14, 39, 15, 41, 21, 2);                        \
        E[0] ^= (rc);                                                                      \
    } while (0)

static inline __attribute__((always_inline)) void _qo_keccak_permute(uint64_t a[25]) {
    uint64_t e[25];
    for (int i = 0; i < 24; i += 2) {
        QO_KECCAK_ROUND(a, e, _qo_keccak_rc[i]);
        QO_KECCAK_ROUND(e, a, _qo_keccak_rc[i + 1]);
    }
}

void qo_keccak_f1600(uint64_t state[25]) {
    uint64_t a[25];
    memcpy(a, state, sizeof a);
    _qo_keccak_permute(a);
    memcpy(state, a, sizeof a);
}

static inline uint64_t _qo_sha3_load_le64(const uint8_t *p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; i--) v = v << 8 | p[i];
    return v;
}

/* XORs whole rate-sized blocks into the state, permuting after each. */
static void _qo_sha3_absorb(uint64_t state[25], const uint8_t *p, size_t nblocks) {
    uint64_t a[25];
    memcpy(a, state, sizeof a);
    for (; nblocks; nblocks--, p += QO_SHA3_RATE) {
        for (int i = 0; i < QO_SHA3_RATE / 8; i++) a[i] ^= _qo_sha3_load_le64(p + 8 * i);
        _qo_keccak_permute(a);
    }
    memcpy(state, a, sizeof a);
}

void qo_sha3_256(const void *data, size_t n, uint8_t out32[32]) {
    uint64_t state[25] = {0};
    const uint8_t *p = data;
    _qo_sha3_absorb(state, p, n / QO_SHA3_RATE);
    p += n - n % QO_SHA3_RATE;
    n %= QO_SHA3_RATE;

    uint8_t last[QO_SHA3_RATE] = {0};
    if (n) memcpy(last, p, n);
    last[n] ^= 0x06;
    last[QO_SHA3_RATE - 1] ^= 0x80;
    _qo_sha3_absorb(state, last, 1);

    for (int i = 0; i < 32; i++) out32[i] = (uint8_t)(state[i / 8] >> (8 * (i % 8)));
}

qo_val_t sha3_256_hex(qo_val_t s) {
    size_t n;
    const uint8_t *p = _qo_crypto_input(s, &n);
    uint8_t digest[32];
    qo_sha3_256(p, n, digest);
    return qo_hex_encode(digest, 32);
}
