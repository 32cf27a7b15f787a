/* The engram knowledge graph. Part of qo_runtime.h; include that instead. */
#ifndef QO_ENGRAM_QO_ENGRAM_H
#define QO_ENGRAM_QO_ENGRAM_H

/* One graph per process, made on first use and never freed. Records are
 * stored by value in insertion order (the order breaks ties in rankings);
 * every string in a record is the graph's own heap copy. Timestamps are
 * milliseconds since the Unix epoch. The graph has no lock: callers on
 * several threads serialise engram calls themselves. */

typedef struct EngramNode {
    char *id;
    char *content;
    char *node_type;
    char *label;
    char *tier;
    char *tags;
    char *metadata; /* a JSON object, as text */
    double salience;
    double importance;
    double confidence;
    double temporal_decay_rate;
    int64_t activation_count;
    int64_t last_activated;
    int64_t created_at;
    int64_t updated_at;
    double background_activation;
    double working_memory_weight;
    int32_t suppression_count;
    uint32_t layer_id;
} EngramNode;

typedef struct EngramEdge {
    char *id;
    char *from_id;
    char *to_id;
    char *relation;
    char *metadata;
    double weight;
    double confidence;
    int64_t created_at;
    int64_t updated_at;
    int64_t last_fired;
    int32_t inhibitory;
    uint32_t layer_id;
} EngramEdge;

typedef struct EngramLayer {
    uint32_t layer_id;
    char *name; /* NULL once the layer is removed; the slot stays */
    uint32_t activation_priority;
    int32_t suppressible;
    int32_t transparent;
    int32_t injectable;
} EngramLayer;

/* The id index (index.c): one key per distinct id text used by a node or
 * an edge end, with the first node carrying it and the edges touching it
 * chained in edge order through their links. */
typedef struct {
    char *text; /* the index's own copy */
    uint64_t hash;
    int64_t node; /* first node with this id, or -1 */
    int64_t head; /* first and last edge touching the id, or -1 */
    int64_t tail;
} EngramKey;

typedef struct {
    int64_t from_key;
    int64_t to_key;
    int64_t next_from; /* next edge touching from_key (a self-loop uses this one) */
    int64_t next_to;   /* next edge touching to_key */
} EngramLink;

typedef struct EngramIndex {
    int stale;
    int64_t nodes; /* records covered: node_key and links entries in use */
    int64_t edges;
    EngramKey *keys;
    int64_t key_count;
    int64_t key_cap;
    int64_t *slots; /* key number + 1; 0 is empty */
    uint64_t slot_mask;
    int64_t *node_key; /* parallel to the node array */
    int64_t node_cap;
    EngramLink *links; /* parallel to the edge array */
    int64_t link_cap;
} EngramIndex;

typedef struct EngramGraph {
    EngramNode *nodes;
    int64_t node_count;
    int64_t node_cap;
    EngramEdge *edges;
    int64_t edge_count;
    int64_t edge_cap;
    EngramLayer *layers;
    int64_t layer_count;
    int64_t layer_cap;
    /* Id lookups and adjacency, kept in step with the arrays by the
     * functions below; never change an id or edge end in place. */
    EngramIndex *index;
} EngramGraph;

extern EngramGraph *engram_global;

/* ---- store ---- */
qo_val_t engram_node(qo_val_t content, qo_val_t node_type, qo_val_t salience);
qo_val_t engram_node_full(qo_val_t content, qo_val_t node_type, qo_val_t label, qo_val_t salience,
                          qo_val_t importance, qo_val_t confidence, qo_val_t tier, qo_val_t tags);
qo_val_t engram_node_layered(qo_val_t content, qo_val_t node_type, qo_val_t label, qo_val_t salience,
                             qo_val_t importance, qo_val_t confidence, qo_val_t status, qo_val_t tags,
                             qo_val_t layer_id);
qo_val_t engram_add_layer(qo_val_t name, qo_val_t activation_priority, qo_val_t suppressible,
                          qo_val_t transparent, qo_val_t injectable);
qo_val_t engram_remove_layer(qo_val_t layer_id);
qo_val_t engram_list_layers(void);
qo_val_t engram_get_node(qo_val_t id);
qo_val_t engram_strengthen(qo_val_t id);
qo_val_t engram_forget(qo_val_t id);
qo_val_t engram_node_count(void);
qo_val_t engram_edge_count(void);
qo_val_t engram_connect(qo_val_t from_id, qo_val_t to_id, qo_val_t weight, qo_val_t relation);
qo_val_t engram_edge_between(qo_val_t from_id, qo_val_t to_id);
qo_val_t engram_neighbors(qo_val_t id);
qo_val_t engram_neighbors_filtered(qo_val_t id, qo_val_t depth, qo_val_t direction);

