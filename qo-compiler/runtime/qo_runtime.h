/*
 * qo_runtime.h -- the one header every generated Qo program, the compiler,
 * the build tool and the tests include.
 *
 * Every Qo value is one machine word, qo_val_t: an integer, a boolean (1/0),
 * null (0), the bits of a binary64 float, or the address of a string, list,
 * map or byte buffer. Nothing in the word says which; the operation applied
 * decides. Every Qo-callable function takes and returns qo_val_t, so a call
 * can stand anywhere an expression can.
 *
 * The declarations are grouped by subsystem in the headers included below;
 * they are part of this header and are not meant to be included on their own.
 * The header compiles as C11 and as C++.
 */
#ifndef QO_RUNTIME_H
#define QO_RUNTIME_H

#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int64_t qo_val_t;

#define QO_NULL ((qo_val_t)0)
/* A string value that points at the literal's own storage: no copy. */
#define QO_STR(s) ((qo_val_t)(intptr_t)(s))
/* The C string a string value points at. */
#define QO_STR_PTR(v) ((char *)(intptr_t)(v))

/* Floats travel as their binary64 bit pattern. */
static inline qo_val_t qo_from_float(double d) {
    qo_val_t v;
    memcpy(&v, &d, sizeof v);
    return v;
}

static inline double qo_to_float(qo_val_t v) {
    double d;
    memcpy(&d, &v, sizeof d);
    return d;
}

#include "core/qo_values.h"
#include "core/qo_strings.h"
#include "core/qo_lists.h"
#include "core/qo_io.h"
#include "core/qo_state.h"
#include "core/qo_threads.h"
#include "json/qo_json.h"
#include "web/qo_web.h"
#include "time/qo_time.h"
#include "engram/qo_engram.h"
#include "crypto/qo_crypto.h"
#include "core/qo_builtin_aliases.h"

#ifdef __cplusplus
}
#endif

#endif /* QO_RUNTIME_H */
