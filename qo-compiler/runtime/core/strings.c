/*
 * strings.c -- comparing, searching, slicing and transforming text.
 *
 * Strings are NUL-terminated bytes with no stored length, so a call that
 * needs the length pays one strlen. Searches hand the known lengths to
 * memmem (glibc's vectorised two-way search), which stays linear whatever
 * the needle. Slicing and character reads measure only as far as the index
 * they need (strnlen): their cost grows with the index, not with the text,
 * which is the best a string without a stored length allows. Results of
 * known length are allocated once at their exact size; str_replace, whose
 * result length is unknown, writes through the shared text builder.
 *
 * Any word may arrive where text is expected: untyped Qo code compiles `==`
 * on two Int variables to str_eq, and a Float's bits or a timestamp can land
 * in a string parameter. _qo_str_arg reads every word that is no readable
 * address as null, so such calls give the neutral result instead of a
 * fault (one probe of the first byte, core/values.c).
 */

/* A result this large can never be allocated; saying so before any size
 * arithmetic also keeps that arithmetic from wrapping. */
#define QO_STR_MAX_RESULT ((uint64_t)1 << 40)

static qo_val_t _qo_str_word(const char *p) { return (qo_val_t)(intptr_t)p; }

static size_t _qo_str_checked_size(uint64_t n) {
    if (n > QO_STR_MAX_RESULT) _qo_out_of_memory();
    return (size_t)n;
}

static qo_val_t _qo_str_empty(void) { return _qo_str_from("", 0); }

void _qo_str_scan_init(qo_str_scan *sc, const char *hay, size_t hay_len, const char *needle) {
    sc->at = hay;
    sc->end = hay + hay_len;
    sc->needle = needle;
    sc->needle_len = strlen(needle);
}

const char *_qo_str_scan_next(qo_str_scan *sc) {
    if (sc->needle_len == 0) return NULL;
    const char *m = memmem(sc->at, (size_t)(sc->end - sc->at), sc->needle, sc->needle_len);
    if (m) sc->at = m + sc->needle_len;
    return m;
}

/* ---- comparison and tests ---- */

/* True when the two words are distinct containers whose header bytes
 * happen to read as equal text (magic, then a refcount holding a 0 byte). */
static int _qo_str_distinct_containers(qo_val_t a, qo_val_t b, const char *text) {
    unsigned char first = (unsigned char)text[0];
    if (first != (QO_LIST_MAGIC & 0xFF) && first != (QO_MAP_MAGIC & 0xFF)) return 0;
    return _qo_is_container(a) || _qo_is_container(b);
}

qo_val_t str_eq(qo_val_t a, qo_val_t b) {
    if (a == b) return 1;
    if (!a || !b) return 0;
    /* Distinct words that are not both text (two Ints, say) are unequal. */
    const char *x = _qo_str_arg(a), *y = _qo_str_arg(b);
    if (!x || !y || strcmp(x, y) != 0) return 0;
    return !_qo_str_distinct_containers(a, b, x);
}

qo_val_t __str_cmp(qo_val_t a, qo_val_t b) { return strcmp(_qo_cstr(a), _qo_cstr(b)); }

qo_val_t __str_ncmp(qo_val_t a, qo_val_t b, qo_val_t n) {
    if (n <= 0) return 0;
    return strncmp(_qo_cstr(a), _qo_cstr(b), (size_t)n);
}

qo_val_t str_starts_with(qo_val_t s, qo_val_t p) {
    const char *x = _qo_str_arg(s), *y = _qo_str_arg(p);
    if (!x || !y) return 0;
    return strncmp(x, y, strlen(y)) == 0;
}

qo_val_t str_ends_with(qo_val_t s, qo_val_t p) {
    const char *x = _qo_str_arg(s), *y = _qo_str_arg(p);
    if (!x || !y) return 0;
    size_t xl = strlen(x), yl = strlen(y);
    return yl <= xl && memcmp(x + xl - yl, y, yl) == 0;
}

qo_val_t str_contains(qo_val_t s, qo_val_t n) {
    const char *x = _qo_str_arg(s), *y = _qo_str_arg(n);
    return x && y && strstr(x, y) != NULL;
}

