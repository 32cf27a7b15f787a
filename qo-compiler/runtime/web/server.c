/*
 * server.c -- listening, accepting, and the worker threads that serve connections.
 *
 * The server is deliberately simple: an IPv6 dual-stack socket, a blocking
 * accept loop, and a worker thread per connection being served, which
 * reads one request, calls the handler inside a request arena scope,
 * writes one response with "Connection: close" and closes. A counter under
 * a mutex and condition variable caps the connections at 64; the accept
 * loop waits for a free slot, so further clients queue in the listen
 * backlog.
 *
 * Workers are detached threads that stay for the next connection instead
 * of ending after one: a thread's arena and its other per-thread state are
 * then reused rather than set up and lost per request, and no thread is
 * created on the hot path once the server is warm. New workers are
 * started only while every existing one is busy, so there are never more
 * than 64, and a quiet server keeps only as many as its busiest moment
 * needed.
 *
 * Every path out of a worker closes its socket and frees its slot. Slots
 * cannot be held for ever: reads give up at a deadline (request.c) and
 * sends time out, so idle or stalled clients are dropped. Sends use
 * MSG_NOSIGNAL, so a client that disconnects mid-response costs an error
 * return, never a SIGPIPE. Transient accept failures (a connection reset
 * in the queue, descriptors or memory running out) pause and retry rather
 * than end the server.
 *
 * The handler's result is copied before the request scope frees it. Its
 * length is the string's own, except for the very block the last fs_read
 * returned, whose recorded byte count covers any NUL bytes inside: only
 * that block is known to be that long.
 */
#include <errno.h>
#include <netinet/in.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#define QO_HTTP_MAX_CONNECTIONS 64
#define QO_HTTP_BACKLOG 64

typedef struct {
    int fd;
    int second_form;
} _qo_http_job;

/* Connections taken on (queued or being served), the hand-off queue and
 * the worker counts, all under one mutex: _http_conn_cv wakes the accept
 * loop when a slot frees up, _qo_http_job_cv wakes an idle worker. */
static int _http_conn_active;
static pthread_mutex_t _http_conn_mu = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t _http_conn_cv = PTHREAD_COND_INITIALIZER;
static pthread_cond_t _qo_http_job_cv = PTHREAD_COND_INITIALIZER;
static _qo_http_job _qo_http_jobs[QO_HTTP_MAX_CONNECTIONS];
static int _qo_http_job_head, _qo_http_job_count;
static int _qo_http_workers, _qo_http_idle;

static const char _qo_http_no_handler[] = "qo-runtime: no http handler registered";
static const char _qo_http_no_handler4[] =
    "qo-runtime: no v2 http handler registered (call http_set_handler_v2)";

int _qo_http_active_connections(void) {
    pthread_mutex_lock(&_http_conn_mu);
    int n = _http_conn_active;
    pthread_mutex_unlock(&_http_conn_mu);
    return n;
}

static void _qo_http_slot_give(void) {
    pthread_mutex_lock(&_http_conn_mu);
    _http_conn_active--;
    pthread_cond_signal(&_http_conn_cv);
    pthread_mutex_unlock(&_http_conn_mu);
}

/* ---- the worker ---- */

/* A private copy of the handler's result; *file_len is non-zero when the
 * result is the block fs_read returned (and then the copy's length). */
static char *_qo_http_copy_result(qo_val_t r, size_t *file_len) {
    char digits[24];
    const char *text = _qo_web_text(r, digits);
    size_t n = strlen(text);
    *file_len = 0;
    if (_tl_fs_read_len > 0 && text == _tl_fs_read_buf) n = *file_len = (size_t)_tl_fs_read_len;
    char *copy = _qo_xmalloc(n + 1);
    memcpy(copy, text, n);
    copy[n] = '\0';
    return copy;
}

