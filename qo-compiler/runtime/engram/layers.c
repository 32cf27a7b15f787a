/*
 * layers.c -- adding, removing and listing layers.
 *
 * A removed layer only loses its name: its slot stays, so ids are never
 * reused and nodes that still carry the id simply find no layer. Listings
 * order by activation priority with a stable sort, so equal priorities keep
 * slot order.
 */
#include <stdlib.h>

qo_val_t engram_add_layer(qo_val_t name, qo_val_t activation_priority, qo_val_t suppressible,
                          qo_val_t transparent, qo_val_t injectable) {
    EngramGraph *g = _qo_engram_graph();
    const char *text = _qo_str_arg(name);
    if (_qo_engram_blank(text)) return 0;
    uint32_t top = 0;
    for (int64_t i = 0; i < g->layer_count; i++) {
        const EngramLayer *l = &g->layers[i];
        if (l->name && strcmp(l->name, text) == 0) return l->layer_id;
        if (i == 0 || l->layer_id > top) top = l->layer_id;
    }
    EngramLayer layer = {g->layer_count ? top + 1 : 1, (char *)text, (uint32_t)activation_priority,
                         suppressible != 0, transparent != 0, injectable != 0};
    _qo_engram_add_layer_slot(g, &layer);
    return layer.layer_id;
}

qo_val_t engram_remove_layer(qo_val_t layer_id) {
    EngramGraph *g = _qo_engram_graph();
    if (layer_id < 0 || layer_id > UINT32_MAX) return 0;
    EngramLayer *l = (EngramLayer *)_qo_engram_layer(g, (uint32_t)layer_id);
    if (!l || !l->injectable) return 0;
    free(l->name);
    l->name = NULL;
    return 1;
}

static int _qo_egl_priority_before(const void *ctx, int64_t a, int64_t b) {
    const EngramLayer *layers = ctx;
    return layers[a].activation_priority < layers[b].activation_priority;
}

int64_t _qo_engram_layers_ranked(EngramGraph *g, int64_t **out) {
    int64_t *slots = _qo_xmalloc((size_t)g->layer_count * sizeof *slots), n = 0;
    for (int64_t i = 0; i < g->layer_count; i++)
        if (g->layers[i].name) slots[n++] = i;
    if (!_qo_engram_sort(slots, n, _qo_egl_priority_before, g->layers)) {
        free(slots);
        return -1;
    }
    *out = slots;
    return n;
}

qo_val_t engram_list_layers(void) {
    EngramGraph *g = _qo_engram_graph();
    int64_t *slots, n = _qo_engram_layers_ranked(g, &slots);
    qo_val_t list = qo_list_empty();
    for (int64_t i = 0; i < n; i++) {
        const EngramLayer *l = &g->layers[slots[i]];
        qo_val_t m = qo_map_new(6, "layer_id", (qo_val_t)l->layer_id, "name",
                                _qo_str_from(l->name, strlen(l->name)), "activation_priority",
                                (qo_val_t)l->activation_priority, "suppressible", (qo_val_t)l->suppressible,
                                "transparent", (qo_val_t)l->transparent, "injectable", (qo_val_t)l->injectable);
        list = qo_list_append(list, m);
    }
    if (n >= 0) free(slots);
    return list;
}
