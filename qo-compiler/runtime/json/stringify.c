/*
 * stringify.c -- one value to JSON text.
 *
 * Values carry no kind, so only the cheap text test decides: a word that
 * reads as text becomes a JSON string, null becomes "null", and every other
 * word (Ints, Floats, Lists and Maps alike) is written as its decimal.
 */
#include <stdio.h>

qo_val_t json_stringify(qo_val_t v) {
    if (v == 0) return _qo_str_from("null", 4);
    if (!looks_like_string(v)) {
        char digits[24];
        return _qo_str_from(digits, (size_t)snprintf(digits, sizeof digits, "%lld", (long long)v));
    }
    qo_jb b;
    jb_init(&b);
    jb_emit_escaped(&b, (const char *)(intptr_t)v);
    return jb_finish(&b);
}

qo_val_t __json_stringify_val(qo_val_t v) { return json_stringify(v); }
