/*
 * split.c -- cutting text into a List of pieces.
 *
 * Each piece is its own new string (recorded in the arena like any other
 * result) and the List grows by doubling, so a split costs one pass over
 * the text plus one allocation per piece. Separators are found with the
 * memmem scan of strings.c and line ends with memchr. str_split_chars is
 * the exception to arena recording: its one-byte pieces outlive the scope
 * because callers keep them as a character table.
 */

static qo_val_t _qo_split_push(qo_val_t list, const char *from, size_t len) {
    return qo_list_append(list, _qo_str_from(from, len));
}

/* At most max_pieces pieces; the last one holds the rest of the text. */
static qo_val_t _qo_split_at(const char *s, const char *sep, qo_val_t max_pieces) {
    size_t len = strlen(s);
    qo_val_t list = qo_list_empty();
    qo_str_scan sc;
    _qo_str_scan_init(&sc, s, len, sep);
    const char *from = s, *m;
    for (qo_val_t pieces = 1; pieces < max_pieces && (m = _qo_str_scan_next(&sc)); pieces++) {
        list = _qo_split_push(list, from, (size_t)(m - from));
        from = sc.at;
    }
    return _qo_split_push(list, from, (size_t)(s + len - from));
}

qo_val_t str_split(qo_val_t s, qo_val_t sep) { return str_split_n(s, sep, INT64_MAX); }

qo_val_t str_split_n(qo_val_t s, qo_val_t sep, qo_val_t n) {
    const char *text = _qo_str_arg(s);
    if (!text || n < 1) return qo_list_empty();
    /* An empty separator finds nothing, so the whole text is one piece. */
    return _qo_split_at(text, _qo_cstr(sep), n);
}

qo_val_t str_split_lines(qo_val_t s) {
    const char *text = _qo_str_arg(s);
    if (!text) return qo_list_empty();
    size_t len = strlen(text);
    /* A final newline ends the last line rather than starting an empty one. */
    if (len && text[len - 1] == '\n') len--;
    const char *end = text + len, *from = text;
    qo_val_t list = qo_list_empty();
    for (;;) {
        const char *nl = memchr(from, '\n', (size_t)(end - from));
        const char *stop = nl ? nl : end;
        size_t piece = (size_t)(stop - from);
        if (piece && from[piece - 1] == '\r') piece--;
        list = _qo_split_push(list, from, piece);
        if (!nl) return list;
        from = nl + 1;
    }
}

qo_val_t str_split_chars(qo_val_t s) {
    const char *text = _qo_cstr(s);
    size_t len = strlen(text);
    qo_val_t list = list_alloc((qo_val_t)len);
    for (size_t i = 0; i < len; i++) {
        char *one = _qo_xmalloc(2);
        one[0] = text[i];
        one[1] = '\0';
        list = qo_list_append(list, (qo_val_t)(intptr_t)one);
    }
    return list;
}
qo_val_t native_string_chars(qo_val_t s) { return str_split_chars(s); }
