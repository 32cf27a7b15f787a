/*
 * edit.c -- writing JSON text: setting a top-level member, pushing onto an
 * array, and building small objects and arrays from Lists.
 *
 * Edits splice text: the document is copied around the one place that
 * changes, so members keep their order and their spelling and nothing
 * else is reformatted. The editors trust the caller for the new value
 * (raw JSON text, inserted as given) but never for names: a member name is
 * always written escaped and looked up by that same escaped spelling, so a
 * name holding a quote can neither break the document nor be appended a
 * second time by a later set of the same name.
 */

static int _qo_jedit_is_ws(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

/* The text with the member named by the escaped, quoted name qname set to
 * raw; t is not empty. */
static void _qo_jedit_set(qo_jb *out, const char *t, const qo_jb *qname, const char *raw) {
    const char *value = _qo_json_find_member(t, qname->buf + 1, qname->len - 2, 0);
    if (value) {
        jb_putn(out, t, (size_t)(value - t));
        jb_puts(out, raw);
        jb_puts(out, json_skip_value(value));
        return;
    }
    const char *close = strrchr(t, '}');
    if (!close) {
        jb_puts(out, t);
        return;
    }
    const char *before = close;
    while (before > t && _qo_jedit_is_ws(before[-1])) before--;
    jb_putn(out, t, (size_t)(close - t));
    if (before > t && before[-1] != '{') jb_putc(out, ',');
    jb_putn(out, qname->buf, qname->len);
    jb_putc(out, ':');
    jb_puts(out, raw);
    jb_puts(out, close);
}

qo_val_t json_set(qo_val_t text, qo_val_t key, qo_val_t raw) {
    const char *t = _qo_cstr(text), *value = _qo_str_arg(raw);
    if (!value) value = "null";
    qo_jb qname, out;
    jb_init(&qname);
    jb_emit_escaped(&qname, _qo_cstr(key));
    jb_init(&out);
    if (*t) {
        _qo_jedit_set(&out, t, &qname, value);
    } else {
        jb_putc(&out, '{');
        jb_putn(&out, qname.buf, qname.len);
        jb_putc(&out, ':');
        jb_puts(&out, value);
        jb_putc(&out, '}');
    }
    jb_discard(&qname);
    return jb_finish(&out);
}
qo_val_t __json_set(qo_val_t text, qo_val_t key, qo_val_t raw) { return json_set(text, key, raw); }

qo_val_t json_array_push(qo_val_t text, qo_val_t raw) {
    const char *t = *_qo_cstr(text) ? _qo_cstr(text) : "[]";
    const char *value = *_qo_cstr(raw) ? _qo_cstr(raw) : "null";
    const char *open = _qo_json_ws(t), *end = t + strlen(t);
    while (end > t && _qo_jedit_is_ws(end[-1])) end--;
    qo_jb out;
    jb_init(&out);
    if (*open == '[' && end > open && end[-1] == ']') {
        const char *close = end - 1;
        jb_putn(&out, t, (size_t)(close - t));
        if (_qo_json_ws(open + 1) < close) jb_putc(&out, ',');
    } else {
        jb_putc(&out, '[');
    }
    jb_puts(&out, value);
    jb_putc(&out, ']');
    return jb_finish(&out);
}

qo_val_t json_build_object(qo_val_t list) {
    int64_t n = _qo_is_list(list) ? qo_list_len(list) : 0;
    qo_jb out;
    jb_init(&out);
    jb_putc(&out, '{');
    int written = 0;
    for (int64_t i = 0; i + 1 < n; i += 2) {
        qo_val_t k = qo_list_get(list, i), v = qo_list_get(list, i + 1);
        if (!k || !v) continue;
        /* A List of numbers must not be read as strings. */
        char kdigits[24], vdigits[24];
        if (written++) jb_putc(&out, ',');
        _qo_json_put_quoted(&out, _qo_jb_value_text(k, kdigits), QO_JESC_SHORT);
        jb_putc(&out, ':');
        _qo_json_put_quoted(&out, _qo_jb_value_text(v, vdigits), QO_JESC_SHORT);
    }
    jb_putc(&out, '}');
    return jb_finish(&out);
}

qo_val_t json_build_array(qo_val_t list) {
    int64_t n = _qo_is_list(list) ? qo_list_len(list) : 0;
    qo_jb out;
    jb_init(&out);
    jb_putc(&out, '[');
    int written = 0;
    for (int64_t i = 0; i < n; i++) {
        qo_val_t v = qo_list_get(list, i);
        if (!v) continue;
        if (written++) jb_putc(&out, ',');
        jb_put_value(&out, v);
    }
    jb_putc(&out, ']');
    return jb_finish(&out);
}
