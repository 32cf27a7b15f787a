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
 * word. Such reads go through _qo_readable, which asks the kernel once per
 * page (process_vm_readv on our own process fails with EFAULT instead of
 * faulting) and remembers readable pages in a small per-thread cache, so the
 * common case costs a shift and a compare.
 */
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

typedef struct {
    void **ptrs;
    int64_t count;
    int64_t cap;
} qo_arena;

static __thread qo_arena _tl_arena;
static __thread int32_t _tl_arena_active;
__thread int64_t _tl_fs_read_len;
__thread int32_t _tl_http_head_only;

static qo_val_t _qo_args_list;

/* ---- allocation ---- */

static void _qo_out_of_memory(void) {
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

void *_qo_xrealloc(void *p, size_t n) {
    void *q = realloc(p, n ? n : 1);
    if (!q) _qo_out_of_memory();
    return q;
}

/* ---- arena scopes ---- */

qo_val_t qo_arena_track(qo_val_t p) {
    if (!_tl_arena_active || !p) return 0;
    qo_arena *a = &_tl_arena;
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

const char *_qo_cstr(qo_val_t v) {
    return v ? (const char *)(intptr_t)v : "";
}

qo_val_t qo_strdup(qo_val_t s) {
    const char *src = _qo_cstr(s);
    return _qo_str_from(src, strlen(src));
}

/* ---- safe reads at arbitrary words ---- */

#define QO_PAGE_SHIFT 12
#define QO_PAGE_CACHE 256
/* x86-64 user space ends below 2^47 (2^56 with five-level paging). */
#define QO_USER_TOP ((uint64_t)1 << 56)

static __thread uintptr_t _tl_readable_pages[QO_PAGE_CACHE];

static int _qo_probe_with_pipe(uintptr_t page) {
    static int fds[2] = {-1, -1};
    static int opened;
    if (!__atomic_load_n(&opened, __ATOMIC_ACQUIRE)) {
        static int lock;
        while (__atomic_exchange_n(&lock, 1, __ATOMIC_ACQUIRE)) {}
        if (!opened && pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0)
            __atomic_store_n(&opened, 1, __ATOMIC_RELEASE);
        __atomic_store_n(&lock, 0, __ATOMIC_RELEASE);
        if (!opened) return 0;
    }
    ssize_t w = write(fds[1], (const void *)page, 1);
    char sink;
    if (w == 1) {
        if (read(fds[0], &sink, 1) < 0) {}
        return 1;
    }
    return 0;
}

/* Asks the kernel whether the page at `page` can be read. */
static int _qo_probe_page(uintptr_t page) {
    static int vm_readv_works = 1;
    if (__atomic_load_n(&vm_readv_works, __ATOMIC_RELAXED)) {
        char byte;
        struct iovec local = {&byte, 1};
        struct iovec remote = {(void *)page, 1};
        if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == 1) return 1;
        if (errno == EFAULT) return 0;
        __atomic_store_n(&vm_readv_works, 0, __ATOMIC_RELAXED);
    }
    return _qo_probe_with_pipe(page);
}

static int _qo_page_readable(uintptr_t addr) {
    uintptr_t page = addr >> QO_PAGE_SHIFT;
    uintptr_t *slot = &_tl_readable_pages[page % QO_PAGE_CACHE];
    if (*slot == page && page) return 1;
    if (!_qo_probe_page(page << QO_PAGE_SHIFT)) return 0;
    *slot = page;
    return 1;
}

int _qo_readable(const void *p, size_t n) {
    uintptr_t a = (uintptr_t)p;
    if (a < 4096 || a >= QO_USER_TOP || n == 0) return n == 0;
    if (a + n < a || a + n > QO_USER_TOP) return 0;
    uintptr_t last = (a + n - 1) >> QO_PAGE_SHIFT;
    for (uintptr_t page = a >> QO_PAGE_SHIFT; page <= last; page++)
        if (!_qo_page_readable(page << QO_PAGE_SHIFT)) return 0;
    return 1;
}

/* ---- the kind tests ---- */

/* The kind tests read words the caller never promised are ours (4 bytes at
 * an integer, 8 bytes before a string). _qo_readable has ruled out a fault;
 * these reads stay out of AddressSanitizer's view, which would otherwise
 * call them overflows. */
#define QO_UNCHECKED_READ __attribute__((no_sanitize("address"), no_sanitize("undefined")))

QO_UNCHECKED_READ static uint32_t _qo_peek_u32(uintptr_t a) {
    const volatile unsigned char *p = (const volatile unsigned char *)a;
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

QO_UNCHECKED_READ static unsigned char _qo_peek_u8(uintptr_t a) {
    return *(const volatile unsigned char *)a;
}

int _qo_is_container(qo_val_t v) {
    if (v == 0 || (v >= -65535 && v <= 65535) || (v & 7)) return 0;
    if (!_qo_readable((const void *)(intptr_t)v, 4)) return 0;
    uint32_t magic = _qo_peek_u32((uintptr_t)v);
    return magic == QO_LIST_MAGIC || magic == QO_MAP_MAGIC;
}

int _qo_is_list(qo_val_t v) {
    return _qo_is_container(v) && _qo_peek_u32((uintptr_t)v) == QO_LIST_MAGIC;
}

int _qo_is_map(qo_val_t v) {
    return _qo_is_container(v) && _qo_peek_u32((uintptr_t)v) == QO_MAP_MAGIC;
}

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
    if (!v) return 0;
    if (_qo_is_bytes(v)) {
        uint32_t len;
        memcpy(&len, (const unsigned char *)(intptr_t)v - 4, sizeof len);
        return len;
    }
    return strlen((const char *)(intptr_t)v);
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
        char *end;
        errno = 0;
        long parsed = strtol(env, &end, 10);
        limit = (end == env || errno || parsed < 1) ? 512 : parsed;
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
