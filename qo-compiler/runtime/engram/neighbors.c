/*
 * neighbors.c -- edges between ids, direct neighbours and bounded
 * neighbourhoods (as node maps and as JSON).
 *
 * All walks use the index's per-id edge chains, which list the edges
 * touching an id in edge order: the same edges, met in the same order, as a
 * scan of the whole edge array, so results and their order do not depend on
 * the index. Ids are compared as text throughout (an edge may name an id
 * that no node has; a walk can start from such an id too).
 */
#include <stdio.h>
#include <stdlib.h>

qo_val_t engram_edge_between(qo_val_t from_id, qo_val_t to_id) {
    EngramGraph *g = _qo_engram_graph();
    int64_t from = _qo_engram_key_of(g, _qo_str_arg(from_id)), to = _qo_engram_key_of(g, _qo_str_arg(to_id));
    if (from < 0 || to < 0) return 0;
    const EngramIndex *ix = _qo_engram_index(g);
    for (int64_t e = ix->keys[from].head; e >= 0; e = _qo_engram_next_edge(ix, from, e))
        if (ix->links[e].from_key == from && ix->links[e].to_key == to) return 1;
    return 0;
}

qo_val_t engram_neighbors(qo_val_t id) {
    EngramGraph *g = _qo_engram_graph();
    qo_val_t list = qo_list_empty();
    int64_t key = _qo_engram_key_of(g, _qo_str_arg(id));
    if (key < 0) return list;
    const EngramIndex *ix = _qo_engram_index(g);
    for (int64_t e = ix->keys[key].head; e >= 0; e = _qo_engram_next_edge(ix, key, e)) {
        int64_t v = ix->keys[_qo_engram_far_end(ix, key, e)].node;
        if (v >= 0) list = qo_list_append(list, engram_node_to_map(&g->nodes[v]));
    }
    return list;
}

/* "out" follows edges from the current id, "in" edges into it. */
enum { _QO_EGN_OUT = 1, _QO_EGN_IN = 2, _QO_EGN_BOTH = 3 };

static int _qo_egn_cmp_index(const void *a, const void *b) {
    int64_t x = *(const int64_t *)a, y = *(const int64_t *)b;
    return (x > y) - (x < y);
}

/* Breadth-first over nodes; the result is every visited node but the
 * start, in node order. */
qo_val_t engram_neighbors_filtered(qo_val_t id, qo_val_t depth, qo_val_t direction) {
    EngramGraph *g = _qo_engram_graph();
    qo_val_t list = qo_list_empty();
    int64_t start = _qo_engram_find(g, _qo_str_arg(id));
    if (start < 0) return list;
    const char *dir = _qo_cstr(direction);
    int follow = strcmp(dir, "out") == 0 ? _QO_EGN_OUT : strcmp(dir, "in") == 0 ? _QO_EGN_IN : _QO_EGN_BOTH;
    if (depth < 1) depth = 1;
    char *visited = calloc((size_t)g->node_count, 1);
    int64_t *queue = malloc((size_t)g->node_count * sizeof *queue), *hops = malloc((size_t)g->node_count * sizeof *hops);
    int64_t head = 0, tail = 0;
    const EngramIndex *ix = _qo_engram_index(g);
    if (visited && queue && hops) {
        visited[start] = 1;
        queue[tail++] = start;
        hops[start] = 0;
    }
    while (head < tail) {
        int64_t u = queue[head++];
        if (hops[u] >= depth) continue;
        int64_t key = ix->node_key[u];
        for (int64_t e = ix->keys[key].head; e >= 0; e = _qo_engram_next_edge(ix, key, e)) {
            const EngramLink *l = &ix->links[e];
            int64_t ends[2] = {(follow & _QO_EGN_OUT) && l->from_key == key ? l->to_key : -1,
                               (follow & _QO_EGN_IN) && l->to_key == key ? l->from_key : -1};
            for (int s = 0; s < 2; s++) {
                int64_t v = ends[s] < 0 ? -1 : ix->keys[ends[s]].node;
                if (v < 0 || visited[v]) continue;
                visited[v] = 1;
                hops[v] = hops[u] + 1;
                queue[tail++] = v;
            }
        }
    }
    /* The queue holds every visited node once; sorted it is node order. */
    if (tail > 1) qsort(queue + 1, (size_t)tail - 1, sizeof *queue, _qo_egn_cmp_index);
    for (int64_t i = 1; i < tail; i++) list = qo_list_append(list, engram_node_to_map(&g->nodes[queue[i]]));
    free(visited);
    free(queue);
    free(hops);
    return list;
}

