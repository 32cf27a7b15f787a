/*
 * response.c -- what a handler's text means, and writing it as HTTP/1.1.
 *
 * A handler answers with one string in one of three shapes: a response
 * envelope (recognised by its exact first 21 bytes and parsed as JSON),
 * an object whose first member "__status__" sets the status (recognised
 * by a small scanner, never parsed), or plain text. Whatever the shape,
 * the response is one status line, the envelope's headers, a
 * Content-Type (sniffed unless given), Content-Length and
 * "Connection: close", sent in a single gathered write where possible.
 *
 * Envelope headers are the program's own, but their values may come from
 * a client: an entry whose name or value holds a CR or LF is dropped, so
 * no header can be smuggled into the response. Entries that are not
 * strings are skipped, and so is a body that is not a string. The parsed
 * envelope is freed whole once the response is out.
 */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/uio.h>

#define QO_HTTP_ENVELOPE "{\"qo_http_response\":1,"

typedef struct {
    int status;
    const char *body;
    size_t len;
    qo_val_t headers; /* Map of extra headers, or 0 */
    char *own;        /* a body built here, freed after sending */
} _qo_http_reply;

static const char *_qo_http_reason(int code) {
    switch (code) {
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 409: return "Conflict";
    case 410: return "Gone";
    case 422: return "Unprocessable Entity";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "Status";
    }
}

static int _qo_http_valid_status(qo_val_t s) { return s >= 100 && s <= 599; }

/* ---- building an envelope ---- */

qo_val_t http_response(qo_val_t status, qo_val_t headers_json, qo_val_t body) {
    const char *h = _qo_cstr(headers_json);
    size_t hn = strlen(h);
    if (hn < 2 || h[0] != '{' || h[hn - 1] != '}') h = "{}";
    char num[24];
    snprintf(num, sizeof num, "%ld", (long)(_qo_http_valid_status(status) ? status : 200));
    qo_jb b;
    jb_init(&b);
    jb_puts(&b, QO_HTTP_ENVELOPE "\"status\":");
    jb_puts(&b, num);
    jb_puts(&b, ",\"headers\":");
    jb_puts(&b, h);
    jb_puts(&b, ",\"body\":");
    jb_emit_escaped(&b, _qo_cstr(body));
    jb_putc(&b, '}');
    return jb_finish(&b);
}

qo_val_t __http_response(qo_val_t status, qo_val_t headers_json, qo_val_t body) {
    return http_response(status, headers_json, body);
}

/* ---- reading a handler's text ---- */

static int _qo_http_envelope(const char *t, _qo_http_reply *r, qo_json_blocks *owned) {
    if (strncmp(t, QO_HTTP_ENVELOPE, sizeof QO_HTTP_ENVELOPE - 1) != 0) return 0;
    jp_cursor c = {t, t + strlen(t), 0};
    qo_val_t env = _qo_json_parse_owned(&c, owned);
    if (c.err) return 0;
    if (!_qo_is_map(env)) {
        _qo_json_blocks_free(owned);
        return 0;
    }
    qo_val_t status = qo_map_get(env, QO_STR("status"));
    qo_val_t headers = qo_map_get(env, QO_STR("headers"));
    qo_val_t body = qo_map_get(env, QO_STR("body"));
    r->status = _qo_http_valid_status(status) ? (int)status : 200;
    r->headers = _qo_is_map(headers) ? headers : 0;
    r->body = body && looks_like_string(body) ? (const char *)(intptr_t)body : "";
    r->len = strlen(r->body);
    return 1;
}

static const char *_qo_http_skip_ws(const char *p) {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') p++;
    return p;
}

/* {"__status__": NNN, ...} or {"__status__": NNN}: the status, and the
 * rest of the object as the body ("{}" when nothing is left). */
