/*
 * threads.c -- threads started by function name, numbered mutexes and
 * numbered string channels.
 *
 * All three live in fixed process-wide tables whose ids are handed out in
 * increasing order and never reused, so an id stays meaningful for the
 * life of the process and no table ever needs compaction. Each table has
 * one allocation mutex; it guards id allocation only.
 *
 * A slot becomes usable only once fully initialised: its flag is published
 * with a release store and read with an acquire load, so an id that was
 * never handed out (or is still being set up) is refused instead of
 * touching an uninitialised lock. A thread slot is claimed by its joiner
 * under the allocation mutex, so two joins of one id cannot both free it.
 *
 * A channel is a ring of message pointers under its own lock with two
 * condition variables: senders wait on not_full (bounded channels only),
 * receivers on not_empty, and close broadcasts both. An unbounded ring
 * doubles when full and is unrolled so the oldest message stays first.
 * Messages are private strdup'd copies; the receiver takes ownership (into
 * its arena when active).
 */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

#define QO_THR_MAX 256
#define QO_THR_MUTEX_MAX 64
#define QO_THR_CHANNEL_MAX 64
#define QO_THR_UNBOUNDED_SLOTS 1024

typedef qo_val_t (*_qo_thr_fn)(qo_val_t);

typedef struct {
    _qo_thr_fn fn;
    qo_val_t arg;
    qo_val_t result;
} _qo_thr_context;

typedef struct {
    pthread_t thread;
    _qo_thr_context *context;
    int32_t in_use;
} _qo_thr_slot;

typedef struct {
    pthread_mutex_t mu;
    int32_t in_use;
} _qo_thr_mutex;

typedef struct {
    char **items;
    int32_t capacity;
    int32_t head;
    int32_t tail;
    int32_t count;
    int32_t slots;
    int32_t closed;
    pthread_mutex_t lock;
    pthread_cond_t not_empty;
    pthread_cond_t not_full;
    int32_t ready; /* set once the record above is initialised */
} _qo_thr_channel;

static _qo_thr_slot _threads[QO_THR_MAX];
static pthread_mutex_t _thread_alloc_mu = PTHREAD_MUTEX_INITIALIZER;
static int32_t _thread_count;

static _qo_thr_mutex _mutexes[QO_THR_MUTEX_MAX];
static pthread_mutex_t _mutex_alloc_mu = PTHREAD_MUTEX_INITIALIZER;
static int32_t _mutex_count;

static _qo_thr_channel _channels[QO_THR_CHANNEL_MAX];
static pthread_mutex_t _channel_alloc_mu = PTHREAD_MUTEX_INITIALIZER;
static int32_t _channel_count;

static const char _qo_thr_empty[] = "";

/* ---- threads ---- */

void *qo_thread_runner(void *context) {
    _qo_thr_context *c = context;
    c->result = c->fn(c->arg);
    return NULL;
}

qo_val_t __thread_create(qo_val_t name, qo_val_t arg) {
    const char *fname = _qo_cstr(name);
    if (!*fname) return -1;
    _qo_thr_fn fn = (_qo_thr_fn)_qo_find_function(fname);
    if (!fn) {
        fprintf(stderr, "[__thread_create] symbol not found: %s\n", fname);
        return -1;
    }
    _qo_thr_context *c = malloc(sizeof *c);
    if (!c) return -1;
    *c = (_qo_thr_context){fn, arg, QO_STR(_qo_thr_empty)};
    /* The lock is held across pthread_create so that a join of this id
     * cannot see the slot before its thread handle is stored. */
    pthread_mutex_lock(&_thread_alloc_mu);
    if (_thread_count >= QO_THR_MAX) {
        pthread_mutex_unlock(&_thread_alloc_mu);
        free(c);
        fputs("[__thread_create] thread table full\n", stderr);
        return -1;
    }
    int32_t id = _thread_count++;
    _qo_thr_slot *slot = &_threads[id];
    if (pthread_create(&slot->thread, NULL, qo_thread_runner, c) != 0) {
        _thread_count--;
        pthread_mutex_unlock(&_thread_alloc_mu);
        free(c);
        return -1;
    }
    slot->context = c;
    slot->in_use = 1;
    pthread_mutex_unlock(&_thread_alloc_mu);
    return id;
}

