/*
 * state.c -- the process-wide state store (string keys to string values)
 * and the time-to-live cache kept in it.
 *
 * Data: one array of {key, value} entries in insertion order, both private
 * strdup'd copies that no arena ever frees, growing by doubling from 16
 * entries and never shrinking. One mutex, held for the whole of every
 * operation, makes each operation atomic; results are fresh copies taken
 * under the lock, so they stay valid after other threads change the store.
 *
 * Lookup is a linear scan with strcmp: the store holds tens to a few
 * thousand keys (the compiler's bookkeeping, a service's shared counters),
 * where a scan of a compact array is as quick as hashing and keeps the
 * order for free.
 *
 * The TTL cache stores the time of each cache write as the decimal
 * nanosecond Instant under "__ttl_at:" + key, an ordinary entry. Its
 * operations are sequences of store operations, not atomic as a whole.
 */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

#define QO_STATE_TTL_PREFIX "__ttl_at:"

typedef struct {
    char *key;
    char *value;
} _qo_state_entry;

static _qo_state_entry *_state_entries;
static int64_t _state_count, _state_cap;
static pthread_mutex_t _state_mu = PTHREAD_MUTEX_INITIALIZER;

/* Out of memory with the lock held: release it first, so that nothing run
 * at exit can block on the store. */
static void _qo_state_out_of_memory(void) {
    pthread_mutex_unlock(&_state_mu);
    _qo_out_of_memory();
}

/* A private copy, made under the lock. */
static char *_qo_state_dup(const char *s) {
    char *d = strdup(s);
    if (!d) _qo_state_out_of_memory();
    return d;
}

static int64_t _qo_state_find(const char *key) {
    for (int64_t i = 0; i < _state_count; i++)
        if (strcmp(_state_entries[i].key, key) == 0) return i;
    return -1;
}

static void _qo_state_append(const char *key, const char *value) {
    if (_state_count == _state_cap) {
        int64_t cap = _state_cap ? _state_cap * 2 : 16;
        _qo_state_entry *grown = realloc(_state_entries, (size_t)cap * sizeof *grown);
        if (!grown) _qo_state_out_of_memory();
        _state_entries = grown;
        _state_cap = cap;
    }
    _state_entries[_state_count].key = _qo_state_dup(key);
    _state_entries[_state_count].value = _qo_state_dup(value);
    _state_count++;
}

qo_val_t state_set(qo_val_t key, qo_val_t value) {
    const char *k = _qo_str_arg(key), *v = _qo_cstr(value);
    if (!k) return 0;
    pthread_mutex_lock(&_state_mu);
    int64_t i = _qo_state_find(k);
    if (i >= 0) {
        char *copy = _qo_state_dup(v);
        free(_state_entries[i].value);
        _state_entries[i].value = copy;
    } else {
        _qo_state_append(k, v);
    }
    pthread_mutex_unlock(&_state_mu);
    return 1;
}
qo_val_t __state_set(qo_val_t key, qo_val_t value) { return state_set(key, value); }

/* A fresh copy of the value of key, or 0 when key is missing. */
static qo_val_t _qo_state_copy_of(qo_val_t key) {
    const char *k = _qo_str_arg(key);
    if (!k) return 0;
    pthread_mutex_lock(&_state_mu);
    int64_t i = _qo_state_find(k);
    char *copy = i >= 0 ? _qo_state_dup(_state_entries[i].value) : NULL;
    pthread_mutex_unlock(&_state_mu);
    qo_arena_track((qo_val_t)(intptr_t)copy);
    return (qo_val_t)(intptr_t)copy;
}

qo_val_t state_get(qo_val_t key) {
    qo_val_t copy = _qo_state_copy_of(key);
    return copy ? copy : _qo_str_from("", 0);
}
qo_val_t __state_get(qo_val_t key) { return state_get(key); }

