/*
 * activate.c -- spreading activation and working memory.
 *
 * One call seeds the nodes that match the query, spreads activation along
 * edges (both directions) breadth-first with decay, applies inhibition,
 * decides each reached node's working-memory weight, writes background
 * activation, weight and suppression count back into every node, and
 * returns the activated nodes ranked.
 *
 * Neighbours come from the id index (index.c): a queue entry walks only the
 * edges touching its node's id, in edge order, which is exactly the
 * sequence of matches a scan over all edges would meet, so every update
 * happens in the same order with the same floating-point expression. Decay,
 * fatigue and the proximity factor depend only on the node, the call's
 * clock and the seeds, so they are computed once per node and kept with the
 * node's activation in one cell: spreading touches one cell per offer. The
 * queue grows on demand but admits no more entries than
 * (max_hops + 1) x nodes + 16 over the whole call; a node re-enters only
 * when its activation strictly rises, so spreading ends. Timestamp
 * arithmetic is done in 128 bits so that loaded extremes cannot overflow.
 */
#include <math.h>
#include <stdlib.h>

typedef struct {
    int64_t node;
    int64_t hops;
    double act;
} _qo_ega_entry;

/* Entries are taken from head; the live part slides to the front when the
 * array is full and at least half consumed, otherwise the array doubles,
 * so memory follows the live entries while room caps the total pushed. */
typedef struct {
    _qo_ega_entry *items;
    int64_t cap;
    int64_t head;
    int64_t tail;
    int64_t pushed;
    int64_t room;
} _qo_ega_queue;

/* What spreading reads and writes per node. */
typedef struct {
    double act;
    double decay;
    double fatigue;
    double nearness; /* 1 + proximity bonus */
    int64_t hops;
    int32_t reached;
    int32_t score;
} _qo_ega_cell;

typedef struct {
    EngramGraph *g;
    EngramQuery q;
    int64_t n;
    int64_t max_hops;
    _qo_ega_cell *cell;
    double *inhib;
    double *weight;
    _qo_ega_queue queue;
} _qo_ega_run;

static void _qo_ega_run_free(_qo_ega_run *r) {
    free(r->cell);
    free(r->inhib);
    free(r->weight);
    free(r->queue.items);
}

static int _qo_ega_run_alloc(_qo_ega_run *r) {
    size_t n = (size_t)r->n;
    r->cell = calloc(n, sizeof *r->cell);
    r->inhib = calloc(n, sizeof *r->inhib);
    r->weight = calloc(n, sizeof *r->weight);
    _qo_ega_queue *q = &r->queue;
    int64_t rounds = r->max_hops < INT64_MAX / r->n - 1 ? r->max_hops + 1 : INT64_MAX / r->n;
    q->room = rounds * r->n < INT64_MAX - 16 ? rounds * r->n + 16 : INT64_MAX;
    q->cap = r->n + 16;
    q->items = malloc((size_t)q->cap * sizeof *q->items);
    return r->cell && r->inhib && r->weight && q->items;
}

/* Returns 0 only when the array cannot grow; a full room drops the entry. */
static int _qo_ega_push(_qo_ega_queue *q, _qo_ega_entry entry) {
    if (q->pushed >= q->room) return 1;
    if (q->tail == q->cap) {
        if (q->head >= q->cap / 2) {
            memmove(q->items, q->items + q->head, (size_t)(q->tail - q->head) * sizeof *q->items);
            q->tail -= q->head;
            q->head = 0;
        } else {
            _qo_ega_entry *grown = realloc(q->items, (size_t)q->cap * 2 * sizeof *grown);
            if (!grown) return 0;
            q->items = grown;
            q->cap *= 2;
        }
    }
    q->items[q->tail++] = entry;
    q->pushed++;
    return 1;
}

/* 1.0 for a node active now or in the future; otherwise it halves per week
 * at the default rate, never below 0.05. */
static double _qo_ega_decay(const EngramNode *node, int64_t now) {
    __int128 age = (__int128)now - node->last_activated;
    if (age <= 0) return 1.0;
    double rate = node->temporal_decay_rate > 0 ? node->temporal_decay_rate : 0.693147;
    double d = exp(-rate * (double)age / 3600000.0 / 168.0);
    return d > 0.05 ? d : 0.05;
}

