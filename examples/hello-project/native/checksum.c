/* A C function a Qo program calls through `extern fn`: every Qo value is
 * one qo_val_t word, so the signature is all qo_val_t. */
#include "qo_runtime.h"

/* 32-bit FNV-1a of the text's bytes. */
qo_val_t text_checksum(qo_val_t s) {
    uint32_t h = 2166136261u;
    for (const unsigned char *p = (const unsigned char *)QO_STR_PTR(s); p && *p; p++) {
        h ^= *p;
        h *= 16777619u;
    }
    return (qo_val_t)h;
}