qo_val_t istr_contains(qo_val_t s, qo_val_t n) {
    const char *x = _qo_str_arg(s), *y = _qo_str_arg(n);
    if (!x || !y || !*x || !*y) return 0;
    /* The runtime never leaves the C locale, so this folds ASCII only. */
    return strcasestr(x, y) != NULL;
}

qo_val_t str_len(qo_val_t s) { return (qo_val_t)strlen(_qo_cstr(s)); }
qo_val_t __str_len(qo_val_t s) { return str_len(s); }
qo_val_t str_count_bytes(qo_val_t s) { return str_len(s); }

qo_val_t str_count_chars(qo_val_t s) {
    const unsigned char *p = (const unsigned char *)_qo_cstr(s);
    size_t n = strlen((const char *)p), count = 0;
    for (size_t i = 0; i < n; i++) count += (p[i] & 0xC0) != 0x80;
    return (qo_val_t)count;
}

/* ---- search ---- */

qo_val_t str_index_of(qo_val_t s, qo_val_t n) {
    const char *x = _qo_str_arg(s), *y = _qo_str_arg(n);
    if (!x || !y) return -1;
    const char *m = strstr(x, y);
    return m ? m - x : -1;
}

/* Starts a scan of s for n; 0 when either is null or n is "". */
static int _qo_str_scan_args(qo_str_scan *sc, qo_val_t s, qo_val_t n) {
    const char *x = _qo_str_arg(s), *y = _qo_str_arg(n);
    if (!x || !y || !*y) return 0;
    _qo_str_scan_init(sc, x, strlen(x), y);
    return 1;
}

qo_val_t str_last_index_of(qo_val_t s, qo_val_t n) {
    qo_str_scan sc;
    if (!_qo_str_scan_args(&sc, s, n)) return -1;
    const char *hay = sc.at, *m, *last = NULL;
    while ((m = _qo_str_scan_next(&sc))) last = m;
    return last ? last - hay : -1;
}

qo_val_t str_index_of_all(qo_val_t s, qo_val_t n) {
    qo_val_t list = qo_list_empty();
    qo_str_scan sc;
    if (!_qo_str_scan_args(&sc, s, n)) return list;
    const char *hay = sc.at, *m;
    while ((m = _qo_str_scan_next(&sc))) list = qo_list_append(list, m - hay);
    return list;
}

qo_val_t str_find_chars(qo_val_t s, qo_val_t set) {
    const char *x = _qo_str_arg(s), *y = _qo_str_arg(set);
    if (!x || !y || !*y) return -1;
    size_t i = strcspn(x, y);
    return x[i] ? (qo_val_t)i : -1;
}

qo_val_t str_count(qo_val_t s, qo_val_t n) {
    qo_str_scan sc;
    if (!_qo_str_scan_args(&sc, s, n)) return 0;
    qo_val_t count = 0;
    while (_qo_str_scan_next(&sc)) count++;
    return count;
}

/* ---- extraction ---- */

qo_val_t str_slice(qo_val_t s, qo_val_t start, qo_val_t end) {
    const char *p = _qo_str_arg(s);
    if (!p || end <= 0) return _qo_str_empty();
    if (start < 0) start = 0;
    /* Only the bytes up to end matter: measure no further. */
    qo_val_t stop = (qo_val_t)strnlen(p, (size_t)end);
    if (start >= stop) return _qo_str_empty();
    return _qo_str_from(p + start, (size_t)(stop - start));
}
qo_val_t __str_slice_raw(qo_val_t s, qo_val_t start, qo_val_t end) { return str_slice(s, start, end); }

/* The address of byte i of s, or NULL when s is null or too short. */
static const char *_qo_str_byte_at(qo_val_t s, qo_val_t i) {
    const char *p = _qo_str_arg(s);
    if (!p || i < 0) return NULL;
    return strnlen(p, (size_t)i + 1) > (size_t)i ? p + i : NULL;
}

qo_val_t str_char_at(qo_val_t s, qo_val_t i) {
    const char *c = _qo_str_byte_at(s, i);
    return c ? _qo_str_from(c, 1) : _qo_str_empty();
}
qo_val_t __str_char_at(qo_val_t s, qo_val_t i) { return str_char_at(s, i); }

