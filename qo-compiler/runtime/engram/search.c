/*
 * search.c -- query words, match scores, keyword search and salience scans.
 *
 * A node's score is the number of distinct query words found, ASCII case
 * ignored, anywhere in its content, label or tags. There is no word index:
 * every search scores every node, which keeps results exact for any
 * substring at the price of a pass over the text (fine for the graphs a
 * program holds in memory). Rankings use the engram's stable merge sort, so
 * equal keys keep node order.
 *
 * ENGRAM_SEMANTIC_MIN is read once per process; it only decides whether
 * nodes that match no word may be candidates (value 0 or less).
 */
#include <stdlib.h>

static double _qo_egq_semantic_min = -1.0;

int _qo_engram_unmatched_allowed(void) {
    if (_qo_egq_semantic_min < 0.0) {
        const char *text = getenv("ENGRAM_SEMANTIC_MIN");
        char *end = NULL;
        double v = text && *text ? strtod(text, &end) : 0.6;
        if (end == text || !(v >= 0.0 && v <= 1.0)) v = 0.6;
        _qo_egq_semantic_min = v;
    }
    return _qo_egq_semantic_min <= 0.0;
}

static int _qo_egq_same_word(const char *a, const char *b) {
    for (; *a && *b; a++, b++) {
        unsigned char x = (unsigned char)*a, y = (unsigned char)*b;
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y) return 0;
    }
    return *a == *b;
}

void _qo_engram_tokenize(const char *query, EngramQuery *q) {
    q->count = 0;
    const char *p = query ? query : "";
    while (*p && q->count < 32) {
        while (_qo_is_space((unsigned char)*p)) p++;
        if (!*p) break;
        const char *start = p;
        while (*p && !_qo_is_space((unsigned char)*p)) p++;
        size_t n = (size_t)(p - start) < 255 ? (size_t)(p - start) : 255;
        char *word = q->words[q->count];
        memcpy(word, start, n);
        word[n] = '\0';
        int seen = 0;
        for (int i = 0; i < q->count && !seen; i++) seen = _qo_egq_same_word(q->words[i], word);
        if (!seen) q->count++;
    }
}

/* The fields are the graph's own strings and the words are never empty,
 * so the containment test goes straight to the C library (ASCII case
 * folding, as istr_contains) without checking its arguments' addresses:
 * scoring runs over every node on every search. */
static int _qo_egq_holds(const char *field, const char *word) { return field && strcasestr(field, word); }

int _qo_engram_score(const EngramQuery *q, const EngramNode *node) {
    int score = 0;
    for (int i = 0; i < q->count; i++) {
        const char *w = q->words[i];
        score += _qo_egq_holds(node->content, w) || _qo_egq_holds(node->label, w) || _qo_egq_holds(node->tags, w);
    }
    return score;
}

typedef struct {
    const EngramNode *nodes;
    const int *scores; /* by node index */
    int by_salience;
} _qo_egq_rank;

static int _qo_egq_rank_before(const void *ctx, int64_t a, int64_t b) {
    const _qo_egq_rank *r = ctx;
    if (r->scores[a] != r->scores[b]) return r->scores[a] > r->scores[b];
    return r->by_salience && _qo_engram_gt(r->nodes[a].salience, r->nodes[b].salience);
}

/* Node indices of the candidates for query, best first; -1 when memory ran
 * short. salience_ties: equal scores order by salience, else node order. */
static int64_t _qo_egq_ranked_matches(EngramGraph *g, const EngramQuery *q, int salience_ties, int64_t **out) {
    int allow_unmatched = _qo_engram_unmatched_allowed();
    int64_t *hits = malloc((size_t)g->node_count * sizeof *hits + 1);
    int *scores = malloc((size_t)g->node_count * sizeof *scores + 1);
    int64_t n = 0;
    for (int64_t i = 0; hits && scores && i < g->node_count; i++) {
        if (_qo_engram_layer_transparent(g, g->nodes[i].layer_id)) continue;
        scores[i] = _qo_engram_score(q, &g->nodes[i]);
        if (scores[i] >= 1 || allow_unmatched) hits[n++] = i;
    }
    _qo_egq_rank rank = {g->nodes, scores, salience_ties};
    if (!hits || !scores || !_qo_engram_sort(hits, n, _qo_egq_rank_before, &rank)) {
        free(hits);
        n = -1;
    }
    free(scores);
    *out = hits;
    return n;
}

static int64_t _qo_egq_limit(qo_val_t limit) { return limit < 1 ? 100 : limit; }