qo_val_t __thread_join(qo_val_t id) {
    if (id < 0 || id >= QO_THR_MAX) return QO_STR(_qo_thr_empty);
    pthread_mutex_lock(&_thread_alloc_mu);
    _qo_thr_slot *slot = &_threads[id];
    int claimed = slot->in_use;
    slot->in_use = 0;
    pthread_t thread = slot->thread;
    _qo_thr_context *c = slot->context;
    slot->context = NULL;
    pthread_mutex_unlock(&_thread_alloc_mu);
    if (!claimed) return QO_STR(_qo_thr_empty);
    pthread_join(thread, NULL);
    qo_val_t result = c->result;
    free(c);
    return result;
}

/* ---- mutexes ---- */

static _qo_thr_mutex *_qo_thr_mutex_at(qo_val_t id) {
    if (id < 0 || id >= QO_THR_MUTEX_MAX) return NULL;
    _qo_thr_mutex *m = &_mutexes[id];
    return __atomic_load_n(&m->in_use, __ATOMIC_ACQUIRE) ? m : NULL;
}

qo_val_t __mutex_new(void) {
    pthread_mutex_lock(&_mutex_alloc_mu);
    if (_mutex_count >= QO_THR_MUTEX_MAX) {
        pthread_mutex_unlock(&_mutex_alloc_mu);
        fputs("[__mutex_new] mutex table full\n", stderr);
        return -1;
    }
    int32_t id = _mutex_count++;
    pthread_mutex_init(&_mutexes[id].mu, NULL);
    __atomic_store_n(&_mutexes[id].in_use, 1, __ATOMIC_RELEASE);
    pthread_mutex_unlock(&_mutex_alloc_mu);
    return id;
}

qo_val_t __mutex_lock(qo_val_t id) {
    _qo_thr_mutex *m = _qo_thr_mutex_at(id);
    if (m) pthread_mutex_lock(&m->mu);
    return 0;
}

qo_val_t __mutex_unlock(qo_val_t id) {
    _qo_thr_mutex *m = _qo_thr_mutex_at(id);
    if (m) pthread_mutex_unlock(&m->mu);
    return 0;
}

/* ---- channels ---- */

static _qo_thr_channel *_qo_thr_channel_at(qo_val_t id) {
    if (id < 0 || id >= QO_THR_CHANNEL_MAX) return NULL;
    _qo_thr_channel *ch = &_channels[id];
    return __atomic_load_n(&ch->ready, __ATOMIC_ACQUIRE) ? ch : NULL;
}

static int32_t _qo_thr_ring_size(const _qo_thr_channel *ch) {
    return ch->capacity > 0 ? ch->capacity : ch->slots;
}

qo_val_t __channel_new(qo_val_t capacity) {
    pthread_mutex_lock(&_channel_alloc_mu);
    if (_channel_count >= QO_THR_CHANNEL_MAX) {
        pthread_mutex_unlock(&_channel_alloc_mu);
        fputs("[__channel_new] channel table full\n", stderr);
        return -1;
    }
    int32_t id = _channel_count++;
    pthread_mutex_unlock(&_channel_alloc_mu);

    _qo_thr_channel *ch = &_channels[id];
    int32_t cap = capacity > 0 ? (capacity > INT32_MAX ? INT32_MAX : (int32_t)capacity) : 0;
    ch->capacity = cap;
    ch->head = ch->tail = ch->count = ch->closed = 0;
    ch->slots = cap > 0 ? cap : QO_THR_UNBOUNDED_SLOTS;
    ch->items = malloc((size_t)ch->slots * sizeof *ch->items);
    if (!ch->items) {
        fputs("[__channel_new] out of memory\n", stderr);
        return -1;
    }
    pthread_mutex_init(&ch->lock, NULL);
    pthread_cond_init(&ch->not_empty, NULL);
    pthread_cond_init(&ch->not_full, NULL);
    __atomic_store_n(&ch->ready, 1, __ATOMIC_RELEASE);
    return id;
}

