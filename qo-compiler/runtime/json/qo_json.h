/* JSON text access and building; parsing into values and stringifying.
 * Part of qo_runtime.h; include that instead. */
#ifndef QO_JSON_QO_JSON_H
#define QO_JSON_QO_JSON_H

/* The growable text builder every subsystem that writes text uses: buf is
 * always NUL-terminated after len bytes; cap doubles from 64 bytes. */
typedef struct qo_jb {
    char *buf;
    uint64_t len;
    uint64_t cap;
} qo_jb;

void jb_init(qo_jb *b);
void jb_putc(qo_jb *b, int c);
void jb_puts(qo_jb *b, const char *s);
void jb_putn(qo_jb *b, const char *s, size_t n);
/* Hands the text over as a string value (recorded in the arena when
 * active); the builder is empty afterwards. */
qo_val_t jb_finish(qo_jb *b);
/* Drops the text without returning it. */
void jb_discard(qo_jb *b);

#endif
