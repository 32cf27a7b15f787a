/*
 * allowlist.c -- reading the sanitiser's allow-list, a JSON object of tag
 * names to arrays of attribute names: {"a":["href","title"],"p":[]}.
 *
 * The text is walked in place for every tag, never parsed into values:
 * allow-lists are small, and a walk costs no allocation. Anything that
 * does not have the expected shape ends the walk and allows nothing, so a
 * malformed allow-list fails closed. Names compare ignoring ASCII case.
 */
#include <strings.h>

int html_ieq_n(const char *p, size_t n, const char *lit) {
    return strlen(lit) == n && strncasecmp(p, lit, n) == 0;
}

static const char *_qo_allow_ws(const char *p, const char *end) {
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')) p++;
    return p;
}

/* The closing quote of the JSON string whose opening quote is at p. */
static const char *_qo_allow_string_end(const char *p, const char *end) {
    for (p++; p < end; p++) {
        if (*p == '\\') p++;
        else if (*p == '"') return p;
    }
    return NULL;
}

/* The "]" that matches the "[" at p, strings skipped. */
static const char *_qo_allow_array_end(const char *p, const char *end) {
    int depth = 0;
    for (; p < end; p++) {
        if (*p == '"') {
            p = _qo_allow_string_end(p, end);
            if (!p) return NULL;
        } else if (*p == '[') {
            depth++;
        } else if (*p == ']' && --depth == 0) {
            return p;
        }
    }
    return NULL;
}

int _qo_allow_tag(const char *allow, const char *tag, size_t n, const char **arr,
                  const char **arr_end) {
    const char *end = allow + strlen(allow);
    const char *p = _qo_allow_ws(allow, end);
    if (p >= end || *p != '{') return 0;
    for (p++;;) {
        while (p < end && (*p == ',' || *p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')) p++;
        if (p >= end || *p != '"') return 0;
        const char *key = p + 1, *key_end = memchr(key, '"', (size_t)(end - key));
        if (!key_end) return 0;
        p = _qo_allow_ws(key_end + 1, end);
        if (p >= end || *p != ':') return 0;
        p = _qo_allow_ws(p + 1, end);
        if (p >= end || *p != '[') return 0;
        const char *close = _qo_allow_array_end(p, end);
        if (!close) return 0;
        if ((size_t)(key_end - key) == n && strncasecmp(key, tag, n) == 0) {
            *arr = p;
            *arr_end = close;
            return 1;
        }
        p = close + 1;
    }
}

int _qo_allow_attr(const char *arr, const char *arr_end, const char *name, size_t n) {
    const char *p = arr + 1;
    for (;;) {
        while (p < arr_end && (*p == ',' || *p == ' ' || *p == '\t' || *p == '\n' || *p == '\r'))
            p++;
        if (p >= arr_end || *p != '"') return 0;
        const char *item = p + 1, *item_end = _qo_allow_string_end(p, arr_end);
        if (!item_end) return 0;
        if ((size_t)(item_end - item) == n && strncasecmp(item, name, n) == 0) return 1;
        p = item_end + 1;
    }
}
