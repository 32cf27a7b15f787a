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
 * Keys borrow their text from a record. Appends extend the index in place;
 * forgetting a node or loading a file moves and frees records, so those mark
 * the index stale and it is rebuilt from the arrays on its next use (a run
 * of forgets costs one rebuild). Keys live in an open-addressing table with
 * linear probing, kept at most half full.
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
    ix->keys[k] = (EngramKey){text, hash, -1, -1, -1};
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

static void _qo_egx_put_node(EngramIndex *ix, EngramGraph *g, int64_t n) {
    _qo_egx_fit((void **)&ix->node_key, &ix->node_cap, n + 1, sizeof *ix->node_key);
    int64_t k = _qo_egx_intern(ix, g->nodes[n].id ? g->nodes[n].id : "");
    ix->node_key[n] = k;
    if (ix->keys[k].node < 0) ix->keys[k].node = n;
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

static void _qo_egx_put_edge(EngramIndex *ix, EngramGraph *g, int64_t e) {
    _qo_egx_fit((void **)&ix->links, &ix->link_cap, e + 1, sizeof *ix->links);
    const EngramEdge *edge = &g->edges[e];
    int64_t from = _qo_egx_intern(ix, edge->from_id ? edge->from_id : "");
    int64_t to = _qo_egx_intern(ix, edge->to_id ? edge->to_id : "");
    ix->links[e] = (EngramLink){from, to, -1, -1};
    _qo_egx_chain(ix, from, e);
    if (to != from) _qo_egx_chain(ix, to, e);
}

static void _qo_egx_rebuild(EngramIndex *ix, EngramGraph *g) {
    ix->key_count = 0;
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