static char *_qo_http_call(void *fn, int second_form, const char *method, const char *path,
                           const char *body, const char *headers, size_t *file_len) {
    _tl_fs_read_len = 0; /* only what this handler reads counts */
    _tl_fs_read_buf = NULL;
    const char *none = second_form ? _qo_http_no_handler4 : _qo_http_no_handler;
    if (!fn) return _qo_http_copy_result(QO_STR(none), file_len);
    if (!second_form) {
        qo_val_t r = ((qo_http_handler_fn)fn)(QO_STR(method), QO_STR(path), QO_STR(body));
        return _qo_http_copy_result(r, file_len);
    }
    qo_val_t map = _qo_http_headers_map(headers);
    qo_val_t r = ((qo_http_handler4_fn)fn)(QO_STR(method), QO_STR(path), map, QO_STR(body));
    char *copy = _qo_http_copy_result(r, file_len);
    _qo_http_headers_free(map);
    return copy;
}

static void _qo_http_answer(int fd, int second_form, const char *method, const char *path,
                            const char *body, const char *headers) {
    void *fn = _qo_http_active_handler(second_form);
    int head_only = strcmp(method, "HEAD") == 0;
    size_t file_len;
    qo_request_start();
    char *text = _qo_http_call(fn, second_form, head_only ? "GET" : method, path, body, headers,
                               &file_len);
    qo_request_end();
    _tl_fs_read_len = (int64_t)file_len;
    _tl_fs_read_buf = text;
    _tl_http_head_only = head_only;
    http_send_response(fd, QO_STR(text));
    _tl_http_head_only = 0;
    free(text);
}

static void _qo_http_serve_connection(int fd, int second_form) {
    int ms = _qo_http_timeout_ms();
    struct timeval tv = {ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    char *method, *path, *body, *headers = NULL;
    if (http_read_request(fd, &method, &path, &body, second_form ? &headers : NULL)) {
        _qo_http_answer(fd, second_form, method, path, body, headers ? headers : "");
        free(method);
        free(path);
        free(body);
        free(headers);
    }
    close(fd);
    _qo_http_slot_give();
}

static void *_qo_http_worker(void *arg) {
    (void)arg;
    for (;;) {
        pthread_mutex_lock(&_http_conn_mu);
        _qo_http_idle++;
        while (_qo_http_job_count == 0) pthread_cond_wait(&_qo_http_job_cv, &_http_conn_mu);
        _qo_http_idle--;
        _qo_http_job job = _qo_http_jobs[_qo_http_job_head];
        _qo_http_job_head = (_qo_http_job_head + 1) % QO_HTTP_MAX_CONNECTIONS;
        _qo_http_job_count--;
        pthread_mutex_unlock(&_http_conn_mu);
        _qo_http_serve_connection(job.fd, job.second_form);
    }
    return NULL;
}

/* ---- listening and accepting ---- */

static int _qo_http_detached(void *(*fn)(void *), void *arg) {
    pthread_attr_t attr;
    pthread_t thread;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    int rc = pthread_create(&thread, &attr, fn, arg);
    pthread_attr_destroy(&attr);
    return rc;
}

/* Drops every queued connection; only when no worker is left to serve
 * them. Caller holds the mutex. */
static void _qo_http_drop_queue(void) {
    for (; _qo_http_job_count > 0; _qo_http_job_count--) {
        close(_qo_http_jobs[_qo_http_job_head].fd);
        _qo_http_job_head = (_qo_http_job_head + 1) % QO_HTTP_MAX_CONNECTIONS;
        _http_conn_active--;
    }
}

/* Waits for a free slot, queues the connection, and starts a worker when
 * every existing one is busy. */
static void _qo_http_dispatch(int fd, int second_form) {
    pthread_mutex_lock(&_http_conn_mu);
    while (_http_conn_active >= QO_HTTP_MAX_CONNECTIONS)
        pthread_cond_wait(&_http_conn_cv, &_http_conn_mu);
    _http_conn_active++;
    int tail = (_qo_http_job_head + _qo_http_job_count) % QO_HTTP_MAX_CONNECTIONS;
    _qo_http_jobs[tail] = (_qo_http_job){fd, second_form};
    _qo_http_job_count++;
    int spawn = _qo_http_job_count > _qo_http_idle && _qo_http_workers < QO_HTTP_MAX_CONNECTIONS;
    _qo_http_workers += spawn;
    pthread_cond_signal(&_qo_http_job_cv);
    pthread_mutex_unlock(&_http_conn_mu);
    if (!spawn || _qo_http_detached(_qo_http_worker, NULL) == 0) return;
    pthread_mutex_lock(&_http_conn_mu);
    if (--_qo_http_workers == 0) _qo_http_drop_queue();
    pthread_mutex_unlock(&_http_conn_mu);
}

/* Failures that say nothing about the listening socket itself. */
static int _qo_http_accept_transient(int err) {
    return err == ECONNABORTED || err == EPROTO || err == EMFILE || err == ENFILE ||
           err == ENOBUFS || err == ENOMEM || err == EPERM;
}

static void _qo_http_accept_loop(int lfd, int second_form) {
    for (;;) {
        int fd = accept4(lfd, NULL, NULL, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR) continue;
            if (_qo_http_accept_transient(errno)) {
                nanosleep(&(struct timespec){0, 50 * 1000000}, NULL);
                continue;
            }
            perror("accept");
            close(lfd);
            return;
        }
        _qo_http_dispatch(fd, second_form);
    }
}

