/*
 * parse.c -- JSON text into Lists, Maps, Strings, Ints and Floats.
 *
 * The parser is iterative: open containers live on a heap stack of frames,
 * so nesting depth is bounded by memory, never by the C stack. Elements
 * of open lists wait on a value stack and members of open maps on a pair
 * stack; a container is built at its full size when it closes, which is
 * cheaper than growing it one append at a time. Repeated keys keep the
 * position of their first occurrence and the value of their last, found
 * by a linear scan for small objects and a scratch hash for large ones.
 *
 * The lenient rules of the format are kept exactly: a container that the
 * text ends inside right after "{", "[" or a "," is returned as it is, and
 * its parent (if any) then fails on the end of text. Any error abandons
 * the whole parse; everything allocated for it so far is in a log and is
 * freed, so malformed input costs no memory. Callers that parse for their
 * own short use (the HTTP response writer) may keep that log and free the
 * whole result with it; ordinary results live on, as values do.
 *
 * Numbers: integers are accumulated directly with strtoll's saturation;
 * decimals with at most 19 significant digits and a small exponent take
 * the exact fast path (a mantissa below 2^53 times or divided by an exact
 * power of ten rounds once); everything else goes to strtod. Both look at
 * no more than the first 63 bytes of the number, as strtod would be given.
 */
#include <stdlib.h>

#define QO_JP_NUM_MAX 63
#define QO_JP_SMALL_OBJECT 16
#define QO_JP_CHUNK 65536

enum { QO_JP_LIST, QO_JP_MAP };

typedef struct {
    int kind;
    size_t base; /* first slot of this container on its stack */
} _qo_jp_frame;

typedef struct {
    jp_cursor *c;
    _qo_jp_frame *frames;
    size_t nframes, capframes;
    qo_val_t *vals; /* elements of open lists */
    size_t nvals, capvals;
    qo_map_pair *pairs; /* members of open maps */
    size_t npairs, cappairs;
    uintptr_t *log; /* blocks made so far; low bit set for containers */
    size_t nlog, caplog;
    char *chunk; /* where the next short string goes */
    size_t chunk_left;
} _qo_jp_state;

/* Grows a stack so that one more element of size sz fits. */
static void *_qo_jp_reserve(void *arr, size_t n, size_t *cap, size_t sz) {
    if (n < *cap) return arr;
    *cap = *cap ? *cap * 2 : 64;
    return _qo_xrealloc(arr, *cap * sz);
}

static void _qo_jp_record(_qo_jp_state *s, qo_val_t block, int container) {
    s->log = _qo_jp_reserve(s->log, s->nlog, &s->caplog, sizeof *s->log);
    s->log[s->nlog++] = (uintptr_t)block | (uintptr_t)container;
}

static void _qo_jp_free_blocks(const uintptr_t *log, size_t n) {
    for (size_t i = 0; i < n; i++) {
        if (log[i] & 1) qo_release((qo_val_t)(log[i] & ~(uintptr_t)1));
        else free((void *)log[i]);
    }
}

static void _qo_jp_state_done(_qo_jp_state *s) {
    if (s->c->err) _qo_jp_free_blocks(s->log, s->nlog);
    free(s->frames);
    free(s->vals);
    free(s->pairs);
    free(s->log);
}

/* ---- scalars ---- */

void jp_skip_ws(jp_cursor *c) {
    const char *p = c->p, *end = c->end;
    while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) p++;
    c->p = p;
}

static int _qo_jp_digit(char ch) { return ch >= '0' && ch <= '9'; }

static const char *_qo_jp_digits(const char *p, const char *end) {
    while (p < end && _qo_jp_digit(*p)) p++;
    return p;
}

/* strtoll on the first n bytes of an optional sign and digits. */
static qo_val_t _qo_jp_int(const char *s, size_t n) {
    const char *p = s, *end = s + n;
    int neg = p < end && *p == '-';
    if (neg) p++;
    uint64_t limit = neg ? (uint64_t)INT64_MAX + 1 : (uint64_t)INT64_MAX;
    uint64_t acc = 0;
    for (; p < end; p++) {
        unsigned d = (unsigned)(*p - '0');
        if (acc > (limit - d) / 10) return neg ? INT64_MIN : INT64_MAX;
        acc = acc * 10 + d;
    }
    return neg ? (qo_val_t)(0 - acc) : (qo_val_t)acc;
}

