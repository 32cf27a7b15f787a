/*
 * local.c -- wall-clock values without a zone: dates, times of day, both.
 *
 * A LocalTime is a plain nanosecond count since midnight; dates and
 * date-times are records. Fields are stored as given, without range tests,
 * so date arithmetic must cope with days past a month's end and with month
 * numbers outside 1-12 (counted as 30-day months): it walks month by month
 * instead of converting to a day count, which keeps such dates stepping the
 * way a calendar page would, and costs at most about 3,600 steps for the
 * longest Duration (292 years).
 */

#define QO_LOCAL_NS_PER_HOUR 3600000000000LL
#define QO_LOCAL_NS_PER_MINUTE 60000000000LL

static qo_val_t _qo_local_date_make(int64_t year, int64_t month, int64_t day) {
    qo_local_date *d = _qo_time_record_new(QO_LOCAL_DATE_TAG);
    d->year = (int32_t)_qo_time_clamp_i32(year);
    d->month = (int32_t)_qo_time_clamp_i32(month);
    d->day = (int32_t)_qo_time_clamp_i32(day);
    return (qo_val_t)(intptr_t)d;
}

qo_val_t local_date(qo_val_t year, qo_val_t month, qo_val_t day) {
    return _qo_local_date_make(year, month, day);
}

qo_val_t local_date_year(qo_val_t d) {
    const qo_local_date *r = _qo_time_record(d, QO_LOCAL_DATE_TAG);
    return r ? r->year : 0;
}

qo_val_t local_date_month(qo_val_t d) {
    const qo_local_date *r = _qo_time_record(d, QO_LOCAL_DATE_TAG);
    return r ? r->month : 0;
}

qo_val_t local_date_day(qo_val_t d) {
    const qo_local_date *r = _qo_time_record(d, QO_LOCAL_DATE_TAG);
    return r ? r->day : 0;
}

qo_val_t local_time(qo_val_t hour, qo_val_t minute, qo_val_t second, qo_val_t nanos) {
    int64_t t = _qo_time_wrap_mul(hour, QO_LOCAL_NS_PER_HOUR);
    t = _qo_time_wrap_add(t, _qo_time_wrap_mul(minute, QO_LOCAL_NS_PER_MINUTE));
    t = _qo_time_wrap_add(t, _qo_time_wrap_mul(second, QO_NS_PER_SEC));
    return _qo_time_wrap_add(t, nanos);
}

qo_val_t local_time_hour(qo_val_t t) { return t / QO_LOCAL_NS_PER_HOUR; }
qo_val_t local_time_minute(qo_val_t t) { return t / QO_LOCAL_NS_PER_MINUTE % 60; }
qo_val_t local_time_second(qo_val_t t) { return t / QO_NS_PER_SEC % 60; }
qo_val_t local_time_nanos(qo_val_t t) { return t % QO_NS_PER_SEC; }

qo_val_t local_datetime(qo_val_t date, qo_val_t time) {
    qo_local_date *d = _qo_time_record(date, QO_LOCAL_DATE_TAG);
    if (!d) return 0;
    qo_local_datetime *dt = _qo_time_record_new(QO_LOCAL_DATETIME_TAG);
    dt->date = d;
    dt->time = time;
    return (qo_val_t)(intptr_t)dt;
}

/* Moves (year, month) one month on or back; months past December or before
 * January carry into the year. */
static void _qo_local_next_month(int64_t *year, int64_t *month) {
    if (++*month > 12) {
        *month = 1;
        ++*year;
    }
}

static void _qo_local_prev_month(int64_t *year, int64_t *month) {
    if (--*month < 1) {
        *month = 12;
        --*year;
    }
}

qo_val_t qo_local_date_add_dur(qo_val_t d, qo_val_t dur) {
    const qo_local_date *r = _qo_time_record(d, QO_LOCAL_DATE_TAG);
    if (!r) return d;
    int64_t days = dur / QO_NS_PER_DAY;
    int64_t y = r->year, m = r->month, day = r->day;
    while (days > 0) {
        /* Days left in this month, none when day is already past its end. */
        int64_t room = _qo_time_days_in_month(y, m) - day;
        if (room < 0) room = 0;
        if (days <= room) {
            day += days;
            break;
        }
        days -= room + 1;
        _qo_local_next_month(&y, &m);
        day = 1;
    }
    while (days < 0) {
        int64_t room = day > 1 ? day - 1 : 0;
        if (-days <= room) {
            day += days;
            break;
        }
        days += room + 1;
        _qo_local_prev_month(&y, &m);
        day = _qo_time_days_in_month(y, m);
    }
    /* A year pushed past the 32-bit field leaves the date where it was. */
    if (y != _qo_time_clamp_i32(y)) return _qo_local_date_make(r->year, r->month, r->day);
    return _qo_local_date_make(y, m, day);
}

qo_val_t qo_local_time_add_dur(qo_val_t t, qo_val_t dur) {
    return _qo_time_floor_mod((__int128)t + dur, QO_NS_PER_DAY);
}

qo_val_t qo_local_date_lt(qo_val_t a, qo_val_t b) {
    const qo_local_date *x = _qo_time_record(a, QO_LOCAL_DATE_TAG);
    const qo_local_date *y = _qo_time_record(b, QO_LOCAL_DATE_TAG);
    if (!x || !y) return 0;
    if (x->year != y->year) return x->year < y->year;
    if (x->month != y->month) return x->month < y->month;
    return x->day < y->day;
}

qo_val_t qo_local_date_eq(qo_val_t a, qo_val_t b) {
    const qo_local_date *x = _qo_time_record(a, QO_LOCAL_DATE_TAG);
    const qo_local_date *y = _qo_time_record(b, QO_LOCAL_DATE_TAG);
    return x && y && x->year == y->year && x->month == y->month && x->day == y->day;
}
