/*
 * graph.c -- the one process-wide graph and its record arrays.
 *
 * Nodes, edges and layers live in three arrays that double when full, records
 * by value, in insertion order: rankings break ties by that order, so
 * removal shifts later records down instead of swapping the last one in.
 * Every string a record holds is a private heap copy that the graph frees
 * itself; nothing outside the engram points into a record.
 *
 * Appending goes through this file so that the id index (index.c) sees
 * every new node and edge; forgetting tells the index what went, and
 * clearing the arrays for a load marks it stale, to be rebuilt on its next
 * use.
 */
#include <math.h>
#include <stdlib.h>
#include <sys/time.h>

EngramGraph *engram_global;

static const EngramLayer _qo_egg_builtin_layers[] = {
    {0, "safety", 0, 0, 1, 0},
    {1, "core-identity", 10, 1, 0, 0},
    {2, "domain-knowledge", 20, 1, 0, 0},
    {3, "imprint", 30, 1, 0, 1},
    {4, "suit", 40, 1, 0, 1},
    {5, "accumulation", 50, 1, 0, 0},
};

EngramGraph *_qo_engram_graph(void) {
    if (engram_global) return engram_global;
    EngramGraph *g = _qo_xcalloc(1, sizeof *g);
    g->node_cap = g->edge_cap = g->layer_cap = 16;
    g->nodes = _qo_xcalloc((size_t)g->node_cap, sizeof *g->nodes);
    g->edges = _qo_xcalloc((size_t)g->edge_cap, sizeof *g->edges);
    g->layers = _qo_xcalloc((size_t)g->layer_cap, sizeof *g->layers);
    engram_global = g;
    for (size_t i = 0; i < sizeof _qo_egg_builtin_layers / sizeof *_qo_egg_builtin_layers; i++)
        _qo_engram_add_layer_slot(g, &_qo_egg_builtin_layers[i]);
    return g;
}

int64_t _qo_engram_now_ms(void) {
    struct timeval tv;
    gettimeofday(&tv, NULL);
    return (int64_t)tv.tv_sec * 1000 + (int64_t)tv.tv_usec / 1000;
}

char *_qo_engram_strdup(const char *s) {
    if (!s) s = "";
    size_t n = strlen(s) + 1;
    return memcpy(_qo_xmalloc(n), s, n);
}

/* Doubles *cap until count fits and zero-fills the new part. */
static void *_qo_egg_grow(void *items, int64_t count, int64_t *cap, size_t size) {
    if (count < *cap) return items;
    int64_t grown = *cap < 1 ? 16 : *cap * 2;
    items = _qo_xrealloc(items, (size_t)grown * size);
    memset((char *)items + (size_t)*cap * size, 0, (size_t)(grown - *cap) * size);
    *cap = grown;
    return items;
}

void _qo_engram_append_node(EngramGraph *g, const EngramNode *node) {
    g->nodes = _qo_egg_grow(g->nodes, g->node_count, &g->node_cap, sizeof *g->nodes);
    g->nodes[g->node_count++] = *node;
    _qo_engram_index_add_node(g, g->node_count - 1);
}

void _qo_engram_append_edge(EngramGraph *g, const EngramEdge *edge) {
    g->edges = _qo_egg_grow(g->edges, g->edge_count, &g->edge_cap, sizeof *g->edges);
    g->edges[g->edge_count++] = *edge;
    _qo_engram_index_add_edge(g, g->edge_count - 1);
}

void _qo_engram_add_layer_slot(EngramGraph *g, const EngramLayer *layer) {
    g->layers = _qo_egg_grow(g->layers, g->layer_count, &g->layer_cap, sizeof *g->layers);
    EngramLayer *slot = &g->layers[g->layer_count++];
    *slot = *layer;
    slot->name = layer->name ? _qo_engram_strdup(layer->name) : NULL;
    slot->suppressible = layer->suppressible != 0;
    slot->transparent = layer->transparent != 0;
    slot->injectable = layer->injectable != 0;
}

void _qo_engram_clear_layers(EngramGraph *g) {
    for (int64_t i = 0; i < g->layer_count; i++) free(g->layers[i].name);
    g->layer_count = 0;
}

void _qo_engram_free_node(EngramNode *n) {
    free(n->id);
    free(n->content);
    free(n->node_type);
    free(n->label);
    free(n->tier);
    free(n->tags);
    free(n->metadata);
}

void _qo_engram_free_edge(EngramEdge *e) {
    free(e->id);
    free(e->from_id);
    free(e->to_id);
    free(e->relation);
    free(e->metadata);
}

void _qo_engram_clear(EngramGraph *g) {
    _qo_engram_index_invalidate(g);
    for (int64_t i = 0; i < g->node_count; i++) _qo_engram_free_node(&g->nodes[i]);
    for (int64_t i = 0; i < g->edge_count; i++) _qo_engram_free_edge(&g->edges[i]);
    g->node_count = g->edge_count = 0;
}

const EngramLayer *_qo_engram_layer(EngramGraph *g, uint32_t layer_id) {
    for (int64_t i = 0; i < g->layer_count; i++)
        if (g->layers[i].name && g->layers[i].layer_id == layer_id) return &g->layers[i];
    return NULL;
}

int _qo_engram_layer_transparent(EngramGraph *g, uint32_t layer_id) {
    const EngramLayer *l = _qo_engram_layer(g, layer_id);
    return l && l->transparent;
}

int _qo_engram_layer_protected(EngramGraph *g, uint32_t layer_id) {
    const EngramLayer *l = _qo_engram_layer(g, layer_id);
    return l && !l->suppressible;
}

/* A word holds a float's bits when those read as a modest finite number;
 * anything else is an integer. Both kinds reach here because Qo code passes
 * literals like 0.8 and 1 alike. */
double _qo_engram_number(qo_val_t v) {
    double d = qo_to_float(v);
    if (isfinite(d) && d >= 0.0 && d <= 100.0) return d;
    return (double)v;
}

int _qo_engram_gt(double a, double b) {
    if (isnan(a)) return 0;
    if (isnan(b)) return 1;
    return a > b;
}

/* Bottom-up merge sort: runs of width w merged pairwise into scratch, then
 * swapped; the left run wins ties, which keeps equal items in input order. */
int _qo_engram_sort(int64_t *items, int64_t n, int (*before)(const void *ctx, int64_t a, int64_t b),
                    const void *ctx) {
    if (n < 2) return 1;
    int64_t *scratch = malloc((size_t)n * sizeof *scratch);
    if (!scratch) return 0;
    int64_t *src = items, *dst = scratch;
    for (int64_t w = 1; w < n; w *= 2) {
        for (int64_t lo = 0; lo < n; lo += 2 * w) {
            int64_t mid = lo + w < n ? lo + w : n, hi = lo + 2 * w < n ? lo + 2 * w : n;
            int64_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) dst[k++] = before(ctx, src[j], src[i]) ? src[j++] : src[i++];
            while (i < mid) dst[k++] = src[i++];
            while (j < hi) dst[k++] = src[j++];
        }
        int64_t *t = src;
        src = dst;
        dst = t;
    }
    if (src != items) memcpy(items, src, (size_t)n * sizeof *items);
    free(scratch);
    return 1;
}
