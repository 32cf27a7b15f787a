#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t instants(qo_val_t start, qo_val_t d, qo_val_t n);
qo_val_t rejected(qo_val_t start, qo_val_t d, qo_val_t n);
qo_val_t locals(qo_val_t day, qo_val_t t, qo_val_t other);
qo_val_t scoped(qo_val_t x);

qo_val_t instants(qo_val_t start, qo_val_t d, qo_val_t n) {
  qo_val_t a = qo_instant_add_dur(now(), qo_duration_from_nanos((qo_val_t)(5LL * 1000000000LL)));
  qo_val_t b = qo_instant_add_dur(start, d);
  qo_val_t c = qo_instant_sub_dur(start, d);
  qo_val_t e = qo_instant_diff(now(), start);
  qo_val_t f = qo_duration_add(e, d);
  qo_val_t g = qo_duration_scale(d, 3);
  qo_val_t h = qo_duration_scale(d, n);
  qo_val_t i = qo_duration_div(d, 2);
  qo_val_t j = qo_duration_add((-d), d);
  qo_val_t k = qo_duration_sub(d, d);
  qo_val_t l = qo_instant_lt(start, now());
  qo_val_t m = qo_duration_lt(d, qo_duration_from_nanos((qo_val_t)(1LL * 1000000000LL)));
  qo_val_t o = qo_instant_le(start, now());
  qo_val_t p = qo_duration_gt(d, qo_duration_from_nanos((qo_val_t)(1LL * 1000000LL)));
  qo_val_t q = qo_instant_ge(start, start);
  qo_val_t r = qo_instant_eq(start, now());
  qo_val_t s = qo_duration_ne(d, d);
  qo_val_t t = (start <= d);
  qo_val_t u = qo_instant_add_dur(unix_seconds(10), duration_seconds(3));
  return 0;
}

qo_val_t rejected(qo_val_t start, qo_val_t d, qo_val_t n) {
  qo_val_t a = 0 /* TIME_TYPE_ERROR: Instant + Instant */;
  qo_val_t b = 0 /* TIME_TYPE_ERROR: Int + Duration */;
  qo_val_t c = 0 /* TIME_TYPE_ERROR: Duration + Int */;
  qo_val_t e = 0 /* TIME_TYPE_ERROR: Duration - Int */;
  qo_val_t f = 0 /* TIME_TYPE_ERROR: Instant < Duration */;
  qo_val_t g = 0 /* TIME_TYPE_ERROR: Duration < Instant */;
  qo_val_t h = 0 /* TIME_TYPE_ERROR: Duration + Int */;
  qo_val_t ct = now_in(mars_calendar());
  qo_val_t i = 0 /* TIME_TYPE_ERROR: CalendarTime + CalendarTime */;
  return 0;
}

qo_val_t locals(qo_val_t day, qo_val_t t, qo_val_t other) {
  qo_val_t a = qo_local_date_add_dur(day, qo_duration_from_nanos((qo_val_t)(1LL * 86400000000000LL)));
  qo_val_t b = qo_local_date_lt(day, other);
  qo_val_t c = qo_local_date_eq(day, other);
  qo_val_t e = qo_local_time_add_dur(t, qo_duration_from_nanos((qo_val_t)(90LL * 60000000000LL)));
  qo_val_t f = qo_local_date_add_dur(local_date(2024, 2, 28), qo_duration_from_nanos((qo_val_t)(2LL * 86400000000000LL)));
  qo_val_t g = qo_local_time_add_dur(local_time(9, 30, 0, 0), qo_duration_from_nanos((qo_val_t)(15LL * 60000000000LL)));
  qo_val_t h = qo_str_concat(a, qo_duration_from_nanos((qo_val_t)(1LL * 86400000000000LL)));
  return 0;
}

qo_val_t scoped(qo_val_t x) {
  qo_val_t a = qo_str_concat(start, d);
  qo_val_t z = zone(QO_STR("UTC"));
  qo_val_t cal = earth_calendar(z);
  return 0;
}

int main(int _argc, char** _argv) {
  qo_runtime_init_args(_argc, _argv);
  qo_val_t later = qo_instant_add_dur(now(), qo_duration_from_nanos((qo_val_t)(1LL * 1000000000LL)));
  qo_val_t bad = 0 /* TIME_TYPE_ERROR: Instant + Instant */;
  return 0;
}

#error "temporal type error: Instant + Instant is not allowed"
#error "temporal type error: Int + Duration is not allowed"
#error "temporal type error: Duration + Int is not allowed (use duration_seconds(n) or N.seconds)"
#error "temporal type error: Duration - Int is not allowed"
#error "temporal type error: Instant < Duration is not allowed"
#error "temporal type error: Duration < Instant is not allowed"
#error "temporal type error: CalendarTime + CalendarTime is not allowed (use cal_to_instant + Duration)"
