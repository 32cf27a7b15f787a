/*
 * handlers.c -- the HTTP handler tables: which function answers requests.
 *
 * Two tables of at most 32 {name, function} entries, one per handler form,
 * and for each an active name. Requests look the active name up afresh, so
 * a program may register several handlers and switch between them at any
 * time, even from inside a handler: one mutex guards all four variables and
 * is held only for the lookup, never across a handler call. Names are found
 * once, at registration, through the shared by-name lookup; names and
 * table entries are private copies that live as long as the process.
 */
#include <pthread.h>
#include <stdlib.h>

#define QO_HTTP_MAX_HANDLERS 32

typedef struct {
    char *name;
    void *fn;
} _qo_http_handler_entry;

typedef struct {
    _qo_http_handler_entry entries[QO_HTTP_MAX_HANDLERS];
    int count;
    char *active;
} _qo_http_handler_table;

static _qo_http_handler_table _http_handlers, _http_handlers4;
static pthread_mutex_t _http_handler_mu = PTHREAD_MUTEX_INITIALIZER;

static _qo_http_handler_entry *_qo_http_entry(_qo_http_handler_table *t, const char *name) {
    for (int i = 0; i < t->count; i++)
        if (strcmp(t->entries[i].name, name) == 0) return &t->entries[i];
    return NULL;
}

/* Adds or replaces an entry; caller holds the mutex. */
static void _qo_http_put(_qo_http_handler_table *t, const char *name, void *fn) {
    _qo_http_handler_entry *e = _qo_http_entry(t, name);
    if (e) {
        e->fn = fn;
    } else if (t->count < QO_HTTP_MAX_HANDLERS) {
        t->entries[t->count].name = _qo_xmalloc(strlen(name) + 1);
        strcpy(t->entries[t->count].name, name);
        t->entries[t->count].fn = fn;
        t->count++;
    }
}

static void _qo_http_register(_qo_http_handler_table *t, const char *name, void *fn) {
    if (!name || !fn) return;
    pthread_mutex_lock(&_http_handler_mu);
    _qo_http_put(t, name, fn);
    pthread_mutex_unlock(&_http_handler_mu);
}

static void _qo_http_activate(_qo_http_handler_table *t, qo_val_t name) {
    const char *n = _qo_cstr(name);
    char *copy = _qo_xmalloc(strlen(n) + 1);
    strcpy(copy, n);
    pthread_mutex_lock(&_http_handler_mu);
    free(t->active);
    t->active = copy;
    /* The symbol search runs under the mutex so that two registrations
     * of one name cannot both append it. */
    if (*n && !_qo_http_entry(t, n) && t->count < QO_HTTP_MAX_HANDLERS) {
        void *fn = _qo_find_function(n);
        if (fn) _qo_http_put(t, n, fn);
    }
    pthread_mutex_unlock(&_http_handler_mu);
}

qo_val_t http_set_handler(qo_val_t name) {
    _qo_http_activate(&_http_handlers, name);
    return 0;
}

qo_val_t http_set_handler_v2(qo_val_t name) {
    _qo_http_activate(&_http_handlers4, name);
    return 0;
}

void qo_runtime_register_handler(const char *name, qo_http_handler_fn fn) {
    _qo_http_register(&_http_handlers, name, (void *)fn);
}

void qo_runtime_register_handler_v2(const char *name, qo_http_handler4_fn fn) {
    _qo_http_register(&_http_handlers4, name, (void *)fn);
}

void *_qo_http_active_handler(int second_form) {
    _qo_http_handler_table *t = second_form ? &_http_handlers4 : &_http_handlers;
    pthread_mutex_lock(&_http_handler_mu);
    _qo_http_handler_entry *e = t->active && *t->active ? _qo_http_entry(t, t->active) : NULL;
    void *fn = e ? e->fn : NULL;
    pthread_mutex_unlock(&_http_handler_mu);
    return fn;
}
