/*
 * request.c -- reading one HTTP/1.1 request from a connection.
 *
 * The head is received into a doubling buffer until the blank line shows
 * up (searched only in the bytes that could complete it), capped just over
 * one MiB; the request line gives method and path; Content-Length decides
 * how much body follows, capped at 64 MiB. Bytes after the body are
 * ignored: one request per connection.
 *
 * A client must not hold a connection slot for ever, so every receive
 * waits only until a deadline: the whole head must arrive within the I/O
 * timeout, and the body within the timeout plus one second per 64 KiB.
 * A first non-blocking receive avoids a poll when data is already there,
 * which is the common case.
 *
 * The headers Map of the second handler form is built here too: names in
 * lower case, values trimmed, repeated headers joined with ", ". Its names
 * and values are plain copies that the worker frees after the response.
 */
#include <errno.h>
#include <poll.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/socket.h>
#include <time.h>

#define QO_HTTP_HEAD_INITIAL 4096
#define QO_HTTP_HEAD_LIMIT 0xFFFFF
#define QO_HTTP_BODY_LIMIT 0x4000000
#define QO_HTTP_BODY_BYTES_PER_SECOND 65536

static int _qo_http_io_timeout = 10000;

void _qo_http_set_io_timeout_ms(int ms) {
    __atomic_store_n(&_qo_http_io_timeout, ms > 0 ? ms : 1, __ATOMIC_RELAXED);
}

int _qo_http_timeout_ms(void) {
    return __atomic_load_n(&_qo_http_io_timeout, __ATOMIC_RELAXED);
}

static int64_t _qo_http_now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

/* recv that gives up (-1) when nothing arrives before the deadline. */
static ssize_t _qo_http_recv(int fd, char *buf, size_t n, int64_t deadline) {
    for (;;) {
        ssize_t got = recv(fd, buf, n, MSG_DONTWAIT);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        int64_t left = deadline - _qo_http_now_ms();
        if (left <= 0) return -1;
        struct pollfd pfd = {fd, POLLIN, 0};
        if (poll(&pfd, 1, left > 60000 ? 60000 : (int)left) < 0 && errno != EINTR) return -1;
    }
}

/* Receives until the buffer holds "\r\n\r\n"; returns the offset just past
 * it, or 0 on failure. */
static size_t _qo_http_read_head(int fd, char **bufp, size_t *lenp, int64_t deadline) {
    size_t cap = QO_HTTP_HEAD_INITIAL, len = 0;
    char *buf = _qo_xmalloc(cap);
    *bufp = buf;
    for (;;) {
        if (len >= cap - 1) {
            if (cap > QO_HTTP_HEAD_LIMIT) return 0;
            cap *= 2;
            buf = *bufp = _qo_xrealloc(buf, cap);
        }
        ssize_t got = _qo_http_recv(fd, buf + len, cap - 1 - len, deadline);
        if (got <= 0) return 0;
        size_t from = len > 3 ? len - 3 : 0;
        len += (size_t)got;
        buf[len] = '\0';
        char *blank = memmem(buf + from, len - from, "\r\n\r\n", 4);
        if (blank) {
            *lenp = len;
            return (size_t)(blank - buf) + 4;
        }
    }
}

static int _qo_http_blank(char c) { return c == ' ' || c == '\t'; }

static char *_qo_http_dup(const char *s, size_t n) {
    char *d = _qo_xmalloc(n + 1);
    memcpy(d, s, n);
    d[n] = '\0';
    return d;
}

/* The number of a Content-Length value, read within its own line (a
 * sign and leading blanks allowed, negative meaning 0), clamped. */
static size_t _qo_http_length_value(const char *p, const char *eol) {
    while (p < eol && _qo_http_blank(*p)) p++;
    int negative = 0;
    if (p < eol && (*p == '+' || *p == '-')) negative = *p++ == '-';
    size_t v = 0;
    for (; p < eol && *p >= '0' && *p <= '9'; p++)
        if (v <= QO_HTTP_BODY_LIMIT) v = v * 10 + (size_t)(*p - '0');
    return negative ? 0 : v > QO_HTTP_BODY_LIMIT ? QO_HTTP_BODY_LIMIT : v;
}

