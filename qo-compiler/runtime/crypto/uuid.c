/*
 * uuid.c -- version-4 UUID text from the C library's rand.
 *
 * The engram stores these as node and edge ids, so they must stay exactly
 * as they are made here: 16 bytes, each the low byte of one rand() call,
 * with the version and variant bits set. They are unique in practice, not
 * unpredictable: anything that must resist guessing uses RAND_bytes
 * instead (see aead.c). rand is shared with the rest of the process and
 * seeded once, from the clock and the address of the seeding flag (which
 * differs between runs under address randomisation); the flag is atomic so
 * that first calls racing on two threads are merely seeded twice.
 */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static int _qo_uuid_seeded;

qo_val_t uuid_new(void) {
    if (!__atomic_exchange_n(&_qo_uuid_seeded, 1, __ATOMIC_RELAXED))
        srand((unsigned)time(NULL) ^ (unsigned)(uintptr_t)&_qo_uuid_seeded);
    unsigned char b[16];
    for (int i = 0; i < 16; i++) b[i] = (unsigned char)rand();
    b[6] = (b[6] & 0x0F) | 0x40;
    b[8] = (b[8] & 0x3F) | 0x80;
    char *s = _qo_str_alloc(36);
    snprintf(s, 37, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0], b[1],
             b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return (qo_val_t)(intptr_t)s;
}

qo_val_t uuid_v4(void) { return uuid_new(); }

qo_val_t __uuid_v4(void) { return uuid_new(); }