/* ---- search and activation ---- */
qo_val_t engram_search(qo_val_t query, qo_val_t limit);
qo_val_t engram_scan_nodes(qo_val_t limit, qo_val_t offset);
qo_val_t engram_activate(qo_val_t query, qo_val_t max_hops);

/* ---- persistence ---- */
qo_val_t engram_save(qo_val_t path);
qo_val_t engram_load(qo_val_t path);
qo_val_t engram_load_merge(qo_val_t path);
qo_val_t engram_query_range(qo_val_t from_ms, qo_val_t to_ms);

/* ---- views ---- */
qo_val_t engram_node_to_map(const EngramNode *node);
qo_val_t engram_get_node_json(qo_val_t id);
qo_val_t engram_get_node_by_label(qo_val_t label);
qo_val_t engram_search_json(qo_val_t query, qo_val_t limit);
qo_val_t engram_scan_nodes_json(qo_val_t limit, qo_val_t offset);
qo_val_t engram_scan_nodes_by_type_json(qo_val_t node_type, qo_val_t limit, qo_val_t offset);
qo_val_t engram_neighbors_json(qo_val_t id, qo_val_t depth, qo_val_t direction);
qo_val_t engram_activate_json(qo_val_t query, qo_val_t max_hops);
qo_val_t engram_list_layers_json(void);
qo_val_t engram_stats_json(void);
qo_val_t engram_compile_layered_json(qo_val_t query, qo_val_t max_hops);
qo_val_t engram_wm_count(void);
qo_val_t engram_wm_avg_weight(void);
qo_val_t engram_wm_top_json(qo_val_t n);

/* The compiler's builtin spellings of the same functions. */
qo_val_t __engram_node_count(void);
qo_val_t __engram_get_node(qo_val_t id);
qo_val_t __engram_strengthen(qo_val_t id);
qo_val_t __engram_forget(qo_val_t id);
qo_val_t __engram_neighbors(qo_val_t id);
qo_val_t __engram_search(qo_val_t query, qo_val_t limit);
qo_val_t __engram_scan_nodes(qo_val_t limit, qo_val_t offset);
qo_val_t __engram_edge_between(qo_val_t from_id, qo_val_t to_id);
qo_val_t __engram_activate(qo_val_t query, qo_val_t max_hops);
qo_val_t __engram_activate_json(qo_val_t query, qo_val_t max_hops);
qo_val_t __engram_scan_nodes_json(qo_val_t limit, qo_val_t offset);
qo_val_t __engram_node(qo_val_t content, qo_val_t node_type, qo_val_t salience);
qo_val_t __engram_neighbors_filtered(qo_val_t id, qo_val_t depth, qo_val_t direction);
qo_val_t __engram_connect(qo_val_t from_id, qo_val_t to_id, qo_val_t weight, qo_val_t relation);
qo_val_t __engram_node_full(qo_val_t content, qo_val_t node_type, qo_val_t label, qo_val_t salience,
                            qo_val_t importance, qo_val_t confidence, qo_val_t tier, qo_val_t tags);

/* ---- For the engram's own files (and tests), not for Qo code. ---- */

/* The graph, made with its six built-in layers on first use. */
EngramGraph *_qo_engram_graph(void);
int64_t _qo_engram_now_ms(void);
/* A heap copy of s (NULL reads as ""), owned by the graph. */
char *_qo_engram_strdup(const char *s);
/* A null, empty or unreadable string argument. */
static inline int _qo_engram_blank(const char *s) { return !s || !*s; }

/* Appending takes over the record's strings. */
void _qo_engram_append_node(EngramGraph *g, const EngramNode *node);
void _qo_engram_append_edge(EngramGraph *g, const EngramEdge *edge);
void _qo_engram_free_node(EngramNode *node);
void _qo_engram_free_edge(EngramEdge *edge);
/* Drops every node and edge (layers stay). */
void _qo_engram_clear(EngramGraph *g);

