/* Instants, durations, clocks, zones, local dates and times, calendars and
 * rhythms. Part of qo_runtime.h; include that instead.
 *
 * An Instant (nanoseconds since 1970-01-01T00:00:00Z), a Duration
 * (nanoseconds) and a LocalTime (nanoseconds since midnight) are plain
 * integers. Everything else is a small record that starts with a type tag;
 * time/records.c explains how a record is told from any other word. */
#ifndef QO_TIME_QO_TIME_H
#define QO_TIME_QO_TIME_H

#define QO_ZONE_TAG 0xE12017E0u
#define QO_LOCAL_DATE_TAG 0xE1DA7E00u
#define QO_LOCAL_DATETIME_TAG 0xE1DA7E1Du
#define QO_CALENDAR_TAG 0xE1CA1EDDu
#define QO_CAL_TIME_TAG 0xE1CA1747u
#define QO_RHYTHM_TAG 0xE1287A11u

#define QO_NS_PER_SEC 1000000000LL
#define QO_NS_PER_DAY 86400000000000LL
#define QO_NS_PER_SOL 88775244000000LL

typedef struct qo_zone {
    uint32_t tag;
    const char *name;
    uint32_t fixed;  /* 1: fixed offset (or explicit UTC); 0: named zone */
    int64_t offset;  /* ns east of UTC, fixed zones only */
} qo_zone;

typedef struct qo_local_date {
    uint32_t tag;
    int32_t year, month, day;
} qo_local_date;

typedef struct qo_local_datetime {
    uint32_t tag;
    qo_local_date *date;
    int64_t time;
} qo_local_datetime;

enum { QO_CAL_EARTH = 1, QO_CAL_MARS, QO_CAL_CYCLE, QO_CAL_NO_CYCLE, QO_CAL_RELATIVE };

typedef struct qo_calendar {
    uint32_t tag;
    uint32_t kind;
    qo_zone *zone;
    int64_t cycle;
    int64_t epoch;
} qo_calendar;

typedef struct qo_cal_time {
    uint32_t tag;
    int64_t instant;
    qo_calendar *cal;
} qo_cal_time;

enum {
    QO_RHYTHM_CYCLE_START = 1, QO_RHYTHM_CYCLE_PHASE, QO_RHYTHM_DURATION,
    QO_RHYTHM_SESSION_START, QO_RHYTHM_EVENT, QO_RHYTHM_AND, QO_RHYTHM_OR,
    QO_RHYTHM_WEEKDAY, QO_RHYTHM_WEEKLY_AT
};

typedef struct qo_rhythm {
    uint32_t tag;
    uint32_t kind;
    double phase;
    int64_t period;
    int32_t weekday, hour, minute;
    const char *event;
    struct qo_rhythm *left, *right;
} qo_rhythm;

/* ---- clocks, instants and durations ---- */

qo_val_t now(void);
qo_val_t now_ns(void);
qo_val_t qo_now_instant(void);
qo_val_t unix_timestamp(void);

qo_val_t unix_seconds(qo_val_t s);
qo_val_t unix_millis(qo_val_t ms);
qo_val_t duration_seconds(qo_val_t n);
qo_val_t duration_millis(qo_val_t n);
qo_val_t duration_nanos(qo_val_t n);
qo_val_t qo_duration_from_nanos(qo_val_t n);
qo_val_t instant_to_unix_seconds(qo_val_t i);
qo_val_t instant_to_unix_millis(qo_val_t i);
qo_val_t duration_to_seconds(qo_val_t d);
qo_val_t duration_to_millis(qo_val_t d);
qo_val_t duration_to_nanos(qo_val_t d);

/* The compiler rewrites temporal operators into these. Sums, differences
 * and products wrap around in 64 bits. */