qo_val_t str_char_code(qo_val_t s, qo_val_t i) {
    const char *c = _qo_str_byte_at(s, i);
    return c ? (unsigned char)*c : 0;
}

/* ---- transformation ---- */

qo_val_t qo_str_concat(qo_val_t a, qo_val_t b) {
    const char *x = _qo_cstr(a), *y = _qo_cstr(b);
    size_t xl = strlen(x), yl = strlen(y);
    char *r = _qo_str_alloc(xl + yl);
    memcpy(r, x, xl);
    memcpy(r + xl, y, yl);
    return _qo_str_word(r);
}
qo_val_t str_concat(qo_val_t a, qo_val_t b) { return qo_str_concat(a, b); }
qo_val_t __str_concat_raw(qo_val_t a, qo_val_t b) { return qo_str_concat(a, b); }

qo_val_t str_replace(qo_val_t s, qo_val_t old_text, qo_val_t new_text) {
    const char *p = _qo_str_arg(s), *old = _qo_str_arg(old_text), *with = _qo_str_arg(new_text);
    if (!p) return _qo_str_empty();
    size_t len = strlen(p);
    if (!old || !*old || !with) return _qo_str_from(p, len);
    qo_str_scan sc;
    _qo_str_scan_init(&sc, p, len, old);
    size_t with_len = strlen(with);
    qo_jb b;
    jb_init(&b);
    const char *from = p, *m;
    while ((m = _qo_str_scan_next(&sc))) {
        jb_putn(&b, from, (size_t)(m - from));
        jb_putn(&b, with, with_len);
        from = sc.at;
    }
    jb_putn(&b, from, (size_t)(p + len - from));
    return jb_finish(&b);
}

/* Flips the case of the 26 letters starting at `first` ('a' or 'A'). */
static qo_val_t _qo_str_flip_case(qo_val_t s, unsigned char first) {
    const unsigned char *p = (const unsigned char *)_qo_cstr(s);
    size_t n = strlen((const char *)p);
    unsigned char *r = (unsigned char *)_qo_str_alloc(n);
    for (size_t i = 0; i < n; i++) r[i] = (unsigned char)(p[i] - first) < 26 ? p[i] ^ 0x20 : p[i];
    return _qo_str_word((char *)r);
}

qo_val_t str_to_upper(qo_val_t s) { return _qo_str_flip_case(s, 'a'); }
qo_val_t str_upper(qo_val_t s) { return str_to_upper(s); }
qo_val_t str_to_lower(qo_val_t s) { return _qo_str_flip_case(s, 'A'); }
qo_val_t str_lower(qo_val_t s) { return str_to_lower(s); }

/* A byte of the strip set: marked in `set`, or white space when set is NULL. */
static inline int _qo_str_strippable(const unsigned char *set, unsigned char c) {
    return set ? set[c] : _qo_is_space(c);
}

/* Copy of s without leading and/or trailing bytes of the strip set. */
static qo_val_t _qo_str_strip(qo_val_t s, const unsigned char *set, int lead, int trail) {
    const unsigned char *p = (const unsigned char *)_qo_cstr(s);
    size_t a = 0, z = strlen((const char *)p);
    if (lead)
        while (a < z && _qo_str_strippable(set, p[a])) a++;
    if (trail)
        while (z > a && _qo_str_strippable(set, p[z - 1])) z--;
    return _qo_str_from((const char *)p + a, z - a);
}

qo_val_t str_trim(qo_val_t s) { return _qo_str_strip(s, NULL, 1, 1); }
qo_val_t str_lstrip(qo_val_t s) { return _qo_str_strip(s, NULL, 1, 0); }
qo_val_t str_rstrip(qo_val_t s) { return _qo_str_strip(s, NULL, 0, 1); }

qo_val_t str_strip_chars(qo_val_t s, qo_val_t set) {
    unsigned char member[256] = {0};
    for (const unsigned char *c = (const unsigned char *)_qo_cstr(set); *c; c++) member[*c] = 1;
    return _qo_str_strip(s, member, 1, 1);
}

