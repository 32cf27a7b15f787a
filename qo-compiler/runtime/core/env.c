/*
 * env.c -- reading environment variables.
 *
 * Values are copied at once: the zone functions set TZ through setenv,
 * which may move the environment's strings, so a pointer into it must not
 * outlive the call.
 */
#include <stdlib.h>

static const char *_qo_env_lookup(qo_val_t name) {
    return getenv(_qo_cstr(name)); /* "" names no variable */
}

qo_val_t env(qo_val_t name) {
    const char *value = _qo_env_lookup(name);
    if (!value) value = "";
    return _qo_str_from(value, strlen(value));
}
qo_val_t __env_get(qo_val_t name) { return env(name); }

/* Missing settings are the one static "" (never recorded, never freed), so
 * a program may probe many settings without growing its arena. */
qo_val_t config(qo_val_t name) {
    static const char missing[] = "";
    const char *value = _qo_env_lookup(name);
    if (!value) return (qo_val_t)(intptr_t)missing;
    return _qo_str_from(value, strlen(value));
}
