/*
 * lists.c -- the List (growable array of words) and the Map (insertion
 * ordered C-string keys to words).
 *
 * Both are a fixed header (magic, refcount, len, cap) plus separate element
 * arrays, so the header's address is the value and never moves. Containers
 * hold words, not ownership: elements, keys and values are never copied or
 * freed by these operations. Maps are small records (syntax-tree nodes, HTTP
 * headers, JSON objects), so lookup is a linear scan: for a handful of keys
 * that beats hashing, and it keeps insertion order for free.
 *
 * Every operation first checks that its argument is the container it
 * expects (the probe of core/values.c, a few nanoseconds): a word of any
 * other kind gives the neutral result instead of a read of a header that is
 * not there.
 */
#include <stdarg.h>

/* The container a word points at, or NULL for 0 and any other word. */
static qo_list *_qo_as_list(qo_val_t l) { return _qo_is_list(l) ? (qo_list *)(intptr_t)l : NULL; }
static qo_map *_qo_as_map(qo_val_t m) { return _qo_is_map(m) ? (qo_map *)(intptr_t)m : NULL; }
static qo_val_t _qo_word(const void *p) { return (qo_val_t)(intptr_t)p; }

static qo_list *_qo_list_make(int64_t cap) {
    if (cap < 4) cap = 4;
    qo_list *l = _qo_xmalloc(sizeof *l);
    l->magic = QO_LIST_MAGIC;
    l->refcount = 1;
    l->len = 0;
    l->cap = cap;
    l->items = _qo_xmalloc_n((size_t)cap, sizeof *l->items);
    return l;
}

static qo_map *_qo_map_make(int64_t cap) {
    if (cap < 4) cap = 4;
    qo_map *m = _qo_xmalloc(sizeof *m);
    m->magic = QO_MAP_MAGIC;
    m->refcount = 1;
    m->len = 0;
    m->cap = cap;
    m->keys = _qo_xmalloc_n((size_t)cap, sizeof *m->keys);
    m->values = _qo_xmalloc_n((size_t)cap, sizeof *m->values);
    return m;
}

/* ---- lists ---- */

qo_val_t list_alloc(qo_val_t n) { return _qo_word(_qo_list_make(n)); }
qo_val_t qo_list_empty(void) { return _qo_word(_qo_list_make(4)); }
qo_val_t native_list_empty(void) { return qo_list_empty(); }

/* A List of count elements for the constructor to fill (count < 0 is 0). */
static qo_list *_qo_list_sized(qo_val_t count) {
    qo_list *l = _qo_list_make(count);
    l->len = count < 0 ? 0 : count;
    return l;
}

qo_val_t _qo_list_from_array(qo_val_t count, const qo_val_t *items) {
    qo_list *l = _qo_list_sized(count);
    if (l->len) memcpy(l->items, items, (size_t)l->len * sizeof *items);
    return _qo_word(l);
}

#undef qo_list_new
qo_val_t qo_list_new(qo_val_t count, ...) {
    qo_list *l = _qo_list_sized(count);
    va_list ap;
    va_start(ap, count);
    for (int64_t i = 0; i < l->len; i++) l->items[i] = va_arg(ap, qo_val_t);
    va_end(ap);
    return _qo_word(l);
}

qo_val_t qo_list_len(qo_val_t l) {
    qo_list *list = _qo_as_list(l);
    return list ? list->len : 0;
}
qo_val_t native_list_len(qo_val_t l) { return qo_list_len(l); }
qo_val_t len(qo_val_t l) { return qo_list_len(l); }
qo_val_t list_len(qo_val_t l) { return qo_list_len(l); }

qo_val_t qo_list_get(qo_val_t l, qo_val_t i) {
    qo_list *list = _qo_as_list(l);
    if (!list || i < 0 || i >= list->len) return 0;
    return list->items[i];
}
qo_val_t native_list_get(qo_val_t l, qo_val_t i) { return qo_list_get(l, i); }
qo_val_t get(qo_val_t l, qo_val_t i) { return qo_list_get(l, i); }
qo_val_t list_get(qo_val_t l, qo_val_t i) { return qo_list_get(l, i); }

qo_val_t qo_list_append(qo_val_t l, qo_val_t v) {
    qo_list *list = _qo_as_list(l);
    if (!list) {
        qo_list *fresh = _qo_list_make(4);
        fresh->items[fresh->len++] = v;
        return _qo_word(fresh);
    }
    if (list->refcount < 2) {
        if (list->len >= list->cap) {
            int64_t cap = list->cap < 1 ? 4 : list->cap * 2;
            list->items = _qo_xrealloc(list->items, (size_t)cap * sizeof *list->items);
            list->cap = cap;
        }
        list->items[list->len++] = v;
        return l;
    }
    qo_list *copy = _qo_list_make(list->len + 1);
    memcpy(copy->items, list->items, (size_t)list->len * sizeof *list->items);
    copy->len = list->len;
    copy->items[copy->len++] = v;
    return _qo_word(copy);
}
qo_val_t native_list_append(qo_val_t l, qo_val_t v) { return qo_list_append(l, v); }
qo_val_t append(qo_val_t l, qo_val_t v) { return qo_list_append(l, v); }
qo_val_t list_push(qo_val_t l, qo_val_t v) { return qo_list_append(l, v); }

