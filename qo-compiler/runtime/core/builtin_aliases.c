/*
 * builtin_aliases.c -- the compiler's builtin spellings that no subsystem
 * provides under that name: thin forwards to the functions that do the
 * work, so that every name in the compiler's builtin table links.
 */

qo_val_t __time_now_ns(void) { return now_ns(); }

qo_val_t __sleep_ms(qo_val_t n) { return sleep_ms(n); }

qo_val_t __generate(qo_val_t prompt) { return llm_call(QO_NULL, prompt); }
