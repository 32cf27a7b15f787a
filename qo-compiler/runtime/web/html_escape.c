/*
 * html_escape.c -- text into HTML, and trusted markup passed through.
 *
 * Templates run every interpolated value through html_escape, and values
 * carry no kind, so an integer may arrive here: a word that cannot be a
 * string's address (below 4 GiB, as looks_like_string holds, or not
 * readable) is escaped as its decimal text instead of being read.
 */
#include <stdio.h>
#include <stdlib.h>

const char *_qo_web_text(qo_val_t v, char digits[24]) {
    if (v == 0) return "";
    if ((uint64_t)v > 0xFFFFFFFFull && _qo_readable((const void *)(intptr_t)v, 1))
        return (const char *)(intptr_t)v;
    snprintf(digits, 24, "%lld", (long long)v);
    return digits;
}

static const char *_qo_hesc_entity(unsigned char c) {
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&#39;";
    default: return NULL;
    }
}

qo_val_t html_escape(qo_val_t s) {
    static const char empty[] = "";
    if (!s) return QO_STR(empty);
    char digits[24];
    const unsigned char *src = (const unsigned char *)_qo_web_text(s, digits);
    size_t n = 0;
    for (const unsigned char *p = src; *p; p++) {
        const char *e = _qo_hesc_entity(*p);
        n += e ? strlen(e) : 1;
    }
    char *out = malloc(n + 1);
    if (!out) return s;
    char *w = out;
    for (const unsigned char *p = src; *p; p++) {
        const char *e = _qo_hesc_entity(*p);
        if (!e) {
            *w++ = (char)*p;
            continue;
        }
        size_t k = strlen(e);
        memcpy(w, e, k);
        w += k;
    }
    *w = '\0';
    qo_arena_track(QO_STR(out));
    return QO_STR(out);
}

qo_val_t html_raw(qo_val_t v) { return v; }
