/* The public header must compile as strict C11 with every warning on; this
 * file only has to build. The C++ side is every test in this folder. */
#include "qo_runtime.h"

qo_val_t header_check_uses_the_constructors(void);
qo_val_t header_check_uses_the_constructors(void) {
    qo_val_t list = qo_list_new(3, 1, -2, QO_STR("x"));
    qo_val_t map = qo_map_new(1, "k", qo_from_float(1.5));
    return qo_list_len(list) + qo_map_get(map, QO_STR("k")) + QO_NULL;
}
