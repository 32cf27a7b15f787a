/*
 * millis.c -- the older time functions on millisecond counts.
 *
 * These predate Instants and stay for the programs and the engram records
 * that store milliseconds since the epoch in plain integers. Like Instants
 * they wrap around in 64 bits rather than overflow.
 */
#include <stdio.h>
#include <sys/time.h>
#include <time.h>

static int64_t _qo_ms_clock(void) {
    struct timeval tv;
    gettimeofday(&tv, NULL);
    return (int64_t)tv.tv_sec * 1000 + tv.tv_usec / 1000;
}

qo_val_t time_now(void) { return _qo_ms_clock(); }
qo_val_t time_now_utc(void) { return _qo_ms_clock(); }
qo_val_t now_millis(void) { return _qo_ms_clock(); }
qo_val_t unix_timestamp_ms(void) { return _qo_ms_clock(); }
qo_val_t time_now_ms(void) { return _qo_ms_clock(); }

qo_val_t time_format(qo_val_t ms, qo_val_t fmt) {
    const char *f = _qo_time_text(fmt);
    if (!f || !*f || strcmp(f, "ISO") == 0) return _qo_time_iso_from_ms(ms);
    struct tm tm;
    int millis; /* not available to strftime formats */
    _qo_time_split_ms(ms, &tm, &millis);
    char out[256];
    size_t n = strftime(out, sizeof out, f, &tm); /* 0: did not fit, or empty */
    return _qo_str_from(out, n);
}

qo_val_t time_to_parts(qo_val_t ms) {
    struct tm tm;
    int millis;
    _qo_time_split_ms(ms, &tm, &millis);
    char out[128];
    int n = snprintf(out, sizeof out,
                     "{\"year\":%d,\"month\":%d,\"day\":%d,\"hour\":%d,\"minute\":%d,\"second\":%d,\"ms\":%d}",
                     tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                     tm.tm_sec, millis);
    return _qo_str_from(out, (size_t)n);
}

qo_val_t time_from_parts(qo_val_t secs, qo_val_t nanos, qo_val_t unused) {
    (void)unused;
    return _qo_time_wrap_add(_qo_time_wrap_mul(secs, 1000), nanos / 1000000);
}

static int64_t _qo_ms_unit(qo_val_t unit) {
    static const struct { const char *name; int64_t ms; } units[] = {
        {"ms", 1}, {"sec", 1000}, {"min", 60000}, {"hour", 3600000}, {"day", 86400000}};
    const char *u = _qo_time_text(unit);
    for (size_t i = 0; u && i < sizeof units / sizeof *units; i++)
        if (strcmp(u, units[i].name) == 0) return units[i].ms;
    return 1;
}

qo_val_t time_add(qo_val_t ms, qo_val_t n, qo_val_t unit) {
    return _qo_time_wrap_add(ms, _qo_time_wrap_mul(n, _qo_ms_unit(unit)));
}

qo_val_t time_diff(qo_val_t a, qo_val_t b, qo_val_t unit) {
    return _qo_time_wrap_sub(b, a) / _qo_ms_unit(unit);
}
