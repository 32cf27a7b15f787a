/*
 * hmac.c -- HMAC-SHA-256 (RFC 2104, block size 64).
 *
 * The message streams through the running hash after the inner pad, so it
 * is never copied whatever its size. The padded keys and the inner digest
 * are key material and are wiped from the stack before returning.
 */
#include <stdint.h>
#include <string.h>

void qo_hmac_sha256(const void *key, size_t key_len, const void *msg, size_t msg_len,
                    uint8_t out32[32]) {
    uint8_t k[64] = {0}, pad[64], inner[32];
    if (key_len > 64) qo_sha256_oneshot(key, key_len, k);
    else if (key_len) memcpy(k, key, key_len);

    qo_sha256_ctx c;
    for (int i = 0; i < 64; i++) pad[i] = k[i] ^ 0x36;
    qo_sha256_init(&c);
    qo_sha256_update(&c, pad, 64);
    qo_sha256_update(&c, msg, msg_len);
    qo_sha256_final(&c, inner);

    for (int i = 0; i < 64; i++) pad[i] = k[i] ^ 0x5c;
    qo_sha256_init(&c);
    qo_sha256_update(&c, pad, 64);
    qo_sha256_update(&c, inner, 32);
    qo_sha256_final(&c, out32);

    explicit_bzero(k, sizeof k);
    explicit_bzero(pad, sizeof pad);
    explicit_bzero(inner, sizeof inner);
    explicit_bzero(&c, sizeof c);
}

static void _qo_hmac_of(qo_val_t key, qo_val_t message, uint8_t out32[32]) {
    size_t key_len, msg_len;
    const uint8_t *k = _qo_crypto_input(key, &key_len);
    const uint8_t *m = _qo_crypto_input(message, &msg_len);
    qo_hmac_sha256(k, key_len, m, msg_len, out32);
}

qo_val_t hmac_sha256_hex(qo_val_t key, qo_val_t message) {
    uint8_t mac[32];
    _qo_hmac_of(key, message, mac);
    return qo_hex_encode(mac, 32);
}

qo_val_t hmac_sha256_bytes(qo_val_t key, qo_val_t message) {
    uint8_t mac[32];
    _qo_hmac_of(key, message, mac);
    return _qo_bytes_new(mac, 32);
}
