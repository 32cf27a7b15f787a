/*
 * calendar.c -- calendars and calendar times.
 *
 * A calendar divides the time line into cycles (Earth days in a zone, Mars
 * sols, any fixed length, none, or offsets from an epoch); a calendar time
 * is an Instant seen through one. Calendars are interned like zones, in a
 * table of 64 under a lock, so equal calendars are the same record. Every
 * function that wants a calendar takes any word and falls back to the Earth
 * calendar of the local zone, so a Qo program never has to check first.
 *
 * Cycle arithmetic runs in 128 bits: an instant minus an epoch can reach
 * twice the 64-bit range.
 */
#include <math.h>
#include <pthread.h>
#include <time.h>

#define QO_CAL_TABLE_SIZE 64

static qo_calendar *_qo_cal_table[QO_CAL_TABLE_SIZE];
static int _qo_cal_count;
static pthread_mutex_t _qo_cal_lock = PTHREAD_MUTEX_INITIALIZER;

qo_val_t _qo_cal_intern(uint32_t kind, qo_zone *zone, int64_t cycle, int64_t epoch) {
    pthread_mutex_lock(&_qo_cal_lock);
    qo_calendar *c = NULL;
    for (int i = 0; i < _qo_cal_count && !c; i++) {
        qo_calendar *e = _qo_cal_table[i];
        if (e->kind == kind && e->zone == zone && e->cycle == cycle && e->epoch == epoch) c = e;
    }
    if (!c) {
        c = _qo_time_record_new(QO_CALENDAR_TAG);
        c->kind = kind;
        c->zone = zone;
        c->cycle = cycle;
        c->epoch = epoch;
        if (_qo_cal_count < QO_CAL_TABLE_SIZE) _qo_cal_table[_qo_cal_count++] = c;
    }
    pthread_mutex_unlock(&_qo_cal_lock);
    return (qo_val_t)(intptr_t)c;
}

qo_val_t earth_calendar(qo_val_t zone) {
    qo_zone *z = _qo_time_record(zone, QO_ZONE_TAG);
    if (!z) z = (qo_zone *)(intptr_t)zone_local();
    return _qo_cal_intern(QO_CAL_EARTH, z, QO_NS_PER_DAY, 0);
}

qo_val_t earth_calendar_default(void) { return earth_calendar(zone_local()); }

qo_val_t mars_calendar(void) {
    qo_zone *mtc = (qo_zone *)(intptr_t)_qo_zone_intern("MTC", 1, 0);
    return _qo_cal_intern(QO_CAL_MARS, mtc, QO_NS_PER_SOL, 0);
}

qo_val_t cycle_calendar(qo_val_t length) {
    return _qo_cal_intern(QO_CAL_CYCLE, NULL, length < 1 ? 1 : length, 0);
}

qo_val_t no_cycle_calendar(void) { return _qo_cal_intern(QO_CAL_NO_CYCLE, NULL, 0, 0); }
qo_val_t relative_calendar(qo_val_t epoch) { return _qo_cal_intern(QO_CAL_RELATIVE, NULL, 0, epoch); }

qo_calendar *_qo_cal_or_default(qo_val_t v) {
    qo_calendar *c = _qo_time_record(v, QO_CALENDAR_TAG);
    return c ? c : (qo_calendar *)(intptr_t)earth_calendar_default();
}

static qo_val_t _qo_cal_time_make(int64_t instant, qo_calendar *cal) {
    qo_cal_time *ct = _qo_time_record_new(QO_CAL_TIME_TAG);
    ct->instant = instant;
    ct->cal = cal;
    return (qo_val_t)(intptr_t)ct;
}

qo_val_t now_in(qo_val_t cal) { return _qo_cal_time_make(qo_now_instant(), _qo_cal_or_default(cal)); }

qo_val_t in_calendar(qo_val_t instant, qo_val_t cal) {
    return _qo_cal_time_make(instant, _qo_cal_or_default(cal));
}

qo_val_t cal_in(qo_val_t ct, qo_val_t cal) {
    const qo_cal_time *t = _qo_time_record(ct, QO_CAL_TIME_TAG);
    return t ? _qo_cal_time_make(t->instant, _qo_cal_or_default(cal)) : 0;
}

qo_val_t cal_to_instant(qo_val_t ct) {
    const qo_cal_time *t = _qo_time_record(ct, QO_CAL_TIME_TAG);
    return t ? t->instant : 0;
}

/* Phase of the UTC cycle, Earth calendars included (not the local day). */
qo_val_t cal_cycle_phase(qo_val_t ct) {
    const qo_cal_time *t = _qo_time_record(ct, QO_CAL_TIME_TAG);
    if (!t) return qo_from_float(0.0);
    if (t->cal->kind == QO_CAL_NO_CYCLE) return qo_from_float(NAN);
    int64_t len = t->cal->cycle;
    if (len < 1) return qo_from_float(0.0);
    return qo_from_float(_qo_time_phase((__int128)t->instant - t->cal->epoch, len));
}

/* The wall clock date + time in the applied zone, as seconds. Months
 * outside 1-12 carry into the year here, in 64 bits, so that no field of
 * the broken-down time overflows before mktime normalises the rest. */
static int _qo_cal_local_secs(const qo_local_date *d, int64_t hour, int64_t minute, int64_t second,
                              int64_t *secs) {
    int64_t month0 = (int64_t)d->month - 1;
    int64_t year = d->year + (int64_t)_qo_time_floor_div(month0, 12) - 1900;
    if (year != _qo_time_clamp_i32(year)) return 0;
    struct tm tm = {0};
    tm.tm_year = (int)year;
    tm.tm_mon = (int)_qo_time_floor_mod(month0, 12);
    tm.tm_mday = d->day;
    tm.tm_hour = (int)hour;
    tm.tm_min = (int)minute;
    tm.tm_sec = (int)second;
    tm.tm_isdst = -1;
    return _qo_zone_mktime(&tm, secs);
}

qo_val_t zoned(qo_val_t date, qo_val_t time, qo_val_t cal) {
    const qo_local_date *d = _qo_time_record(date, QO_LOCAL_DATE_TAG);
    if (!d) return 0;
    qo_calendar *c = _qo_cal_or_default(cal);
    int64_t hour = local_time_hour(time), minute = local_time_minute(time);
    int64_t second = local_time_second(time), secs, instant;
    if (c->kind == QO_CAL_EARTH) {
        _qo_apply_zone((qo_val_t)(intptr_t)c->zone);
        if (!_qo_cal_local_secs(d, hour, minute, second, &secs)) return 0;
    } else {
        secs = _qo_time_days_from_civil(d->year, d->month, d->day) * 86400 + hour * 3600 +
               minute * 60 + second;
    }
    if (!_qo_time_secs_to_ns(secs, local_time_nanos(time), &instant)) return 0;
    return _qo_cal_time_make(instant, c);
}
