/* Values, memory and ownership. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_VALUES_H
#define QO_CORE_QO_VALUES_H

#include <stddef.h>

/* Heap headers of the two containers; the magic numbers let the runtime tell
 * a container from any other word. Element arrays are separate blocks so
 * that a header's address never changes while the container grows. */
#define QO_LIST_MAGIC 0xE15710A1u
#define QO_MAP_MAGIC 0xE19A704Bu
#define QO_BYTES_MAGIC 0xE1B17EAFu

typedef struct qo_list {
    uint32_t magic;
    uint32_t refcount;
    int64_t len;
    int64_t cap;
    qo_val_t *items;
} qo_list;

typedef struct qo_map {
    uint32_t magic;
    uint32_t refcount;
    int64_t len;
    int64_t cap;
    const char **keys;
    qo_val_t *values;
} qo_map;

/* Reference counts of lists and maps; anything else is ignored. */
qo_val_t qo_retain(qo_val_t v);
qo_val_t qo_release(qo_val_t v);

/* Strings are reclaimed in bulk: while the calling thread's arena is active,
 * every new string is recorded and freed when its scope ends. */
qo_val_t qo_strdup(qo_val_t s);
qo_val_t qo_arena_track(qo_val_t p);
qo_val_t qo_arena_push(void);
qo_val_t qo_arena_pop(qo_val_t mark);
qo_val_t qo_request_start(void);
qo_val_t qo_request_end(void);

/* Ends the process when peak memory reaches QOC_MAX_MEM_MB (default 512). */
qo_val_t qo_mem_check(void);

/* The program's arguments, argv[1..], as a List of Strings. */
void qo_runtime_init_args(int argc, char **argv);
qo_val_t args(void);
qo_val_t __args_json(void);

/* True when v reads as text (see core/values.c); never faults. */
qo_val_t looks_like_string(qo_val_t v);

/* ---- For the runtime's own subsystems (and tests), not for Qo code. ---- */

/* Allocation that ends the process with the out-of-memory message. */
void _qo_out_of_memory(void) __attribute__((noreturn));
void *_qo_xmalloc(size_t n);
/* count elements of size bytes; a product that overflows is out of memory. */
void *_qo_xmalloc_n(size_t count, size_t size);
void *_qo_xcalloc(size_t count, size_t size);
void *_qo_xrealloc(void *p, size_t n);

/* A new string of len bytes (plus the NUL, which is set) recorded in the
 * arena when active; the caller fills the bytes. */
char *_qo_str_alloc(size_t len);
/* A new arena-tracked string copied from len bytes of s. */
qo_val_t _qo_str_from(const char *s, size_t len);
/* A string argument as a C string, or NULL for 0 and for any word that is
 * no readable address (an Int, a Float's bits): such calls then give their
 * neutral result instead of a fault. */
const char *_qo_str_arg(qo_val_t v);
/* The same with "" for such words. */
const char *_qo_cstr(qo_val_t v);

/* The three tests that tell kinds apart. */
int _qo_is_container(qo_val_t v);
int _qo_is_list(qo_val_t v);
int _qo_is_map(qo_val_t v);
int _qo_is_bytes(qo_val_t v);

/* Byte buffers: magic, u32 length, the bytes, a NUL. */
qo_val_t _qo_bytes_new(const void *data, size_t n);
/* Length of a Bytes value, or strlen for anything read as a string. */
size_t _qo_bytes_or_str_len(qo_val_t v);

/* True when n bytes at p can be read without a fault. */
int _qo_readable(const void *p, size_t n);

/* Per-thread state shared by the files, HTTP and response subsystems. */
extern __thread int64_t _tl_fs_read_len;
/* The block the last fs_read on this thread returned: only that block is
 * known to hold _tl_fs_read_len bytes (it may contain NUL bytes). */
extern __thread const char *_tl_fs_read_buf;
extern __thread int32_t _tl_http_head_only;

#endif
