/*
 * calendar_format.c -- calendar times as text, one pattern language per kind.
 *
 * Earth calendars take date patterns of repeated letters ("yyyy-MM-dd HH:mm",
 * quotes around literal text) and read the wall clock from the C library in
 * the calendar's zone. Mars and cycle calendars have no months or hours, so
 * their patterns are percent codes for the cycle number and the phase; the
 * named codes (%sol, %cycle, %phase) are matched before the one-letter ones.
 * A calendar without cycles prints the raw instant whatever the pattern.
 */
#include <stdio.h>
#include <time.h>

static const char *const _qo_calfmt_weekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
static const char *const _qo_calfmt_months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

/* v in decimal, zero-padded to width digits: "%0*d" without printf's cost,
 * which dominated formatting, and wide enough for the cycle numbers of a
 * relative calendar, which count nanoseconds across up to twice the 64-bit
 * range. */
static void _qo_calfmt_num(qo_jb *b, __int128 v, int width) {
    char buf[48];
    int i = sizeof buf;
    unsigned __int128 u = v < 0 ? -(unsigned __int128)v : (unsigned __int128)v;
    do {
        buf[--i] = (char)('0' + (int)(u % 10));
        u /= 10;
    } while (u || (int)sizeof buf - i < width);
    if (v < 0) buf[--i] = '-';
    jb_putn(b, buf + i, sizeof buf - (size_t)i);
}

/* One field of a run of n pattern letters: as it is for a single letter,
 * two digits for more. */
static void _qo_calfmt_padded(qo_jb *b, int n, int v) { _qo_calfmt_num(b, v, n == 1 ? 1 : 2); }

/* Emits the run of n copies of letter c; returns 0 for letters that have no
 * meaning, which the caller copies. */
static int _qo_calfmt_letter(qo_jb *b, char c, int n, const struct tm *tm, const char *abbrev) {
    switch (c) {
    case 'y':
        _qo_calfmt_num(b, n < 4 ? (tm->tm_year + 1900) % 100 : tm->tm_year + 1900, n < 4 ? 2 : 4);
        return 1;
    case 'M':
        if (n >= 3) jb_puts(b, _qo_calfmt_months[tm->tm_mon]);
        else _qo_calfmt_padded(b, n, tm->tm_mon + 1);
        return 1;
    case 'd': _qo_calfmt_padded(b, n, tm->tm_mday); return 1;
    case 'H': _qo_calfmt_padded(b, n, tm->tm_hour); return 1;
    case 'h': _qo_calfmt_padded(b, n, tm->tm_hour % 12 ? tm->tm_hour % 12 : 12); return 1;
    case 'm': _qo_calfmt_padded(b, n, tm->tm_min); return 1;
    case 's': _qo_calfmt_padded(b, n, tm->tm_sec); return 1;
    case 'a': jb_puts(b, tm->tm_hour < 12 ? "AM" : "PM"); return 1;
    case 'E': jb_puts(b, _qo_calfmt_weekdays[tm->tm_wday]); return 1;
    case 'z': jb_puts(b, abbrev); return 1;
    default: return 0;
    }
}

static qo_val_t _qo_calfmt_earth(const qo_cal_time *ct, const char *p) {
    _qo_apply_zone((qo_val_t)(intptr_t)ct->cal->zone);
    /* Floor, so that an instant half a second before 1970 reads 23:59:59. */
    struct tm tm;
    if (!_qo_zone_localtime((int64_t)_qo_time_floor_div(ct->instant, QO_NS_PER_SEC), &tm))
        return _qo_str_from("", 0);
    char abbrev[16];
    snprintf(abbrev, sizeof abbrev, "%s", tm.tm_zone ? tm.tm_zone : "");
    qo_jb b;
    jb_init(&b);
    while (*p) {
        if (*p == '\'') {
            const char *close = strchr(p + 1, '\'');
            if (!close) {
                jb_puts(&b, p + 1);
                break;
            }
            jb_putn(&b, p + 1, (size_t)(close - p - 1));
            p = close + 1;
            continue;
        }
        int n = 1;
        while (p[n] == p[0]) n++;
        if (!_qo_calfmt_letter(&b, *p, n, &tm, abbrev)) jb_putn(&b, p, (size_t)n);
        p += n;
    }
    return jb_finish(&b);
}

static void _qo_calfmt_double(qo_jb *b, const char *fmt, double v) {
    char buf[64];
    int n = snprintf(buf, sizeof buf, fmt, v);
    jb_putn(b, buf, (size_t)n);
}

/* Cycle number and phase of the calendar time, for a cycle length len. */
typedef struct {
    __int128 number;
    double phase;
} qo_calfmt_cycle;

static qo_calfmt_cycle _qo_calfmt_split(const qo_cal_time *ct, int64_t len) {
    __int128 since = (__int128)ct->instant - ct->cal->epoch;
    qo_calfmt_cycle c = {_qo_time_floor_div(since, len), _qo_time_phase(since, len)};
    return c;
}

static int _qo_calfmt_code(const char **p, const char *code) {
    size_t n = strlen(code);
    if (strncmp(*p, code, n) != 0) return 0;
    *p += n;
    return 1;
}

/* Percent codes. Mars names the cycle "%sol" and drops the "%" of an
 * unknown code ("%%" is "%"); cycle calendars name it "%cycle", add "%f"
 * and keep unknown codes as written. */
static qo_val_t _qo_calfmt_percent(const qo_cal_time *ct, const char *p, int64_t len, int mars) {
    qo_calfmt_cycle c = _qo_calfmt_split(ct, len);
    qo_jb b;
    jb_init(&b);
    while (*p) {
        if (*p != '%' || !p[1]) {
            jb_putc(&b, *p++);
        } else if (_qo_calfmt_code(&p, mars ? "%sol" : "%cycle") || _qo_calfmt_code(&p, "%d")) {
            _qo_calfmt_num(&b, c.number, 1);
        } else if (_qo_calfmt_code(&p, "%phase")) {
            _qo_calfmt_double(&b, "%.4f", c.phase);
        } else if (!mars && _qo_calfmt_code(&p, "%f")) {
            _qo_calfmt_double(&b, "%.2f", c.phase);
        } else {
            jb_putn(&b, mars ? p + 1 : p, mars ? 1 : 2);
            p += 2;
        }
    }
    return jb_finish(&b);
}

/* Relative calendars count in nanoseconds since their epoch. */
qo_val_t _qo_format_cycle(const qo_cal_time *ct, const char *p) {
    return _qo_calfmt_percent(ct, p, ct->cal->cycle < 1 ? 1 : ct->cal->cycle, 0);
}

qo_val_t cal_format(qo_val_t ct, qo_val_t pattern) {
    const qo_cal_time *t = _qo_time_record(ct, QO_CAL_TIME_TAG);
    if (!t) return _qo_str_from("", 0);
    const char *p = _qo_time_text(pattern);
    if (!p) p = "";
    switch (t->cal->kind) {
    case QO_CAL_EARTH: return _qo_calfmt_earth(t, p);
    case QO_CAL_MARS: return _qo_calfmt_percent(t, p, t->cal->cycle < 1 ? QO_NS_PER_SOL : t->cal->cycle, 1);
    case QO_CAL_NO_CYCLE: {
        char buf[48];
        int n = snprintf(buf, sizeof buf, "instant:%lld", (long long)t->instant);
        return _qo_str_from(buf, (size_t)n);
    }
    default: return _qo_format_cycle(t, p);
    }
}
