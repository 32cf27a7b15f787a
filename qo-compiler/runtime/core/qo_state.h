/* The thread-safe string state store and the TTL cache. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_STATE_H
#define QO_CORE_QO_STATE_H

#endif