/* The exact fast path for short decimals; returns 0 when it does not apply. */
static int _qo_jp_float_fast(const char *s, size_t n, double *out) {
    static const double pow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char *p = s, *end = s + n;
    int neg = p < end && *p == '-';
    if (neg) p++;
    uint64_t mant = 0;
    int digits = 0, scale = 0, seen_dot = 0, any_digit = 0;
    for (; p < end && *p != 'e' && *p != 'E'; p++) {
        if (*p == '.') {
            seen_dot = 1;
            continue;
        }
        any_digit = 1;
        if (mant == 0 && *p == '0') {
            scale -= seen_dot;
            continue;
        }
        if (++digits > 19) return 0;
        mant = mant * 10 + (uint64_t)(*p - '0');
        scale -= seen_dot;
    }
    int exp = 0, eneg = 0;
    if (p < end) {
        p++;
        if (p < end && (*p == '+' || *p == '-')) eneg = *p++ == '-';
        for (; p < end; p++) {
            if (exp > 1000) return 0;
            exp = exp * 10 + (*p - '0');
        }
    }
    if (!any_digit) { /* nothing to convert: strtod gives +0.0, sign or not */
        *out = 0.0;
        return 1;
    }
    exp = (eneg ? -exp : exp) + scale;
    if (mant > ((uint64_t)1 << 53) || exp < -22 || exp > 22) return 0;
    double d = (double)mant;
    d = exp < 0 ? d / pow10[-exp] : d * pow10[exp];
    *out = neg ? -d : d;
    return 1;
}

static qo_val_t _qo_jp_float(const char *s, size_t n) {
    double d;
    if (!_qo_jp_float_fast(s, n, &d)) {
        char buf[QO_JP_NUM_MAX + 1];
        memcpy(buf, s, n);
        buf[n] = '\0';
        d = strtod(buf, NULL);
    }
    return qo_from_float(d);
}

static qo_val_t _qo_jp_number(jp_cursor *c) {
    const char *start = c->p, *end = c->end, *p = start;
    int is_float = 0;
    if (*p == '-') p++;
    p = _qo_jp_digits(p, end);
    if (p < end && *p == '.') {
        is_float = 1;
        p = _qo_jp_digits(p + 1, end);
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        is_float = 1;
        p++;
        if (p < end && (*p == '+' || *p == '-')) p++;
        p = _qo_jp_digits(p, end);
    }
    c->p = p;
    size_t n = (size_t)(p - start);
    if (n > QO_JP_NUM_MAX) n = QO_JP_NUM_MAX;
    return is_float ? _qo_jp_float(start, n) : _qo_jp_int(start, n);
}

static qo_val_t _qo_jp_literal(jp_cursor *c, const char *word, size_t n, qo_val_t v) {
    if ((size_t)(c->end - c->p) < n || memcmp(c->p, word, n) != 0) {
        c->err = 1;
        return 0;
    }
    c->p += n;
    return v;
}

/* Room for an n-byte string. Parsed strings are never freed one by one
 * (they live as long as the process, or go with their whole parse), so
 * they are cut from shared chunks: a chunk never exceeds the text still
 * to parse, which bounds the waste of small parses, nor 64 KiB, which
 * bounds it for large ones. Long strings get a block of their own. */
static char *_qo_jp_room(_qo_jp_state *s, size_t n) {
    if (n > QO_JP_CHUNK / 4) {
        char *own = _qo_xmalloc(n);
        _qo_jp_record(s, QO_STR(own), 0);
        return own;
    }
    if (n > s->chunk_left) {
        size_t rest = (size_t)(s->c->end - s->c->p);
        s->chunk_left = rest < QO_JP_CHUNK ? (rest < n ? n : rest) : QO_JP_CHUNK;
        s->chunk = _qo_xmalloc(s->chunk_left);
        _qo_jp_record(s, QO_STR(s->chunk), 0);
    }
    char *at = s->chunk;
    s->chunk += n;
    s->chunk_left -= n;
    return at;
}

/* Most strings hold no escape: they are copied straight out of the text.
 * The rest go to the full decoder. */
static qo_val_t _qo_jp_string(_qo_jp_state *s) {
    jp_cursor *c = s->c;
    if (c->p < c->end && *c->p == '"') {
        const char *start = c->p + 1, *p = start;
        while (p < c->end && *p != '"' && *p != '\\') p++;
        if (p < c->end && *p == '"') {
            size_t n = (size_t)(p - start);
            char *copy = _qo_jp_room(s, n + 1);
            memcpy(copy, start, n);
            copy[n] = '\0';
            c->p = p + 1;
            return QO_STR(copy);
        }
    }
    qo_val_t v = jp_parse_string_raw(c);
    if (c->err) {
        free((void *)(intptr_t)v);
        return 0;
    }
    _qo_jp_record(s, v, 0);
    return v;
}

