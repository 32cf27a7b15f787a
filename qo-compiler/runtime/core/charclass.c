/*
 * charclass.c -- counting lines, words and characters of a class, and the
 * is_* tests.
 *
 * The classes are those of the C locale, spelled out here instead of taken
 * from <ctype.h> so that a program which changes its locale through
 * foreign code still sees ASCII-only classes, and so that a byte above 127
 * belongs to no class. Every function is one pass over the bytes.
 */

typedef int (*qo_cc_class)(unsigned char c);

static int _qo_cc_letter(unsigned char c) { return (unsigned char)((c | 0x20) - 'a') < 26; }
static int _qo_cc_digit(unsigned char c) { return (unsigned char)(c - '0') < 10; }
static int _qo_cc_alnum(unsigned char c) { return _qo_cc_letter(c) || _qo_cc_digit(c); }
static int _qo_cc_space(unsigned char c) { return _qo_is_space(c); }
static int _qo_cc_punct(unsigned char c) { return c > ' ' && c < 127 && !_qo_cc_alnum(c); }
static int _qo_cc_upper(unsigned char c) { return (unsigned char)(c - 'A') < 26; }
static int _qo_cc_lower(unsigned char c) { return (unsigned char)(c - 'a') < 26; }

static const unsigned char *_qo_cc_bytes(qo_val_t s) { return (const unsigned char *)_qo_cstr(s); }

static qo_val_t _qo_cc_count(qo_val_t s, qo_cc_class in_class) {
    qo_val_t count = 0;
    for (const unsigned char *p = _qo_cc_bytes(s); *p; p++) count += in_class(*p);
    return count;
}

/* 1 when s is non-empty and every byte is in the class. */
static qo_val_t _qo_cc_all(qo_val_t s, qo_cc_class in_class) {
    const unsigned char *p = _qo_cc_bytes(s);
    if (!*p) return 0;
    for (; *p; p++)
        if (!in_class(*p)) return 0;
    return 1;
}

qo_val_t str_count_lines(qo_val_t s) {
    const char *p = _qo_cstr(s);
    size_t len = strlen(p);
    if (len == 0) return 0;
    qo_val_t newlines = 0;
    for (const char *nl = p; (nl = memchr(nl, '\n', (size_t)(p + len - nl))); nl++) newlines++;
    return newlines + 1 - (p[len - 1] == '\n');
}

qo_val_t str_count_words(qo_val_t s) {
    qo_val_t words = 0;
    int in_word = 0;
    for (const unsigned char *p = _qo_cc_bytes(s); *p; p++) {
        int space = _qo_is_space(*p);
        words += !space && !in_word;
        in_word = !space;
    }
    return words;
}

qo_val_t str_count_letters(qo_val_t s) { return _qo_cc_count(s, _qo_cc_letter); }
qo_val_t str_count_digits(qo_val_t s) { return _qo_cc_count(s, _qo_cc_digit); }

qo_val_t is_letter(qo_val_t s) { return _qo_cc_all(s, _qo_cc_letter); }
qo_val_t is_digit(qo_val_t s) { return _qo_cc_all(s, _qo_cc_digit); }
qo_val_t is_alphanumeric(qo_val_t s) { return _qo_cc_all(s, _qo_cc_alnum); }
qo_val_t is_whitespace(qo_val_t s) { return _qo_cc_all(s, _qo_cc_space); }
qo_val_t is_punctuation(qo_val_t s) { return _qo_cc_all(s, _qo_cc_punct); }
qo_val_t is_uppercase(qo_val_t s) { return _qo_cc_all(s, _qo_cc_upper); }
qo_val_t is_lowercase(qo_val_t s) { return _qo_cc_all(s, _qo_cc_lower); }
