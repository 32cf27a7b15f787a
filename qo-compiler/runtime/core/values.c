/*
 * values.c -- the value word, memory ownership and the three kind tests.
 *
 * Strings are plain malloc'd blocks. While a thread's arena is active every
 * new string is recorded in it, and ending a scope frees what was recorded
 * since the scope began: generated functions and HTTP requests run inside
 * scopes, so their temporaries go in one sweep instead of one free each.
 * Lists and maps are reference counted instead, because they are shared and
 * mutated through copy on write (lists.c).
 *
 * Telling a string from an integer needs a read of memory at an arbitrary
 * word. Such reads go through _qo_readable, which touches the pages with a
 * fault handler armed for this thread: an unreadable page makes the handler
 * jump back and the answer is "no". That costs a sigsetjmp (no system call)
 * instead of asking the kernel, and unlike a cache of pages seen readable
 * it stays right when memory is unmapped later.
 */
#include <stdio.h>
#include <stdlib.h>
#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

typedef struct {
    void **ptrs;
    int64_t count;
    int64_t cap;
} qo_arena;

static __thread qo_arena _tl_arena;
static __thread int32_t _tl_arena_active;
__thread int64_t _tl_fs_read_len;
__thread const char *_tl_fs_read_buf;
__thread int32_t _tl_http_head_only;

static qo_val_t _qo_args_list;

/* ---- allocation ---- */

void _qo_out_of_memory(void) {
    fputs("qo_runtime: out of memory\n", stderr);
    exit(1);
}

void *_qo_xmalloc(size_t n) {
    void *p = malloc(n ? n : 1);
    if (!p) _qo_out_of_memory();
    return p;
}

void *_qo_xcalloc(size_t count, size_t size) {
    void *p = calloc(count ? count : 1, size ? size : 1);
    if (!p) _qo_out_of_memory();
    return p;
}

void *_qo_xmalloc_n(size_t count, size_t size) {
    size_t n;
    if (__builtin_mul_overflow(count, size, &n)) _qo_out_of_memory();
    return _qo_xmalloc(n);
}

void *_qo_xrealloc(void *p, size_t n) {
    void *q = realloc(p, n ? n : 1);
    if (!q) _qo_out_of_memory();
    return q;
}

/* ---- arena scopes ---- */

/* A thread that ends takes its arena's pointer array with it. The blocks it
 * recorded stay: a thread's result may be one of them. */
static pthread_key_t _qo_arena_key;
static pthread_once_t _qo_arena_key_once = PTHREAD_ONCE_INIT;

static void _qo_arena_thread_exit(void *arena) {
    qo_arena *a = arena;
    free(a->ptrs);
    a->ptrs = NULL;
    a->count = a->cap = 0;
}

static void _qo_arena_make_key(void) {
    pthread_key_create(&_qo_arena_key, _qo_arena_thread_exit);
}

qo_val_t qo_arena_track(qo_val_t p) {
    if (!_tl_arena_active || !p) return 0;
    qo_arena *a = &_tl_arena;
    if (!a->ptrs) {
        pthread_once(&_qo_arena_key_once, _qo_arena_make_key);
        pthread_setspecific(_qo_arena_key, a);
    }
    if (a->count >= a->cap) {
        int64_t cap = a->cap ? a->cap * 2 : 512;
        void **grown = realloc(a->ptrs, (size_t)cap * sizeof *grown);
        if (!grown) return 0; /* not recorded: the block simply lives on */
        a->ptrs = grown;
        a->cap = cap;
    }
    a->ptrs[a->count++] = (void *)(intptr_t)p;
    return 0;
}

qo_val_t qo_arena_push(void) {
    _tl_arena_active = 1;
    return _tl_arena.count;
}

static void _qo_arena_free_from(int64_t from) {
    qo_arena *a = &_tl_arena;
    for (int64_t i = from; i < a->count; i++) {
        if (a->ptrs[i]) {
            free(a->ptrs[i]);
            a->ptrs[i] = NULL;
        }
    }
    a->count = from;
}

qo_val_t qo_arena_pop(qo_val_t mark) {
    int64_t c = _tl_arena.count;
    if (mark >= 0 && mark <= c) {
        _qo_arena_free_from(mark);
        _tl_arena_active = mark != 0;
    } else {
        /* A stale (or negative) mark: nothing newer than it can be told
         * apart, so the whole arena goes. */
        if (c > 0) _qo_arena_free_from(0);
        _tl_arena_active = 0;
    }
    return 0;
}

qo_val_t qo_request_start(void) {
    _tl_arena.count = 0;
    _tl_arena_active = 1;
    return 0;
}

