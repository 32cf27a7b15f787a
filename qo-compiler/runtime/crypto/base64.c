/*
 * base64.c -- base64 and base64url encoding (RFC 4648) and the lenient
 * decoder both decode builtins share.
 *
 * Encoding turns each 3 input bytes into 4 characters through a table of
 * 4096 character pairs, one lookup per 12 bits, and stores the 4 characters
 * as one 32-bit word; the tables for both alphabets are built once. The
 * output size is known in advance, so the text is written in place.
 *
 * Decoding is forgiving by design: either alphabet, white space and "="
 * anywhere, and it stops quietly at the first other byte. A class table
 * maps every byte to its 6-bit value or to "skip" or "stop"; whole groups of
 * four plain characters take a fast path, and everything else goes through
 * a bit accumulator, one character at a time. The result is written into a
 * Bytes sized for the worst case and trimmed to what was decoded.
 */
#include <pthread.h>
#include <stdint.h>
#include <string.h>

static const char _qo_b64_std[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
static const char _qo_b64_url[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

#define QO_B64_SKIP 0x40
#define QO_B64_STOP 0x80

/* Pair tables: entry v holds the characters of the 6-bit halves of the
 * 12-bit value v, in output order. */
static uint16_t _qo_b64_pairs[2][4096];
static uint8_t _qo_b64_class[256];
static pthread_once_t _qo_b64_once = PTHREAD_ONCE_INIT;

static void _qo_b64_build_tables(void) {
    const char *alphabets[2] = {_qo_b64_std, _qo_b64_url};
    for (int t = 0; t < 2; t++)
        for (int v = 0; v < 4096; v++) {
            uint8_t pair[2] = {(uint8_t)alphabets[t][v >> 6], (uint8_t)alphabets[t][v & 63]};
            memcpy(&_qo_b64_pairs[t][v], pair, 2);
        }
    memset(_qo_b64_class, QO_B64_STOP, sizeof _qo_b64_class);
    for (int i = 0; i < 64; i++) {
        _qo_b64_class[(uint8_t)_qo_b64_std[i]] = (uint8_t)i;
        _qo_b64_class[(uint8_t)_qo_b64_url[i]] = (uint8_t)i;
    }
    const char *skipped = " \t\r\n=";
    for (const char *s = skipped; *s; s++) _qo_b64_class[(uint8_t)*s] = QO_B64_SKIP;
}

/* ---- encoding ---- */

static size_t _qo_b64_encoded_len(size_t n, int url) {
    return url ? n / 3 * 4 + (n % 3 ? n % 3 + 1 : 0) : (n + 2) / 3 * 4;
}

static void _qo_b64_encode_into(char *out, const uint8_t *in, size_t n, int url) {
    const uint16_t *pairs = _qo_b64_pairs[url != 0];
    const char *alphabet = url ? _qo_b64_url : _qo_b64_std;
    size_t whole = n - n % 3;
    for (size_t i = 0; i < whole; i += 3, out += 4) {
        uint32_t v = (uint32_t)in[i] << 16 | (uint32_t)in[i + 1] << 8 | in[i + 2];
        uint16_t quad[2] = {pairs[v >> 12], pairs[v & 4095]};
        memcpy(out, quad, 4);
    }
    size_t rest = n - whole;
    if (!rest) return;
    uint32_t v = (uint32_t)in[whole] << 16 | (rest == 2 ? (uint32_t)in[whole + 1] << 8 : 0);
    *out++ = alphabet[v >> 18];
    *out++ = alphabet[(v >> 12) & 63];
    if (rest == 2) *out++ = alphabet[(v >> 6) & 63];
    if (!url) {
        if (rest == 1) *out++ = '=';
        *out = '=';
    }
}

qo_val_t qo_base64_encode_n(const void *data, size_t n, int url) {
    pthread_once(&_qo_b64_once, _qo_b64_build_tables);
    char *s = _qo_str_alloc(_qo_b64_encoded_len(n, url));
    _qo_b64_encode_into(s, data, n, url);
    return (qo_val_t)(intptr_t)s;
}

qo_val_t base64_encode(qo_val_t s) {
    size_t n;
    const uint8_t *p = _qo_crypto_input(s, &n);
    return qo_base64_encode_n(p, n, 0);
}

qo_val_t base64url_encode(qo_val_t s) {
    size_t n;
    const uint8_t *p = _qo_crypto_input(s, &n);
    return qo_base64_encode_n(p, n, 1);
}

/* ---- lenient decoding ---- */

/* Decodes text of length n into out; answers the number of bytes made. */
static size_t _qo_b64_decode_into(uint8_t *out, const uint8_t *text, size_t n) {
    const uint8_t *cls = _qo_b64_class;
    uint8_t *o = out;
    uint32_t acc = 0;
    int bits = 0;
    size_t i = 0;
    while (i < n) {
        if (bits == 0 && i + 4 <= n) {
            uint8_t c0 = cls[text[i]], c1 = cls[text[i + 1]], c2 = cls[text[i + 2]],
                    c3 = cls[text[i + 3]];
            if (((c0 | c1 | c2 | c3) & (QO_B64_SKIP | QO_B64_STOP)) == 0) {
                uint32_t v = (uint32_t)c0 << 18 | (uint32_t)c1 << 12 | (uint32_t)c2 << 6 | c3;
                o[0] = (uint8_t)(v >> 16);
                o[1] = (uint8_t)(v >> 8);
                o[2] = (uint8_t)v;
                o += 3;
                i += 4;
                continue;
            }
        }
        uint8_t c = cls[text[i++]];
        if (c == QO_B64_STOP) break;
        if (c == QO_B64_SKIP) continue;
        acc = (acc << 6 | c) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            *o++ = (uint8_t)(acc >> bits);
        }
    }
    return (size_t)(o - out);
}

qo_val_t qo_base64_decode_any(const char *text) {
    if (!text) return _qo_bytes_new(NULL, 0);
    pthread_once(&_qo_b64_once, _qo_b64_build_tables);
    size_t n = strlen(text);
    /* Every 4 characters give at most 3 bytes; Bytes lengths are 32 bits. */
    if (n / 4 * 3 + 3 > UINT32_MAX) n = ((size_t)UINT32_MAX - 3) / 3 * 4;
    size_t cap = n / 4 * 3 + 3;
    qo_val_t bytes = _qo_bytes_new(NULL, cap);
    uint8_t *out = (uint8_t *)(intptr_t)bytes;
    uint32_t len = (uint32_t)_qo_b64_decode_into(out, (const uint8_t *)text, n);
    memcpy(out - 4, &len, 4); /* the length word sits just before the data */
    out[len] = 0;
    return bytes;
}

qo_val_t base64_decode(qo_val_t s) { return qo_base64_decode_any(_qo_str_arg(s)); }

qo_val_t base64url_decode(qo_val_t s) { return base64_decode(s); }