qo_val_t engram_search(qo_val_t query, qo_val_t limit) {
    EngramGraph *g = _qo_engram_graph();
    qo_val_t list = qo_list_empty();
    const char *text = _qo_str_arg(query);
    if (_qo_engram_blank(text)) return list;
    EngramQuery q;
    _qo_engram_tokenize(text, &q);
    int64_t *hits, n = q.count ? _qo_egq_ranked_matches(g, &q, 1, &hits) : -1;
    for (int64_t i = 0; i < n && i < _qo_egq_limit(limit); i++)
        list = qo_list_append(list, engram_node_to_map(&g->nodes[hits[i]]));
    if (n >= 0) free(hits);
    return list;
}

qo_val_t engram_search_json(qo_val_t query, qo_val_t limit) {
    EngramGraph *g = _qo_engram_graph();
    const char *text = _qo_str_arg(query);
    if (_qo_engram_blank(text) || !g->node_count) return _qo_str_from("[]", 2);
    EngramQuery q;
    _qo_engram_tokenize(text, &q);
    int64_t *hits, n = _qo_egq_ranked_matches(g, &q, 0, &hits);
    if (n < 0) return _qo_str_from("[]", 2);
    if (n > _qo_egq_limit(limit)) n = _qo_egq_limit(limit);
    qo_val_t json = _qo_engram_nodes_json(g, hits, n);
    free(hits);
    return json;
}

static int _qo_egq_salience_before(const void *ctx, int64_t a, int64_t b) {
    const EngramNode *nodes = ctx;
    return _qo_engram_gt(nodes[a].salience, nodes[b].salience);
}

/* The scan window: eligible nodes (type NULL means any) by salience,
 * entries offset .. offset + limit. *start receives the first entry. */
static int64_t _qo_egq_scan(EngramGraph *g, const char *type, qo_val_t limit, qo_val_t offset, int64_t **out,
                           int64_t *start) {
    int64_t *picked = malloc((size_t)g->node_count * sizeof *picked + 1), n = 0;
    for (int64_t i = 0; picked && i < g->node_count; i++) {
        const EngramNode *node = &g->nodes[i];
        if (_qo_engram_layer_transparent(g, node->layer_id)) continue;
        if (type && strcmp(node->node_type ? node->node_type : "", type) != 0) continue;
        picked[n++] = i;
    }
    if (!picked || !_qo_engram_sort(picked, n, _qo_egq_salience_before, g->nodes)) {
        free(picked);
        return -1;
    }
    int64_t from = offset < 0 ? 0 : offset, count = _qo_egq_limit(limit);
    *start = from < n ? from : n;
    *out = picked;
    return count < n - *start ? *start + count : n;
}

qo_val_t engram_scan_nodes(qo_val_t limit, qo_val_t offset) {
    EngramGraph *g = _qo_engram_graph();
    qo_val_t list = qo_list_empty();
    int64_t *picked, start = 0, end = _qo_egq_scan(g, NULL, limit, offset, &picked, &start);
    if (end < 0) return list;
    for (int64_t i = start; i < end; i++) list = qo_list_append(list, engram_node_to_map(&g->nodes[picked[i]]));
    free(picked);
    return list;
}

static qo_val_t _qo_egq_scan_json(const char *type, qo_val_t limit, qo_val_t offset) {
    EngramGraph *g = _qo_engram_graph();
    int64_t *picked, start = 0, end = _qo_egq_scan(g, type, limit, offset, &picked, &start);
    if (end < 0) return _qo_str_from("[]", 2);
    qo_val_t text = _qo_engram_nodes_json(g, picked + start, end - start);
    free(picked);
    return text;
}

qo_val_t engram_scan_nodes_json(qo_val_t limit, qo_val_t offset) { return _qo_egq_scan_json(NULL, limit, offset); }

qo_val_t engram_scan_nodes_by_type_json(qo_val_t node_type, qo_val_t limit, qo_val_t offset) {
    const char *type = _qo_str_arg(node_type);
    if (_qo_engram_blank(type)) type = NULL;
    return _qo_egq_scan_json(type, limit, offset);
}

qo_val_t __engram_search(qo_val_t query, qo_val_t limit) { return engram_search(query, limit); }
qo_val_t __engram_scan_nodes(qo_val_t limit, qo_val_t offset) { return engram_scan_nodes(limit, offset); }
qo_val_t __engram_scan_nodes_json(qo_val_t limit, qo_val_t offset) {
    return engram_scan_nodes_json(limit, offset);
}
