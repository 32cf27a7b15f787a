/* Hashes, HMAC, hex and base64, authenticated encryption, identifiers. Part of qo_runtime.h; include that instead. */
#ifndef QO_CRYPTO_QO_CRYPTO_H
#define QO_CRYPTO_QO_CRYPTO_H

/* ---- Qo-callable ----
 * "String or bytes" inputs: a Bytes value counts over its recorded length
 * (NUL bytes included), anything else non-null up to its first NUL, and
 * null as the empty input. Hex results are lowercase. */

qo_val_t sha256_hex(qo_val_t s);
qo_val_t sha256_bytes(qo_val_t s);
/* These two read their argument as a C string even when it is a Bytes. */
qo_val_t hash_sha256(qo_val_t s);
qo_val_t __sha256_hex(qo_val_t s);
qo_val_t hmac_sha256_hex(qo_val_t key, qo_val_t message);
qo_val_t hmac_sha256_bytes(qo_val_t key, qo_val_t message);
qo_val_t sha3_256_hex(qo_val_t s);

qo_val_t base64_encode(qo_val_t s);
qo_val_t base64url_encode(qo_val_t s);
/* Both accept either alphabet and stop quietly at the first foreign byte. */
qo_val_t base64_decode(qo_val_t s);
qo_val_t base64url_decode(qo_val_t s);

/* AES-256-GCM. Encryption gives {"nonce":"<24 hex>","ciphertext":"<hex of
 * ciphertext and 16-byte tag>"} or {"error":"..."}; decryption gives the
 * plaintext or "" for every failure alike. */
qo_val_t aead_encrypt(qo_val_t key_hex, qo_val_t plaintext);
qo_val_t aead_decrypt(qo_val_t key_hex, qo_val_t nonce_hex, qo_val_t ciphertext_hex);

/* Random version-4 UUID text (from the C library's rand, not a CSPRNG). */
qo_val_t uuid_new(void);
qo_val_t uuid_v4(void);
qo_val_t __uuid_v4(void);

/* Post-quantum entry points: this build has no post-quantum library, so
 * each answers {"error":"liboqs not linked, ..."} and pq_verify answers 0. */
qo_val_t pq_keygen_signature(void);
qo_val_t pq_sign(qo_val_t secret_key, qo_val_t message);
qo_val_t pq_verify(qo_val_t public_key, qo_val_t message, qo_val_t signature);
qo_val_t pq_kem_keygen(void);
qo_val_t pq_kem_encaps(qo_val_t public_key);
qo_val_t pq_kem_decaps(qo_val_t secret_key, qo_val_t ciphertext);
qo_val_t pq_hybrid_keygen(void);
qo_val_t pq_hybrid_handshake(qo_val_t peer_public_key);

/* ---- For the runtime's own subsystems (and tests), not for Qo code. ---- */

/* Running SHA-256: init, update any number of times, final once. */
typedef struct qo_sha256_ctx {
    uint32_t state[8];
    uint64_t total; /* bytes absorbed so far */
    uint8_t block[64];
    size_t used;    /* bytes waiting in block */
} qo_sha256_ctx;

void qo_sha256_init(qo_sha256_ctx *c);
void qo_sha256_update(qo_sha256_ctx *c, const void *data, size_t n);
void qo_sha256_final(qo_sha256_ctx *c, uint8_t out32[32]);
/* One 64-byte block into the eight-word state. */
void qo_sha256_transform(uint32_t state[8], const uint8_t block[64]);
void qo_sha256_oneshot(const void *data, size_t n, uint8_t out32[32]);
qo_val_t qo_sha256_bytes_n(const void *data, size_t n);
/* Allows (1) or forbids (0) the SHA-extension code path; answers whether
 * it is in use now. Forbidding it lets tests check the portable code. */
int _qo_sha256_use_accel(int allow);

void qo_hmac_sha256(const void *key, size_t key_len, const void *msg, size_t msg_len,
                    uint8_t out32[32]);

void qo_keccak_f1600(uint64_t state[25]);
void qo_sha3_256(const void *data, size_t n, uint8_t out32[32]);

/* Base64 text of n bytes; url != 0 picks the URL-safe alphabet, unpadded. */
qo_val_t qo_base64_encode_n(const void *data, size_t n, int url);
/* Lenient decoder: skips white space and "=", stops at any other foreign
 * byte; NULL gives an empty Bytes. */
qo_val_t qo_base64_decode_any(const char *text);

qo_val_t qo_hex_encode(const void *data, size_t n);
/* Bytes of strlen(text)/2, or 0 (with *out_len 0) for NULL, an odd length
 * or a non-hex character. out_len may be NULL. */
qo_val_t qo_hex_decode(const char *text, size_t *out_len);

/* Writes 2n lowercase hex digits at dst (no NUL). */
void _qo_hex_put(char *dst, const uint8_t *src, size_t n);
/* Decodes 2n hex digits into n bytes at out without branching on their
 * values (keys pass through here); answers 0 when a digit is not hex. */
int _qo_hex_decode_into(const char *hex, size_t n, uint8_t *out);
/* Whether len characters of text are an even number of hex digits. */
int _qo_hex_valid(const char *text, size_t len);

/* The "string or bytes" rule: the bytes of v and their count. */
const uint8_t *_qo_crypto_input(qo_val_t v, size_t *n);

#endif
