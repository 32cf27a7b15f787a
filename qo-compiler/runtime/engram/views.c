/*
 * views.c -- nodes as maps, the node, edge and layer JSON objects, and the
 * JSON views built from them: lookups, layers, statistics, activation
 * results, working memory and the layered context text.
 *
 * The three object writers are the only place that knows the key order and
 * number formats; the engram file (persist.c) writes its records with the
 * same functions, so views and files can never drift apart. Everything is
 * written straight into one text builder, with no white space.
 */
#include <stdio.h>
#include <stdlib.h>

static qo_val_t _qo_egv_copy(const char *s, const char *missing) {
    if (!s) s = missing;
    return _qo_str_from(s, strlen(s));
}

qo_val_t engram_node_to_map(const EngramNode *n) {
    if (!n) return qo_map_new(0);
    return qo_map_new(19, "id", _qo_egv_copy(n->id, ""), "content", _qo_egv_copy(n->content, ""), "node_type",
                      _qo_egv_copy(n->node_type, ""), "label", _qo_egv_copy(n->label, ""), "tier",
                      _qo_egv_copy(n->tier, "Working"), "tags", _qo_egv_copy(n->tags, ""), "metadata",
                      _qo_egv_copy(n->metadata, "{}"), "salience", qo_from_float(n->salience), "importance",
                      qo_from_float(n->importance), "confidence", qo_from_float(n->confidence),
                      "temporal_decay_rate", qo_from_float(n->temporal_decay_rate), "activation_count",
                      n->activation_count, "last_activated", n->last_activated, "created_at", n->created_at,
                      "updated_at", n->updated_at, "background_activation", qo_from_float(n->background_activation),
                      "working_memory_weight", qo_from_float(n->working_memory_weight), "suppression_count",
                      (qo_val_t)n->suppression_count, "layer_id", (qo_val_t)n->layer_id);
}

/* key is the member's lead-in, e.g. ",\"label\":" */
static void _qo_egv_put_str(qo_jb *b, const char *key, const char *s, const char *missing) {
    jb_puts(b, key);
    jb_emit_escaped(b, s ? s : missing);
}

static void _qo_egv_put_double(qo_jb *b, const char *key, double d) {
    char num[32];
    jb_puts(b, key);
    jb_putn(b, num, (size_t)snprintf(num, sizeof num, "%g", d));
}

static void _qo_egv_put_int(qo_jb *b, const char *key, int64_t v) {
    char num[24];
    jb_puts(b, key);
    jb_putn(b, num, (size_t)snprintf(num, sizeof num, "%lld", (long long)v));
}

void _qo_engram_put_node(qo_jb *b, const EngramNode *n) {
    _qo_egv_put_str(b, "{\"id\":", n->id, "");
    _qo_egv_put_str(b, ",\"content\":", n->content, "");
    _qo_egv_put_str(b, ",\"node_type\":", n->node_type, "");
    _qo_egv_put_str(b, ",\"label\":", n->label, "");
    _qo_egv_put_str(b, ",\"tier\":", n->tier, "Working");
    _qo_egv_put_str(b, ",\"tags\":", n->tags, "");
    _qo_egv_put_str(b, ",\"metadata\":", n->metadata, "{}");
    _qo_egv_put_double(b, ",\"salience\":", n->salience);
    _qo_egv_put_double(b, ",\"importance\":", n->importance);
    _qo_egv_put_double(b, ",\"confidence\":", n->confidence);
    _qo_egv_put_double(b, ",\"temporal_decay_rate\":", n->temporal_decay_rate);
    _qo_egv_put_int(b, ",\"activation_count\":", n->activation_count);
    _qo_egv_put_int(b, ",\"last_activated\":", n->last_activated);
    _qo_egv_put_int(b, ",\"created_at\":", n->created_at);
    _qo_egv_put_int(b, ",\"updated_at\":", n->updated_at);
    _qo_egv_put_double(b, ",\"background_activation\":", n->background_activation);
    _qo_egv_put_double(b, ",\"working_memory_weight\":", n->working_memory_weight);
    _qo_egv_put_int(b, ",\"suppression_count\":", n->suppression_count);
    _qo_egv_put_int(b, ",\"layer_id\":", n->layer_id);
    jb_putc(b, '}');
}

