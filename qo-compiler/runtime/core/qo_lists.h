/* Lists and maps. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_LISTS_H
#define QO_CORE_QO_LISTS_H

/* Every mutating call returns the container to use from then on: a shared
 * container (refcount 2 or more) is copied, changed and returned, and the
 * shared one is left as it was. */

qo_val_t list_alloc(qo_val_t n);
qo_val_t qo_list_empty(void);
qo_val_t native_list_empty(void);
qo_val_t qo_list_len(qo_val_t l);
qo_val_t native_list_len(qo_val_t l);
qo_val_t len(qo_val_t l);
qo_val_t list_len(qo_val_t l);
qo_val_t qo_list_get(qo_val_t l, qo_val_t i);
qo_val_t native_list_get(qo_val_t l, qo_val_t i);
qo_val_t get(qo_val_t l, qo_val_t i);
qo_val_t list_get(qo_val_t l, qo_val_t i);
qo_val_t qo_list_append(qo_val_t l, qo_val_t v);
qo_val_t native_list_append(qo_val_t l, qo_val_t v);
qo_val_t append(qo_val_t l, qo_val_t v);
qo_val_t list_push(qo_val_t l, qo_val_t v);
qo_val_t list_push_front(qo_val_t l, qo_val_t v);
qo_val_t qo_list_clone(qo_val_t l);
qo_val_t native_list_clone(qo_val_t l);
qo_val_t list_range(qo_val_t a, qo_val_t b);
qo_val_t list_join(qo_val_t l, qo_val_t sep);
qo_val_t str_join(qo_val_t l, qo_val_t sep);

qo_val_t qo_map_get(qo_val_t m, qo_val_t key);
qo_val_t map_get(qo_val_t m, qo_val_t key);
qo_val_t qo_get_field(qo_val_t m, qo_val_t name);
qo_val_t qo_map_set(qo_val_t m, qo_val_t key, qo_val_t v);
qo_val_t map_set(qo_val_t m, qo_val_t key, qo_val_t v);

/* The variadic constructors. Generated code passes int-typed C expressions
 * (literals, comparisons, `!x`); a variadic callee reading 64-bit words
 * would see garbage in their upper halves. The macros convert every argument
 * to a word first, by initialising an array (maps: {key, value} pairs,
 * filled flat by brace elision). A leading dummy element keeps
 * qo_list_new(0) and qo_map_new(0) valid. */
typedef struct qo_map_pair {
    const char *key;
    qo_val_t value;
} qo_map_pair;

qo_val_t _qo_list_from_array(qo_val_t count, const qo_val_t *items);
qo_val_t _qo_map_from_pairs(qo_val_t count, const qo_map_pair *pairs);

/* Real functions too, for callers that take their address; arguments after
 * the count must then be full words (lists) or key pointer and word (maps). */
qo_val_t qo_list_new(qo_val_t count, ...);
qo_val_t qo_map_new(qo_val_t count, ...);

#ifndef __cplusplus
#define qo_list_new(count, ...) \
    _qo_list_from_array((count), (const qo_val_t[]){0, ##__VA_ARGS__} + 1)
/* The pairs come flat ("k", v, "k2", v2): brace elision is exactly what is
 * wanted here, so its warning is silenced for this one initialiser. */
#define qo_map_new(count, ...)                                                     \
    (__extension__({                                                               \
        _Pragma("GCC diagnostic push")                                             \
        _Pragma("GCC diagnostic ignored \"-Wmissing-braces\"")                     \
        const qo_map_pair *_qo_pairs = (const qo_map_pair[]){{0, 0}, ##__VA_ARGS__} + 1; \
        _Pragma("GCC diagnostic pop")                                              \
        _qo_map_from_pairs((count), _qo_pairs);                                    \
    }))
#else
/* C++ has no array compound literals; templates do the same conversion. */
extern "C++" {
template <typename... T>
inline qo_val_t _qo_list_new_cxx(qo_val_t count, T... items) {
    const qo_val_t words[] = {0, ((qo_val_t)items)...};
    return _qo_list_from_array(count, words + 1);
}
inline void _qo_map_fill(qo_map_pair *) {}
template <typename V, typename... Rest>
inline void _qo_map_fill(qo_map_pair *out, const char *key, V value, Rest... rest) {
    out->key = key;
    out->value = (qo_val_t)value;
    _qo_map_fill(out + 1, rest...);
}
template <typename... T>
inline qo_val_t _qo_map_new_cxx(qo_val_t count, T... items) {
    qo_map_pair pairs[sizeof...(items) / 2 + 1] = {};
    _qo_map_fill(pairs, items...);
    return _qo_map_from_pairs(count, pairs);
}
}
#define qo_list_new(count, ...) _qo_list_new_cxx((count), ##__VA_ARGS__)
#define qo_map_new(count, ...) _qo_map_new_cxx((count), ##__VA_ARGS__)
#endif

#endif
