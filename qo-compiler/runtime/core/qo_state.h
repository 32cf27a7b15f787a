/* The thread-safe string state store and the TTL cache. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_STATE_H
#define QO_CORE_QO_STATE_H

/* One process-wide store of string keys to string values, in insertion
 * order. The store keeps private copies; every read returns a fresh copy,
 * so results stay valid whatever other threads do afterwards. */
qo_val_t state_set(qo_val_t key, qo_val_t value);
qo_val_t __state_set(qo_val_t key, qo_val_t value);
qo_val_t state_get(qo_val_t key);
qo_val_t __state_get(qo_val_t key);
qo_val_t state_has(qo_val_t key);
qo_val_t state_get_or(qo_val_t key, qo_val_t dflt);
qo_val_t state_del(qo_val_t key);
qo_val_t __state_del(qo_val_t key);
/* All keys as a JSON array text, in store order. */
qo_val_t state_keys(void);
qo_val_t __state_keys(void);

/* A time-to-live cache on the same store: a value remembers when it was
 * set (under "__ttl_at:" + key); max_age and ages are in nanoseconds. */
qo_val_t ttl_cache_set(qo_val_t key, qo_val_t value);
qo_val_t ttl_cache_get(qo_val_t key, qo_val_t max_age);
qo_val_t ttl_cache_age(qo_val_t key);

#endif