qo_val_t list_push_front(qo_val_t l, qo_val_t v) {
    qo_val_t result = qo_list_append(l, v);
    qo_list *list = (qo_list *)(intptr_t)result;
    memmove(list->items + 1, list->items, (size_t)(list->len - 1) * sizeof *list->items);
    list->items[0] = v;
    return result;
}

qo_val_t qo_list_clone(qo_val_t l) {
    qo_list *src = _qo_as_list(l);
    if (!src) return qo_list_empty();
    int64_t cap = src->cap < 1 ? 4 : src->cap;
    if (cap < src->len) cap = src->len;
    qo_list *copy = _qo_list_make(cap);
    if (src->len) memcpy(copy->items, src->items, (size_t)src->len * sizeof *src->items);
    copy->len = src->len;
    return _qo_word(copy);
}
qo_val_t native_list_clone(qo_val_t l) { return qo_list_clone(l); }

qo_val_t list_range(qo_val_t a, qo_val_t b) {
    if (a >= b) return qo_list_empty();
    /* The span may not fit in a signed word (a far below 0, b far above). */
    uint64_t span = (uint64_t)b - (uint64_t)a;
    if (span > (uint64_t)1 << 40) _qo_out_of_memory();
    qo_list *l = _qo_list_make((int64_t)span);
    for (uint64_t i = 0; i < span; i++) l->items[i] = (qo_val_t)((uint64_t)a + i);
    l->len = (int64_t)span;
    return _qo_word(l);
}

qo_val_t list_join(qo_val_t l, qo_val_t sep) {
    qo_list *list = _qo_as_list(l);
    if (!list || list->len == 0) return _qo_str_from("", 0);
    const char *sep_text = _qo_cstr(sep);
    qo_jb b;
    jb_init(&b);
    for (int64_t i = 0; i < list->len; i++) {
        qo_val_t v = list->items[i];
        if (i > 0) jb_puts(&b, sep_text);
        if (v) jb_put_value(&b, v);
    }
    return jb_finish(&b);
}
qo_val_t str_join(qo_val_t l, qo_val_t sep) { return list_join(l, sep); }

/* ---- maps ---- */

/* A Map of count entries for the constructor to fill (count < 0 is 0). */
static qo_map *_qo_map_sized(qo_val_t count) {
    qo_map *m = _qo_map_make(count);
    m->len = count < 0 ? 0 : count;
    return m;
}

qo_val_t _qo_map_from_pairs(qo_val_t count, const qo_map_pair *pairs) {
    qo_map *m = _qo_map_sized(count);
    for (int64_t i = 0; i < m->len; i++) {
        m->keys[i] = pairs[i].key;
        m->values[i] = pairs[i].value;
    }
    return _qo_word(m);
}

#undef qo_map_new
qo_val_t qo_map_new(qo_val_t count, ...) {
    qo_map *m = _qo_map_sized(count);
    va_list ap;
    va_start(ap, count);
    for (int64_t i = 0; i < m->len; i++) {
        m->keys[i] = va_arg(ap, const char *);
        m->values[i] = va_arg(ap, qo_val_t);
    }
    va_end(ap);
    return _qo_word(m);
}

static int64_t _qo_map_find(const qo_map *m, const char *key) {
    for (int64_t i = 0; i < m->len; i++)
        if (m->keys[i] && strcmp(m->keys[i], key) == 0) return i;
    return -1;
}

qo_val_t qo_map_get(qo_val_t m, qo_val_t key) {
    qo_map *map = _qo_as_map(m);
    const char *k = _qo_str_arg(key);
    if (!map || !k) return 0;
    int64_t i = _qo_map_find(map, k);
    return i < 0 ? 0 : map->values[i];
}
qo_val_t map_get(qo_val_t m, qo_val_t key) { return qo_map_get(m, key); }
qo_val_t qo_get_field(qo_val_t m, qo_val_t name) { return qo_map_get(m, name); }

qo_val_t qo_map_set(qo_val_t m, qo_val_t key, qo_val_t v) {
    qo_map *map = _qo_as_map(m);
    if (!map) return 0;
    if (map->refcount > 1) {
        qo_map *copy = _qo_map_make(map->len + 1);
        memcpy(copy->keys, map->keys, (size_t)map->len * sizeof *map->keys);
        memcpy(copy->values, map->values, (size_t)map->len * sizeof *map->values);
        copy->len = map->len;
        map = copy;
    }
    /* A key that is no string is stored as a null key: never found. */
    const char *k = _qo_str_arg(key);
    if (k) {
        int64_t i = _qo_map_find(map, k);
        if (i >= 0) {
            map->values[i] = v;
            return _qo_word(map);
        }
    }
    if (map->len >= map->cap) {
        int64_t cap = map->cap < 1 ? 4 : map->cap * 2;
        map->keys = _qo_xrealloc(map->keys, (size_t)cap * sizeof *map->keys);
        map->values = _qo_xrealloc(map->values, (size_t)cap * sizeof *map->values);
        map->cap = cap;
    }
    map->keys[map->len] = k;
    map->values[map->len] = v;
    map->len++;
    return _qo_word(map);
}
qo_val_t map_set(qo_val_t m, qo_val_t key, qo_val_t v) { return qo_map_set(m, key, v); }