qo_val_t qo_instant_add_dur(qo_val_t i, qo_val_t d);
qo_val_t qo_instant_sub_dur(qo_val_t i, qo_val_t d);
qo_val_t qo_instant_diff(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_add(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_sub(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_scale(qo_val_t d, qo_val_t k);
qo_val_t qo_duration_div(qo_val_t d, qo_val_t k);

qo_val_t qo_instant_lt(qo_val_t a, qo_val_t b);
qo_val_t qo_instant_le(qo_val_t a, qo_val_t b);
qo_val_t qo_instant_gt(qo_val_t a, qo_val_t b);
qo_val_t qo_instant_ge(qo_val_t a, qo_val_t b);
qo_val_t qo_instant_eq(qo_val_t a, qo_val_t b);
qo_val_t qo_instant_ne(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_lt(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_le(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_gt(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_ge(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_eq(qo_val_t a, qo_val_t b);
qo_val_t qo_duration_ne(qo_val_t a, qo_val_t b);

qo_val_t instant_to_iso8601(qo_val_t i);
qo_val_t instant_from_iso8601(qo_val_t s);

qo_val_t sleep_secs(qo_val_t n);
qo_val_t sleep_ms(qo_val_t n);
qo_val_t qo_sleep_duration(qo_val_t d);
#ifndef __cplusplus
/* `sleep(n)` with a plain number of seconds is the C library's own sleep,
 * which generated programs reach without including <unistd.h>. */
unsigned int sleep(unsigned int seconds);
#endif

/* ---- millisecond time ---- */

qo_val_t time_now(void);
qo_val_t time_now_utc(void);
qo_val_t now_millis(void);
qo_val_t unix_timestamp_ms(void);
qo_val_t time_now_ms(void);
qo_val_t time_format(qo_val_t ms, qo_val_t fmt);
qo_val_t time_to_parts(qo_val_t ms);
qo_val_t time_from_parts(qo_val_t secs, qo_val_t nanos, qo_val_t unused);
qo_val_t time_add(qo_val_t ms, qo_val_t n, qo_val_t unit);
qo_val_t time_diff(qo_val_t a, qo_val_t b, qo_val_t unit);

/* ---- zones ---- */

qo_val_t zone(qo_val_t name);
qo_val_t zone_utc(void);
qo_val_t zone_local(void);
qo_val_t zone_offset(qo_val_t hours, qo_val_t minutes);

/* ---- local dates and times ---- */

qo_val_t local_date(qo_val_t year, qo_val_t month, qo_val_t day);
qo_val_t local_date_year(qo_val_t d);
qo_val_t local_date_month(qo_val_t d);
qo_val_t local_date_day(qo_val_t d);
qo_val_t local_time(qo_val_t hour, qo_val_t minute, qo_val_t second, qo_val_t nanos);
qo_val_t local_time_hour(qo_val_t t);
qo_val_t local_time_minute(qo_val_t t);
qo_val_t local_time_second(qo_val_t t);
qo_val_t local_time_nanos(qo_val_t t);
qo_val_t local_datetime(qo_val_t date, qo_val_t time);
qo_val_t qo_local_date_add_dur(qo_val_t d, qo_val_t dur);
qo_val_t qo_local_time_add_dur(qo_val_t t, qo_val_t dur);
qo_val_t qo_local_date_lt(qo_val_t a, qo_val_t b);
qo_val_t qo_local_date_eq(qo_val_t a, qo_val_t b);

/* ---- calendars ---- */

qo_val_t earth_calendar(qo_val_t zone);
qo_val_t earth_calendar_default(void);
qo_val_t mars_calendar(void);
qo_val_t cycle_calendar(qo_val_t length);
qo_val_t no_cycle_calendar(void);
qo_val_t relative_calendar(qo_val_t epoch);

qo_val_t now_in(qo_val_t cal);
qo_val_t in_calendar(qo_val_t instant, qo_val_t cal);
qo_val_t cal_in(qo_val_t ct, qo_val_t cal);
qo_val_t cal_to_instant(qo_val_t ct);
qo_val_t cal_cycle_phase(qo_val_t ct);
qo_val_t zoned(qo_val_t date, qo_val_t time, qo_val_t cal);
qo_val_t cal_format(qo_val_t ct, qo_val_t pattern);

/* ---- rhythms ---- */

qo_val_t rhythm_cycle_start(void);
qo_val_t rhythm_cycle_phase(qo_val_t phase);
qo_val_t rhythm_duration(qo_val_t period);
qo_val_t rhythm_session_start(void);
qo_val_t rhythm_event(qo_val_t name);
qo_val_t rhythm_and(qo_val_t a, qo_val_t b);
qo_val_t rhythm_or(qo_val_t a, qo_val_t b);
qo_val_t rhythm_weekday(qo_val_t weekday);
qo_val_t rhythm_weekly_at(qo_val_t weekday, qo_val_t hour, qo_val_t minute);
qo_val_t rhythm_next_after(qo_val_t r, qo_val_t instant, qo_val_t cal);
qo_val_t rhythm_matches(qo_val_t r, qo_val_t ct);

/* ---- For the runtime's own subsystems (and tests), not for Qo code. ---- */

struct tm;

/* The record behind v when v is a record with this tag, else NULL. Never
 * reads memory the time subsystem did not hand out. */
void *_qo_time_record(qo_val_t v, uint32_t tag);
/* A new zero-filled record of the given tag; records are never freed. */
void *_qo_time_record_new(uint32_t tag);
/* A private copy (never arena-tracked) for records that outlive scopes. */
char *_qo_time_strdup(const char *s);
/* A text argument, or NULL for null and for words that do not read as text. */
const char *_qo_time_text(qo_val_t v);

int64_t _qo_time_wrap_add(int64_t a, int64_t b);
int64_t _qo_time_wrap_sub(int64_t a, int64_t b);
int64_t _qo_time_wrap_mul(int64_t a, int64_t b);
int64_t _qo_time_clamp_i32(int64_t v);
/* Floor division and the non-negative remainder, for b > 0, in 128 bits
 * (an instant minus an epoch can reach twice the 64-bit range). */
__extension__ typedef __int128 qo_time_i128;
qo_time_i128 _qo_time_floor_div(qo_time_i128 a, int64_t b);
int64_t _qo_time_floor_mod(qo_time_i128 a, int64_t b);
/* (since mod len) / len, in [0, 1) even where doubles round up. */
double _qo_time_phase(qo_time_i128 since, int64_t len);
/* seconds x 1e9 + ns into *out; 0 when that leaves the Instant range. */
int _qo_time_secs_to_ns(int64_t secs, int64_t ns, int64_t *out);

/* The UTC wall clock of a millisecond count, flooring before 1970 (-1 is
 * 23:59:59.999), and its ISO text with milliseconds. */
void _qo_time_split_ms(int64_t ms, struct tm *tm, int *millis);
qo_val_t _qo_time_iso_from_ms(int64_t ms);

/* Proleptic Gregorian calendar. days_from_civil normalises the month
 * (13 is January of the next year) and adds day - 1 linearly. */
int _qo_time_days_in_month(int64_t year, int64_t month);
int64_t _qo_time_days_from_civil(int64_t year, int64_t month, int64_t day);

qo_val_t _qo_zone_intern(const char *name, uint32_t fixed, int64_t offset);
/* Points TZ at the zone (removes it for null and "LOCAL") and calls tzset. */
qo_val_t _qo_apply_zone(qo_val_t zone);
/* Local time in the applied zone: the wall clock of secs, and the seconds of
 * a wall clock (tm_isdst decides daylight saving; -1 lets the C library
 * choose). Both return 0 when the C library cannot answer. */
int _qo_zone_localtime(int64_t secs, struct tm *out);
int _qo_zone_mktime(struct tm *tm, int64_t *secs);

qo_val_t _qo_cal_intern(uint32_t kind, qo_zone *zone, int64_t cycle, int64_t epoch);
/* The calendar behind v, or the Earth calendar of "LOCAL" for a non-calendar. */
qo_calendar *_qo_cal_or_default(qo_val_t v);
qo_val_t _qo_format_cycle(const qo_cal_time *ct, const char *pattern);
int64_t _qo_next_after(const qo_rhythm *r, int64_t t, const qo_calendar *cal);

#endif
