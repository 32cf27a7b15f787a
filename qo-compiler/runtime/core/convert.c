/*
 * convert.c -- text to and from integers, floats, booleans and byte arrays.
 *
 * Parsing follows the C library (strtoll, strtod, strtol in base 10), so
 * overflow saturates and junk after a number is ignored, as a C programmer
 * expects. Floats travel as their bit patterns (qo_from_float/qo_to_float).
 * int_to_str writes its digits by hand: it runs in the compiler's hot loops
 * (temporary names, positions) where snprintf's format parsing dominates.
 */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

size_t _qo_int_text(char *out, qo_val_t n) {
    char rev[20];
    size_t k = 0, len = 0;
    uint64_t u = n < 0 ? 0 - (uint64_t)n : (uint64_t)n;
    do {
        rev[k++] = (char)('0' + u % 10);
        u /= 10;
    } while (u);
    if (n < 0) out[len++] = '-';
    while (k) out[len++] = rev[--k];
    return len;
}

qo_val_t int_to_str(qo_val_t n) {
    char digits[21];
    return _qo_str_from(digits, _qo_int_text(digits, n));
}
qo_val_t native_int_to_str(qo_val_t n) { return int_to_str(n); }
qo_val_t __int_to_str(qo_val_t n) { return int_to_str(n); }

qo_val_t str_to_int(qo_val_t s) {
    const char *p = _qo_str_arg(s);
    return p ? strtoll(p, NULL, 10) : 0;
}
qo_val_t native_str_to_int(qo_val_t s) { return str_to_int(s); }
qo_val_t __str_to_int(qo_val_t s) { return str_to_int(s); }

qo_val_t parse_int(qo_val_t s, qo_val_t fallback) {
    const char *p = _qo_str_arg(s);
    if (!p) return fallback;
    char *end;
    long long v = strtoll(p, &end, 10);
    /* No digit consumed covers "", blanks only and a bare sign. */
    return end == p ? fallback : v;
}

qo_val_t float_to_str(qo_val_t f) {
    double d = qo_to_float(f);
    if (isnan(d)) return _qo_str_from("nan", 3); /* "%g" would say "-nan" for some */
    char text[32];
    int n = snprintf(text, sizeof text, "%g", d);
    return _qo_str_from(text, (size_t)n);
}
qo_val_t __float_to_str(qo_val_t f) { return float_to_str(f); }

qo_val_t format_float(qo_val_t f, qo_val_t digits) {
    if (digits < 0) digits = 0;
    if (digits > 30) digits = 30;
    char text[352]; /* -DBL_MAX has 309 integer digits, then "." and 30 more */
    int n = snprintf(text, sizeof text, "%.*f", (int)digits, qo_to_float(f));
    return _qo_str_from(text, (size_t)n);
}

/* Halves round away from zero. Past 2^52 every double is already whole. */
qo_val_t decimal_round(qo_val_t f, qo_val_t places) {
    const double whole = 4503599627370496.0;
    if (places < 0) places = 0;
    if (places > 15) places = 15;
    double d = qo_to_float(f), factor = pow(10.0, (double)places), x = d * factor, y;
    if (d >= 0) {
        y = x + 0.5;
        if (fabs(y) < whole) y = floor(y);
        return qo_from_float(y / factor);
    }
    y = 0.5 - x;
    if (fabs(y) < whole) y = floor(y);
    return qo_from_float(-y / factor);
}

qo_val_t str_to_float(qo_val_t s) {
    const char *p = _qo_str_arg(s);
    return p ? qo_from_float(strtod(p, NULL)) : 0;
}
qo_val_t __str_to_float(qo_val_t s) { return str_to_float(s); }

qo_val_t int_to_float(qo_val_t n) { return qo_from_float((double)n); }

qo_val_t float_to_int(qo_val_t f) {
    double d = qo_to_float(f);
    /* -2^63 is representable; 2^63 is not. A NaN fails both tests. */
    if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) return INT64_MIN;
    return (qo_val_t)d;
}

qo_val_t bool_to_str(qo_val_t v) { return v ? _qo_str_from("true", 4) : _qo_str_from("false", 5); }

qo_val_t str_to_bytes(qo_val_t s) {
    const unsigned char *p = (const unsigned char *)_qo_cstr(s);
    qo_jb b;
    jb_init(&b);
    jb_putc(&b, '[');
    for (size_t i = 0; p[i]; i++) {
        char digits[21];
        if (i) jb_putc(&b, ',');
        jb_putn(&b, digits, _qo_int_text(digits, p[i]));
    }
    jb_putc(&b, ']');
    return jb_finish(&b);
}

static int _qo_cv_is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

qo_val_t bytes_to_str(qo_val_t text) {
    const char *p = _qo_str_arg(text);
    if (!p) return _qo_str_from("", 0);
    while (_qo_cv_is_blank(*p)) p++;
    if (*p != '[' || json_array_len(text) <= 0) return _qo_str_from("", 0);
    qo_jb b;
    jb_init(&b);
    for (p++;;) {
        while (*p == ',' || _qo_cv_is_blank(*p)) p++;
        if (*p == ']' || *p == '\0') break;
        char *end;
        long v = strtol(p, &end, 10);
        if (end == p) break; /* not a number: the array ends here */
        if ((unsigned long)v < 256) jb_putc(&b, (int)v);
        p = end;
    }
    return jb_finish(&b);
}