/* The JSON neighbourhood keeps its own bounds: 1024 queue entries and a
 * seen list of 1024 ids (starting with the id itself); once the seen list
 * is full, further ids are written but no longer remembered. */
typedef struct {
    char *seen; /* by id key */
    int64_t seen_count;
    int64_t queue_key[1024];
    int64_t queue_hops[1024];
    int64_t tail;
} _qo_egn_walk;

static void _qo_egn_see(_qo_egn_walk *w, int64_t key) {
    if (w->seen_count >= 1024) return;
    w->seen[key] = 1;
    w->seen_count++;
}

static void _qo_egn_write_entry(qo_jb *b, EngramGraph *g, int64_t v, int64_t e, int64_t hops, int first) {
    jb_puts(b, first ? "{\"node\":" : ",{\"node\":");
    _qo_engram_put_node(b, &g->nodes[v]);
    jb_puts(b, ",\"edge\":");
    _qo_engram_put_edge(b, &g->edges[e]);
    char num[24];
    jb_puts(b, ",\"hops\":");
    jb_putn(b, num, (size_t)snprintf(num, sizeof num, "%lld", (long long)hops));
    jb_putc(b, '}');
}

static int _qo_egn_json_direction(qo_val_t direction) {
    const char *dir = _qo_str_arg(direction);
    if (!dir || strcmp(dir, "both") == 0) return _QO_EGN_BOTH;
    if (strcmp(dir, "out") == 0) return _QO_EGN_OUT;
    if (strcmp(dir, "in") == 0) return _QO_EGN_IN;
    return 0;
}

/* Expands one queue entry: every followed edge whose far end is an unseen
 * node yields an entry, and the node is queued while depth allows. */
static void _qo_egn_expand(EngramGraph *g, _qo_egn_walk *w, qo_jb *b, int64_t key, int64_t h, int64_t depth,
                           int follow, int *written) {
    const EngramIndex *ix = _qo_engram_index(g);
    for (int64_t e = ix->keys[key].head; e >= 0; e = _qo_engram_next_edge(ix, key, e)) {
        int64_t from = ix->links[e].from_key, to = ix->links[e].to_key, next;
        if (follow == _QO_EGN_BOTH) next = from == key ? to : from;
        else if (follow == _QO_EGN_OUT) next = from == key ? to : -1;
        else next = to == key ? from : -1;
        if (next < 0 || w->seen[next]) continue;
        int64_t v = ix->keys[next].node;
        if (v < 0) continue;
        _qo_egn_write_entry(b, g, v, e, h + 1, !(*written)++);
        _qo_egn_see(w, next);
        if (h + 1 < depth && w->tail < 1024) {
            w->queue_key[w->tail] = next;
            w->queue_hops[w->tail++] = h + 1;
        }
    }
}

qo_val_t engram_neighbors_json(qo_val_t id, qo_val_t depth, qo_val_t direction) {
    EngramGraph *g = _qo_engram_graph();
    int follow = _qo_egn_json_direction(direction);
    const char *text = _qo_str_arg(id);
    int64_t start = _qo_engram_blank(text) ? -1 : _qo_engram_key_of(g, text);
    if (!follow || start < 0) return _qo_str_from("[]", 2);
    if (depth < 1) depth = 1;
    _qo_egn_walk *w = malloc(sizeof *w);
    char *seen = calloc((size_t)_qo_engram_index(g)->key_count, 1);
    if (!w || !seen) {
        free(w);
        free(seen);
        return _qo_str_from("[]", 2);
    }
    *w = (_qo_egn_walk){.seen = seen, .tail = 1};
    w->queue_key[0] = start;
    w->queue_hops[0] = 0;
    _qo_egn_see(w, start);
    qo_jb b;
    jb_init(&b);
    jb_putc(&b, '[');
    int written = 0;
    for (int64_t head = 0; head < w->tail; head++)
        if (w->queue_hops[head] < depth)
            _qo_egn_expand(g, w, &b, w->queue_key[head], w->queue_hops[head], depth, follow, &written);
    jb_putc(&b, ']');
    free(seen);
    free(w);
    return jb_finish(&b);
}

qo_val_t __engram_edge_between(qo_val_t from_id, qo_val_t to_id) { return engram_edge_between(from_id, to_id); }
qo_val_t __engram_neighbors(qo_val_t id) { return engram_neighbors(id); }
qo_val_t __engram_neighbors_filtered(qo_val_t id, qo_val_t depth, qo_val_t direction) {
    return engram_neighbors_filtered(id, depth, direction);
}
