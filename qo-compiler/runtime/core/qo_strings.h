/* Strings: building, searching, slicing, converting and formatting text. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_STRINGS_H
#define QO_CORE_QO_STRINGS_H

/* Lengths, indices and offsets count bytes. A 0 string argument reads as ""
 * or gives the neutral result (0, -1, "" or an empty List); so does a word
 * that cannot be a string (a small or negative integer, a float's bits, an
 * address that is not mapped). Every returned string is new and recorded in
 * the arena while it is active. */

/* ---- comparison and tests ---- */
qo_val_t str_eq(qo_val_t a, qo_val_t b);
qo_val_t __str_cmp(qo_val_t a, qo_val_t b);
qo_val_t __str_ncmp(qo_val_t a, qo_val_t b, qo_val_t n);
qo_val_t str_starts_with(qo_val_t s, qo_val_t p);
qo_val_t str_ends_with(qo_val_t s, qo_val_t p);
qo_val_t str_contains(qo_val_t s, qo_val_t n);
qo_val_t istr_contains(qo_val_t s, qo_val_t n);
qo_val_t str_len(qo_val_t s);
qo_val_t __str_len(qo_val_t s);
qo_val_t str_count_bytes(qo_val_t s);
qo_val_t str_count_chars(qo_val_t s);

/* ---- search: left to right, matches do not overlap ---- */
qo_val_t str_index_of(qo_val_t s, qo_val_t n);
qo_val_t str_last_index_of(qo_val_t s, qo_val_t n);
qo_val_t str_index_of_all(qo_val_t s, qo_val_t n);
qo_val_t str_find_chars(qo_val_t s, qo_val_t set);
qo_val_t str_count(qo_val_t s, qo_val_t n);

/* ---- extraction ---- */
qo_val_t str_slice(qo_val_t s, qo_val_t start, qo_val_t end);
qo_val_t __str_slice_raw(qo_val_t s, qo_val_t start, qo_val_t end);
qo_val_t str_char_at(qo_val_t s, qo_val_t i);
qo_val_t __str_char_at(qo_val_t s, qo_val_t i);
qo_val_t str_char_code(qo_val_t s, qo_val_t i);

/* ---- transformation ---- */
qo_val_t qo_str_concat(qo_val_t a, qo_val_t b);
qo_val_t str_concat(qo_val_t a, qo_val_t b);
qo_val_t __str_concat_raw(qo_val_t a, qo_val_t b);
qo_val_t str_replace(qo_val_t s, qo_val_t old_text, qo_val_t new_text);
qo_val_t str_to_upper(qo_val_t s);
qo_val_t str_upper(qo_val_t s);
qo_val_t str_to_lower(qo_val_t s);
qo_val_t str_lower(qo_val_t s);
qo_val_t str_trim(qo_val_t s);
qo_val_t str_lstrip(qo_val_t s);
qo_val_t str_rstrip(qo_val_t s);
qo_val_t str_strip_chars(qo_val_t s, qo_val_t set);
qo_val_t str_strip_prefix(qo_val_t s, qo_val_t p);
qo_val_t str_strip_suffix(qo_val_t s, qo_val_t p);
qo_val_t str_repeat(qo_val_t s, qo_val_t n);
qo_val_t str_reverse(qo_val_t s);
qo_val_t str_pad(qo_val_t s, qo_val_t width, qo_val_t pad, qo_val_t left);
qo_val_t str_pad_left(qo_val_t s, qo_val_t width, qo_val_t pad);
qo_val_t str_pad_right(qo_val_t s, qo_val_t width, qo_val_t pad);
/* "{name}" replaced by the map's value for name (text, or a decimal for
 * any other non-zero word); missing and 0 values leave "{name}" as it is. */
qo_val_t str_format(qo_val_t tmpl, qo_val_t map);

/* ---- splitting: a new List of new Strings ---- */
qo_val_t str_split(qo_val_t s, qo_val_t sep);
qo_val_t str_split_n(qo_val_t s, qo_val_t sep, qo_val_t n);
qo_val_t str_split_lines(qo_val_t s);
qo_val_t str_split_chars(qo_val_t s);
qo_val_t native_string_chars(qo_val_t s);

