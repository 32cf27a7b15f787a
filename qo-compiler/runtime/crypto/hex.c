/*
 * hex.c -- lowercase hex encoding and strict hex decoding.
 *
 * Keys for authenticated encryption arrive as hex, so the decoder turns
 * each digit into its value with masks instead of a table or branches: how
 * long it takes and which cache lines it touches do not depend on the key.
 * Invalid digits are collected in one flag and judged once at the end.
 * Hex output is written straight into the caller's buffer, so digests and
 * ciphertexts become text without an intermediate copy.
 */
#include <string.h>

static const char _qo_hex_digits[] = "0123456789abcdef";

void _qo_hex_put(char *dst, const uint8_t *src, size_t n) {
    for (size_t i = 0; i < n; i++) {
        dst[2 * i] = _qo_hex_digits[src[i] >> 4];
        dst[2 * i + 1] = _qo_hex_digits[src[i] & 15];
    }
}

/* -1 when lo <= c <= hi, else 0; c, lo and hi lie in 0..255, so the sign of
 * the product of the two differences' signs is all that survives >> 8. */
static inline int _qo_hex_in_range(int c, int lo, int hi) {
    return ((lo - 1 - c) & (c - (hi + 1))) >> 8;
}

/* The digit's value in the low 4 bits; *bad gets all ones if it is none. */
static inline int _qo_hex_nibble(unsigned char ch, int *bad) {
    int c = ch, lower = c | 0x20;
    int digit = _qo_hex_in_range(c, '0', '9');
    int letter = _qo_hex_in_range(lower, 'a', 'f');
    *bad |= ~(digit | letter);
    return (digit & (c - '0')) | (letter & (lower - 'a' + 10));
}

int _qo_hex_decode_into(const char *hex, size_t n, uint8_t *out) {
    int bad = 0;
    for (size_t i = 0; i < n; i++) {
        int hi = _qo_hex_nibble((unsigned char)hex[2 * i], &bad);
        int lo = _qo_hex_nibble((unsigned char)hex[2 * i + 1], &bad);
        out[i] = (uint8_t)(hi << 4 | lo);
    }
    return bad == 0;
}

int _qo_hex_valid(const char *text, size_t len) {
    int bad = 0;
    for (size_t i = 0; i < len; i++) _qo_hex_nibble((unsigned char)text[i], &bad);
    return len % 2 == 0 && bad == 0;
}

qo_val_t qo_hex_encode(const void *data, size_t n) {
    char *s = _qo_str_alloc(2 * n);
    _qo_hex_put(s, data, n);
    return (qo_val_t)(intptr_t)s;
}

qo_val_t qo_hex_decode(const char *text, size_t *out_len) {
    if (out_len) *out_len = 0;
    if (!text) return 0;
    size_t len = strlen(text);
    /* A Bytes length is 32 bits wide. */
    if (!_qo_hex_valid(text, len) || len / 2 > UINT32_MAX) return 0;
    qo_val_t bytes = _qo_bytes_new(NULL, len / 2);
    _qo_hex_decode_into(text, len / 2, (uint8_t *)(intptr_t)bytes);
    if (out_len) *out_len = len / 2;
    return bytes;
}
