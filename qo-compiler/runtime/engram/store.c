/*
 * store.c -- making, finding, strengthening and forgetting nodes and edges.
 *
 * Node and edge records start from one set of defaults (fresh UUID, the
 * creation time in every timestamp, layer 5 for nodes and 1 for edges);
 * the three node constructors differ only in which fields they take from
 * their arguments. Lookups go through the id index, so they answer the
 * first node with an id in node order, as a scan would.
 */
#include <stdio.h>
#include <stdlib.h>

static char *_qo_egs_new_id(void) { return _qo_engram_strdup(_qo_str_arg(uuid_new())); }

/* The argument's text, or fallback when it is null or empty. */
static const char *_qo_egs_or(qo_val_t v, const char *fallback) {
    const char *s = _qo_str_arg(v);
    return _qo_engram_blank(s) ? fallback : s;
}

/* Salience, importance and weight outside (0, 1] fall back to fallback. */
static double _qo_egs_unit(qo_val_t v, double fallback) {
    double d = _qo_engram_number(v);
    return d > 0.0 && d <= 1.0 ? d : fallback;
}

static char *_qo_egs_label(qo_val_t label, const char *content) {
    const char *given = _qo_egs_or(label, NULL);
    if (given) return _qo_engram_strdup(given);
    size_t n = strnlen(content, 60);
    char *s = _qo_xmalloc(n + 1);
    memcpy(s, content, n);
    s[n] = '\0';
    return s;
}

/* Fields every constructor shares; the caller sets metadata and may
 * override tier, tags, importance, confidence and layer. */
static EngramNode _qo_egs_node_defaults(qo_val_t content, qo_val_t node_type, qo_val_t label,
                                       qo_val_t salience) {
    int64_t now = _qo_engram_now_ms();
    EngramNode n = {0};
    n.id = _qo_egs_new_id();
    n.content = _qo_engram_strdup(_qo_str_arg(content));
    n.node_type = _qo_engram_strdup(_qo_egs_or(node_type, "Memory"));
    n.label = _qo_egs_label(label, n.content);
    n.salience = _qo_egs_unit(salience, 0.5);
    n.importance = 0.5;
    n.confidence = 1.0;
    n.last_activated = n.created_at = n.updated_at = now;
    n.layer_id = 5;
    return n;
}

static qo_val_t _qo_egs_store_node(EngramNode *n) {
    _qo_engram_append_node(_qo_engram_graph(), n);
    return _qo_str_from(n->id, strlen(n->id));
}

qo_val_t engram_node(qo_val_t content, qo_val_t node_type, qo_val_t salience) {
    EngramNode n = _qo_egs_node_defaults(content, node_type, 0, salience);
    n.tier = _qo_engram_strdup("Working");
    n.tags = _qo_engram_strdup("");
    n.metadata = _qo_engram_strdup("{}");
    return _qo_egs_store_node(&n);
}

/* Well-formed UTF-8 in the strict sense: no overlong forms, no surrogates,
 * nothing above U+10FFFF. */
static int _qo_egs_utf8_valid(const unsigned char *s) {
    while (*s) {
        unsigned c = *s++;
        int more;
        unsigned lo = 0x80, hi = 0xBF;
        if (c < 0x80) continue;
        if (c >= 0xC2 && c <= 0xDF) more = 1;
        else if (c >= 0xE0 && c <= 0xEF) more = 2, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4) more = 3, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        else return 0;
        for (int i = 0; i < more; i++) {
            if (*s < lo || *s > hi) return 0;
            s++;
            lo = 0x80, hi = 0xBF; /* only the second byte has special bounds */
        }
    }
    return 1;
}

qo_val_t engram_node_full(qo_val_t content, qo_val_t node_type, qo_val_t label, qo_val_t salience,
                          qo_val_t importance, qo_val_t confidence, qo_val_t tier, qo_val_t tags) {
    _qo_engram_graph();
    if (!_qo_egs_utf8_valid((const unsigned char *)_qo_egs_or(content, ""))) {
        fprintf(stderr, "[engram] REJECTED node write \xE2\x80\x94 content contains invalid UTF-8 (label=%s)\n",
                _qo_str_arg(label) ? _qo_cstr(label) : "(null)");
        return _qo_str_from("", 0);
    }
    EngramNode n = _qo_egs_node_defaults(content, node_type, label, salience);
    n.importance = _qo_egs_unit(importance, 0.5);
    n.confidence = _qo_egs_unit(confidence, 1.0);
    n.tier = _qo_engram_strdup(_qo_egs_or(tier, "Working"));
    n.tags = _qo_engram_strdup(_qo_str_arg(tags));
    n.metadata = _qo_engram_strdup("{}");
    return _qo_egs_store_node(&n);
}

/* The status is escaped so that the metadata stays a valid JSON object
 * whatever the text holds. */
static char *_qo_egs_status_metadata(qo_val_t status) {
    const char *text = _qo_egs_or(status, NULL);
    if (!text) return _qo_engram_strdup("{}");
    qo_jb b;
    jb_init(&b);
    jb_puts(&b, "{\"status\":");
    jb_emit_escaped(&b, text);
    jb_putc(&b, '}');
    return jb_take(&b);
}

