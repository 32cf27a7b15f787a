/*
 * builder.c -- the growable text builder.
 *
 * JSON, joined lists, formatted strings, files' listings and HTTP heads are
 * all written through this one builder so that growth and the out-of-memory
 * rule live in one place. The finished text is the builder's own block, so
 * handing it over costs nothing: into the arena (jb_finish) for ordinary
 * results, or untracked (jb_take) for results that must outlive a scope.
 */
#include <stdlib.h>

static void _qo_jb_reserve(qo_jb *b, uint64_t extra) {
    uint64_t need = b->len + extra + 1;
    if (need <= b->cap) return;
    uint64_t cap = b->cap ? b->cap : 64;
    while (cap < need) cap *= 2;
    b->buf = _qo_xrealloc(b->buf, cap);
    b->cap = cap;
}

void jb_init(qo_jb *b) {
    b->buf = _qo_xmalloc(64);
    b->buf[0] = '\0';
    b->len = 0;
    b->cap = 64;
}

void jb_putc(qo_jb *b, int c) {
    _qo_jb_reserve(b, 1);
    b->buf[b->len++] = (char)c;
    b->buf[b->len] = '\0';
}

void jb_putn(qo_jb *b, const char *s, size_t n) {
    if (!n) return;
    _qo_jb_reserve(b, n);
    memcpy(b->buf + b->len, s, n);
    b->len += n;
    b->buf[b->len] = '\0';
}

void jb_puts(qo_jb *b, const char *s) {
    if (s) jb_putn(b, s, strlen(s));
}

char *jb_grow(qo_jb *b, size_t n) {
    _qo_jb_reserve(b, n);
    char *at = b->buf + b->len;
    b->len += n;
    b->buf[b->len] = '\0';
    return at;
}

const char *_qo_jb_value_text(qo_val_t v, char digits[24]) {
    if (looks_like_string(v)) return (const char *)(intptr_t)v;
    digits[_qo_int_text(digits, v)] = '\0';
    return digits;
}

void jb_put_value(qo_jb *b, qo_val_t v) {
    char digits[24];
    jb_puts(b, _qo_jb_value_text(v, digits));
}

char *jb_take(qo_jb *b) {
    if (!b->buf) jb_init(b);
    char *text = b->buf;
    b->buf = NULL;
    b->len = b->cap = 0;
    return text;
}

qo_val_t jb_finish(qo_jb *b) {
    char *text = jb_take(b);
    qo_arena_track((qo_val_t)(intptr_t)text);
    return (qo_val_t)(intptr_t)text;
}

void jb_discard(qo_jb *b) {
    free(b->buf);
    b->buf = NULL;
    b->len = b->cap = 0;
}