void _qo_engram_put_edge(qo_jb *b, const EngramEdge *e) {
    _qo_egv_put_str(b, "{\"id\":", e->id, "");
    _qo_egv_put_str(b, ",\"from_id\":", e->from_id, "");
    _qo_egv_put_str(b, ",\"to_id\":", e->to_id, "");
    _qo_egv_put_str(b, ",\"relation\":", e->relation, "");
    _qo_egv_put_str(b, ",\"metadata\":", e->metadata, "{}");
    _qo_egv_put_double(b, ",\"weight\":", e->weight);
    _qo_egv_put_double(b, ",\"confidence\":", e->confidence);
    _qo_egv_put_int(b, ",\"created_at\":", e->created_at);
    _qo_egv_put_int(b, ",\"updated_at\":", e->updated_at);
    _qo_egv_put_int(b, ",\"last_fired\":", e->last_fired);
    _qo_egv_put_int(b, ",\"inhibitory\":", e->inhibitory != 0);
    _qo_egv_put_int(b, ",\"layer_id\":", e->layer_id);
    jb_putc(b, '}');
}

void _qo_engram_put_layer(qo_jb *b, const EngramLayer *l) {
    _qo_egv_put_int(b, "{\"layer_id\":", l->layer_id);
    _qo_egv_put_str(b, ",\"name\":", l->name, "");
    _qo_egv_put_int(b, ",\"activation_priority\":", l->activation_priority);
    _qo_egv_put_int(b, ",\"suppressible\":", l->suppressible != 0);
    _qo_egv_put_int(b, ",\"transparent\":", l->transparent != 0);
    _qo_egv_put_int(b, ",\"injectable\":", l->injectable != 0);
    jb_putc(b, '}');
}

qo_val_t _qo_engram_nodes_json(EngramGraph *g, const int64_t *nodes, int64_t count) {
    qo_jb b;
    jb_init(&b);
    jb_putc(&b, '[');
    for (int64_t i = 0; i < count; i++) {
        if (i) jb_putc(&b, ',');
        _qo_engram_put_node(&b, &g->nodes[nodes[i]]);
    }
    jb_putc(&b, ']');
    return jb_finish(&b);
}

static qo_val_t _qo_egv_one_node(EngramGraph *g, int64_t i) {
    if (i < 0) return _qo_str_from("{}", 2);
    qo_jb b;
    jb_init(&b);
    _qo_engram_put_node(&b, &g->nodes[i]);
    return jb_finish(&b);
}

qo_val_t engram_get_node_json(qo_val_t id) {
    EngramGraph *g = _qo_engram_graph();
    return _qo_egv_one_node(g, _qo_engram_find(g, _qo_str_arg(id)));
}

qo_val_t engram_get_node_by_label(qo_val_t label) {
    EngramGraph *g = _qo_engram_graph();
    int64_t found = -1;
    const char *text = _qo_str_arg(label);
    for (int64_t i = 0; !_qo_engram_blank(text) && i < g->node_count && found < 0; i++)
        if (g->nodes[i].label && strcmp(g->nodes[i].label, text) == 0) found = i;
    return _qo_egv_one_node(g, found);
}

qo_val_t engram_list_layers_json(void) {
    EngramGraph *g = _qo_engram_graph();
    int64_t *slots, n = _qo_engram_layers_ranked(g, &slots);
    qo_jb b;
    jb_init(&b);
    jb_putc(&b, '[');
    for (int64_t i = 0; i < n; i++) {
        if (i) jb_putc(&b, ',');
        _qo_engram_put_layer(&b, &g->layers[slots[i]]);
    }
    jb_putc(&b, ']');
    if (n >= 0) free(slots);
    return jb_finish(&b);
}

qo_val_t engram_stats_json(void) {
    EngramGraph *g = _qo_engram_graph();
    char text[128]; /* room for three 20-digit counts */
    int n = snprintf(text, sizeof text, "{\"node_count\":%lld,\"edge_count\":%lld,\"layer_count\":%zu}",
                     (long long)g->node_count, (long long)g->edge_count, (size_t)g->layer_count);
    return _qo_str_from(text, (size_t)n);
}

qo_val_t engram_activate_json(qo_val_t query, qo_val_t max_hops) {
    EngramGraph *g = _qo_engram_graph();
    EngramResult *res;
    int64_t k = _qo_engram_run_activation(_qo_str_arg(query), max_hops, &res);
    qo_jb b;
    jb_init(&b);
    jb_putc(&b, '[');
    for (int64_t i = 0; i < k; i++) {
        if (i) jb_putc(&b, ',');
        /* The object is looked up by the result's id: with duplicate ids
         * (from a file) that is the first node carrying it. */
        jb_puts(&b, "{\"node\":");
        _qo_engram_put_node(&b, &g->nodes[_qo_engram_find(g, g->nodes[res[i].node].id)]);
        _qo_egv_put_double(&b, ",\"activation_strength\":", res[i].activation);
        _qo_egv_put_double(&b, ",\"working_memory_weight\":", res[i].weight);
        _qo_egv_put_double(&b, ",\"epistemic_confidence\":", res[i].epistemic);
        _qo_egv_put_int(&b, ",\"hops\":", res[i].hops);
        _qo_egv_put_int(&b, ",\"promoted\":", res[i].weight > 0);
        jb_putc(&b, '}');
    }
    jb_putc(&b, ']');
    free(res);
    return jb_finish(&b);
}

