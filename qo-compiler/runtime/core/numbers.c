/*
 * numbers.c -- integer helpers and the math functions on Floats.
 *
 * Integer arithmetic goes through unsigned words where the signed form
 * could overflow (the absolute value of the most negative Int is itself).
 * The math functions take and return a Float's bit pattern; the __*_f
 * spellings are the compiler's builtin names for the same functions.
 */
#include <math.h>

qo_val_t qo_abs(qo_val_t n) { return n < 0 ? (qo_val_t)(0 - (uint64_t)n) : n; }
qo_val_t qo_max(qo_val_t a, qo_val_t b) { return a > b ? a : b; }
qo_val_t qo_min(qo_val_t a, qo_val_t b) { return a < b ? a : b; }

qo_val_t math_sqrt(qo_val_t f) { return qo_from_float(sqrt(qo_to_float(f))); }
qo_val_t math_log(qo_val_t f) { return qo_from_float(log(qo_to_float(f))); }
qo_val_t math_ln(qo_val_t f) { return math_log(f); }
qo_val_t math_sin(qo_val_t f) { return qo_from_float(sin(qo_to_float(f))); }
qo_val_t math_cos(qo_val_t f) { return qo_from_float(cos(qo_to_float(f))); }
qo_val_t math_pi(void) { return (qo_val_t)0x400921FB54442D18LL; }

qo_val_t __sqrt_f(qo_val_t f) { return math_sqrt(f); }
qo_val_t __log_f(qo_val_t f) { return math_log(f); }
qo_val_t __ln_f(qo_val_t f) { return math_ln(f); }
qo_val_t __sin_f(qo_val_t f) { return math_sin(f); }
qo_val_t __cos_f(qo_val_t f) { return math_cos(f); }
qo_val_t __pi_f(void) { return math_pi(); }
