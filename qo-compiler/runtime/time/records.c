/*
 * records.c -- where time records live, and how a word is known to be one.
 *
 * Zones, local dates, date-times, calendars, calendar times and rhythms are
 * records that start with a type tag, and every function that takes one must
 * reject any other word (small integers, strings, lists, unmapped addresses,
 * records of another kind) without faulting. Reading the tag at an arbitrary
 * address would need a probe of the page (_qo_readable) plus trust that the
 * tag bytes never occur elsewhere. Instead every record is carved from a
 * pool that belongs to its tag: a word is a record exactly when it is the
 * start of a handed-out slot of that pool. The test reads only the pool's
 * own bookkeeping, so it cannot fault, cannot be fooled by a string or a
 * byte buffer that happens to hold a tag, and costs a few compares.
 *
 * A pool is a list of chunks whose sizes double (64 slots, then 128, ...),
 * so a pool of n records has about log2(n) chunks to scan. Records are never
 * freed (their values may sit in any variable for the life of the program),
 * which is what makes a bump allocator enough. Allocation takes the pool's
 * lock; the test takes none: a chunk is fully set up before the chunk count
 * that makes it visible is published, and the slot count only grows.
 *
 * This file also holds the small helpers the other time files share.
 */
#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

#define QO_REC_MAX_CHUNKS 48
#define QO_REC_FIRST_SLOTS 64

typedef struct {
    char *base;
    uint64_t slots;
    uint64_t used; /* atomic */
} qo_rec_chunk;

typedef struct {
    uint32_t tag;
    size_t slot_size;
    pthread_mutex_t lock;
    uint32_t nchunks; /* atomic */
    qo_rec_chunk chunks[QO_REC_MAX_CHUNKS];
} qo_rec_pool;

#define QO_REC_POOL(tag, type) {tag, sizeof(type), PTHREAD_MUTEX_INITIALIZER, 0, {{0}}}

static qo_rec_pool _qo_rec_pools[] = {
    QO_REC_POOL(QO_ZONE_TAG, qo_zone),
    QO_REC_POOL(QO_LOCAL_DATE_TAG, qo_local_date),
    QO_REC_POOL(QO_LOCAL_DATETIME_TAG, qo_local_datetime),
    QO_REC_POOL(QO_CALENDAR_TAG, qo_calendar),
    QO_REC_POOL(QO_CAL_TIME_TAG, qo_cal_time),
    QO_REC_POOL(QO_RHYTHM_TAG, qo_rhythm),
};

static qo_rec_pool *_qo_rec_pool_of(uint32_t tag) {
    for (size_t i = 0; i < sizeof _qo_rec_pools / sizeof *_qo_rec_pools; i++)
        if (_qo_rec_pools[i].tag == tag) return &_qo_rec_pools[i];
    return NULL;
}

void *_qo_time_record(qo_val_t v, uint32_t tag) {
    qo_rec_pool *pool = _qo_rec_pool_of(tag);
    if (!pool || (uint64_t)v < 0x10000) return NULL;
    uintptr_t a = (uintptr_t)v;
    uint32_t n = __atomic_load_n(&pool->nchunks, __ATOMIC_ACQUIRE);
    /* Newest first: the newest chunk is the largest and holds most records. */
    for (uint32_t i = n; i-- > 0;) {
        qo_rec_chunk *c = &pool->chunks[i];
        uintptr_t base = (uintptr_t)c->base;
        if (a < base || a - base >= c->slots * pool->slot_size) continue;
        uintptr_t off = a - base;
        if (off % pool->slot_size) return NULL;
        if (off / pool->slot_size >= __atomic_load_n(&c->used, __ATOMIC_ACQUIRE)) return NULL;
        return (void *)a;
    }
    return NULL;
}

void *_qo_time_record_new(uint32_t tag) {
    qo_rec_pool *pool = _qo_rec_pool_of(tag);
    pthread_mutex_lock(&pool->lock);
    uint32_t n = pool->nchunks;
    qo_rec_chunk *c = n ? &pool->chunks[n - 1] : NULL;
    if (!c || c->used == c->slots) {
        if (n == QO_REC_MAX_CHUNKS) { /* 2^53 records: memory ran out long before */
            fputs("qo_runtime: out of memory\n", stderr);
            exit(1);
        }
        c = &pool->chunks[n];
        c->slots = (uint64_t)QO_REC_FIRST_SLOTS << n;
        c->base = _qo_xcalloc(c->slots, pool->slot_size);
        c->used = 0;
        __atomic_store_n(&pool->nchunks, n + 1, __ATOMIC_RELEASE);
    }
    char *slot = c->base + c->used * pool->slot_size;
    memcpy(slot, &tag, sizeof tag);
    __atomic_store_n(&c->used, c->used + 1, __ATOMIC_RELEASE);
    pthread_mutex_unlock(&pool->lock);
    return slot;
}

char *_qo_time_strdup(const char *s) {
    size_t n = strlen(s);
    char *copy = _qo_xmalloc(n + 1);
    memcpy(copy, s, n + 1);
    return copy;
}

const char *_qo_time_text(qo_val_t v) {
    return v && looks_like_string(v) ? (const char *)(intptr_t)v : NULL;
}

/* ---- arithmetic that never overflows ---- */

int64_t _qo_time_wrap_add(int64_t a, int64_t b) { return (int64_t)((uint64_t)a + (uint64_t)b); }
int64_t _qo_time_wrap_sub(int64_t a, int64_t b) { return (int64_t)((uint64_t)a - (uint64_t)b); }
int64_t _qo_time_wrap_mul(int64_t a, int64_t b) { return (int64_t)((uint64_t)a * (uint64_t)b); }

int64_t _qo_time_clamp_i32(int64_t v) {
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v;
}

__int128 _qo_time_floor_div(__int128 a, int64_t b) {
    __int128 q = a / b;
    return (a % b < 0) ? q - 1 : q;
}

int64_t _qo_time_floor_mod(__int128 a, int64_t b) {
    __int128 r = a % b;
    return (int64_t)(r < 0 ? r + b : r);
}

int _qo_time_secs_to_ns(int64_t secs, int64_t ns, int64_t *out) {
    __int128 v = (__int128)secs * QO_NS_PER_SEC + ns;
    if (v < INT64_MIN || v > INT64_MAX) return 0;
    *out = (int64_t)v;
    return 1;
}

double _qo_time_phase(__int128 since, int64_t len) {
    double p = (double)_qo_time_floor_mod(since, len) / (double)len;
    /* Rounding can reach 1.0 when len needs more than 53 bits. */
    return p < 1.0 ? p : nextafter(1.0, 0.0);
}
