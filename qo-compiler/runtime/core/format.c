/*
 * format.c -- placeholder formatting: "{name}" filled from a Map.
 *
 * One left-to-right pass: the text between placeholders is copied in runs
 * found with strchr, and each name is looked up once. A name must be copied
 * out to be NUL-terminated for the lookup; names of 256 bytes or more are
 * never looked up (and stay as written), so the copy lives on the stack.
 * Only a real Map is consulted: any other word leaves every placeholder.
 */

#define QO_STRFMT_MAX_NAME 256

/* Writes the placeholder open..close (the braces included). */
static void _qo_strfmt_placeholder(qo_jb *b, qo_val_t map, const char *open, const char *close) {
    size_t name_len = (size_t)(close - open - 1);
    qo_val_t v = 0;
    if (map && name_len < QO_STRFMT_MAX_NAME) {
        char name[QO_STRFMT_MAX_NAME];
        memcpy(name, open + 1, name_len);
        name[name_len] = '\0';
        v = qo_map_get(map, (qo_val_t)(intptr_t)name);
    }
    /* 0 cannot be told from a missing key: the placeholder stays. */
    if (v) jb_put_value(b, v);
    else jb_putn(b, open, (size_t)(close - open + 1));
}

qo_val_t str_format(qo_val_t tmpl, qo_val_t map) {
    const char *p = _qo_str_arg(tmpl);
    if (!p) return _qo_str_from("", 0);
    if (!_qo_is_map(map)) map = 0;
    qo_jb b;
    jb_init(&b);
    for (;;) {
        const char *open = strchr(p, '{');
        const char *close = open ? strchr(open + 1, '}') : NULL;
        if (!close) break; /* no complete placeholder left: the rest is text */
        jb_putn(&b, p, (size_t)(open - p));
        _qo_strfmt_placeholder(&b, map, open, close);
        p = close + 1;
    }
    jb_puts(&b, p);
    return jb_finish(&b);
}
