/*
 * access.c -- reading single fields out of JSON text: by top-level key, by
 * array index, or by a dotted path through nested objects and arrays.
 *
 * Every reader costs one scan from the start of the text and builds no
 * tree, which suits the common case of a handler that wants one or two
 * fields of a request body.
 *
 * A path without a dot is a plain text search for "name": anywhere in the
 * document, at any depth: the quick form for flat documents and for names
 * known to be unique. A dotted path walks the structure one segment at a
 * time; a member segment is looked for only inside the object reached so
 * far, never in a sibling that happens to follow it.
 */
#include <stdlib.h>

static qo_val_t _qo_jget_empty(void) { return _qo_str_from("", 0); }

/* The first "name": anywhere in the text. */
static const char *_qo_jget_anywhere(const char *text, const char *name) {
    qo_jb needle;
    jb_init(&needle);
    jb_putc(&needle, '"');
    jb_puts(&needle, name);
    jb_puts(&needle, "\":");
    const char *at = strstr(text, needle.buf);
    if (at) at += needle.len;
    jb_discard(&needle);
    return at;
}

/* A non-empty run of decimal digits as an index; -1 otherwise. Indices too
 * large to exist saturate rather than wrap. */
static int64_t _qo_jget_index(const char *seg, size_t n) {
    if (n == 0) return -1;
    int64_t k = 0;
    for (size_t i = 0; i < n; i++) {
        if (seg[i] < '0' || seg[i] > '9') return -1;
        k = k > (INT64_MAX - 9) / 10 ? INT64_MAX : k * 10 + (seg[i] - '0');
    }
    return k;
}

/* One path segment from the value at p: a member of an object or an
 * element of an array; NULL when there is none. */
static const char *_qo_jget_step(const char *p, const char *seg, size_t n) {
    p = _qo_json_ws(p);
    if (*p == '{') return _qo_json_find_member(p, seg, n, 1);
    if (*p != '[') return NULL;
    int64_t k = _qo_jget_index(seg, n);
    return k < 0 ? NULL : _qo_json_elem_at(p, k);
}

qo_val_t json_get(qo_val_t text, qo_val_t path) {
    const char *t = _qo_str_arg(text), *seg = _qo_str_arg(path);
    if (!t || !seg) return _qo_jget_empty();
    const char *dot = strchr(seg, '.');
    if (!dot) {
        const char *at = _qo_jget_anywhere(t, seg);
        return at ? json_read_value(at) : _qo_jget_empty();
    }
    const char *p = t;
    for (;;) {
        size_t n = dot ? (size_t)(dot - seg) : strlen(seg);
        p = _qo_jget_step(p, seg, n);
        if (!p) return _qo_jget_empty();
        if (!dot) return json_read_value(p);
        seg = dot + 1;
        dot = strchr(seg, '.');
    }
}
qo_val_t __json_get(qo_val_t text, qo_val_t path) { return json_get(text, path); }

static const char *_qo_jget_member(qo_val_t text, qo_val_t key) {
    return json_find_key(_qo_str_arg(text), _qo_str_arg(key));
}

/* The JSON string at v, decoded; "" for anything else, including a string
 * that never ends. */
static qo_val_t _qo_jget_string_at(const char *v) {
    if (!v || *v != '"') return _qo_jget_empty();
    jp_cursor c = {v, v + strlen(v), 0};
    qo_val_t s = jp_parse_string_raw(&c);
    if (c.err) {
        free((void *)(intptr_t)s);
        return _qo_jget_empty();
    }
    qo_arena_track(s);
    return s;
}

/* Numbers are read where the value starts; strings, objects and arrays
 * are not numbers, whatever digits they hold. */
static const char *_qo_jget_number_at(qo_val_t text, qo_val_t key) {
    const char *v = _qo_jget_member(text, key);
    return v && *v != '[' && *v != '{' && *v != '"' ? v : NULL;
}

qo_val_t json_get_string(qo_val_t text, qo_val_t key) {
    return _qo_jget_string_at(_qo_jget_member(text, key));
}

qo_val_t json_get_int(qo_val_t text, qo_val_t key) {
    const char *v = _qo_jget_number_at(text, key);
    return v ? (qo_val_t)strtoll(v, NULL, 10) : 0;
}

qo_val_t json_get_float(qo_val_t text, qo_val_t key) {
    const char *v = _qo_jget_number_at(text, key);
    return v ? qo_from_float(strtod(v, NULL)) : 0;
}

qo_val_t json_get_bool(qo_val_t text, qo_val_t key) {
    const char *v = _qo_jget_member(text, key);
    return v && strncmp(v, "true", 4) == 0;
}

qo_val_t json_get_raw(qo_val_t text, qo_val_t key) {
    _tl_fs_read_len = 0;
    const char *v = _qo_jget_member(text, key);
    return v ? _qo_json_raw(v) : _qo_jget_empty();
}
qo_val_t __json_get_raw(qo_val_t text, qo_val_t key) { return json_get_raw(text, key); }

/* The "[" of a top-level array, or NULL. */
static const char *_qo_jget_array(qo_val_t text) {
    const char *p = _qo_json_ws(_qo_cstr(text));
    return *p == '[' ? p : NULL;
}

qo_val_t json_array_len(qo_val_t text) {
    const char *open = _qo_jget_array(text);
    if (!open) return 0;
    int64_t n = 0;
    for (const char *e = _qo_json_elem_first(open); e; e = _qo_json_elem_next(e)) n++;
    return n;
}
qo_val_t __json_array_len(qo_val_t text) { return json_array_len(text); }

static const char *_qo_jget_element(qo_val_t text, qo_val_t i) {
    const char *open = _qo_jget_array(text);
    return open && i >= 0 ? _qo_json_elem_at(open, i) : NULL;
}

qo_val_t json_array_get(qo_val_t text, qo_val_t i) {
    const char *e = _qo_jget_element(text, i);
    return e ? _qo_json_raw(e) : _qo_jget_empty();
}
qo_val_t __json_array_get(qo_val_t text, qo_val_t i) { return json_array_get(text, i); }

qo_val_t json_array_get_string(qo_val_t text, qo_val_t i) {
    return _qo_jget_string_at(_qo_jget_element(text, i));
}
qo_val_t __json_array_get_string(qo_val_t text, qo_val_t i) {
    return json_array_get_string(text, i);
}
