/*
 * index.c -- id lookup and adjacency for the graph.
 *
 * Ids are plain strings compared exactly, and the same text may name two
 * nodes (a loaded file can hold duplicates) or no node at all (edges may
 * point anywhere). So the index is keyed by id text, not by node: every
 * distinct text used as a node id or an edge end gets one key, which knows
 * the first node carrying it (lookups always answer the first node in node
 * order) and threads the edges touching it in edge order through two "next"
 * links per edge, one for each end. Walking a key's chain therefore visits
 * exactly the edges a scan of the whole edge array would match, in the same
 * order, at a cost proportional to the node's degree.
 *
 * Keys live in an open-addressing table with linear probing, kept at most
 * half full, and own a copy of their text, so records may be freed under
 * them. Appends extend the index in place. Forgetting a node shifts the
 * records after it, so the index drops the same entries and relinks every
 * chain from the keys it already holds: linear in the graph, but no id is
 * hashed again. Keys that lose their last record stay (a lookup finds
 * nothing on them) until they outnumber the live ones; then, as after a
 * load, the index is rebuilt from the arrays on its next use.
 */
#include <stdlib.h>

static uint64_t _qo_egx_hash(const char *s) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (; *s; s++) h = (h ^ (unsigned char)*s) * 0x100000001b3ull;
    return h;
}

static int64_t _qo_egx_probe(const EngramIndex *ix, const char *text, uint64_t hash,
                            uint64_t *slot) {
    uint64_t i = hash & ix->slot_mask;
    for (;; i = (i + 1) & ix->slot_mask) {
        int64_t k = ix->slots[i] - 1;
        if (k < 0) break;
        if (ix->keys[k].hash == hash && strcmp(ix->keys[k].text, text) == 0) return k;
    }
    *slot = i;
    return -1;
}

static void _qo_egx_rehash(EngramIndex *ix, uint64_t size) {
    free(ix->slots);
    ix->slots = _qo_xcalloc(size, sizeof *ix->slots);
    ix->slot_mask = size - 1;
    for (int64_t k = 0; k < ix->key_count; k++) {
        uint64_t i = ix->keys[k].hash & ix->slot_mask;
        while (ix->slots[i]) i = (i + 1) & ix->slot_mask;
        ix->slots[i] = k + 1;
    }
}

static int64_t _qo_egx_intern(EngramIndex *ix, const char *text) {
    uint64_t hash = _qo_egx_hash(text), slot;
    int64_t k = _qo_egx_probe(ix, text, hash, &slot);
    if (k >= 0) return k;
    if (ix->key_count == ix->key_cap) {
        ix->key_cap = ix->key_cap ? ix->key_cap * 2 : 64;
        ix->keys = _qo_xrealloc(ix->keys, (size_t)ix->key_cap * sizeof *ix->keys);
    }
    k = ix->key_count++;
    ix->keys[k] = (EngramKey){_qo_engram_strdup(text), hash, -1, -1, -1};
    ix->slots[slot] = k + 1;
    if ((uint64_t)ix->key_count * 2 > ix->slot_mask + 1) _qo_egx_rehash(ix, (ix->slot_mask + 1) * 2);
    return k;
}

static void _qo_egx_fit(void **items, int64_t *cap, int64_t need, size_t size) {
    if (need <= *cap) return;
    int64_t grown = *cap ? *cap : 64;
    while (grown < need) grown *= 2;
    *items = _qo_xrealloc(*items, (size_t)grown * size);
    *cap = grown;
}

/* Appends edge e to key k's chain. */
static void _qo_egx_chain(EngramIndex *ix, int64_t k, int64_t e) {
    EngramKey *key = &ix->keys[k];
    if (key->tail < 0) {
        key->head = e;
    } else {
        EngramLink *t = &ix->links[key->tail];
        if (t->from_key == k) t->next_from = e;
        else t->next_to = e;
    }
    key->tail = e;
}

/* Links node n and edge e, whose keys are known, to those keys. */
static void _qo_egx_link_node(EngramIndex *ix, int64_t n) {
    EngramKey *key = &ix->keys[ix->node_key[n]];
    if (key->node < 0) key->node = n;
}

static void _qo_egx_link_edge(EngramIndex *ix, int64_t e) {
    EngramLink *l = &ix->links[e];
    l->next_from = l->next_to = -1;
    _qo_egx_chain(ix, l->from_key, e);
    if (l->to_key != l->from_key) _qo_egx_chain(ix, l->to_key, e);
}

