/*
 * sanitize.c -- untrusted HTML reduced to an allow-listed subset.
 *
 * One left-to-right pass, no tree: text is copied with quotes and ">"
 * escaped; comments, declarations and processing instructions vanish;
 * elements that carry code or foreign content (script, style, iframe,
 * svg, ...) vanish together with everything up to their first closing
 * tag; other tags survive only when the allow-list names them, rebuilt
 * from scratch (lower-case name, allowed attributes, values re-quoted and
 * escaped), so nothing of the original tag's syntax reaches the output.
 * Input that ends inside markup ends the output there: a half tag is
 * never guessed at.
 *
 * Two rules hold whatever the allow-list says: event-handler attributes
 * (names beginning with "on") never survive, and every attribute that
 * holds a URL a browser follows or loads must pass the URL check
 * (safe_url.c). Allow-lists are the program's, the markup is the
 * attacker's, and a mistaken "onclick" or "formaction" in a list must
 * not open a hole.
 */
#include <strings.h>

typedef struct {
    const char *s;
    size_t n;
    const char *allow;
    qo_jb out;
} _qo_san;

static const char *const _qo_san_dropped[] = {
    "script", "style",  "iframe", "object",   "embed",  "form",  "noscript", "noembed", "template",
    "svg",    "math",   "frame",  "frameset", "applet", "audio", "video",    "source",  "track",
};
static const char *const _qo_san_void[] = {
    "area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param", "source",
    "track", "wbr",
};
static const char *const _qo_san_url_attrs[] = {
    "href", "src", "action", "formaction", "background", "cite", "poster", "xlink:href",
    "longdesc", "lowsrc", "dynsrc", "usemap", "codebase", "data", "ping", "manifest", "icon",
};

#define QO_SAN_IN(list, p, n) _qo_san_in(list, sizeof list / sizeof *list, p, n)

static int _qo_san_in(const char *const *list, size_t count, const char *p, size_t n) {
    for (size_t i = 0; i < count; i++)
        if (html_ieq_n(p, n, list[i])) return 1;
    return 0;
}

static int _qo_san_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

