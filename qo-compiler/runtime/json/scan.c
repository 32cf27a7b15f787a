/*
 * scan.c -- the scanning primitives under every text-level JSON reader:
 * skipping a value, finding a member, walking array elements, reading a
 * value out, and the string decoder shared with the parser.
 *
 * JSON here is never parsed into a tree: a reader scans the text once from
 * the start, keeping only a depth counter and stepping over strings (with
 * their backslash escapes) so that brackets and quotes inside strings do not
 * count. The scanners are lenient by design (malformed text is scanned as
 * far as it goes and whatever is not found is "not found"), and every one
 * of them stops at the text's terminating NUL: a backslash or an open
 * string at the very end never carries a scan past it.
 *
 * Speed comes from skipping: bytes that cannot change the scan's state
 * (everything but quotes and brackets between values, everything but the
 * quote and the backslash inside strings) are passed over by a byte-class
 * table, one load and test per byte, with the NUL in both classes so the
 * skip loops need no separate end test.
 */
#include <stdlib.h>

/* Bytes that end a run of plain bytes: inside a string, and between
 * values (where only strings and brackets matter to a member search). */
static const unsigned char _qo_jscan_in_string[256] = {[0] = 1, ['"'] = 1, ['\\'] = 1};
static const unsigned char _qo_jscan_structural[256] = {
    [0] = 1, ['"'] = 1, ['['] = 1, [']'] = 1, ['{'] = 1, ['}'] = 1,
};

static int _qo_jscan_is_ws(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

const char *_qo_json_ws(const char *p) {
    while (_qo_jscan_is_ws(*p)) p++;
    return p;
}

/* From just after an opening quote to its closing quote, or to the NUL of
 * an unterminated string. */
static const char *_qo_jscan_string_end(const char *s) {
    for (;;) {
        while (!_qo_jscan_in_string[(unsigned char)*s]) s++;
        if (*s != '\\') return s;
        if (!s[1]) return s + 1;
        s += 2;
    }
}

/* A container counts only its own kind of bracket: "[" with "]" or "{"
 * with "}"; strings are stepped over. */
static const char *_qo_jscan_skip_container(const char *p) {
    char open = *p, close = open == '[' ? ']' : '}';
    int64_t depth = 0;
    for (;; p++) {
        while (!_qo_jscan_structural[(unsigned char)*p]) p++;
        if (!*p) return p;
        if (*p == '"') {
            p = _qo_jscan_string_end(p + 1);
            if (!*p) return p;
        } else if (*p == open) {
            depth++;
        } else if (*p == close && --depth == 0) {
            return p + 1;
        }
    }
}

const char *json_skip_value(const char *p) {
    p = _qo_json_ws(p);
    if (*p == '"') {
        const char *close = _qo_jscan_string_end(p + 1);
        return *close ? close + 1 : close;
    }
    if (*p == '[' || *p == '{') return _qo_jscan_skip_container(p);
    while (*p && *p != ',' && *p != ']' && *p != '}' && !_qo_jscan_is_ws(*p)) p++;
    return p;
}

/* A string at depth 1 is a member name only when a colon follows it; the
 * value starts after the colon. */
static const char *_qo_jscan_member_value(const char *close) {
    if (*close != '"') return NULL;
    const char *colon = _qo_json_ws(close + 1);
    return *colon == ':' ? _qo_json_ws(colon + 1) : NULL;
}

const char *_qo_json_member_next(qo_json_members *it, const char **name, size_t *namelen) {
    for (const char *p = it->p;; p++) {
        while (!_qo_jscan_structural[(unsigned char)*p]) p++;
        char c = *p;
        if (!c) {
            it->p = p;
            return NULL;
        }
        if (c == '"') {
            const char *close = _qo_jscan_string_end(p + 1);
            const char *value = it->depth == 1 ? _qo_jscan_member_value(close) : NULL;
            if (value) {
                *name = p + 1;
                *namelen = (size_t)(close - p - 1);
                it->p = close + 1;
                return value;
            }
            if (!*close) {
                it->p = close;
                return NULL;
            }
            p = close;
        } else if (c == '{' || c == '[') {
            it->depth++;
        } else if (--it->depth <= 0 && it->within) {
            it->p = "";
            return NULL;
        }
    }
}

const char *_qo_json_find_member(const char *p, const char *key, size_t keylen, int within) {
    qo_json_members it = {p, 0, within};
    const char *name, *value;
    size_t len;
    while ((value = _qo_json_member_next(&it, &name, &len)))
        if (len == keylen && memcmp(name, key, keylen) == 0) return value;
    return NULL;
}

const char *json_find_key(const char *text, const char *key) {
    if (!text || !key || !*text) return NULL;
    return _qo_json_find_member(text, key, strlen(key), 0);
}

const char *_qo_json_elem_first(const char *open) {
    const char *p = _qo_json_ws(open + 1);
    return *p && *p != ']' ? p : NULL;
}

const char *_qo_json_elem_next(const char *elem) {
    const char *p = _qo_json_ws(json_skip_value(elem));
    if (*p != ',') return NULL;
    p = _qo_json_ws(p + 1);
    return *p && *p != ']' ? p : NULL;
}

const char *_qo_json_elem_at(const char *open, int64_t k) {
    const char *e = _qo_json_elem_first(open);
    for (int64_t i = 0; e && i < k; i++) e = _qo_json_elem_next(e);
    return e;
}

qo_val_t _qo_json_raw(const char *p) {
    p = _qo_json_ws(p);
    const char *end = json_skip_value(p);
    while (end > p && _qo_jscan_is_ws(end[-1])) end--;
    return _qo_str_from(p, (size_t)(end - p));
}

/* The lenient small decoder of json_read_value: only \n \r \t mean
 * something; a backslash before any other byte gives that byte. */
static qo_val_t _qo_jscan_decode_small(const char *s) {
    qo_jb b;
    jb_init(&b);
    while (*s && *s != '"') {
        const char *run = s;
        while (*s && *s != '"' && *s != '\\') s++;
        jb_putn(&b, run, (size_t)(s - run));
        if (*s != '\\') break;
        char e = s[1];
        if (!e) {
            jb_putc(&b, '\\');
            break;
        }
        jb_putc(&b, e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e);
        s += 2;
    }
    return jb_finish(&b);
}

qo_val_t json_read_value(const char *p) {
    p = _qo_json_ws(p);
    if (*p == '"') return _qo_jscan_decode_small(p + 1);
    return _qo_json_raw(p);
}

static char _qo_jscan_unescape(char e) {
    switch (e) {
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    default: return e;
    }
}

qo_val_t jp_parse_string_raw(jp_cursor *c) {
    qo_jb b;
    jb_init(&b);
    if (c->p >= c->end || *c->p != '"') {
        c->err = 1;
        return (qo_val_t)(intptr_t)jb_take(&b);
    }
    const char *s = c->p + 1, *end = c->end;
    while (s < end) {
        const char *run = s;
        while (s < end && *s != '"' && *s != '\\') s++;
        jb_putn(&b, run, (size_t)(s - run));
        if (s == end) break;
        if (*s == '"') {
            c->p = s + 1;
            return (qo_val_t)(intptr_t)jb_take(&b);
        }
        if (s + 1 == end) break; /* a backslash with nothing after it */
        char e = s[1];
        s += 2;
        if (e == 'u') {
            s += end - s < 4 ? end - s : 4;
            jb_putc(&b, '?');
        } else {
            jb_putc(&b, _qo_jscan_unescape(e));
        }
    }
    c->p = end;
    c->err = 1;
    return (qo_val_t)(intptr_t)jb_take(&b);
}
