/* The engram knowledge graph. Part of qo_runtime.h; include that instead. */
#ifndef QO_ENGRAM_QO_ENGRAM_H
#define QO_ENGRAM_QO_ENGRAM_H

#endif
