/*
 * qo_runtime.c -- the whole runtime as one translation unit.
 *
 * qob compiles this file into every program it links, so the runtime is
 * one source that includes the subsystem files in dependency order. Helpers
 * shared between subsystems are declared in qo_runtime.h (the `_qo_` names).
 */
#define _GNU_SOURCE
#include "qo_runtime.h"

#include "core/values.c"
#include "core/lists.c"
#include "json/builder.c"