static double _qo_ega_fatigue(const EngramNode *node) {
    return 1.0 / (log((double)((__int128)node->activation_count + 1)) + 1.0);
}

static int _qo_ega_is(const char *s, const char *literal) { return s && strcmp(s, literal) == 0; }

/* Scores every node and seeds the matches (the queue has room for all of
 * them). Returns the time anchor, the running integer mean of the seeds'
 * creation times; *seeded tells whether there was any seed. */
static int64_t _qo_ega_seed(_qo_ega_run *r, int64_t now, int *seeded) {
    int allow_unmatched = _qo_engram_unmatched_allowed();
    int64_t anchor = 0;
    *seeded = 0;
    for (int64_t i = 0; i < r->n; i++) {
        const EngramNode *node = &r->g->nodes[i];
        _qo_ega_cell *c = &r->cell[i];
        c->decay = _qo_ega_decay(node, now);
        c->fatigue = _qo_ega_fatigue(node);
        int s = c->score = _qo_engram_score(&r->q, node);
        if (s == 0 && !allow_unmatched) continue;
        double a = c->decay * node->salience * c->fatigue;
        a = s >= 1 ? a * ((double)s / r->q.count) : 0.0;
        c->act = a;
        c->reached = 1;
        _qo_ega_push(&r->queue, (_qo_ega_entry){i, 0, a});
        anchor = *seeded ? (int64_t)(((__int128)anchor + node->created_at) / 2) : node->created_at;
        *seeded = 1;
    }
    return anchor;
}

/* 1 + 0.2 within a day of the anchor, 1 + 0.1 within a week. */
static void _qo_ega_nearness(_qo_ega_run *r, int64_t anchor) {
    for (int64_t i = 0; i < r->n; i++) {
        __int128 d = (__int128)r->g->nodes[i].created_at - anchor;
        if (d < 0) d = -d;
        r->cell[i].nearness = 1.0 + (d < 86400000 ? 0.2 : d < 604800000 ? 0.1 : 0.0);
    }
}

/* Offers activation from a queue entry to its neighbour v along edge;
 * queues v when its activation rises. 0 when the queue cannot grow. */
static int _qo_ega_offer(_qo_ega_run *r, const _qo_ega_entry *from, const EngramEdge *edge, int64_t v) {
    _qo_ega_cell *c = &r->cell[v];
    double p = from->act * edge->weight * 0.7 * c->nearness * c->decay * c->fatigue;
    if (c->reached && !(p > c->act)) return 1;
    c->act = p;
    c->hops = from->hops + 1;
    c->reached = 1;
    return _qo_ega_push(&r->queue, (_qo_ega_entry){v, from->hops + 1, p});
}

static int _qo_ega_spread(_qo_ega_run *r) {
    const EngramIndex *ix = _qo_engram_index(r->g);
    _qo_ega_queue *q = &r->queue;
    while (q->head < q->tail) {
        _qo_ega_entry entry = q->items[q->head++];
        if (entry.hops >= r->max_hops) continue;
        int64_t key = ix->node_key[entry.node];
        for (int64_t e = ix->keys[key].head; e >= 0; e = _qo_engram_next_edge(ix, key, e)) {
            int64_t v = ix->keys[_qo_engram_far_end(ix, key, e)].node;
            if (v >= 0 && !_qo_ega_offer(r, &entry, &r->g->edges[e], v)) return 0;
        }
    }
    return 1;
}

/* Inhibitory edges between two existing nodes: an active source suppresses
 * its target unless the target's layer is protected. */
static void _qo_ega_inhibit(_qo_ega_run *r) {
    EngramGraph *g = r->g;
    const EngramIndex *ix = _qo_engram_index(g);
    for (int64_t e = 0; e < g->edge_count; e++) {
        if (!g->edges[e].inhibitory) continue;
        int64_t a = ix->keys[ix->links[e].from_key].node, b = ix->keys[ix->links[e].to_key].node;
        if (a < 0 || b < 0 || !r->cell[a].reached || !(r->cell[a].act > 0)) continue;
        if (_qo_engram_layer_protected(g, g->nodes[b].layer_id)) continue;
        double x = r->cell[a].act * g->edges[e].weight;
        if (x > r->inhib[b]) r->inhib[b] = x;
    }
}

