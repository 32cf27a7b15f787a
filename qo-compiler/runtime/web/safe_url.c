/*
 * safe_url.c -- may a sanitised link or source keep its URL?
 *
 * Only http, https, mailto and relative URLs pass. Browsers decode
 * character references in attribute values before they read the URL, and
 * ignore leading controls and spaces and any tab or newline inside it, so
 * the check works on the value as the browser will see it:
 * "jav&#x09;ascript:", "&#106;avascript:" and "javascript&colon;" are all
 * caught. Decoding is generous (names ignore case, numeric references
 * need no ";"): decoding more than a browser would can only make the check
 * stricter. Non-ASCII results become one byte above 127, which no scheme
 * contains. The value written out is the original, undecoded text.
 */
#include <stdlib.h>
#include <strings.h>

#define QO_SAFE_URL_SCHEME_MAX 31
#define QO_SAFE_URL_NON_ASCII 0x80

typedef struct {
    const char *name;
    char c;
} _qo_safe_url_ref;

/* Named references to the ASCII characters that can shape a scheme. */
static const _qo_safe_url_ref _qo_safe_url_refs[] = {
    {"Tab", '\t'},   {"NewLine", '\n'}, {"colon", ':'},  {"sol", '/'},    {"quest", '?'},
    {"num", '#'},    {"amp", '&'},      {"period", '.'}, {"plus", '+'},   {"hyphen", '-'},
    {"lpar", '('},   {"rpar", ')'},     {"semi", ';'},   {"excl", '!'},   {"bsol", '\\'},
    {"percnt", '%'}, {"commat", '@'},   {"equals", '='}, {"lowbar", '_'}, {"quot", '"'},
    {"apos", '\''},  {"lt", '<'},       {"gt", '>'},     {"comma", ','},
};

/* A numeric reference at v ("&#" already seen at v[0..1]); returns the
 * bytes consumed (0 when it is not one) and the character in *out. */
static size_t _qo_safe_url_numeric(const char *v, size_t n, unsigned char *out) {
    size_t i = 2;
    int hex = i < n && (v[i] == 'x' || v[i] == 'X');
    i += (size_t)hex;
    size_t start = i;
    unsigned long cp = 0;
    for (; i < n; i++) {
        int d = v[i] >= '0' && v[i] <= '9' ? v[i] - '0'
                : hex && (v[i] | 32) >= 'a' && (v[i] | 32) <= 'f' ? (v[i] | 32) - 'a' + 10
                : -1;
        if (d < 0) break;
        if (cp <= 0x10FFFF) cp = cp * (hex ? 16 : 10) + (unsigned long)d;
    }
    if (i == start) return 0;
    if (i < n && v[i] == ';') i++;
    *out = cp > 0 && cp < 128 ? (unsigned char)cp : QO_SAFE_URL_NON_ASCII;
    return i;
}

static size_t _qo_safe_url_named(const char *v, size_t n, unsigned char *out) {
    for (size_t k = 0; k < sizeof _qo_safe_url_refs / sizeof *_qo_safe_url_refs; k++) {
        const char *name = _qo_safe_url_refs[k].name;
        size_t len = strlen(name);
        if (1 + len < n && strncasecmp(v + 1, name, len) == 0 && v[1 + len] == ';') {
            *out = (unsigned char)_qo_safe_url_refs[k].c;
            return len + 2;
        }
    }
    return 0;
}

/* The value with character references decoded; never longer than v. */
static size_t _qo_safe_url_decode(const char *v, size_t n, unsigned char *out) {
    size_t w = 0;
    for (size_t i = 0; i < n;) {
        size_t used = 0;
        if (v[i] == '&')
            used = i + 1 < n && v[i + 1] == '#' ? _qo_safe_url_numeric(v + i, n - i, &out[w])
                                                : _qo_safe_url_named(v + i, n - i, &out[w]);
        if (used) {
            i += used;
            w++;
        } else {
            out[w++] = (unsigned char)v[i++];
        }
    }
    return w;
}

static int _qo_safe_url_scheme_ok(const unsigned char *s, size_t n) {
    char scheme[QO_SAFE_URL_SCHEME_MAX + 1];
    size_t k = 0;
    for (size_t i = 0; i < n && k < QO_SAFE_URL_SCHEME_MAX; i++) {
        if (s[i] >= 9 && s[i] <= 13) continue;
        scheme[k++] = (char)(s[i] >= 'A' && s[i] <= 'Z' ? s[i] + 32 : s[i]);
    }
    return html_ieq_n(scheme, k, "http") || html_ieq_n(scheme, k, "https") ||
           html_ieq_n(scheme, k, "mailto");
}

static int _qo_safe_url_check(const unsigned char *s, size_t n) {
    size_t i = 0;
    while (i < n && s[i] <= ' ') i++;
    for (size_t j = i; j < n; j++) {
        if (s[j] == '#' || s[j] == '/' || s[j] == '?') return 1;
        if (s[j] == ':') return _qo_safe_url_scheme_ok(s + i, j - i);
    }
    return 1; /* no scheme: relative */
}

int _qo_url_safe(const char *v, size_t n) {
    unsigned char small[256];
    unsigned char *buf = n <= sizeof small ? small : _qo_xmalloc(n);
    int ok = _qo_safe_url_check(buf, _qo_safe_url_decode(v, n, buf));
    if (buf != small) free(buf);
    return ok;
}
