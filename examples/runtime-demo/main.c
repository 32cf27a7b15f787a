/* A first taste of the runtime from C: values are words, strings are
 * arena-reclaimed, lists and maps copy on write. */
#include <stdio.h>

#include "qo_runtime.h"

int main(int argc, char **argv) {
    qo_runtime_init_args(argc, argv);
    qo_val_t scope = qo_arena_push();

    qo_val_t langs = qo_list_new(3, QO_STR("C"), QO_STR("Qo"), QO_STR("JavaScript"));
    qo_val_t shared = langs;
    qo_retain(shared);                       /* two holders now: writers copy */
    qo_val_t more = qo_list_append(langs, QO_STR("HTML"));
    printf("targets: %s\n", QO_STR_PTR(list_join(shared, QO_STR(", "))));
    printf("with templates: %s\n", QO_STR_PTR(list_join(more, QO_STR(", "))));

    qo_val_t record = qo_map_new(2, "name", QO_STR("qoc"), "year", 2026);
    printf("%s, %lld\n", QO_STR_PTR(qo_get_field(record, QO_STR("name"))),
           (long long)qo_get_field(record, QO_STR("year")));

    qo_arena_pop(scope);
    return 0;
}
