/* Threads started by name, mutexes and channels. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_THREADS_H
#define QO_CORE_QO_THREADS_H

/* Threads run a program function found by its symbol name; ids come from a
 * fixed table of 256 and are never reused. */
qo_val_t __thread_create(qo_val_t name, qo_val_t arg);
qo_val_t __thread_join(qo_val_t id);
void *qo_thread_runner(void *context);

/* Numbered mutexes (at most 64 per process). */
qo_val_t __mutex_new(void);
qo_val_t __mutex_lock(qo_val_t id);
qo_val_t __mutex_unlock(qo_val_t id);

/* Numbered channels of strings (at most 64 per process); capacity <= 0 is
 * unbounded. Messages are private copies. */
qo_val_t __channel_new(qo_val_t capacity);
qo_val_t __channel_send(qo_val_t id, qo_val_t msg);
qo_val_t __channel_recv(qo_val_t id);
qo_val_t __channel_try_recv(qo_val_t id);
qo_val_t __channel_close(qo_val_t id);

/* ---- For the runtime's own subsystems (and tests), not for Qo code. ---- */

/* Address of the program function called name: the dynamic symbols first,
 * then the program's own symbol table, so that programs linked without
 * exporting their symbols work too. NULL when there is none. */
void *_qo_find_function(const char *name);

#endif