qo_val_t engram_node_layered(qo_val_t content, qo_val_t node_type, qo_val_t label, qo_val_t salience,
                             qo_val_t importance, qo_val_t confidence, qo_val_t status, qo_val_t tags,
                             qo_val_t layer_id) {
    EngramGraph *g = _qo_engram_graph();
    EngramNode n = _qo_egs_node_defaults(content, node_type, label, salience);
    n.importance = _qo_egs_unit(importance, 0.5);
    n.confidence = _qo_egs_unit(confidence, 1.0);
    n.tier = _qo_engram_strdup("Working");
    n.tags = _qo_engram_strdup(_qo_str_arg(tags));
    n.metadata = _qo_egs_status_metadata(status);
    int known = layer_id >= 0 && layer_id <= UINT32_MAX && _qo_engram_layer(g, (uint32_t)layer_id);
    n.layer_id = known ? (uint32_t)layer_id : 1;
    return _qo_egs_store_node(&n);
}

qo_val_t engram_get_node(qo_val_t id) {
    EngramGraph *g = _qo_engram_graph();
    int64_t i = _qo_engram_find(g, _qo_str_arg(id));
    return i < 0 ? qo_map_new(0) : engram_node_to_map(&g->nodes[i]);
}

qo_val_t engram_strengthen(qo_val_t id) {
    EngramGraph *g = _qo_engram_graph();
    int64_t i = _qo_engram_find(g, _qo_str_arg(id));
    if (i < 0) return 0;
    EngramNode *n = &g->nodes[i];
    n->salience = n->salience + 0.05 < 1.0 ? n->salience + 0.05 : 1.0;
    n->activation_count++;
    n->last_activated = n->updated_at = _qo_engram_now_ms();
    return 0;
}

/* Removes the first node with the id and every edge touching the id (the
 * edges on the id's index chain), keeping the order of what remains. */
qo_val_t engram_forget(qo_val_t id) {
    EngramGraph *g = _qo_engram_graph();
    int64_t i = _qo_engram_find(g, _qo_str_arg(id));
    if (i < 0) return 0;
    const EngramIndex *ix = _qo_engram_index(g);
    int64_t key = ix->node_key[i], gone = ix->keys[key].head, kept = 0;
    for (int64_t e = 0; e < g->edge_count; e++) {
        if (e != gone) {
            g->edges[kept++] = g->edges[e];
            continue;
        }
        gone = _qo_engram_next_edge(ix, key, e);
        _qo_engram_free_edge(&g->edges[e]);
    }
    g->edge_count = kept;
    _qo_engram_free_node(&g->nodes[i]);
    memmove(&g->nodes[i], &g->nodes[i + 1], (size_t)(g->node_count - i - 1) * sizeof *g->nodes);
    g->node_count--;
    _qo_engram_index_forget(g, i);
    return 0;
}

qo_val_t engram_node_count(void) { return _qo_engram_graph()->node_count; }

qo_val_t engram_edge_count(void) { return _qo_engram_graph()->edge_count; }

qo_val_t engram_connect(qo_val_t from_id, qo_val_t to_id, qo_val_t weight, qo_val_t relation) {
    EngramGraph *g = _qo_engram_graph();
    if (!_qo_str_arg(from_id) || !_qo_str_arg(to_id)) return 0;
    int64_t now = _qo_engram_now_ms();
    EngramEdge e = {0};
    e.id = _qo_egs_new_id();
    e.from_id = _qo_engram_strdup(_qo_str_arg(from_id));
    e.to_id = _qo_engram_strdup(_qo_str_arg(to_id));
    e.relation = _qo_engram_strdup(_qo_egs_or(relation, "associate"));
    e.metadata = _qo_engram_strdup("{}");
    e.weight = _qo_egs_unit(weight, 0.5);
    e.confidence = 1.0;
    e.created_at = e.updated_at = now;
    e.layer_id = 1;
    _qo_engram_append_edge(g, &e);
    return 0;
}

qo_val_t __engram_node_count(void) { return engram_node_count(); }
qo_val_t __engram_get_node(qo_val_t id) { return engram_get_node(id); }
qo_val_t __engram_strengthen(qo_val_t id) { return engram_strengthen(id); }
qo_val_t __engram_forget(qo_val_t id) { return engram_forget(id); }
qo_val_t __engram_node(qo_val_t content, qo_val_t node_type, qo_val_t salience) {
    return engram_node(content, node_type, salience);
}
qo_val_t __engram_connect(qo_val_t from_id, qo_val_t to_id, qo_val_t weight, qo_val_t relation) {
    return engram_connect(from_id, to_id, weight, relation);
}
qo_val_t __engram_node_full(qo_val_t content, qo_val_t node_type, qo_val_t label, qo_val_t salience,
                            qo_val_t importance, qo_val_t confidence, qo_val_t tier, qo_val_t tags) {
    return engram_node_full(content, node_type, label, salience, importance, confidence, tier, tags);
}