/* ---- containers ---- */

static void _qo_jp_open(_qo_jp_state *s, int kind) {
    s->frames = _qo_jp_reserve(s->frames, s->nframes, &s->capframes, sizeof *s->frames);
    s->frames[s->nframes].kind = kind;
    s->frames[s->nframes].base = kind == QO_JP_LIST ? s->nvals : s->npairs;
    s->nframes++;
}

static uint64_t _qo_jp_hash(const char *k) {
    uint64_t h = 1469598103934665603ull;
    for (; *k; k++) h = (h ^ (unsigned char)*k) * 1099511628211ull;
    return h;
}

/* Index among the first n pairs of the pair equal to key, or -1. */
static int64_t _qo_jp_find_linear(const qo_map_pair *p, size_t n, const char *key) {
    for (size_t i = 0; i < n; i++)
        if (strcmp(p[i].key, key) == 0) return (int64_t)i;
    return -1;
}

/* Folds repeated keys into their first occurrence; returns the new count. */
static size_t _qo_jp_dedupe(qo_map_pair *p, size_t n) {
    size_t kept = 0;
    if (n <= QO_JP_SMALL_OBJECT) {
        for (size_t i = 0; i < n; i++) {
            int64_t j = _qo_jp_find_linear(p, kept, p[i].key);
            if (j >= 0) p[j].value = p[i].value;
            else p[kept++] = p[i];
        }
        return kept;
    }
    size_t mask = 1;
    while (mask < 2 * n) mask <<= 1;
    size_t *slots = _qo_xcalloc(mask, sizeof *slots); /* index + 1; 0 is empty */
    mask--;
    for (size_t i = 0; i < n; i++) {
        size_t h = (size_t)_qo_jp_hash(p[i].key) & mask;
        while (slots[h] && strcmp(p[slots[h] - 1].key, p[i].key) != 0) h = (h + 1) & mask;
        if (slots[h]) {
            p[slots[h] - 1].value = p[i].value;
        } else {
            p[kept] = p[i];
            slots[h] = ++kept;
        }
    }
    free(slots);
    return kept;
}

/* Closes the innermost container and returns it as a value. */
static qo_val_t _qo_jp_close(_qo_jp_state *s) {
    _qo_jp_frame f = s->frames[--s->nframes];
    qo_val_t v;
    /* An empty container may close before its stack was ever allocated. */
    if (f.kind == QO_JP_LIST) {
        qo_val_t *items = s->vals ? s->vals + f.base : NULL;
        v = _qo_list_from_array((qo_val_t)(s->nvals - f.base), items);
        s->nvals = f.base;
    } else {
        qo_map_pair *members = s->pairs ? s->pairs + f.base : NULL;
        v = _qo_map_from_pairs((qo_val_t)_qo_jp_dedupe(members, s->npairs - f.base), members);
        s->npairs = f.base;
    }
    _qo_jp_record(s, v, 1);
    return v;
}

/* Hands a finished value to the innermost open container. */
static void _qo_jp_deliver(_qo_jp_state *s, qo_val_t v) {
    if (s->frames[s->nframes - 1].kind == QO_JP_LIST) {
        s->vals = _qo_jp_reserve(s->vals, s->nvals, &s->capvals, sizeof *s->vals);
        s->vals[s->nvals++] = v;
    } else {
        s->pairs[s->npairs - 1].value = v;
    }
}

/* Reads a member's key and its colon; the cursor is then at the value. */
static int _qo_jp_member_key(_qo_jp_state *s) {
    jp_cursor *c = s->c;
    jp_skip_ws(c);
    qo_val_t key = _qo_jp_string(s);
    if (c->err) return 0;
    s->pairs = _qo_jp_reserve(s->pairs, s->npairs, &s->cappairs, sizeof *s->pairs);
    s->pairs[s->npairs++] = (qo_map_pair){(const char *)(intptr_t)key, 0};
    jp_skip_ws(c);
    if (c->p >= c->end || *c->p != ':') {
        c->err = 1;
        return 0;
    }
    c->p++;
    return 1;
}