qo_val_t str_strip_prefix(qo_val_t s, qo_val_t p) {
    const char *x = _qo_cstr(s), *y = _qo_cstr(p);
    size_t yl = strlen(y);
    if (strncmp(x, y, yl) == 0) x += yl;
    return _qo_str_from(x, strlen(x));
}

qo_val_t str_strip_suffix(qo_val_t s, qo_val_t p) {
    const char *x = _qo_cstr(s), *y = _qo_cstr(p);
    size_t xl = strlen(x), yl = strlen(y);
    if (yl <= xl && memcmp(x + xl - yl, y, yl) == 0) xl -= yl;
    return _qo_str_from(x, xl);
}

/* Fills n bytes with copies of a unit (byte k is unit[k % unit_len]) by
 * doubling what is already written: log(n) memcpy calls. */
static void _qo_str_fill(char *out, size_t n, const char *unit, size_t unit_len) {
    size_t done = unit_len < n ? unit_len : n;
    memcpy(out, unit, done);
    while (done < n) {
        size_t step = done < n - done ? done : n - done;
        memcpy(out + done, out, step);
        done += step;
    }
}

qo_val_t str_repeat(qo_val_t s, qo_val_t n) {
    const char *p = _qo_cstr(s);
    size_t len = strlen(p);
    if (len == 0 || n <= 0) return _qo_str_empty();
    uint64_t total;
    if (__builtin_mul_overflow((uint64_t)len, (uint64_t)n, &total)) total = UINT64_MAX;
    size_t size = _qo_str_checked_size(total);
    char *r = _qo_str_alloc(size);
    _qo_str_fill(r, size, p, len);
    return _qo_str_word(r);
}

/* Bytes in the UTF-8 unit that starts with lead byte c; stray continuation
 * bytes and invalid leads are units of their own. */
static size_t _qo_str_unit_len(unsigned char c) {
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

qo_val_t str_reverse(qo_val_t s) {
    const char *p = _qo_cstr(s);
    size_t n = strlen(p), out = n;
    char *r = _qo_str_alloc(n);
    for (size_t i = 0; i < n;) {
        size_t unit = _qo_str_unit_len((unsigned char)p[i]);
        if (unit > n - i) unit = n - i; /* a sequence cut short by the end */
        out -= unit;
        memcpy(r + out, p + i, unit);
        i += unit;
    }
    return _qo_str_word(r);
}

qo_val_t str_pad(qo_val_t s, qo_val_t width, qo_val_t pad, qo_val_t left) {
    const char *p = _qo_cstr(s), *unit = _qo_str_arg(pad);
    if (!unit || !*unit) unit = " ";
    size_t len = strlen(p);
    if (width <= (qo_val_t)len) return _qo_str_from(p, len);
    size_t size = _qo_str_checked_size((uint64_t)width), fill = size - len;
    char *r = _qo_str_alloc(size);
    char *text_at = left ? r + fill : r, *fill_at = left ? r : r + len;
    memcpy(text_at, p, len);
    _qo_str_fill(fill_at, fill, unit, strlen(unit));
    return _qo_str_word(r);
}

qo_val_t str_pad_left(qo_val_t s, qo_val_t width, qo_val_t pad) { return str_pad(s, width, pad, 1); }
qo_val_t str_pad_right(qo_val_t s, qo_val_t width, qo_val_t pad) { return str_pad(s, width, pad, 0); }

/* ---- raw building blocks ---- */

qo_val_t __str_alloc(qo_val_t n) {
    if (n < 0) n = 0;
    size_t size = _qo_str_checked_size((uint64_t)n + 2);
    char *r = _qo_xcalloc(size, 1);
    qo_arena_track(_qo_str_word(r));
    return _qo_str_word(r);
}

qo_val_t __str_set_char(qo_val_t s, qo_val_t i, qo_val_t c) {
    char *p = (char *)_qo_str_arg(s);
    if (!p) return 0;
    /* No block starts before its address: a negative index is never inside. */
    if (i >= 0) p[i] = (char)(unsigned char)c;
    return s;
}
