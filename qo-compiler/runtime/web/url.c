/*
 * url.c -- percent-encoding and decoding.
 *
 * Encoding keeps only the unreserved bytes (letters, digits, "-._~"), so
 * the result is safe in any part of a URL. Decoding is lenient: "+" is a
 * space, a "%" without two hex digits stays as it is.
 */

static int _qo_url_unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '.' || c == '_' || c == '~';
}

static int _qo_url_hex(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

qo_val_t url_encode(qo_val_t s) {
    static const char hex[] = "0123456789ABCDEF";
    const unsigned char *src = (const unsigned char *)_qo_cstr(s);
    size_t n = 0;
    for (const unsigned char *p = src; *p; p++) n += _qo_url_unreserved(*p) ? 1 : 3;
    char *out = _qo_str_alloc(n), *w = out;
    for (const unsigned char *p = src; *p; p++) {
        if (_qo_url_unreserved(*p)) {
            *w++ = (char)*p;
        } else {
            *w++ = '%';
            *w++ = hex[*p >> 4];
            *w++ = hex[*p & 15];
        }
    }
    return QO_STR(out);
}

qo_val_t __url_encode(qo_val_t s) { return url_encode(s); }

qo_val_t url_decode(qo_val_t s) {
    const unsigned char *src = (const unsigned char *)_qo_cstr(s);
    size_t n = strlen((const char *)src);
    char *out = _qo_str_alloc(n), *w = out;
    for (size_t i = 0; i < n; i++) {
        int hi, lo;
        if (src[i] == '+') {
            *w++ = ' ';
        } else if (src[i] == '%' && (hi = _qo_url_hex(src[i + 1])) >= 0 &&
                   (lo = _qo_url_hex(src[i + 2])) >= 0) { /* a NUL stops at the first test */
            *w++ = (char)(hi << 4 | lo);
            i += 2;
        } else {
            *w++ = (char)src[i];
        }
    }
    *w = '\0';
    return QO_STR(out);
}

qo_val_t __url_decode(qo_val_t s) { return url_decode(s); }
