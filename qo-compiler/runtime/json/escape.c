/*
 * escape.c -- the three JSON string escape sets and the error object.
 *
 * Each set is a 256-entry table saying what every byte becomes, so all
 * three share one escaping loop:
 *   FULL  (every JSON string the runtime writes): control bytes escaped,
 *         with the short forms \b \t \n \f \r where JSON has them; bytes
 *         above 127 copied only as part of a well-formed UTF-8 sequence,
 *         any other such byte escaped as \u00XX of its value, so the output
 *         is always valid JSON, whatever the input bytes were.
 *   SHORT (json_escape_string, json_build_object): only the quote,
 *         backslash, newline, carriage return and tab.
 *   ERROR (error objects, directory listings): every control byte; bytes
 *         above 127 copied unchecked.
 *
 * The loop runs twice per string: once to measure, once to write into
 * exactly the room measured. Measuring is a table walk, far cheaper than
 * growing the output piece by piece, and it lets json_escape_string honour
 * its promise to return "" rather than end the process when memory runs
 * out.
 */
#include <stdlib.h>

/* 0: copied; a letter: backslash and that letter; 'u': \u00XX; 'U': copied
 * when it starts well-formed UTF-8, else \u00XX. */
static const char _qo_jesc_full[256] = {
    [0 ... 7] = 'u', ['\b'] = 'b', ['\t'] = 't', ['\n'] = 'n', [11] = 'u',
    ['\f'] = 'f', ['\r'] = 'r', [14 ... 31] = 'u', ['"'] = '"', ['\\'] = '\\',
    [128 ... 255] = 'U',
};
static const char _qo_jesc_short[256] = {
    ['\t'] = 't', ['\n'] = 'n', ['\r'] = 'r', ['"'] = '"', ['\\'] = '\\',
};
static const char _qo_jesc_error[256] = {
    [0 ... 8] = 'u', ['\t'] = 't', ['\n'] = 'n', [11 ... 12] = 'u',
    ['\r'] = 'r', [14 ... 31] = 'u', ['"'] = '"', ['\\'] = '\\',
};

static const char *_qo_jesc_table(int set) {
    return set == QO_JESC_SHORT ? _qo_jesc_short
         : set == QO_JESC_ERROR ? _qo_jesc_error
                                : _qo_jesc_full;
}

/* Length of the well-formed UTF-8 sequence at s (lead byte and its
 * continuation bytes), or 0. The NUL after the text is never a
 * continuation byte, so a truncated sequence stops there. */
static size_t _qo_jesc_utf8_len(const unsigned char *s) {
    unsigned char c = s[0];
    size_t more = c >= 0xF8 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (!more) return 0;
    for (size_t i = 1; i <= more; i++)
        if ((s[i] & 0xC0) != 0x80) return 0;
    return more + 1;
}

/* Escapes s with table into out (when out is not NULL); returns the length
 * of the escaped text either way. */
static size_t _qo_jesc_run(const unsigned char *s, const char *table, char *out) {
    static const char hex[] = "0123456789abcdef";
    size_t n = 0;
    for (size_t i = 0; s[i];) {
        size_t start = i;
        while (s[i] && !table[s[i]]) i++;
        if (out && i > start) memcpy(out + n, s + start, i - start);
        n += i - start;
        if (!s[i]) break;
        char code = table[s[i]];
        size_t utf8 = code == 'U' ? _qo_jesc_utf8_len(s + i) : 0;
        if (utf8) {
            if (out) memcpy(out + n, s + i, utf8);
            n += utf8;
            i += utf8;
        } else if (code == 'u' || code == 'U') {
            if (out) {
                memcpy(out + n, "\\u00", 4);
                out[n + 4] = hex[s[i] >> 4];
                out[n + 5] = hex[s[i] & 15];
            }
            n += 6;
            i++;
        } else {
            if (out) {
                out[n] = '\\';
                out[n + 1] = code;
            }
            n += 2;
            i++;
        }
    }
    return n;
}

void _qo_json_put_quoted(qo_jb *b, const char *s, int set) {
    const unsigned char *text = (const unsigned char *)(s ? s : "");
    const char *table = _qo_jesc_table(set);
    size_t n = _qo_jesc_run(text, table, NULL);
    char *at = jb_grow(b, n + 2);
    at[0] = '"';
    _qo_jesc_run(text, table, at + 1);
    at[n + 1] = '"';
}

void jb_emit_escaped(qo_jb *b, const char *s) { _qo_json_put_quoted(b, s, QO_JESC_FULL); }

qo_val_t json_escape_string(qo_val_t s) {
    static const char empty[] = "";
    if (!s) return _qo_str_from("", 0);
    const unsigned char *text = (const unsigned char *)_qo_cstr(s);
    size_t n = _qo_jesc_run(text, _qo_jesc_short, NULL);
    char *out = malloc(n + 1);
    if (!out) return (qo_val_t)(intptr_t)empty;
    _qo_jesc_run(text, _qo_jesc_short, out);
    out[n] = '\0';
    qo_arena_track((qo_val_t)(intptr_t)out);
    return (qo_val_t)(intptr_t)out;
}

qo_val_t http_error_json(qo_val_t msg) {
    qo_jb b;
    jb_init(&b);
    jb_puts(&b, "{\"error\":");
    _qo_json_put_quoted(&b, _qo_cstr(msg), QO_JESC_ERROR);
    jb_putc(&b, '}');
    return jb_finish(&b);
}
