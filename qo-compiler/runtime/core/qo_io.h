/* Console, files, directories, processes, environment and logging. Part of qo_runtime.h; include that instead. */
#ifndef QO_CORE_QO_IO_H
#define QO_CORE_QO_IO_H

#endif
