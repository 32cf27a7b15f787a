/*
 * aead.c -- AES-256-GCM messages through OpenSSL's EVP interface.
 *
 * A message is {"nonce":"<24 hex>","ciphertext":"<hex>"}: a fresh 12-byte
 * nonce from RAND_bytes per message, no associated data, and the 16-byte
 * tag appended to the ciphertext.
 *
 * Encryption names each failure in its error object. Decryption answers ""
 * for every failure alike, so that a caller (or an attacker probing one)
 * cannot tell a wrong key from a forged message; the tag check itself is
 * OpenSSL's constant-time comparison. Keys and nonces are decoded into
 * stack buffers that are wiped afterwards, never into heap Bytes that would
 * outlive the call. The ciphertext is decrypted in place inside the block
 * that becomes the result, and that block is wiped and freed if
 * authentication fails, so unauthenticated plaintext never escapes.
 */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#define QO_AEAD_KEY 32
#define QO_AEAD_NONCE 12
#define QO_AEAD_TAG 16
/* EVP takes int lengths; longer texts go through in pieces. */
#define QO_AEAD_PIECE (1 << 30)

typedef int (*_qo_aead_update_fn)(EVP_CIPHER_CTX *, unsigned char *, int *, const unsigned char *,
                                  int);

static qo_val_t _qo_aead_error(const char *msg) { return http_error_json(QO_STR(msg)); }

/* Answers 0 when any piece fails. GCM is a stream mode: each update
 * writes exactly as many bytes as it reads. */
static int _qo_aead_run(EVP_CIPHER_CTX *ctx, _qo_aead_update_fn update, uint8_t *out,
                        const uint8_t *in, size_t n) {
    while (n) {
        int piece = n > QO_AEAD_PIECE ? QO_AEAD_PIECE : (int)n, written = 0;
        if (update(ctx, out, &written, in, piece) != 1 || written != piece) return 0;
        out += piece;
        in += piece;
        n -= (size_t)piece;
    }
    return 1;
}

/* ---- encryption ---- */

/* 1 for a key of 64 hex digits, 0 for well-formed hex of another length,
 * -1 for null, odd-length or non-hex text. */
static int _qo_aead_key(qo_val_t key_hex, uint8_t key[QO_AEAD_KEY]) {
    const char *text = _qo_str_arg(key_hex);
    if (!text) return -1;
    size_t len = strlen(text);
    if (!_qo_hex_valid(text, len)) return -1;
    if (len != 2 * QO_AEAD_KEY) return 0;
    _qo_hex_decode_into(text, QO_AEAD_KEY, key);
    return 1;
}

/* Fills out (n + 16 bytes, allocated here) or names the failing step. */
static const char *_qo_aead_seal_with(EVP_CIPHER_CTX *ctx, const uint8_t *key, const uint8_t *nonce,
                                      const uint8_t *pt, size_t n, uint8_t **out) {
    if (EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), NULL, NULL, NULL) != 1)
        return "aes-256-gcm init failed";
    if (EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, QO_AEAD_NONCE, NULL) != 1)
        return "set ivlen failed";
    if (EVP_EncryptInit_ex(ctx, NULL, NULL, key, nonce) != 1) return "aes-256-gcm key/iv init failed";
    if (n > SIZE_MAX - QO_AEAD_TAG || !(*out = malloc(n + QO_AEAD_TAG))) return "oom";
    int final_len = 0;
    if (!_qo_aead_run(ctx, EVP_EncryptUpdate, *out, pt, n)) return "aes-256-gcm update failed";
    if (EVP_EncryptFinal_ex(ctx, *out + n, &final_len) != 1) return "aes-256-gcm final failed";
    if (EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, QO_AEAD_TAG, *out + n) != 1)
        return "aes-256-gcm get tag failed";
    return NULL;
}

static qo_val_t _qo_aead_message(const uint8_t *nonce, const uint8_t *sealed, size_t n) {
    static const char head[] = "{\"nonce\":\"", mid[] = "\",\"ciphertext\":\"", tail[] = "\"}";
    size_t len = sizeof head - 1 + 2 * QO_AEAD_NONCE + sizeof mid - 1 + 2 * n + sizeof tail - 1;
    char *text = _qo_str_alloc(len), *w = text;
    memcpy(w, head, sizeof head - 1);
    w += sizeof head - 1;
    _qo_hex_put(w, nonce, QO_AEAD_NONCE);
    w += 2 * QO_AEAD_NONCE;
    memcpy(w, mid, sizeof mid - 1);
    w += sizeof mid - 1;
    _qo_hex_put(w, sealed, n);
    w += 2 * n;
    memcpy(w, tail, sizeof tail - 1);
    return (qo_val_t)(intptr_t)text;
}