/* After "{" or "[": 1 when the container is already complete (closed at
 * once, or the text ends), 0 when its first element follows. */
static int _qo_jp_empty_container(jp_cursor *c, char closer) {
    jp_skip_ws(c);
    if (c->p >= c->end) return 1;
    if (*c->p != closer) return 0;
    c->p++;
    return 1;
}

/* Parses one scalar, or opens a container. Returns 1 with *out set when a
 * whole value is ready, 0 when a container was opened (or on error). */
static int _qo_jp_start_value(_qo_jp_state *s, qo_val_t *out) {
    jp_cursor *c = s->c;
    jp_skip_ws(c);
    if (c->p >= c->end) {
        c->err = 1;
        return 0;
    }
    char ch = *c->p;
    if (ch == '{' || ch == '[') {
        c->p++;
        _qo_jp_open(s, ch == '{' ? QO_JP_MAP : QO_JP_LIST);
        if (_qo_jp_empty_container(c, ch == '{' ? '}' : ']')) {
            *out = _qo_jp_close(s);
            return 1;
        }
        if (ch == '{') _qo_jp_member_key(s);
        return 0;
    }
    if (ch == '"') *out = _qo_jp_string(s);
    else if (ch == '-' || _qo_jp_digit(ch)) *out = _qo_jp_number(c);
    else if (ch == 't') *out = _qo_jp_literal(c, "true", 4, 1);
    else if (ch == 'f') *out = _qo_jp_literal(c, "false", 5, 0);
    else if (ch == 'n') *out = _qo_jp_literal(c, "null", 4, 0);
    else c->err = 1;
    return !c->err;
}

enum { QO_JP_NEXT_VALUE, QO_JP_CLOSED, QO_JP_FAILED };

/* After an element or member: a "," (the next one follows), the closer, or
 * an error. A "," that ends the text closes the container leniently. */
static int _qo_jp_after_element(_qo_jp_state *s) {
    jp_cursor *c = s->c;
    int is_map = s->frames[s->nframes - 1].kind == QO_JP_MAP;
    jp_skip_ws(c);
    if (c->p >= c->end) {
        c->err = 1;
        return QO_JP_FAILED;
    }
    char ch = *c->p++;
    if (ch == ',') {
        if (c->p >= c->end) return QO_JP_CLOSED;
        if (is_map && !_qo_jp_member_key(s)) return QO_JP_FAILED;
        return QO_JP_NEXT_VALUE;
    }
    if (ch == (is_map ? '}' : ']')) return QO_JP_CLOSED;
    c->err = 1;
    return QO_JP_FAILED;
}

/* The parse itself; on success the log of what it made goes to owned
 * when the caller wants to free the result, and is dropped otherwise. */
static qo_val_t _qo_jp_parse(jp_cursor *c, qo_json_blocks *owned) {
    _qo_jp_state s = {0};
    s.c = c;
    qo_val_t v = 0;
    while (!c->err) {
        if (!_qo_jp_start_value(&s, &v)) continue; /* a container opened, or an error */
        /* A whole value is ready: hand it up until a container wants more. */
        int step = QO_JP_CLOSED;
        while (s.nframes > 0 && step == QO_JP_CLOSED) {
            _qo_jp_deliver(&s, v);
            step = _qo_jp_after_element(&s);
            if (step == QO_JP_CLOSED) v = _qo_jp_close(&s);
        }
        if (s.nframes == 0) break;
    }
    if (owned && !c->err) {
        owned->blocks = s.log;
        owned->count = s.nlog;
        s.log = NULL;
    }
    _qo_jp_state_done(&s);
    return c->err ? 0 : v;
}

qo_val_t jp_parse_value(jp_cursor *c) { return _qo_jp_parse(c, NULL); }

qo_val_t _qo_json_parse_owned(jp_cursor *c, qo_json_blocks *owned) {
    owned->blocks = NULL;
    owned->count = 0;
    return _qo_jp_parse(c, owned);
}

void _qo_json_blocks_free(qo_json_blocks *owned) {
    _qo_jp_free_blocks(owned->blocks, owned->count);
    free(owned->blocks);
    owned->blocks = NULL;
    owned->count = 0;
}

qo_val_t json_parse(qo_val_t text) {
    const char *t = _qo_str_arg(text);
    if (!t) return 0;
    jp_cursor c = {t, t + strlen(t), 0};
    return jp_parse_value(&c);
}

qo_val_t __json_parse_map(qo_val_t text) { return json_parse(text); }
