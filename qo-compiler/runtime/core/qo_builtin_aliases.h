/* Builtins the compiler knows by name that no other subsystem spells, and
 * the network primitives. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_BUILTIN_ALIASES_H
#define QO_CORE_QO_BUILTIN_ALIASES_H

/* The current Instant in nanoseconds: now_ns. */
qo_val_t __time_now_ns(void);
/* Sleeps n milliseconds: sleep_ms. */
qo_val_t __sleep_ms(qo_val_t n);
/* Text generation: the prompt handed to the language-model client with its
 * default model (llm_call with a null model), answering what llm_call
 * answers (in a build without a client, its error object). */
qo_val_t __generate(qo_val_t prompt);

/* The network primitives of cgi programs. No part of the runtime defines
 * them: a network library linked into the program supplies them. They are
 * declared here so that programs calling them compile. */
qo_val_t tavri_connect(qo_val_t peer);
qo_val_t tavri_send(qo_val_t peer, qo_val_t message);
qo_val_t tavri_activate(qo_val_t signal);
qo_val_t tavri_emit(qo_val_t event, qo_val_t payload);
qo_val_t tavri_field(qo_val_t name);
qo_val_t tavri_strengthen(qo_val_t peer, qo_val_t amount);
qo_val_t tavri_relationship(qo_val_t peer);
qo_val_t tavri_peers(void);

#endif