static double _qo_ega_threshold(const EngramNode *n) {
    if (_qo_ega_is(n->node_type, "TavriSelf") || _qo_ega_is(n->node_type, "Safety")) return 0.05;
    if (_qo_ega_is(n->tier, "Canonical")) return 0.15;
    if (_qo_ega_is(n->tier, "Lesson")) return 0.25;
    if (_qo_ega_is(n->node_type, "Knowledge")) return 0.2;
    if (_qo_ega_is(n->node_type, "Belief") || _qo_ega_is(n->node_type, "Entity")) return 0.3;
    return 0.4;
}

typedef struct {
    int asked; /* the query text is not empty */
    int technical;
    int personal;
} _qo_ega_mood;

static int _qo_ega_mentions(const char *query, const char *const *words, size_t count) {
    for (size_t i = 0; i < count; i++)
        if (istr_contains(QO_STR(query), QO_STR(words[i]))) return 1;
    return 0;
}

static _qo_ega_mood _qo_ega_read_mood(const char *query) {
    static const char *const technical[] = {"code",   "function", "implement",   "error", "bug",
                                            "build",  "system",   "design", "architecture"};
    static const char *const personal[] = {"feel", "emotion", "remember", "personal", "story", "relationship"};
    _qo_ega_mood mood = {*query != '\0', 0, 0};
    mood.technical = _qo_ega_mentions(query, technical, sizeof technical / sizeof *technical);
    mood.personal = _qo_ega_mentions(query, personal, sizeof personal / sizeof *personal);
    return mood;
}

/* How much the query's own words and its flavour favour node i. */
static double _qo_ega_context(const _qo_ega_run *r, const _qo_ega_mood *mood, int64_t i) {
    if (!mood->asked) return 1.0;
    const EngramNode *n = &r->g->nodes[i];
    int s = r->cell[i].score, words = r->q.count;
    double m = s > 0 && words > 0 ? 1.0 + 0.5 * s / words : 1.0;
    if (_qo_ega_is(n->node_type, "Belief") || _qo_ega_is(n->node_type, "TavriSelf") ||
        _qo_ega_is(n->node_type, "Safety")) {
        if (mood->technical) m += 0.3;
        if (mood->personal) m -= 0.1;
    } else if (_qo_ega_is(n->node_type, "Memory") || _qo_ega_is(n->node_type, "Entity")) {
        if (mood->technical) m -= 0.3;
        if (mood->personal) m += 0.3;
    }
    if (_qo_ega_is(n->tier, "Canonical")) m += 0.2;
    else if (_qo_ega_is(n->tier, "Lesson")) m += 0.1;
    return m < 0.3 ? 0.3 : m > 2.0 ? 2.0 : m;
}

/* Working-memory weights of the reached, active nodes. A node passed over
 * five times in a row gets in with 0.25; protected layers are always in. */
static void _qo_ega_admit(_qo_ega_run *r, const char *query) {
    _qo_ega_mood mood = _qo_ega_read_mood(query);
    for (int64_t i = 0; i < r->n; i++) {
        if (!r->cell[i].reached || !(r->cell[i].act > 0)) continue;
        EngramNode *n = &r->g->nodes[i];
        double f = r->inhib[i] <= 1.0 ? 1.0 - 0.9 * r->inhib[i] : 0.09999999999999998;
        double candidate = r->cell[i].act * _qo_ega_context(r, &mood, i) * n->confidence * f;
        double w = 0.0;
        if (candidate >= _qo_ega_threshold(n)) {
            w = candidate < 1.0 ? candidate : 1.0;
            n->suppression_count = 0;
        } else if (n->suppression_count >= 4) {
            w = 0.25;
            n->suppression_count = 0;
        } else {
            n->suppression_count++;
        }
        if (_qo_engram_layer_protected(r->g, n->layer_id)) {
            if (w < 1.0) w = 1.0;
            n->suppression_count = 0;
        }
        r->weight[i] = w;
    }
}

