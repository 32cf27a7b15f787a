/* HTTP server and responses, HTML escaping and sanitising, URL coding, client entry points. Part of qo_runtime.h; include that instead. */
#ifndef QO_WEB_QO_WEB_H
#define QO_WEB_QO_WEB_H

#endif