static int _qo_http_status_member(const char *t, _qo_http_reply *r) {
    static const char key[] = "\"__status__\"";
    const char *p = _qo_http_skip_ws(t);
    if (*p != '{') return 0;
    p = _qo_http_skip_ws(p + 1);
    if (strncmp(p, key, sizeof key - 1) != 0) return 0;
    p = _qo_http_skip_ws(p + sizeof key - 1);
    if (*p != ':') return 0;
    p = _qo_http_skip_ws(p + 1);
    long code = 0;
    const char *digits = p;
    for (; *p >= '0' && *p <= '9'; p++)
        if (code < 1000) code = code * 10 + (*p - '0');
    if (p == digits || !_qo_http_valid_status(code)) return 0;
    p = _qo_http_skip_ws(p);
    if (*p != '}' && *p != ',') return 0;
    r->status = (int)code;
    if (*p == '}') {
        r->body = "{}";
        r->len = 2;
        return 1;
    }
    const char *rest = _qo_http_skip_ws(p + 1);
    size_t n = strlen(rest);
    r->own = _qo_xmalloc(n + 2);
    r->own[0] = '{';
    memcpy(r->own + 1, rest, n + 1);
    r->body = r->own;
    r->len = n + 1;
    return 1;
}

/* ---- writing ---- */

static int _qo_http_header_safe(const char *s) { return !strpbrk(s, "\r\n"); }

/* Appends the envelope's headers; returns 1 when one was a Content-Type. */
static int _qo_http_put_headers(qo_jb *b, qo_val_t headers) {
    int typed = 0;
    qo_map *m = (qo_map *)(intptr_t)headers;
    for (int64_t i = 0; m && i < m->len; i++) {
        const char *name = m->keys[i];
        qo_val_t value = m->values[i];
        if (!name || !value || !looks_like_string(value)) continue;
        const char *v = (const char *)(intptr_t)value;
        if (strcasecmp(name, "Content-Length") == 0 || strcasecmp(name, "Connection") == 0 ||
            !_qo_http_header_safe(name) || !_qo_http_header_safe(v))
            continue;
        typed |= strcasecmp(name, "Content-Type") == 0;
        jb_puts(b, name);
        jb_puts(b, ": ");
        jb_puts(b, v);
        jb_puts(b, "\r\n");
    }
    return typed;
}

static void _qo_http_put_head(qo_jb *b, const _qo_http_reply *r) {
    char line[96];
    snprintf(line, sizeof line, "HTTP/1.1 %d %s\r\n", r->status, _qo_http_reason(r->status));
    jb_puts(b, line);
    if (!_qo_http_put_headers(b, r->headers)) {
        jb_puts(b, "Content-Type: ");
        jb_puts(b, _qo_http_sniff((const unsigned char *)r->body, r->len));
        jb_puts(b, "\r\n");
    }
    snprintf(line, sizeof line, "Content-Length: %zu\r\nConnection: close\r\n\r\n", r->len);
    jb_puts(b, line);
}

/* Sends every byte of the iovecs; gives up on an error or a closed peer. */
static void _qo_http_send_all(int fd, struct iovec *iov, int n) {
    while (n > 0) {
        struct msghdr msg = {0};
        msg.msg_iov = iov;
        msg.msg_iovlen = (size_t)n;
        ssize_t sent = sendmsg(fd, &msg, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return;
        while (n > 0 && (size_t)sent >= iov->iov_len) {
            sent -= (ssize_t)iov->iov_len;
            iov++;
            n--;
        }
        if (n > 0) {
            iov->iov_base = (char *)iov->iov_base + sent;
            iov->iov_len -= (size_t)sent;
        }
    }
}

void http_send_response(int fd, qo_val_t text) {
    const char *t = _qo_cstr(text);
    /* The recorded length counts only for the very block fs_read returned:
     * any other text is read to its NUL, never past its end. */
    size_t file_len = (size_t)(_tl_fs_read_len > 0 && t == _tl_fs_read_buf ? _tl_fs_read_len : 0);
    _tl_fs_read_len = 0;
    _tl_fs_read_buf = NULL;
    _qo_http_reply r = {200, t, 0, 0, NULL};
    qo_json_blocks owned = {0};
    if (!_qo_http_envelope(t, &r, &owned) && !_qo_http_status_member(t, &r))
        r.len = file_len ? file_len : strlen(t);
    qo_jb head;
    jb_init(&head);
    _qo_http_put_head(&head, &r);
    struct iovec iov[2] = {{head.buf, head.len}, {(void *)r.body, r.len}};
    _qo_http_send_all(fd, iov, _tl_http_head_only || r.len == 0 ? 1 : 2);
    jb_discard(&head);
    free(r.own);
    _qo_json_blocks_free(&owned);
}