static int _qo_ega_result_before(const void *ctx, int64_t a, int64_t b) {
    const EngramResult *res = ctx;
    if (_qo_engram_gt(res[a].weight, res[b].weight)) return 1;
    if (_qo_engram_gt(res[b].weight, res[a].weight)) return 0;
    return _qo_engram_gt(res[a].activation, res[b].activation);
}

/* Reached nodes that carry some confidence or made working memory, by
 * weight and then activation; -1 when memory ran short. */
static int64_t _qo_ega_results(const _qo_ega_run *r, EngramResult **out) {
    EngramResult *res = malloc((size_t)r->n * sizeof *res);
    int64_t *order = malloc((size_t)r->n * sizeof *order), k = 0;
    EngramResult *ranked = malloc((size_t)r->n * sizeof *ranked);
    for (int64_t i = 0; res && order && ranked && i < r->n; i++) {
        const _qo_ega_cell *c = &r->cell[i];
        if (!c->reached) continue;
        double epistemic = r->g->nodes[i].confidence * c->act;
        if (!(epistemic >= 0.1) && !(r->weight[i] > 0)) continue;
        res[k] = (EngramResult){i, c->act, r->weight[i], epistemic, c->hops};
        order[k] = k;
        k++;
    }
    if (!res || !order || !ranked || !_qo_engram_sort(order, k, _qo_ega_result_before, res)) {
        free(ranked);
        ranked = NULL;
        k = -1;
    }
    for (int64_t i = 0; i < k; i++) ranked[i] = res[order[i]];
    free(res);
    free(order);
    *out = ranked;
    return k;
}

int64_t _qo_engram_run_activation(const char *query, int64_t max_hops, EngramResult **out) {
    EngramGraph *g = _qo_engram_graph();
    *out = NULL;
    if (!query || !g->node_count) return -1;
    int64_t now = _qo_engram_now_ms();
    _qo_ega_run r = {.g = g, .n = g->node_count, .max_hops = max_hops < 1 ? 2 : max_hops};
    _qo_engram_tokenize(query, &r.q);
    int seeded = 0;
    int ok = _qo_ega_run_alloc(&r);
    if (ok) {
        int64_t anchor = _qo_ega_seed(&r, now, &seeded);
        if (seeded) _qo_ega_nearness(&r, anchor);
    }
    if (ok && seeded) ok = _qo_ega_spread(&r);
    if (!ok) {
        _qo_ega_run_free(&r);
        return -1;
    }
    for (int64_t i = 0; i < r.n; i++) g->nodes[i].background_activation = r.cell[i].reached ? r.cell[i].act : 0.0;
    _qo_ega_inhibit(&r);
    _qo_ega_admit(&r, query);
    for (int64_t i = 0; i < r.n; i++) g->nodes[i].working_memory_weight = r.weight[i];
    int64_t k = _qo_ega_results(&r, out);
    _qo_ega_run_free(&r);
    return k;
}

qo_val_t engram_activate(qo_val_t query, qo_val_t max_hops) {
    EngramGraph *g = _qo_engram_graph();
    EngramResult *res;
    int64_t k = _qo_engram_run_activation(_qo_str_arg(query), max_hops, &res);
    qo_val_t list = qo_list_empty();
    for (int64_t i = 0; i < k; i++) {
        qo_val_t m = qo_map_new(6, "node", engram_node_to_map(&g->nodes[res[i].node]), "activation_strength",
                                qo_from_float(res[i].activation), "working_memory_weight",
                                qo_from_float(res[i].weight), "epistemic_confidence", qo_from_float(res[i].epistemic),
                                "hops", res[i].hops, "promoted", (qo_val_t)(res[i].weight > 0));
        list = qo_list_append(list, m);
    }
    free(res);
    return list;
}

qo_val_t __engram_activate(qo_val_t query, qo_val_t max_hops) { return engram_activate(query, max_hops); }
