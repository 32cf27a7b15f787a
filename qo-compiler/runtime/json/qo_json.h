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
/* Appends a value the way text is printed everywhere: a word that reads as
 * text (looks_like_string) as its bytes, any other word as its "%lld". */
void jb_put_value(qo_jb *b, qo_val_t v);
/* Appends s as a JSON string literal, quotes included, with the full escape
 * set: control bytes and malformed UTF-8 are escaped, valid UTF-8 kept. */
void jb_emit_escaped(qo_jb *b, const char *s);
/* Makes room for n more bytes, counts them as written and returns where
 * they go; the caller fills all n. */
char *jb_grow(qo_jb *b, size_t n);
/* Hands the text over as a string value (recorded in the arena when
 * active); the builder is empty afterwards. */
qo_val_t jb_finish(qo_jb *b);
/* Hands the text over as a plain heap block, never recorded in the arena,
 * for results that must outlive every scope. */
char *jb_take(qo_jb *b);
/* Drops the text without returning it. */
void jb_discard(qo_jb *b);

/* Escaping and the error object. */
qo_val_t json_escape_string(qo_val_t s);
qo_val_t http_error_json(qo_val_t msg);

/* Reading fields out of JSON text without parsing it. Missing fields and
 * malformed text give "" (or 0); nothing reads past the text's NUL. */
qo_val_t json_get(qo_val_t text, qo_val_t path);
qo_val_t __json_get(qo_val_t text, qo_val_t path);
qo_val_t json_get_string(qo_val_t text, qo_val_t key);
qo_val_t json_get_int(qo_val_t text, qo_val_t key);
qo_val_t json_get_float(qo_val_t text, qo_val_t key);
qo_val_t json_get_bool(qo_val_t text, qo_val_t key);
qo_val_t json_get_raw(qo_val_t text, qo_val_t key);
qo_val_t __json_get_raw(qo_val_t text, qo_val_t key);
qo_val_t json_array_len(qo_val_t text);
qo_val_t __json_array_len(qo_val_t text);
qo_val_t json_array_get(qo_val_t text, qo_val_t i);
qo_val_t __json_array_get(qo_val_t text, qo_val_t i);
qo_val_t json_array_get_string(qo_val_t text, qo_val_t i);
qo_val_t __json_array_get_string(qo_val_t text, qo_val_t i);

/* Writing: each returns new text and leaves its argument alone. */
qo_val_t json_set(qo_val_t text, qo_val_t key, qo_val_t raw);
qo_val_t __json_set(qo_val_t text, qo_val_t key, qo_val_t raw);
qo_val_t json_array_push(qo_val_t text, qo_val_t raw);
qo_val_t json_build_object(qo_val_t list);
qo_val_t json_build_array(qo_val_t list);

/* ---- Scanning primitives, for the runtime's own JSON readers. ---- */

/* Position of the value of key among the members at depth 1 of text (the
 * top-level keys of an object), or NULL. */
const char *json_find_key(const char *text, const char *key);
/* Position just after the value that starts at p (after white space). */
const char *json_skip_value(const char *p);
/* The value at p: a string decoded by the lenient small decoder, anything
 * else as its raw text; "" at the end of the text. Arena-recorded. */
qo_val_t json_read_value(const char *p);

/* A parse position: p moves toward end; err, once set, stays set. */
typedef struct jp_cursor {
    const char *p;
    const char *end;
    int err;
} jp_cursor;

/* Decodes the JSON string at the cursor (\uXXXX becomes "?") into a plain
 * heap block that is not recorded in the arena; sets err when the cursor is
 * not at a string or the string is unterminated. */
qo_val_t jp_parse_string_raw(jp_cursor *c);

/* ---- For the runtime's own subsystems (and tests), not for Qo code. ---- */

/* The text jb_put_value writes for v: v itself, or its decimal form put in
 * digits. */
const char *_qo_jb_value_text(qo_val_t v, char digits[24]);

/* The three escape sets. FULL: JSON strings the runtime writes; SHORT:
 * quote, backslash, newline, carriage return and tab only; ERROR: every
 * control byte, but bytes above 127 are copied whatever they are. */
enum { QO_JESC_FULL, QO_JESC_SHORT, QO_JESC_ERROR };
/* Appends s escaped with the given set, inside double quotes. */
void _qo_json_put_quoted(qo_jb *b, const char *s, int set);

/* p moved past spaces, tabs, newlines and carriage returns. */
const char *_qo_json_ws(const char *p);
/* json_find_key on a key of keylen bytes; with within set the search ends
 * where the container that p opens closes. */
const char *_qo_json_find_member(const char *p, const char *key, size_t keylen, int within);
/* The members json_find_key (or, with within set, the search above) would
 * consider, in text order: each call gives the next one's raw name and
 * returns where its value starts; NULL at the end. Start at depth 0. */
typedef struct qo_json_members {
    const char *p;
    int64_t depth;
    int within;
} qo_json_members;
const char *_qo_json_member_next(qo_json_members *it, const char **name, size_t *namelen);
/* Array elements of the array whose "[" is at open: the first, the one
 * after elem, element k; NULL past the last. */
const char *_qo_json_elem_first(const char *open);
const char *_qo_json_elem_next(const char *elem);
const char *_qo_json_elem_at(const char *open, int64_t k);
/* The raw text of the value at p (strings keep their quotes). */
qo_val_t _qo_json_raw(const char *p);

/* ---- Parsing into values and stringifying. ---- */

/* One value from the start of text as Lists, Maps, Strings, Ints and
 * Floats; 0 on any syntax error. Text after the value is ignored. */
qo_val_t json_parse(qo_val_t text);
qo_val_t __json_parse_map(qo_val_t text);
/* One value at the cursor; sets err on a syntax error. */
qo_val_t jp_parse_value(jp_cursor *c);
void jp_skip_ws(jp_cursor *c);
/* "null" for 0, a JSON string for text, any other word as its decimal. */
qo_val_t json_stringify(qo_val_t v);
qo_val_t __json_stringify_val(qo_val_t v);

/* Everything one parse made (strings, lists, maps), for runtime callers
 * that free a parsed value as a whole once done with it. */
typedef struct qo_json_blocks {
    uintptr_t *blocks;
    size_t count;
} qo_json_blocks;
qo_val_t _qo_json_parse_owned(jp_cursor *c, qo_json_blocks *owned);
void _qo_json_blocks_free(qo_json_blocks *owned);

#endif