qo_val_t qo_request_end(void) {
    _tl_arena_active = 0;
    _qo_arena_free_from(0);
    return 0;
}

/* ---- strings ---- */

char *_qo_str_alloc(size_t len) {
    char *s = _qo_xmalloc(len + 1);
    s[len] = '\0';
    qo_arena_track((qo_val_t)(intptr_t)s);
    return s;
}

qo_val_t _qo_str_from(const char *s, size_t len) {
    char *d = _qo_str_alloc(len);
    if (len) memcpy(d, s, len);
    return (qo_val_t)(intptr_t)d;
}

qo_val_t qo_strdup(qo_val_t s) {
    const char *src = _qo_cstr(s);
    return _qo_str_from(src, strlen(src));
}

/* ---- safe reads at arbitrary words ---- */

/* The kind tests read words the caller never promised are ours (4 bytes at
 * an integer, 8 bytes before a string). _qo_readable has ruled out a fault;
 * these reads stay out of the sanitizers' view, which would otherwise call
 * them overflows or races. */
#define QO_UNCHECKED_READ \
    __attribute__((no_sanitize("address"), no_sanitize("undefined"), no_sanitize("thread")))

#define QO_PAGE_SHIFT 12
/* x86-64 user space ends below 2^47 (2^56 with five-level paging). */
#define QO_USER_TOP ((uint64_t)1 << 56)

/* A read that faults while a probe is armed on this thread jumps back to the
 * probe instead of ending the process. Any other fault goes to whatever
 * handled it before (the default action, or a sanitizer's report). */
static __thread sigjmp_buf *volatile _tl_probe_jump;
static struct sigaction _qo_prev_segv, _qo_prev_bus;
static pthread_once_t _qo_fault_guard_once = PTHREAD_ONCE_INIT;

static void _qo_fault_handler(int sig, siginfo_t *info, void *context) {
    sigjmp_buf *jump = _tl_probe_jump;
    if (jump) {
        _tl_probe_jump = NULL;
        siglongjmp(*jump, 1);
    }
    const struct sigaction *prev = sig == SIGBUS ? &_qo_prev_bus : &_qo_prev_segv;
    if ((prev->sa_flags & SA_SIGINFO) && prev->sa_sigaction) {
        prev->sa_sigaction(sig, info, context);
    } else if (!(prev->sa_flags & SA_SIGINFO) && prev->sa_handler != SIG_IGN &&
               prev->sa_handler != SIG_DFL) {
        prev->sa_handler(sig);
    } else {
        signal(sig, SIG_DFL); /* returning re-runs the read and ends as usual */
    }
}

static void _qo_install_fault_guard(void) {
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_sigaction = _qo_fault_handler;
    sa.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGSEGV, &sa, &_qo_prev_segv);
    sigaction(SIGBUS, &sa, &_qo_prev_bus);
}

QO_UNCHECKED_READ static void _qo_touch_pages(uintptr_t first, uintptr_t last) {
    for (uintptr_t page = first; page <= last; page++)
        (void)*(const volatile unsigned char *)(page << QO_PAGE_SHIFT);
}

int _qo_readable(const void *p, size_t n) {
    uintptr_t a = (uintptr_t)p;
    if (n == 0) return 1;
    if (a < 4096 || a >= QO_USER_TOP || a + n < a || a + n > QO_USER_TOP) return 0;
    pthread_once(&_qo_fault_guard_once, _qo_install_fault_guard);
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0)) return 0; /* the handler disarmed the probe */
    _tl_probe_jump = &jump;
    _qo_touch_pages(a >> QO_PAGE_SHIFT, (a + n - 1) >> QO_PAGE_SHIFT);
    _tl_probe_jump = NULL;
    return 1;
}

/* ---- string arguments ---- */

/* Any word may arrive where text is expected (an Int, a Float's bits, a
 * timestamp). Checking the first byte is enough: the rest of a real string
 * is readable whenever its first byte is. */
const char *_qo_str_arg(qo_val_t v) {
    const char *p = (const char *)(intptr_t)v;
    return _qo_readable(p, 1) ? p : NULL;
}

const char *_qo_cstr(qo_val_t v) {
    const char *p = _qo_str_arg(v);
    return p ? p : "";
}

/* ---- the kind tests ---- */

