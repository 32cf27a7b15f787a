/*
 * iso8601.c -- Instants as ISO 8601 text, both ways.
 *
 * Output is always UTC with milliseconds ("2024-03-01T12:00:05.250Z"):
 * fixed width, so it sorts as text. Input is read leniently in the manner of
 * scanf's "%d-%d-%dT%d:%d:%d": blanks before a number and signed numbers are
 * accepted, fields are not range-tested and roll over (month 13 is January
 * of the next year), and text after the fields is ignored. Three things are
 * read as ISO 8601 means them rather than as scanf would: fraction digits
 * are positional (".5" is 500 ms, digits past the third are dropped), a
 * numeric offset ("+02:00", "-0530", "+01") moves the time to UTC, and the
 * seconds are computed exactly (civil.c) rather than with timegm, whose
 * failure value -1 is also the second before the epoch.
 */
#include <ctype.h>
#include <stdio.h>
#include <time.h>

void _qo_time_split_ms(int64_t ms, struct tm *tm, int *millis) {
    int64_t secs = ms / 1000;
    int64_t rest = ms % 1000;
    if (rest < 0) {
        rest += 1000;
        secs--;
    }
    *millis = (int)rest;
    time_t t = (time_t)secs;
    gmtime_r(&t, tm); /* cannot fail: the year of any 64-bit ms count fits an int */
}

qo_val_t _qo_time_iso_from_ms(int64_t ms) {
    struct tm tm;
    int millis;
    _qo_time_split_ms(ms, &tm, &millis);
    char out[64];
    int n = snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900,
                     tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, millis);
    return _qo_str_from(out, (size_t)n);
}

/* Sub-millisecond parts truncate toward zero, as the millisecond count does. */
qo_val_t instant_to_iso8601(qo_val_t i) { return _qo_time_iso_from_ms(i / 1000000); }

/* One "%d": blanks, an optional sign, at least one digit; a value outside
 * int is unreadable rather than scanf's undefined result. */
static int _qo_iso_number(const char **p, int64_t *out) {
    const char *s = *p;
    while (isspace((unsigned char)*s)) s++;
    int negative = *s == '-';
    if (*s == '-' || *s == '+') s++;
    if (!isdigit((unsigned char)*s)) return 0;
    int64_t v = 0;
    for (; isdigit((unsigned char)*s); s++) {
        v = v * 10 + (*s - '0');
        if (v > (int64_t)INT32_MAX + 1) return 0;
    }
    v = negative ? -v : v;
    if (v > INT32_MAX) return 0;
    *out = v;
    *p = s;
    return 1;
}

/* Exactly n digits. */
static int _qo_iso_digits(const char **p, int n, int64_t *out) {
    int64_t v = 0;
    for (int i = 0; i < n; i++) {
        if (!isdigit((unsigned char)(*p)[i])) return 0;
        v = v * 10 + ((*p)[i] - '0');
    }
    *p += n;
    *out = v;
    return 1;
}

/* Fraction digits after the point, as milliseconds. */
static int64_t _qo_iso_fraction(const char **p) {
    int64_t ms = 0, scale = 100;
    for (; isdigit((unsigned char)**p); (*p)++, scale /= 10) ms += (**p - '0') * scale;
    return ms;
}

/* Seconds east of UTC of a "+HH:MM", "+HHMM" or "+HH" suffix; 0 otherwise. */
static int64_t _qo_iso_offset(const char *p) {
    if (*p != '+' && *p != '-') return 0;
    int64_t sign = *p == '-' ? -1 : 1, hours, minutes = 0;
    p++;
    if (!_qo_iso_digits(&p, 2, &hours)) return 0;
    if (*p == ':') p++;
    if (isdigit((unsigned char)*p) && !_qo_iso_digits(&p, 2, &minutes)) return 0;
    return sign * (hours * 3600 + minutes * 60);
}

qo_val_t instant_from_iso8601(qo_val_t s) {
    const char *p = _qo_time_text(s);
    if (!p) return 0;
    static const char separators[] = "--T::";
    int64_t f[6];
    for (int i = 0; i < 6; i++) {
        if (!_qo_iso_number(&p, &f[i])) return 0;
        if (i < 5 && *p++ != separators[i]) return 0;
    }
    int64_t ms = 0;
    if (*p == '.') {
        p++;
        ms = _qo_iso_fraction(&p);
    }
    int64_t secs = _qo_time_days_from_civil(f[0], f[1], f[2]) * 86400 + f[3] * 3600 + f[4] * 60 +
                   f[5] - _qo_iso_offset(p);
    int64_t ns;
    return _qo_time_secs_to_ns(secs, ms * 1000000, &ns) ? ns : 0;
}
