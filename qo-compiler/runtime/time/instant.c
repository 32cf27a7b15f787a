/*
 * instant.c -- the clocks, Instants and Durations, and sleeping.
 *
 * Instants and Durations are bare nanosecond counts in the value word, so
 * the operators the compiler rewrites are one machine operation each. Sums,
 * differences and products wrap around in 64 bits instead of overflowing
 * (which C leaves undefined): the arithmetic stays plain two's complement
 * and the one division that cannot be represented, the most negative
 * duration by -1, wraps to itself instead of trapping.
 */
#include <sys/time.h>
#include <time.h>

static int64_t _qo_inst_clock(void) {
    struct timespec ts;
    if (clock_gettime(CLOCK_REALTIME, &ts) == 0)
        return (int64_t)ts.tv_sec * QO_NS_PER_SEC + ts.tv_nsec;
    struct timeval tv;
    gettimeofday(&tv, NULL);
    return (int64_t)tv.tv_sec * QO_NS_PER_SEC + (int64_t)tv.tv_usec * 1000;
}

qo_val_t now(void) { return _qo_inst_clock(); }
qo_val_t now_ns(void) { return _qo_inst_clock(); }
qo_val_t qo_now_instant(void) { return _qo_inst_clock(); }
qo_val_t unix_timestamp(void) { return _qo_inst_clock() / QO_NS_PER_SEC; }

qo_val_t unix_seconds(qo_val_t s) { return _qo_time_wrap_mul(s, QO_NS_PER_SEC); }
qo_val_t unix_millis(qo_val_t ms) { return _qo_time_wrap_mul(ms, 1000000); }
qo_val_t duration_seconds(qo_val_t n) { return _qo_time_wrap_mul(n, QO_NS_PER_SEC); }
qo_val_t duration_millis(qo_val_t n) { return _qo_time_wrap_mul(n, 1000000); }
qo_val_t duration_nanos(qo_val_t n) { return n; }
qo_val_t qo_duration_from_nanos(qo_val_t n) { return n; }
qo_val_t instant_to_unix_seconds(qo_val_t i) { return i / QO_NS_PER_SEC; }
qo_val_t instant_to_unix_millis(qo_val_t i) { return i / 1000000; }
qo_val_t duration_to_seconds(qo_val_t d) { return d / QO_NS_PER_SEC; }
qo_val_t duration_to_millis(qo_val_t d) { return d / 1000000; }
qo_val_t duration_to_nanos(qo_val_t d) { return d; }

qo_val_t qo_instant_add_dur(qo_val_t i, qo_val_t d) { return _qo_time_wrap_add(i, d); }
qo_val_t qo_instant_sub_dur(qo_val_t i, qo_val_t d) { return _qo_time_wrap_sub(i, d); }
qo_val_t qo_instant_diff(qo_val_t a, qo_val_t b) { return _qo_time_wrap_sub(a, b); }
qo_val_t qo_duration_add(qo_val_t a, qo_val_t b) { return _qo_time_wrap_add(a, b); }
qo_val_t qo_duration_sub(qo_val_t a, qo_val_t b) { return _qo_time_wrap_sub(a, b); }
qo_val_t qo_duration_scale(qo_val_t d, qo_val_t k) { return _qo_time_wrap_mul(d, k); }

qo_val_t qo_duration_div(qo_val_t d, qo_val_t k) {
    if (k == 0) return 0;
    if (k == -1) return _qo_time_wrap_sub(0, d);
    return d / k;
}

#define QO_INST_COMPARE(name, op) \
    qo_val_t name(qo_val_t a, qo_val_t b) { return a op b; }
QO_INST_COMPARE(qo_instant_lt, <)
QO_INST_COMPARE(qo_instant_le, <=)
QO_INST_COMPARE(qo_instant_gt, >)
QO_INST_COMPARE(qo_instant_ge, >=)
QO_INST_COMPARE(qo_instant_eq, ==)
QO_INST_COMPARE(qo_instant_ne, !=)
QO_INST_COMPARE(qo_duration_lt, <)
QO_INST_COMPARE(qo_duration_le, <=)
QO_INST_COMPARE(qo_duration_gt, >)
QO_INST_COMPARE(qo_duration_ge, >=)
QO_INST_COMPARE(qo_duration_eq, ==)
QO_INST_COMPARE(qo_duration_ne, !=)
#undef QO_INST_COMPARE

/* One nanosleep of n units of unit_ns; a signal ends it early, by design. */
static qo_val_t _qo_inst_sleep(int64_t n, int64_t unit_ns) {
    if (n <= 0) return 0;
    int64_t per_sec = QO_NS_PER_SEC / unit_ns;
    struct timespec ts = {.tv_sec = n / per_sec, .tv_nsec = (n % per_sec) * unit_ns};
    nanosleep(&ts, NULL);
    return 0;
}

qo_val_t sleep_secs(qo_val_t n) { return _qo_inst_sleep(n, QO_NS_PER_SEC); }
qo_val_t sleep_ms(qo_val_t n) { return _qo_inst_sleep(n, 1000000); }
qo_val_t qo_sleep_duration(qo_val_t d) { return _qo_inst_sleep(d, 1); }