/* ---- counting and character classes (ASCII, C locale) ---- */
qo_val_t str_count_lines(qo_val_t s);
qo_val_t str_count_words(qo_val_t s);
qo_val_t str_count_letters(qo_val_t s);
qo_val_t str_count_digits(qo_val_t s);
qo_val_t is_letter(qo_val_t s);
qo_val_t is_digit(qo_val_t s);
qo_val_t is_alphanumeric(qo_val_t s);
qo_val_t is_whitespace(qo_val_t s);
qo_val_t is_punctuation(qo_val_t s);
qo_val_t is_uppercase(qo_val_t s);
qo_val_t is_lowercase(qo_val_t s);

/* ---- conversions (Float arguments and results are bit patterns) ---- */
qo_val_t int_to_str(qo_val_t n);
qo_val_t native_int_to_str(qo_val_t n);
qo_val_t __int_to_str(qo_val_t n);
qo_val_t str_to_int(qo_val_t s);
qo_val_t native_str_to_int(qo_val_t s);
qo_val_t __str_to_int(qo_val_t s);
qo_val_t parse_int(qo_val_t s, qo_val_t fallback);
qo_val_t float_to_str(qo_val_t f);
qo_val_t __float_to_str(qo_val_t f);
qo_val_t format_float(qo_val_t f, qo_val_t digits);
qo_val_t decimal_round(qo_val_t f, qo_val_t places);
qo_val_t str_to_float(qo_val_t s);
qo_val_t __str_to_float(qo_val_t s);
qo_val_t int_to_float(qo_val_t n);
qo_val_t float_to_int(qo_val_t f);
qo_val_t bool_to_str(qo_val_t v);
qo_val_t str_to_bytes(qo_val_t s);
qo_val_t bytes_to_str(qo_val_t text);

/* ---- numbers ---- */
qo_val_t qo_abs(qo_val_t n);
qo_val_t qo_max(qo_val_t a, qo_val_t b);
qo_val_t qo_min(qo_val_t a, qo_val_t b);
qo_val_t math_sqrt(qo_val_t f);
qo_val_t math_log(qo_val_t f);
qo_val_t math_ln(qo_val_t f);
qo_val_t math_sin(qo_val_t f);
qo_val_t math_cos(qo_val_t f);
qo_val_t math_pi(void);
/* The compiler's builtin spellings of the same. */
qo_val_t __sqrt_f(qo_val_t f);
qo_val_t __log_f(qo_val_t f);
qo_val_t __ln_f(qo_val_t f);
qo_val_t __sin_f(qo_val_t f);
qo_val_t __cos_f(qo_val_t f);
qo_val_t __pi_f(void);

/* ---- raw building blocks for generated code ---- */
/* n+2 bytes, the first n+1 of them 0. */
qo_val_t __str_alloc(qo_val_t n);
/* Stores the low byte of c at s[i]; the caller keeps i inside the block. */
qo_val_t __str_set_char(qo_val_t s, qo_val_t i, qo_val_t c);

/* ---- For the runtime's own subsystems (and tests), not for Qo code. ---- */

/* Walks the non-overlapping occurrences of a non-empty needle, left to
 * right: each _qo_str_scan_next returns the next match or NULL. */
typedef struct qo_str_scan {
    const char *at;
    const char *end;
    const char *needle;
    size_t needle_len;
} qo_str_scan;
void _qo_str_scan_init(qo_str_scan *sc, const char *hay, size_t hay_len, const char *needle);
const char *_qo_str_scan_next(qo_str_scan *sc);
/* Decimal form of n, as "%lld" writes it, into out (at least 21 bytes; no
 * NUL); returns the length. Several times faster than snprintf. */
size_t _qo_int_text(char *out, qo_val_t n);
/* White space as the trimming and word-counting functions see it. */
static inline int _qo_is_space(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

#endif
