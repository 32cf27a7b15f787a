/*
 * log.c -- the two log levels on standard error, and the identity line a
 * cgi program prints when it starts.
 *
 * Log lines go to standard error so that they never mix into a program's
 * output (the compiler's generated code, an HTTP body). The identity line
 * goes to standard output: it is the program's own announcement.
 */
#include <stdio.h>

#define QO_LOG_ENGRAM_DEFAULT "http://localhost:8742"

qo_val_t log_info(qo_val_t msg) {
    fprintf(stderr, "[INFO] %s\n", _qo_cstr(msg));
    return 0;
}

qo_val_t log_warn(qo_val_t msg) {
    fprintf(stderr, "[WARN] %s\n", _qo_cstr(msg));
    return 0;
}

static const char *_qo_log_or(qo_val_t v, const char *fallback) {
    const char *text = _qo_str_arg(v);
    return text ? text : fallback;
}

qo_val_t qo_cgi_init(qo_val_t name, qo_val_t tavri_id, qo_val_t principal,
                     qo_val_t network, qo_val_t engram) {
    printf("[cgi] identity: name=%s tavri_id=%s principal=%s network=%s engram=%s\n",
           _qo_log_or(name, "(unset)"), _qo_log_or(tavri_id, "(unset)"),
           _qo_log_or(principal, "(unset)"), _qo_log_or(network, "tavri-mainnet"),
           _qo_log_or(engram, QO_LOG_ENGRAM_DEFAULT));
    return 0;
}