/* Index of the first node whose id is exactly id, or -1 (also for NULL). */
int64_t _qo_engram_find(EngramGraph *g, const char *id);
/* The first named layer slot with this id, or NULL. */
const EngramLayer *_qo_engram_layer(EngramGraph *g, uint32_t layer_id);
int _qo_engram_layer_transparent(EngramGraph *g, uint32_t layer_id);
int _qo_engram_layer_protected(EngramGraph *g, uint32_t layer_id);
void _qo_engram_add_layer_slot(EngramGraph *g, const EngramLayer *layer);
/* Slots of the named layers by activation priority (stable); -1 when
 * memory ran short. The caller frees *out. */
int64_t _qo_engram_layers_ranked(EngramGraph *g, int64_t **out);
void _qo_engram_clear_layers(EngramGraph *g);

/* The index, brought up to date; valid until the graph next changes. */
const EngramIndex *_qo_engram_index(EngramGraph *g);
/* The key of an id text, or -1 when the index holds none; after a forget
 * a key may be left with no node and no edge. */
int64_t _qo_engram_key_of(EngramGraph *g, const char *id);
/* Edges touching key, in edge order: keys[key].head, then next until -1.
 * A self-loop is listed once. */
static inline int64_t _qo_engram_next_edge(const EngramIndex *ix, int64_t key, int64_t e) {
    const EngramLink *l = &ix->links[e];
    return l->from_key == key ? l->next_from : l->next_to;
}
/* The key at the other end of edge e from key: its target when it starts
 * at key (a self-loop leads back to key), else its source. */
static inline int64_t _qo_engram_far_end(const EngramIndex *ix, int64_t key, int64_t e) {
    const EngramLink *l = &ix->links[e];
    return l->from_key == key ? l->to_key : l->from_key;
}
/* Called by the append functions for the record just added. */
void _qo_engram_index_add_node(EngramGraph *g, int64_t node);
void _qo_engram_index_add_edge(EngramGraph *g, int64_t edge);
/* Called once node has been forgotten: drops it and the edges of its id's
 * chain (which went with it) and renumbers what follows. */
void _qo_engram_index_forget(EngramGraph *g, int64_t node);
/* A load replaces the records: the index is rebuilt on its next use. */
void _qo_engram_index_invalidate(EngramGraph *g);

/* Salience, importance, confidence and weight arrive as a float's bits or
 * as an integer; see graph.c. */
double _qo_engram_number(qo_val_t v);

/* Stable merge sort of n items by before(ctx, a, b) ("a ranks ahead of b");
 * returns 0 when its scratch memory cannot be had (items untouched). */
int _qo_engram_sort(int64_t *items, int64_t n, int (*before)(const void *ctx, int64_t a, int64_t b),
                    const void *ctx);
/* a > b for ranking, with NaN below every number so that sorting stays
 * well-defined on any loaded data. */
int _qo_engram_gt(double a, double b);

/* Query words: at most 32 distinct (ASCII case ignored), 255 bytes each. */
typedef struct {
    char words[32][256];
    int count;
} EngramQuery;
void _qo_engram_tokenize(const char *query, EngramQuery *q);
int _qo_engram_score(const EngramQuery *q, const EngramNode *node);
/* True when ENGRAM_SEMANTIC_MIN lets nodes that match no word in. */
int _qo_engram_unmatched_allowed(void);

/* One activation: results ranked, or -1 when nothing was run or memory ran
 * short. The caller frees *out. */
typedef struct {
    int64_t node;
    double activation;
    double weight;
    double epistemic;
    int64_t hops;
} EngramResult;
int64_t _qo_engram_run_activation(const char *query, int64_t max_hops, EngramResult **out);

/* Node indices of working memory (weight above 0), heaviest first, leaving
 * out skip_type when it is non-NULL; -1 when memory ran short. */
int64_t _qo_engram_working_memory(EngramGraph *g, const char *skip_type, int64_t **out);

/* "[" + the node objects of the given nodes + "]". */
qo_val_t _qo_engram_nodes_json(EngramGraph *g, const int64_t *nodes, int64_t count);

/* The whole engram file text as a heap block (the caller frees it). */
char *_qo_engram_file_text(EngramGraph *g, size_t *len);

/* The JSON objects shared by the file format and the views. */
void _qo_engram_put_node(qo_jb *b, const EngramNode *node);
void _qo_engram_put_edge(qo_jb *b, const EngramEdge *edge);
void _qo_engram_put_layer(qo_jb *b, const EngramLayer *layer);

#endif
