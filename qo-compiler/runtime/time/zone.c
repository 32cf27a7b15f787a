/*
 * zone.c -- zones, and computing local time in one through the C library.
 *
 * A zone is a name plus, for fixed zones, an offset. Zones are interned in a
 * table of 64 so that the same zone asked for twice is the same record and
 * calendars can compare zones by address; past 64, each new request gets a
 * fresh record that is not entered. The table takes a lock so that two
 * threads interning at once cannot lose an entry or see a half-made one.
 *
 * Named zones (Europe/Berlin, LOCAL) are resolved by the C library from the
 * system's zone database, including daylight saving. To compute in a zone
 * the runtime points the process-wide TZ at it and calls tzset: cheap, and
 * the C library's rules stay the only rules, at the price that local-time
 * work is process-wide and must not run on two threads at once.
 */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#define QO_ZONE_TABLE_SIZE 64

static qo_zone *_qo_zone_table[QO_ZONE_TABLE_SIZE];
static int _qo_zone_count;
static pthread_mutex_t _qo_zone_lock = PTHREAD_MUTEX_INITIALIZER;

static int _qo_zone_same(const qo_zone *z, const char *name, uint32_t fixed, int64_t offset) {
    return z->fixed == fixed && z->offset == offset && strcmp(z->name, name) == 0;
}

qo_val_t _qo_zone_intern(const char *name, uint32_t fixed, int64_t offset) {
    if (!name) name = "";
    pthread_mutex_lock(&_qo_zone_lock);
    qo_zone *z = NULL;
    for (int i = 0; i < _qo_zone_count && !z; i++)
        if (_qo_zone_same(_qo_zone_table[i], name, fixed, offset)) z = _qo_zone_table[i];
    if (!z) {
        z = _qo_time_record_new(QO_ZONE_TAG);
        z->name = _qo_time_strdup(name);
        z->fixed = fixed;
        z->offset = offset;
        if (_qo_zone_count < QO_ZONE_TABLE_SIZE) _qo_zone_table[_qo_zone_count++] = z;
    }
    pthread_mutex_unlock(&_qo_zone_lock);
    return (qo_val_t)(intptr_t)z;
}

/* "+HH:MM" or "-HH:MM" (anything may follow): offset in ns, or 0 when the
 * name is not of that shape and so names a zone of the database. The shape
 * alone decides: the four digit places are read as digits unchecked, so
 * "+1x:00" is an odd fixed offset rather than a database name. */
static int _qo_zone_parse_fixed(const char *name, int64_t *offset) {
    if (strlen(name) < 6 || (name[0] != '+' && name[0] != '-') || name[3] != ':') return 0;
    int64_t hours = (name[1] - '0') * 10 + (name[2] - '0');
    int64_t minutes = (name[4] - '0') * 10 + (name[5] - '0');
    int64_t ns = (hours * 3600 + minutes * 60) * QO_NS_PER_SEC;
    *offset = name[0] == '-' ? -ns : ns;
    return 1;
}

qo_val_t zone(qo_val_t name) {
    const char *n = _qo_time_text(name);
    if (!n || !*n) return _qo_zone_intern("UTC", 0, 0);
    int64_t offset;
    if (_qo_zone_parse_fixed(n, &offset)) return _qo_zone_intern(n, 1, offset);
    return _qo_zone_intern(n, 0, 0);
}

qo_val_t zone_utc(void) { return _qo_zone_intern("UTC", 1, 0); }
qo_val_t zone_local(void) { return _qo_zone_intern("LOCAL", 0, 0); }

/* Null when the offset does not fit the 64-bit nanosecond count. */
qo_val_t zone_offset(qo_val_t hours, qo_val_t minutes) {
    if (hours == INT64_MIN || minutes == INT64_MIN) return 0;
    int west = hours < 0 || minutes < 0;
    int64_t h = hours < 0 ? -hours : hours, m = minutes < 0 ? -minutes : minutes;
    int64_t hour_secs, minute_secs, secs, ns;
    if (__builtin_mul_overflow(h, 3600, &hour_secs) || __builtin_mul_overflow(m, 60, &minute_secs) ||
        __builtin_add_overflow(hour_secs, minute_secs, &secs) ||
        __builtin_mul_overflow(secs, QO_NS_PER_SEC, &ns))
        return 0;
    char name[64];
    snprintf(name, sizeof name, "%c%02lld:%02lld", west ? '-' : '+', (long long)h, (long long)m);
    return _qo_zone_intern(name, 1, west ? -ns : ns);
}

/* Rewriting TZ with the value it already has is skipped: setenv is the
 * dearest step of formatting a run of times in one zone. */
static void _qo_zone_set_tz(const char *value) {
    const char *current = getenv("TZ");
    if (!value) {
        if (current) unsetenv("TZ");
    } else if (!current || strcmp(current, value) != 0) {
        setenv("TZ", value, 1);
    }
}

qo_val_t _qo_apply_zone(qo_val_t zone) {
    const qo_zone *z = _qo_time_record(zone, QO_ZONE_TAG);
    char fixed[64];
    if (!z || (!z->fixed && strcmp(z->name, "LOCAL") == 0)) {
        _qo_zone_set_tz(NULL);
    } else if (!z->fixed) {
        _qo_zone_set_tz(z->name);
    } else if (strcmp(z->name, "UTC") == 0) {
        _qo_zone_set_tz("UTC0");
    } else {
        /* POSIX counts offsets west of UTC as positive. */
        int64_t minutes = z->offset / (60 * QO_NS_PER_SEC);
        if (minutes < 0) minutes = -minutes;
        snprintf(fixed, sizeof fixed, "FIX%c%lld:%02lld", z->offset > 0 ? '-' : '+', (long long)(minutes / 60),
                 (long long)(minutes % 60));
        _qo_zone_set_tz(fixed);
    }
    tzset();
    return 0;
}

int _qo_zone_localtime(int64_t secs, struct tm *out) {
    time_t t = (time_t)secs;
    return localtime_r(&t, out) != NULL;
}

/* mktime's failure value -1 is also a valid answer (one second before the
 * epoch, in UTC); a genuine -1 reads back as the same wall clock. */
int _qo_zone_mktime(struct tm *tm, int64_t *secs) {
    time_t t = mktime(tm);
    if (t == (time_t)-1) {
        struct tm back;
        if (!localtime_r(&t, &back) || back.tm_year != tm->tm_year || back.tm_mon != tm->tm_mon ||
            back.tm_mday != tm->tm_mday || back.tm_hour != tm->tm_hour || back.tm_min != tm->tm_min ||
            back.tm_sec != tm->tm_sec)
            return 0;
    }
    *secs = (int64_t)t;
    return 1;
}