QO_UNCHECKED_READ static uint32_t _qo_peek_u32(uintptr_t a) {
    const volatile unsigned char *p = (const volatile unsigned char *)a;
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

QO_UNCHECKED_READ static unsigned char _qo_peek_u8(uintptr_t a) {
    return *(const volatile unsigned char *)a;
}

/* The magic number of the container at v, or 0 when v is none. */
static uint32_t _qo_container_magic(qo_val_t v) {
    if (v == 0 || (v >= -65535 && v <= 65535) || (v & 7)) return 0;
    if (!_qo_readable((const void *)(intptr_t)v, 4)) return 0;
    uint32_t magic = _qo_peek_u32((uintptr_t)v);
    return magic == QO_LIST_MAGIC || magic == QO_MAP_MAGIC ? magic : 0;
}

int _qo_is_container(qo_val_t v) { return _qo_container_magic(v) != 0; }
int _qo_is_list(qo_val_t v) { return _qo_container_magic(v) == QO_LIST_MAGIC; }
int _qo_is_map(qo_val_t v) { return _qo_container_magic(v) == QO_MAP_MAGIC; }

int _qo_is_bytes(qo_val_t v) {
    uint64_t u = (uint64_t)v;
    if (u < 4096 + 8) return 0;
    const unsigned char *head = (const unsigned char *)(intptr_t)v - 8;
    if (!_qo_readable(head, 8)) return 0;
    return _qo_peek_u32((uintptr_t)head) == QO_BYTES_MAGIC;
}

qo_val_t _qo_bytes_new(const void *data, size_t n) {
    if (n > UINT32_MAX) n = UINT32_MAX;
    unsigned char *block = malloc(8 + n + 1);
    if (!block) {
        fputs("qo_runtime: out of memory (bin)\n", stderr);
        exit(1);
    }
    uint32_t magic = QO_BYTES_MAGIC, len = (uint32_t)n;
    memcpy(block, &magic, 4);
    memcpy(block + 4, &len, 4);
    if (n && data) memcpy(block + 8, data, n);
    else if (n) memset(block + 8, 0, n);
    block[8 + n] = 0;
    return (qo_val_t)(intptr_t)(block + 8);
}

size_t _qo_bytes_or_str_len(qo_val_t v) {
    if (_qo_is_bytes(v)) {
        uint32_t len;
        memcpy(&len, (const unsigned char *)(intptr_t)v - 4, sizeof len);
        return len;
    }
    return strlen(_qo_cstr(v));
}

qo_val_t looks_like_string(qo_val_t v) {
    if ((uint64_t)v <= 0xFFFFFFFFull) return 0;
    const unsigned char *s = (const unsigned char *)(intptr_t)v;
    for (int i = 0; i < 16; i++) {
        /* One check per page crossed; strings rarely straddle one. */
        if ((i == 0 || (((uintptr_t)(s + i)) & ((1u << QO_PAGE_SHIFT) - 1)) == 0) &&
            !_qo_readable(s + i, 1))
            return 0;
        unsigned char c = _qo_peek_u8((uintptr_t)(s + i));
        if (c == 0) return 1;
        if (!((c >= 9 && c <= 13) || c >= 32)) return 0;
        if (c == 127) return 0;
    }
    return 1;
}

/* ---- containers' lifetime ---- */

qo_val_t qo_retain(qo_val_t v) {
    if (_qo_is_container(v)) ((qo_list *)(intptr_t)v)->refcount++;
    return 0;
}

qo_val_t qo_release(qo_val_t v) {
    if (!_qo_is_container(v)) return 0;
    qo_list *head = (qo_list *)(intptr_t)v;
    if (head->refcount == 0) return 0;
    if (--head->refcount > 0) return 0;
    if (head->magic == QO_LIST_MAGIC) {
        free(head->items);
    } else {
        qo_map *m = (qo_map *)head;
        free(m->keys);
        free(m->values);
    }
    head->magic = 0; /* a stale word must not pass the container test */
    free(head);
    return 0;
}

/* ---- memory ceiling ---- */

qo_val_t qo_mem_check(void) {
    long limit = 512;
    const char *env = getenv("QOC_MAX_MEM_MB");
    if (env && *env) {
        long parsed = strtol(env, NULL, 10); /* saturates; no digits gives 0 */
        limit = parsed < 1 ? 512 : parsed;
    }
    struct rusage ru;
    if (getrusage(RUSAGE_SELF, &ru) != 0) return 0;
    if (ru.ru_maxrss / 1024 >= limit) {
        fprintf(stderr, "qoc: memory limit exceeded (%ldMB), aborting\n", limit);
        exit(1);
    }
    return 0;
}

/* ---- the argument list ---- */

void qo_runtime_init_args(int argc, char **argv) {
    qo_val_t list = qo_list_empty();
    for (int i = 1; i < argc; i++)
        list = qo_list_append(list, (qo_val_t)(intptr_t)argv[i]);
    _qo_args_list = list;
}

qo_val_t args(void) {
    if (!_qo_args_list) _qo_args_list = qo_list_empty();
    return _qo_args_list;
}

qo_val_t __args_json(void) { return args(); }