static int _qo_san_name_char(char c) {
    return _qo_san_letter(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == ':';
}

static int _qo_san_ws(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

static void _qo_san_lower(qo_jb *out, const char *p, size_t n) {
    for (size_t i = 0; i < n; i++) jb_putc(out, p[i] >= 'A' && p[i] <= 'Z' ? p[i] + 32 : p[i]);
}

static void _qo_san_text(qo_jb *out, char c) {
    if (c == '"') jb_puts(out, "&quot;");
    else if (c == '\'') jb_puts(out, "&#39;");
    else if (c == '>') jb_puts(out, "&gt;");
    else jb_putc(out, c);
}

static void _qo_san_value(qo_jb *out, const char *p, size_t n) {
    for (size_t i = 0; i < n; i++) {
        if (p[i] == '"') jb_puts(out, "&quot;");
        else if (p[i] == '<') jb_puts(out, "&lt;");
        else if (p[i] == '>') jb_puts(out, "&gt;");
        else jb_putc(out, p[i]);
    }
}

/* The index just past the next needle from `from`, or the end (finish). */
static size_t _qo_san_skip_past(const _qo_san *z, size_t from, const char *needle) {
    const char *q = strstr(z->s + from, needle);
    return q ? (size_t)(q - z->s) + strlen(needle) : z->n;
}

/* The ">" that ends the tag whose name ends at `from` (quoted sections
 * skipped), or the end of input; *self_closing for "/>". */
static size_t _qo_san_tag_end(const _qo_san *z, size_t from, int *self_closing) {
    const char *s = z->s;
    for (size_t p = from; p < z->n; p++) {
        if (s[p] == '"' || s[p] == '\'') {
            const char *q = strchr(s + p + 1, s[p]);
            if (!q) return z->n;
            p = (size_t)(q - s);
        } else if (s[p] == '>' || (s[p] == '/' && s[p + 1] == '>')) {
            *self_closing = s[p] == '/';
            return p + (size_t)*self_closing;
        }
    }
    return z->n;
}

/* Past the first "</name ... >" after a dropped element's opening tag. */
static size_t _qo_san_skip_element(const _qo_san *z, size_t from, const char *name, size_t len) {
    const char *s = z->s;
    for (const char *p = strchr(s + from, '<'); p; p = strchr(p + 1, '<')) {
        if (p[1] != '/' || strncasecmp(p + 2, name, len) != 0 || _qo_san_name_char(p[2 + len]))
            continue;
        const char *gt = strchr(p + 2 + len, '>');
        return gt ? (size_t)(gt - s) + 1 : z->n;
    }
    return z->n;
}

/* One attribute's value at p: quoted (to its quote or the tag's end) or
 * bare (to white space or ">"). Returns the index after it. */
static size_t _qo_san_attr_value(const char *s, size_t p, size_t end, size_t *vs, size_t *ve) {
    if (p < end && (s[p] == '"' || s[p] == '\'')) {
        char q = s[p++];
        *vs = p;
        while (p < end && s[p] != q) p++;
        *ve = p;
        return p < end ? p + 1 : p;
    }
    *vs = p;
    while (p < end && !_qo_san_ws(s[p]) && s[p] != '>') p++;
    *ve = p;
    return p;
}

static int _qo_san_keep_attr(const char *name, size_t n, const char *arr, const char *arr_end) {
    if (n >= 2 && strncasecmp(name, "on", 2) == 0) return 0;
    return _qo_allow_attr(arr, arr_end, name, n);
}

/* Writes the allowed attributes found in s[p, end). */
static void _qo_san_attributes(_qo_san *z, size_t p, size_t end, const char *arr,
                               const char *arr_end) {
    const char *s = z->s;
    while (p < end) {
        while (p < end && (_qo_san_ws(s[p]) || s[p] == '/')) p++;
        size_t ns = p;
        while (p < end && !_qo_san_ws(s[p]) && s[p] != '/' && s[p] != '=' && s[p] != '>') p++;
        if (p == ns) {
            p += p < end; /* a stray byte */
            continue;
        }
        size_t ne = p, vs = 0, ve = 0;
        while (p < end && _qo_san_ws(s[p])) p++;
        int has_value = p < end && s[p] == '=';
        if (has_value) {
            p++;
            while (p < end && _qo_san_ws(s[p])) p++;
            p = _qo_san_attr_value(s, p, end, &vs, &ve);
        }
        if (!_qo_san_keep_attr(s + ns, ne - ns, arr, arr_end)) continue;
        if (has_value && QO_SAN_IN(_qo_san_url_attrs, s + ns, ne - ns) &&
            !_qo_url_safe(s + vs, ve - vs))
            continue;
        jb_putc(&z->out, ' ');
        _qo_san_lower(&z->out, s + ns, ne - ns);
        if (!has_value) continue;
        jb_puts(&z->out, "=\"");
        _qo_san_value(&z->out, s + vs, ve - vs);
        jb_putc(&z->out, '"');
    }
}

/* A tag whose name is s[ns, ne) and whose ">" is at te. */
static size_t _qo_san_tag(_qo_san *z, int closing, size_t ns, size_t ne, size_t te,
                          int self_closing) {
    const char *name = z->s + ns;
    size_t len = ne - ns;
    if (!closing && QO_SAN_IN(_qo_san_dropped, name, len)) {
        if (self_closing || QO_SAN_IN(_qo_san_void, name, len)) return te + 1;
        return _qo_san_skip_element(z, te + 1, name, len);
    }
    const char *arr, *arr_end;
    if (!_qo_allow_tag(z->allow, name, len, &arr, &arr_end)) return te + 1;
    if (closing) {
        if (!QO_SAN_IN(_qo_san_void, name, len)) {
            jb_puts(&z->out, "</");
            _qo_san_lower(&z->out, name, len);
            jb_putc(&z->out, '>');
        }
        return te + 1;
    }
    jb_putc(&z->out, '<');
    _qo_san_lower(&z->out, name, len);
    _qo_san_attributes(z, ne, self_closing ? te - 1 : te, arr, arr_end);
    jb_putc(&z->out, '>');
    return te + 1;
}

/* At a "<" (index i): returns where scanning goes on (n to finish). */
static size_t _qo_san_markup(_qo_san *z, size_t i) {
    const char *s = z->s;
    if (i + 1 >= z->n) {
        jb_puts(&z->out, "&lt;");
        return z->n;
    }
    if (strncmp(s + i, "<!--", 4) == 0) return _qo_san_skip_past(z, i + 4, "-->");
    if (s[i + 1] == '!' || s[i + 1] == '?') return _qo_san_skip_past(z, i + 2, ">");
    int closing = s[i + 1] == '/';
    size_t ns = i + 1 + (size_t)closing;
    if (ns >= z->n || !_qo_san_letter(s[ns])) {
        jb_puts(&z->out, "&lt;");
        return i + 1;
    }
    size_t ne = ns;
    while (ne < z->n && _qo_san_name_char(s[ne])) ne++;
    int self_closing = 0;
    size_t te = ne < z->n ? _qo_san_tag_end(z, ne, &self_closing) : z->n;
    if (te >= z->n) return z->n;
    return _qo_san_tag(z, closing, ns, ne, te, self_closing);
}

qo_val_t qo_html_sanitize(qo_val_t html, qo_val_t allow) {
    /* Words that are no readable text (0 among them) read as "" and "{}". */
    const char *allowed = _qo_str_arg(allow);
    _qo_san z = {_qo_cstr(html), 0, allowed ? allowed : "{}", {0}};
    z.n = strlen(z.s);
    jb_init(&z.out);
    for (size_t i = 0; i < z.n;) {
        if (z.s[i] == '<') i = _qo_san_markup(&z, i);
        else _qo_san_text(&z.out, z.s[i++]);
    }
    return jb_finish(&z.out);
}

qo_val_t __html_sanitize(qo_val_t html, qo_val_t allow) { return qo_html_sanitize(html, allow); }