/* Doubles a full unbounded ring, oldest message first. Caller holds the lock. */
static int _qo_thr_grow(_qo_thr_channel *ch) {
    if (ch->slots > INT32_MAX / 2) return 0;
    int32_t slots = ch->slots * 2;
    char **items = realloc(ch->items, (size_t)slots * sizeof *items);
    if (!items) return 0;
    /* The ring was full, so head == tail: the part before head wraps. Move
     * it after the old end to make the queue contiguous again. */
    memcpy(items + ch->slots, items, (size_t)ch->head * sizeof *items);
    ch->tail = ch->slots + ch->head;
    ch->items = items;
    ch->slots = slots;
    return 1;
}

qo_val_t __channel_send(qo_val_t id, qo_val_t msg) {
    _qo_thr_channel *ch = _qo_thr_channel_at(id);
    if (!ch) return 0;
    char *copy = strdup(_qo_cstr(msg));
    if (!copy) return 0;
    pthread_mutex_lock(&ch->lock);
    while (!ch->closed && ch->capacity > 0 && ch->count >= ch->capacity)
        pthread_cond_wait(&ch->not_full, &ch->lock);
    if (ch->closed) {
        pthread_mutex_unlock(&ch->lock);
        free(copy);
        return 0;
    }
    if (ch->capacity == 0 && ch->count == ch->slots && !_qo_thr_grow(ch)) {
        pthread_mutex_unlock(&ch->lock);
        free(copy);
        fputs("[__channel_send] out of memory growing channel\n", stderr);
        return 0;
    }
    ch->items[ch->tail] = copy;
    ch->tail = (ch->tail + 1) % _qo_thr_ring_size(ch);
    ch->count++;
    pthread_cond_signal(&ch->not_empty);
    pthread_mutex_unlock(&ch->lock);
    return 0;
}

/* Takes the oldest message; caller holds the lock and saw count > 0. */
static qo_val_t _qo_thr_take(_qo_thr_channel *ch) {
    char *msg = ch->items[ch->head];
    ch->count--;
    ch->head = (ch->head + 1) % _qo_thr_ring_size(ch);
    pthread_cond_signal(&ch->not_full);
    pthread_mutex_unlock(&ch->lock);
    qo_val_t v = QO_STR(msg);
    qo_arena_track(v);
    return v;
}

qo_val_t __channel_recv(qo_val_t id) {
    _qo_thr_channel *ch = _qo_thr_channel_at(id);
    if (!ch) return QO_STR(_qo_thr_empty);
    pthread_mutex_lock(&ch->lock);
    while (ch->count == 0) {
        if (ch->closed) {
            pthread_mutex_unlock(&ch->lock);
            return QO_STR(_qo_thr_empty);
        }
        pthread_cond_wait(&ch->not_empty, &ch->lock);
    }
    return _qo_thr_take(ch);
}

qo_val_t __channel_try_recv(qo_val_t id) {
    _qo_thr_channel *ch = _qo_thr_channel_at(id);
    if (!ch) return QO_STR(_qo_thr_empty);
    pthread_mutex_lock(&ch->lock);
    if (ch->count == 0) {
        pthread_mutex_unlock(&ch->lock);
        return QO_STR(_qo_thr_empty);
    }
    return _qo_thr_take(ch);
}

qo_val_t __channel_close(qo_val_t id) {
    _qo_thr_channel *ch = _qo_thr_channel_at(id);
    if (!ch) return 0;
    pthread_mutex_lock(&ch->lock);
    ch->closed = 1;
    pthread_cond_broadcast(&ch->not_empty);
    pthread_cond_broadcast(&ch->not_full);
    pthread_mutex_unlock(&ch->lock);
    return 0;
}
