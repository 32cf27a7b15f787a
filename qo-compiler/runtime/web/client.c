/*
 * client.c -- outgoing HTTP and language-model calls.
 *
 * This runtime carries no HTTP client: each entry point exists so that
 * programs using it compile and link, and answers at once, without any
 * network activity, with the same JSON error object. Callers detect the
 * missing client through its "error" member.
 */

static qo_val_t _qo_client_unavailable(void) {
    static const char text[] = "{\"error\":\"not built with HAVE_CURL\"}";
    return _qo_str_from(text, sizeof text - 1);
}

/* The stubs ignore their arguments by design. */
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"

#define QO_CLIENT_STUB(name, params)                                                   \
    qo_val_t name params {                                                             \
        return _qo_client_unavailable();                                               \
    }

QO_CLIENT_STUB(http_get, (qo_val_t url))
QO_CLIENT_STUB(http_post, (qo_val_t url, qo_val_t body))
QO_CLIENT_STUB(http_post_json, (qo_val_t url, qo_val_t json))
QO_CLIENT_STUB(http_get_with_headers, (qo_val_t url, qo_val_t headers))
QO_CLIENT_STUB(http_post_with_headers, (qo_val_t url, qo_val_t body, qo_val_t headers))
QO_CLIENT_STUB(http_post_form_auth, (qo_val_t url, qo_val_t form, qo_val_t auth))
QO_CLIENT_STUB(http_delete, (qo_val_t url))
QO_CLIENT_STUB(http_patch, (qo_val_t url, qo_val_t body))
QO_CLIENT_STUB(http_get_to_file, (qo_val_t url, qo_val_t path))
QO_CLIENT_STUB(http_post_to_file, (qo_val_t url, qo_val_t body, qo_val_t path))
QO_CLIENT_STUB(http_post_engram, (qo_val_t url, qo_val_t engram))
QO_CLIENT_STUB(http_get_engram, (qo_val_t url))
QO_CLIENT_STUB(__http_do, (qo_val_t method, qo_val_t url, qo_val_t headers, qo_val_t body,
                           qo_val_t timeout))
QO_CLIENT_STUB(__http_do_map, (qo_val_t method, qo_val_t url, qo_val_t headers, qo_val_t body,
                               qo_val_t timeout))
QO_CLIENT_STUB(__http_do_to_file, (qo_val_t method, qo_val_t url, qo_val_t headers,
                                   qo_val_t body, qo_val_t path))
QO_CLIENT_STUB(__http_do_map_to_file, (qo_val_t method, qo_val_t url, qo_val_t headers,
                                       qo_val_t body, qo_val_t path))
QO_CLIENT_STUB(llm_call, (qo_val_t model, qo_val_t prompt))
QO_CLIENT_STUB(llm_call_system, (qo_val_t model, qo_val_t system, qo_val_t prompt))
QO_CLIENT_STUB(llm_call_agentic, (qo_val_t model, qo_val_t system, qo_val_t prompt,
                                  qo_val_t tools))
QO_CLIENT_STUB(llm_vision, (qo_val_t model, qo_val_t prompt, qo_val_t image, qo_val_t mime))

#pragma GCC diagnostic pop
#undef QO_CLIENT_STUB

qo_val_t llm_models(void) { return qo_list_empty(); }

qo_val_t llm_register_tool(qo_val_t name, qo_val_t fn) {
    (void)name;
    (void)fn;
    return 0;
}