qo_val_t state_get_or(qo_val_t key, qo_val_t dflt) {
    qo_val_t copy = _qo_state_copy_of(key);
    return copy ? copy : dflt;
}

qo_val_t state_has(qo_val_t key) {
    const char *k = _qo_str_arg(key);
    if (!k) return 0;
    pthread_mutex_lock(&_state_mu);
    int found = _qo_state_find(k) >= 0;
    pthread_mutex_unlock(&_state_mu);
    return found;
}

qo_val_t state_del(qo_val_t key) {
    const char *k = _qo_str_arg(key);
    if (!k) return 0;
    pthread_mutex_lock(&_state_mu);
    int64_t i = _qo_state_find(k);
    if (i >= 0) {
        free(_state_entries[i].key);
        free(_state_entries[i].value);
        memmove(&_state_entries[i], &_state_entries[i + 1],
                (size_t)(_state_count - i - 1) * sizeof *_state_entries);
        _state_count--;
    }
    pthread_mutex_unlock(&_state_mu);
    return 1;
}
qo_val_t __state_del(qo_val_t key) { return state_del(key); }

qo_val_t state_keys(void) {
    qo_jb b;
    jb_init(&b);
    jb_putc(&b, '[');
    pthread_mutex_lock(&_state_mu);
    for (int64_t i = 0; i < _state_count; i++) {
        if (i) jb_putc(&b, ',');
        jb_emit_escaped(&b, _state_entries[i].key);
    }
    pthread_mutex_unlock(&_state_mu);
    jb_putc(&b, ']');
    return jb_finish(&b);
}
qo_val_t __state_keys(void) { return state_keys(); }

/* ---- the TTL cache ---- */

/* "__ttl_at:" + key as a plain block, or NULL for a null key or when
 * memory ran out. */
static char *_qo_state_ttl_key(qo_val_t key) {
    const char *k = _qo_str_arg(key);
    if (!k) return NULL;
    size_t prefix = sizeof QO_STATE_TTL_PREFIX - 1, n = strlen(k);
    char *full = malloc(prefix + n + 1);
    if (!full) return NULL;
    memcpy(full, QO_STATE_TTL_PREFIX, prefix);
    memcpy(full + prefix, k, n + 1);
    return full;
}

qo_val_t ttl_cache_set(qo_val_t key, qo_val_t value) {
    if (!state_set(key, value)) return 0;
    char *stamp_key = _qo_state_ttl_key(key);
    if (!stamp_key) return 0;
    char stamp[24];
    snprintf(stamp, sizeof stamp, "%lld", (long long)qo_now_instant());
    state_set((qo_val_t)(intptr_t)stamp_key, (qo_val_t)(intptr_t)stamp);
    free(stamp_key);
    return 1;
}

/* Nanoseconds since key was cached, or INT64_MAX when it has no (or an
 * empty) timestamp. A stamp too far back to subtract saturates. */
qo_val_t ttl_cache_age(qo_val_t key) {
    char *stamp_key = _qo_state_ttl_key(key);
    if (!stamp_key) return INT64_MAX;
    int64_t at = 0, found = 0;
    pthread_mutex_lock(&_state_mu);
    int64_t i = _qo_state_find(stamp_key);
    if (i >= 0 && _state_entries[i].value[0]) {
        at = strtoll(_state_entries[i].value, NULL, 10);
        found = 1;
    }
    pthread_mutex_unlock(&_state_mu);
    free(stamp_key);
    int64_t age;
    if (!found || __builtin_sub_overflow((int64_t)qo_now_instant(), at, &age)) return INT64_MAX;
    return age;
}

/* A stamp in the future (a negative age) never counts as fresh. */
qo_val_t ttl_cache_get(qo_val_t key, qo_val_t max_age) {
    int64_t age = ttl_cache_age(key);
    if (age == INT64_MAX || age < 0 || age > max_age) return _qo_str_from("", 0);
    return state_get(key);
}
