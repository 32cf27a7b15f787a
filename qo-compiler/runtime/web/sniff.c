/*
 * sniff.c -- the Content-Type of a response body that names none.
 *
 * A handful of magic numbers for the binary formats a handler is likely
 * to serve from a file, then the first non-blank bytes for markup and
 * JSON; everything else is plain text. Only the first bytes are looked
 * at, and never beyond the body's length (bodies may hold NUL bytes).
 */
#include <strings.h>

typedef struct {
    const char *magic;
    size_t n;
    const char *type;
} _qo_sniff_magic;

static const _qo_sniff_magic _qo_sniff_magics[] = {
    {"\x89PNG", 4, "image/png"},   {"\xFF\xD8", 2, "image/jpeg"}, {"GIF8", 4, "image/gif"},
    {"RIFF", 4, "image/webp"},     {"wOFF", 4, "font/woff"},      {"wOF2", 4, "font/woff2"},
};

static int _qo_sniff_prefix_ci(const unsigned char *p, size_t n, const char *lit) {
    size_t k = strlen(lit);
    return n >= k && strncasecmp((const char *)p, lit, k) == 0;
}

const char *_qo_http_sniff(const unsigned char *body, size_t n) {
    for (size_t i = 0; i < sizeof _qo_sniff_magics / sizeof *_qo_sniff_magics; i++) {
        const _qo_sniff_magic *m = &_qo_sniff_magics[i];
        if (n >= m->n && memcmp(body, m->magic, m->n) == 0) return m->type;
    }
    while (n > 0 && (*body == ' ' || *body == '\t' || *body == '\n' || *body == '\r')) {
        body++;
        n--;
    }
    if (_qo_sniff_prefix_ci(body, n, "<!DOCTYPE") || _qo_sniff_prefix_ci(body, n, "<html"))
        return "text/html; charset=utf-8";
    if (_qo_sniff_prefix_ci(body, n, "<svg")) return "image/svg+xml";
    if (n > 0 && (*body == '{' || *body == '[')) return "application/json; charset=utf-8";
    return "text/plain; charset=utf-8";
}
