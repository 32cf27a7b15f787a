/*
 * input.c -- the one rule by which hashes, encoders and encryption read
 * their data argument.
 *
 * A Bytes value counts over its recorded length, so binary data with NUL
 * bytes hashes and encodes whole; any other word is read as a C string, and
 * null, like any word that is no readable address (an integer passed by
 * mistake), as the empty input. Keeping the rule in one place keeps every
 * function that accepts "string or bytes" in step.
 */
#include <stdint.h>
#include <string.h>

const uint8_t *_qo_crypto_input(qo_val_t v, size_t *n) {
    if (_qo_is_bytes(v)) {
        *n = _qo_bytes_or_str_len(v);
        return (const uint8_t *)(intptr_t)v;
    }
    const char *text = _qo_cstr(v);
    *n = strlen(text);
    return (const uint8_t *)text;
}
