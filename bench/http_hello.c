/* The hello service of bench/http.sh: the runtime's HTTP server answering
 * every request with a short text. Usage: http_hello PORT */
#include <stdlib.h>

#include "qo_runtime.h"

qo_val_t hello(qo_val_t method, qo_val_t path, qo_val_t body) {
    (void)method;
    (void)path;
    (void)body;
    return QO_STR("Hello, world!");
}

int main(int argc, char **argv) {
    qo_runtime_init_args(argc, argv);
    http_serve(argc > 1 ? atoi(argv[1]) : 8080, QO_STR("hello"));
    return 1;
}
