/* HTTP server and responses, HTML escaping and sanitising, URL coding, client entry points. Part of qo_runtime.h; include that instead. */
#ifndef QO_WEB_QO_WEB_H
#define QO_WEB_QO_WEB_H

/* ---- HTTP server: one request per connection, one thread per connection,
 * at most 64 at once. Handlers are found by name. ---- */

/* First form: handler(method, path, body); second form:
 * handler(method, path, headers, body) with headers a Map of lower-case
 * names. Both answer with the response text. */
typedef qo_val_t (*qo_http_handler_fn)(qo_val_t method, qo_val_t path, qo_val_t body);
typedef qo_val_t (*qo_http_handler4_fn)(qo_val_t method, qo_val_t path, qo_val_t headers,
                                        qo_val_t body);

/* Serve forever on port (IPv6 dual-stack); return 0 only when setup or
 * accept fails. http_serve_async returns at once and serves on its own
 * thread. */
qo_val_t http_serve(qo_val_t port, qo_val_t handler_name);
qo_val_t __http_serve(qo_val_t port, qo_val_t handler_name);
qo_val_t http_serve_v2(qo_val_t port, qo_val_t handler_name);
qo_val_t __http_serve_v2(qo_val_t port, qo_val_t handler_name);
qo_val_t http_serve_async(qo_val_t port, qo_val_t handler_name);

/* Choose the active handler by name (and register it when found). */
qo_val_t http_set_handler(qo_val_t name);
qo_val_t http_set_handler_v2(qo_val_t name);
/* Register a handler by address, for programs that do not rely on lookup
 * by name. */
void qo_runtime_register_handler(const char *name, qo_http_handler_fn fn);
void qo_runtime_register_handler_v2(const char *name, qo_http_handler4_fn fn);

/* Server-sent events are not provided. */
qo_val_t __http_sse_open(void);
qo_val_t __http_sse_send(qo_val_t event, qo_val_t data);
qo_val_t __http_sse_close(void);
qo_val_t __http_conn_fd(void);

/* ---- Responses ---- */

/* The response envelope {"qo_http_response":1,"status":S,"headers":H,"body":B}. */
qo_val_t http_response(qo_val_t status, qo_val_t headers_json, qo_val_t body);
qo_val_t __http_response(qo_val_t status, qo_val_t headers_json, qo_val_t body);
/* Writes one complete response for a handler's text to a connected socket. */
void http_send_response(int fd, qo_val_t text);

/* ---- HTML and URLs ---- */

qo_val_t html_escape(qo_val_t s);
qo_val_t html_raw(qo_val_t v);
/* Keeps only the tags and attributes of the allow-list, a JSON object of
 * tag names to arrays of attribute names; href and src must be http,
 * https, mailto or relative URLs. */
qo_val_t qo_html_sanitize(qo_val_t html, qo_val_t allow);
qo_val_t __html_sanitize(qo_val_t html, qo_val_t allow);
qo_val_t url_encode(qo_val_t s);
qo_val_t __url_encode(qo_val_t s);
qo_val_t url_decode(qo_val_t s);
qo_val_t __url_decode(qo_val_t s);

/* ---- Outgoing HTTP and language models: this build has no client, and
 * every call answers {"error":"not built with HAVE_CURL"}. ---- */

qo_val_t http_get(qo_val_t url);
qo_val_t http_post(qo_val_t url, qo_val_t body);
qo_val_t http_post_json(qo_val_t url, qo_val_t json);
qo_val_t http_get_with_headers(qo_val_t url, qo_val_t headers);
qo_val_t http_post_with_headers(qo_val_t url, qo_val_t body, qo_val_t headers);
qo_val_t http_post_form_auth(qo_val_t url, qo_val_t form, qo_val_t auth);
qo_val_t http_delete(qo_val_t url);
qo_val_t http_patch(qo_val_t url, qo_val_t body);
qo_val_t http_get_to_file(qo_val_t url, qo_val_t path);
qo_val_t http_post_to_file(qo_val_t url, qo_val_t body, qo_val_t path);
qo_val_t http_post_engram(qo_val_t url, qo_val_t engram);
qo_val_t http_get_engram(qo_val_t url);
qo_val_t __http_do(qo_val_t method, qo_val_t url, qo_val_t headers, qo_val_t body,
                   qo_val_t timeout);
qo_val_t __http_do_map(qo_val_t method, qo_val_t url, qo_val_t headers, qo_val_t body,
                       qo_val_t timeout);
qo_val_t __http_do_to_file(qo_val_t method, qo_val_t url, qo_val_t headers, qo_val_t body,
                           qo_val_t path);
qo_val_t __http_do_map_to_file(qo_val_t method, qo_val_t url, qo_val_t headers,
                               qo_val_t body, qo_val_t path);
qo_val_t llm_call(qo_val_t model, qo_val_t prompt);
qo_val_t llm_call_system(qo_val_t model, qo_val_t system, qo_val_t prompt);
qo_val_t llm_call_agentic(qo_val_t model, qo_val_t system, qo_val_t prompt, qo_val_t tools);
qo_val_t llm_vision(qo_val_t model, qo_val_t prompt, qo_val_t image, qo_val_t mime);
/* An empty List: no models are available. */
qo_val_t llm_models(void);
qo_val_t llm_register_tool(qo_val_t name, qo_val_t fn);

/* ---- For the runtime's own subsystems (and tests), not for Qo code. ---- */

/* Reads one request head and body; 0 when the request cannot be read.
 * headers may be NULL (first handler form). The strings are plain heap
 * blocks for the caller to free. */
int http_read_request(int fd, char **method, char **path, char **body, char **headers);
/* The headers Map of a request's header lines, and its disposal (names
 * and values are plain copies owned by the Map). */
qo_val_t _qo_http_headers_map(const char *text);
void _qo_http_headers_free(qo_val_t map);
/* The function of the active handler of one form, or NULL. */
void *_qo_http_active_handler(int second_form);
/* Connections being served right now (0..64). */
int _qo_http_active_connections(void);
/* How long a client may take to send its request head, and may stay
 * silent in the middle of its body, or leave a response unread, in
 * milliseconds (10000 unless changed). */
void _qo_http_set_io_timeout_ms(int ms);
int _qo_http_timeout_ms(void);
/* A value as text: a string as itself, any word that cannot be a string's
 * address as its decimal (written into digits). 0 gives "". */
const char *_qo_web_text(qo_val_t v, char digits[24]);
/* The Content-Type a body gets when the handler names none. */
const char *_qo_http_sniff(const unsigned char *body, size_t n);

/* The sanitiser's pieces: ASCII case-insensitive comparison with a
 * literal, the allow-list walk, and the URL check of href and src. */
int html_ieq_n(const char *p, size_t n, const char *lit);
int _qo_allow_tag(const char *allow, const char *tag, size_t n, const char **arr,
                  const char **arr_end);
int _qo_allow_attr(const char *arr, const char *arr_end, const char *name, size_t n);
int _qo_url_safe(const char *v, size_t n);

#endif