/* The last Content-Length among the header lines in [p, end). */
static size_t _qo_http_content_length(const char *p, const char *end) {
    static const char name[] = "Content-Length:";
    size_t length = 0;
    while (p < end) {
        const char *eol = memmem(p, (size_t)(end - p), "\r\n", 2);
        if (!eol) eol = end;
        if ((size_t)(eol - p) >= sizeof name - 1 && strncasecmp(p, name, sizeof name - 1) == 0)
            length = _qo_http_length_value(p + sizeof name - 1, eol);
        p = eol + 2;
    }
    return length;
}

/* Copies what already arrived and receives the rest of the body; a client
 * that stops early leaves it shorter. */
static char *_qo_http_read_body(int fd, const char *have, size_t have_len, size_t length) {
    char *body = _qo_xmalloc(length + 1);
    size_t n = have_len < length ? have_len : length;
    memcpy(body, have, n);
    int64_t deadline = _qo_http_now_ms() + _qo_http_timeout_ms() +
                       (int64_t)(length / QO_HTTP_BODY_BYTES_PER_SECOND) * 1000;
    while (n < length) {
        ssize_t got = _qo_http_recv(fd, body + n, length - n, deadline);
        if (got <= 0) break;
        n += (size_t)got;
    }
    body[n] = '\0';
    return body;
}

int http_read_request(int fd, char **method, char **path, char **body, char **headers) {
    char *buf = NULL;
    size_t len = 0;
    size_t head_len = _qo_http_read_head(fd, &buf, &len, _qo_http_now_ms() + _qo_http_timeout_ms());
    /* The request line must hold two spaces: method, target, version. */
    char *line_end = head_len ? memmem(buf, head_len, "\r\n", 2) : NULL;
    char *sp1 = line_end ? memchr(buf, ' ', (size_t)(line_end - buf)) : NULL;
    char *sp2 = sp1 ? memchr(sp1 + 1, ' ', (size_t)(line_end - sp1 - 1)) : NULL;
    if (!sp2) {
        free(buf);
        return 0;
    }
    char *blank = buf + head_len - 4; /* the "\r\n\r\n" that ends the head */
    const char *fields = line_end + 2 <= blank ? line_end + 2 : blank;
    *method = _qo_http_dup(buf, (size_t)(sp1 - buf));
    *path = _qo_http_dup(sp1 + 1, (size_t)(sp2 - sp1 - 1));
    if (headers) *headers = _qo_http_dup(fields, (size_t)(blank - fields));
    size_t length = _qo_http_content_length(fields, blank);
    *body = _qo_http_read_body(fd, buf + head_len, len - head_len, length);
    free(buf);
    return 1;
}

/* ---- the headers Map ---- */

static void _qo_http_add_header(qo_val_t *map, const char *line, size_t n) {
    const char *colon = memchr(line, ':', n);
    if (!colon || colon == line) return;
    char *name = _qo_http_dup(line, (size_t)(colon - line));
    for (char *c = name; *c; c++)
        if (*c >= 'A' && *c <= 'Z') *c = (char)(*c - 'A' + 'a');
    const char *v = colon + 1, *end = line + n;
    while (v < end && _qo_http_blank(*v)) v++;
    while (end > v && _qo_http_blank(end[-1])) end--;
    size_t vlen = (size_t)(end - v);
    const char *old = (const char *)(intptr_t)qo_map_get(*map, QO_STR(name));
    if (!old) {
        *map = qo_map_set(*map, QO_STR(name), QO_STR(_qo_http_dup(v, vlen)));
        return;
    }
    size_t olen = strlen(old);
    char *joined = _qo_xmalloc(olen + 2 + vlen + 1);
    memcpy(joined, old, olen);
    memcpy(joined + olen, ", ", 2);
    memcpy(joined + olen + 2, v, vlen);
    joined[olen + 2 + vlen] = '\0';
    *map = qo_map_set(*map, QO_STR(name), QO_STR(joined)); /* keeps the first key */
    free((void *)old);
    free(name);
}

qo_val_t _qo_http_headers_map(const char *text) {
    qo_val_t map = qo_map_new(0);
    const char *p = text, *end = text + strlen(text);
    while (p < end) {
        const char *eol = memmem(p, (size_t)(end - p), "\r\n", 2);
        if (!eol) eol = end;
        _qo_http_add_header(&map, p, (size_t)(eol - p));
        p = eol + 2;
    }
    return map;
}

void _qo_http_headers_free(qo_val_t map) {
    qo_map *m = (qo_map *)(intptr_t)map;
    for (int64_t i = 0; i < m->len; i++) {
        free((void *)m->keys[i]);
        free((void *)(intptr_t)m->values[i]);
    }
    qo_release(map);
}
