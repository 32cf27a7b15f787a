/* JSON text access and building; parsing into values and stringifying. Part of qo_runtime.h; include that instead. */
#ifndef QO_JSON_QO_JSON_H
#define QO_JSON_QO_JSON_H

#endif