static void *_qo_http_accept_thread(void *arg) {
    _qo_http_accept_loop((int)(intptr_t)arg, 0);
    return NULL;
}

/* Socket, bind, listen; the listening descriptor, or -1 after reporting. */
static int _qo_http_listen(qo_val_t port, const char *who, const char *banner) {
    if (port < 1 || port > 65535) {
        fprintf(stderr, "%s: invalid port %lld\n", who, (long long)port);
        return -1;
    }
    int fd = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        perror("socket");
        return -1;
    }
    int one = 1, zero = 0;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero);
    struct sockaddr_in6 addr = {0};
    addr.sin6_family = AF_INET6;
    addr.sin6_addr = in6addr_any;
    addr.sin6_port = htons((uint16_t)port);
    if (bind(fd, (struct sockaddr *)&addr, sizeof addr) != 0) {
        perror("bind");
        close(fd);
        return -1;
    }
    if (listen(fd, QO_HTTP_BACKLOG) != 0) {
        perror("listen");
        close(fd);
        return -1;
    }
    fprintf(stderr, banner, (int)port);
    return fd;
}

static int _qo_http_named(qo_val_t name) { return name && looks_like_string(name); }

/* Registers the handler, listens and serves in the calling thread. */
static qo_val_t _qo_http_serve_here(qo_val_t port, qo_val_t handler_name, int second_form) {
    if (_qo_http_named(handler_name))
        (second_form ? http_set_handler_v2 : http_set_handler)(handler_name);
    int fd = _qo_http_listen(port, second_form ? "http_serve_v2" : "http_serve",
                             second_form ? "[http v2] listening on [::]:%d (dual-stack)\n"
                                         : "[http] listening on [::]:%d (dual-stack)\n");
    if (fd >= 0) _qo_http_accept_loop(fd, second_form);
    return 0;
}

qo_val_t http_serve(qo_val_t port, qo_val_t handler_name) {
    return _qo_http_serve_here(port, handler_name, 0);
}

qo_val_t __http_serve(qo_val_t port, qo_val_t handler_name) {
    return http_serve(port, handler_name);
}

qo_val_t http_serve_v2(qo_val_t port, qo_val_t handler_name) {
    return _qo_http_serve_here(port, handler_name, 1);
}

qo_val_t __http_serve_v2(qo_val_t port, qo_val_t handler_name) {
    return http_serve_v2(port, handler_name);
}

qo_val_t http_serve_async(qo_val_t port, qo_val_t handler_name) {
    if (_qo_http_named(handler_name)) http_set_handler(handler_name);
    int fd = _qo_http_listen(port, "http_serve_async",
                             "[http] async listening on [::]:%d (dual-stack)\n");
    if (fd >= 0 && _qo_http_detached(_qo_http_accept_thread, (void *)(intptr_t)fd) != 0) {
        perror("pthread_create");
        close(fd);
    }
    return 0;
}

/* Server-sent events and raw connection access are not offered. */
qo_val_t __http_sse_open(void) { return 0; }
qo_val_t __http_sse_send(qo_val_t event, qo_val_t data) {
    (void)event;
    (void)data;
    return 0;
}
qo_val_t __http_sse_close(void) { return 0; }
qo_val_t __http_conn_fd(void) { return -1; }
