/* Threads started by name, mutexes and channels. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_THREADS_H
#define QO_CORE_QO_THREADS_H

#endif