qo_val_t __engram_activate_json(qo_val_t query, qo_val_t max_hops) { return engram_activate_json(query, max_hops); }

/* ---- working memory ---- */

static int _qo_egv_heavier(const void *ctx, int64_t a, int64_t b) {
    const EngramNode *nodes = ctx;
    return _qo_engram_gt(nodes[a].working_memory_weight, nodes[b].working_memory_weight);
}

int64_t _qo_engram_working_memory(EngramGraph *g, const char *skip_type, int64_t **out) {
    int64_t *picked = malloc((size_t)g->node_count * sizeof *picked + 1), n = 0;
    for (int64_t i = 0; picked && i < g->node_count; i++) {
        const EngramNode *node = &g->nodes[i];
        if (!(node->working_memory_weight > 0)) continue;
        if (skip_type && node->node_type && strcmp(node->node_type, skip_type) == 0) continue;
        picked[n++] = i;
    }
    if (!picked || !_qo_engram_sort(picked, n, _qo_egv_heavier, g->nodes)) {
        free(picked);
        return -1;
    }
    *out = picked;
    return n;
}

qo_val_t engram_wm_count(void) {
    EngramGraph *g = _qo_engram_graph();
    int64_t n = 0;
    for (int64_t i = 0; i < g->node_count; i++) n += g->nodes[i].working_memory_weight > 0;
    return n;
}

qo_val_t engram_wm_avg_weight(void) {
    EngramGraph *g = _qo_engram_graph();
    double sum = 0.0;
    int64_t n = 0;
    for (int64_t i = 0; i < g->node_count; i++) {
        double w = g->nodes[i].working_memory_weight;
        if (w > 0 && w <= 1.0) sum += w, n++;
    }
    return qo_from_float(n ? sum / (double)n : 0.0);
}

qo_val_t engram_wm_top_json(qo_val_t n) {
    EngramGraph *g = _qo_engram_graph();
    int64_t want = n <= 0 ? 10 : n < 50 ? n : 50;
    int64_t *picked, count = _qo_engram_working_memory(g, "InternalStateEvent", &picked);
    if (count < 0) return _qo_str_from("[]", 2);
    qo_jb b;
    jb_init(&b);
    jb_putc(&b, '[');
    for (int64_t i = 0; i < count && i < want; i++) {
        const EngramNode *node = &g->nodes[picked[i]];
        char wm[32];
        _qo_egv_put_str(&b, i ? ",{\"label\":" : "{\"label\":", node->label, "");
        _qo_egv_put_str(&b, ",\"node_type\":", node->node_type, "");
        _qo_egv_put_str(&b, ",\"tier\":", node->tier, "");
        jb_puts(&b, ",\"wm\":");
        jb_putn(&b, wm, (size_t)snprintf(wm, sizeof wm, "%.3f", node->working_memory_weight));
        jb_putc(&b, '}');
    }
    jb_putc(&b, ']');
    free(picked);
    return jb_finish(&b);
}

/* Nodes of protected layers (the structural section) come first, then the
 * rest of working memory; each node object is one line. */
qo_val_t engram_compile_layered_json(qo_val_t query, qo_val_t max_hops) {
    EngramGraph *g = _qo_engram_graph();
    EngramResult *res;
    _qo_engram_run_activation(_qo_str_arg(query), max_hops, &res);
    free(res);
    int64_t *picked, count = _qo_engram_working_memory(g, NULL, &picked);
    if (count <= 0) {
        if (count == 0) free(picked);
        return _qo_str_from("", 0);
    }
    qo_jb b;
    jb_init(&b);
    int structural = 0, context = 0;
    for (int pass = 0; pass < 2; pass++) {
        for (int64_t i = 0; i < count; i++) {
            const EngramNode *node = &g->nodes[picked[i]];
            if (_qo_engram_layer_protected(g, node->layer_id) != (pass == 0)) continue;
            if (pass == 0 && !structural++) jb_puts(&b, "[LAYER 0 \xE2\x80\x94 STRUCTURAL]\n");
            if (pass == 1 && !context++) jb_puts(&b, structural ? "\n[ENGRAM CONTEXT]\n" : "[ENGRAM CONTEXT]\n");
            _qo_engram_put_node(&b, node);
            jb_putc(&b, '\n');
        }
    }
    free(picked);
    return jb_finish(&b);
}
