/*
 * input.c -- the one rule by which hashes, encoders and encryption read
 * their data argument.
 *
 * A Bytes value counts over its recorded length, so binary data with NUL
 * bytes hashes and encodes whole; any other word is read as a C string, and
 * null as the empty input. Keeping the rule in one place keeps every
 * function that accepts "string or bytes" in step.
 */
#include <stdint.h>

const uint8_t *_qo_crypto_input(qo_val_t v, size_t *n) {
    if (!v) {
        *n = 0;
        return (const uint8_t *)"";
    }
    *n = _qo_bytes_or_str_len(v);
    return (const uint8_t *)(intptr_t)v;
}