static qo_val_t _qo_aead_seal(const uint8_t *key, const uint8_t *pt, size_t n) {
    uint8_t nonce[QO_AEAD_NONCE];
    if (RAND_bytes(nonce, QO_AEAD_NONCE) != 1) return _qo_aead_error("OS CSPRNG failed (RAND_bytes)");
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    if (!ctx) return _qo_aead_error("EVP_CIPHER_CTX_new failed");
    uint8_t *sealed = NULL;
    const char *failure = _qo_aead_seal_with(ctx, key, nonce, pt, n, &sealed);
    EVP_CIPHER_CTX_free(ctx);
    qo_val_t result = failure ? _qo_aead_error(failure) : _qo_aead_message(nonce, sealed, n + QO_AEAD_TAG);
    free(sealed);
    return result;
}

qo_val_t aead_encrypt(qo_val_t key_hex, qo_val_t plaintext) {
    uint8_t key[QO_AEAD_KEY];
    int key_state = _qo_aead_key(key_hex, key);
    if (key_state != 1) {
        explicit_bzero(key, sizeof key);
        return _qo_aead_error(key_state < 0 ? "invalid hex in key"
                                            : "aead key must be 32 bytes (64 hex chars) for AES-256-GCM");
    }
    size_t n;
    const uint8_t *pt = _qo_crypto_input(plaintext, &n);
    qo_val_t result = _qo_aead_seal(key, pt, n);
    explicit_bzero(key, sizeof key);
    return result;
}

/* ---- decryption ---- */

/* Exactly 2n hex digits decoded into out. */
static int _qo_aead_fixed_hex(qo_val_t v, uint8_t *out, size_t n) {
    const char *text = _qo_str_arg(v);
    return text && strnlen(text, 2 * n + 1) == 2 * n && _qo_hex_decode_into(text, n, out);
}

/* Decrypts buf (n bytes of ciphertext, then the tag) in place; answers 1
 * only when the tag authenticates it. */
static int _qo_aead_open(const uint8_t *key, const uint8_t *nonce, uint8_t *buf, size_t n) {
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    if (!ctx) return 0;
    int final_len = 0;
    int ok = EVP_DecryptInit_ex(ctx, EVP_aes_256_gcm(), NULL, NULL, NULL) == 1 &&
             EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, QO_AEAD_NONCE, NULL) == 1 &&
             EVP_DecryptInit_ex(ctx, NULL, NULL, key, nonce) == 1 &&
             _qo_aead_run(ctx, EVP_DecryptUpdate, buf, buf, n) &&
             EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, QO_AEAD_TAG, buf + n) == 1 &&
             EVP_DecryptFinal_ex(ctx, buf + n, &final_len) == 1;
    EVP_CIPHER_CTX_free(ctx);
    return ok;
}

qo_val_t aead_decrypt(qo_val_t key_hex, qo_val_t nonce_hex, qo_val_t ciphertext_hex) {
    uint8_t key[QO_AEAD_KEY], nonce[QO_AEAD_NONCE];
    const char *ct_text = _qo_cstr(ciphertext_hex);
    size_t ct_digits = strlen(ct_text);
    qo_val_t result = QO_STR("");
    if (_qo_aead_fixed_hex(key_hex, key, QO_AEAD_KEY) &&
        _qo_aead_fixed_hex(nonce_hex, nonce, QO_AEAD_NONCE) && ct_digits % 2 == 0 &&
        ct_digits >= 2 * QO_AEAD_TAG) {
        size_t n = ct_digits / 2;
        uint8_t *buf = _qo_xmalloc(n + 1);
        if (_qo_hex_decode_into(ct_text, n, buf) && _qo_aead_open(key, nonce, buf, n - QO_AEAD_TAG)) {
            buf[n - QO_AEAD_TAG] = 0;
            qo_arena_track((qo_val_t)(intptr_t)buf);
            result = (qo_val_t)(intptr_t)buf;
        } else {
            explicit_bzero(buf, n);
            free(buf);
        }
    }
    explicit_bzero(key, sizeof key);
    return result;
}