static void _qo_egx_put_node(EngramIndex *ix, EngramGraph *g, int64_t n) {
    _qo_egx_fit((void **)&ix->node_key, &ix->node_cap, n + 1, sizeof *ix->node_key);
    ix->node_key[n] = _qo_egx_intern(ix, g->nodes[n].id ? g->nodes[n].id : "");
    _qo_egx_link_node(ix, n);
    ix->nodes = n + 1;
}

static void _qo_egx_put_edge(EngramIndex *ix, EngramGraph *g, int64_t e) {
    _qo_egx_fit((void **)&ix->links, &ix->link_cap, e + 1, sizeof *ix->links);
    const EngramEdge *edge = &g->edges[e];
    ix->links[e].from_key = _qo_egx_intern(ix, edge->from_id ? edge->from_id : "");
    ix->links[e].to_key = _qo_egx_intern(ix, edge->to_id ? edge->to_id : "");
    _qo_egx_link_edge(ix, e);
    ix->edges = e + 1;
}

/* Relinks every key from scratch; returns how many are left with neither
 * a node nor an edge. */
static int64_t _qo_egx_relink(EngramIndex *ix) {
    for (int64_t k = 0; k < ix->key_count; k++) ix->keys[k].node = ix->keys[k].head = ix->keys[k].tail = -1;
    for (int64_t n = 0; n < ix->nodes; n++) _qo_egx_link_node(ix, n);
    for (int64_t e = 0; e < ix->edges; e++) _qo_egx_link_edge(ix, e);
    int64_t unused = 0;
    for (int64_t k = 0; k < ix->key_count; k++) unused += ix->keys[k].node < 0 && ix->keys[k].head < 0;
    return unused;
}

static void _qo_egx_rebuild(EngramIndex *ix, EngramGraph *g) {
    for (int64_t k = 0; k < ix->key_count; k++) free(ix->keys[k].text);
    ix->key_count = ix->nodes = ix->edges = 0;
    uint64_t size = 64;
    while (size < (uint64_t)(g->node_count + g->edge_count) * 2) size *= 2;
    _qo_egx_rehash(ix, size);
    for (int64_t n = 0; n < g->node_count; n++) _qo_egx_put_node(ix, g, n);
    for (int64_t e = 0; e < g->edge_count; e++) _qo_egx_put_edge(ix, g, e);
    ix->stale = 0;
}

static EngramIndex *_qo_egx_ready(EngramGraph *g) {
    if (!g->index) {
        g->index = _qo_xcalloc(1, sizeof *g->index);
        g->index->stale = 1;
    }
    if (g->index->stale) _qo_egx_rebuild(g->index, g);
    return g->index;
}

const EngramIndex *_qo_engram_index(EngramGraph *g) { return _qo_egx_ready(g); }

void _qo_engram_index_invalidate(EngramGraph *g) {
    if (g->index) g->index->stale = 1;
}

/* Appends keep a live index current; a stale or unbuilt one catches up
 * when it is next used. */
void _qo_engram_index_add_node(EngramGraph *g, int64_t node) {
    if (g->index && !g->index->stale) _qo_egx_put_node(g->index, g, node);
}

void _qo_engram_index_add_edge(EngramGraph *g, int64_t edge) {
    if (g->index && !g->index->stale) _qo_egx_put_edge(g->index, g, edge);
}

void _qo_engram_index_forget(EngramGraph *g, int64_t node) {
    EngramIndex *ix = g->index;
    if (!ix || ix->stale) return;
    int64_t key = ix->node_key[node], kept = 0;
    for (int64_t e = 0; e < ix->edges; e++)
        if (ix->links[e].from_key != key && ix->links[e].to_key != key) ix->links[kept++] = ix->links[e];
    memmove(ix->node_key + node, ix->node_key + node + 1, (size_t)(ix->nodes - node - 1) * sizeof *ix->node_key);
    ix->nodes--;
    ix->edges = kept;
    if (_qo_egx_relink(ix) * 2 > ix->key_count) ix->stale = 1;
}

int64_t _qo_engram_key_of(EngramGraph *g, const char *id) {
    if (!id) return -1;
    EngramIndex *ix = _qo_egx_ready(g);
    uint64_t slot;
    return _qo_egx_probe(ix, id, _qo_egx_hash(id), &slot);
}

int64_t _qo_engram_find(EngramGraph *g, const char *id) {
    int64_t k = _qo_engram_key_of(g, id);
    return k < 0 ? -1 : g->index->keys[k].node;
}
