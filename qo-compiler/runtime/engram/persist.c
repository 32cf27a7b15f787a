/*
 * persist.c -- the engram file: saving, loading, merging, time ranges.
 *
 * The file is one JSON object {"nodes":[...],"edges":[...],"layers":[...]}
 * written with the shared record writers (views.c), no white space. A save
 * builds the whole text first, refuses to replace a large file with a much
 * smaller one (a likely sign of a graph that failed to load), and goes
 * through path + ".tmp": write, flush, fsync, rename, then fsync the
 * directory so the rename itself survives a crash. Any failure before the
 * rename removes the temporary file and leaves the old file as it was, so
 * a crash or kill at any point leaves either the old or the new file whole.
 *
 * Reading is lenient and never trusts the file: records are found with the
 * shared JSON scanners, each record is cut out of the text (a NUL placed
 * after it for the duration) so that its member walk cannot run into the
 * next record, one walk finds every field (the first member of a name
 * wins), and every missing or mistyped field gets its default. Values are
 * taken as they are, without range checks.
 */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

/* ---- writing ---- */

char *_qo_engram_file_text(EngramGraph *g, size_t *len) {
    qo_jb b;
    jb_init(&b);
    jb_puts(&b, "{\"nodes\":[");
    for (int64_t i = 0; i < g->node_count; i++) {
        if (i) jb_putc(&b, ',');
        _qo_engram_put_node(&b, &g->nodes[i]);
    }
    jb_puts(&b, "],\"edges\":[");
    for (int64_t i = 0; i < g->edge_count; i++) {
        if (i) jb_putc(&b, ',');
        _qo_engram_put_edge(&b, &g->edges[i]);
    }
    jb_puts(&b, "],\"layers\":[");
    for (int64_t i = 0, n = 0; i < g->layer_count; i++) {
        if (!g->layers[i].name) continue;
        if (n++) jb_putc(&b, ',');
        _qo_engram_put_layer(&b, &g->layers[i]);
    }
    jb_puts(&b, "]}");
    *len = b.len;
    return jb_take(&b);
}

static int _qo_egp_too_sparse(const char *path, size_t len) {
    struct stat st;
    if (stat(path, &st) != 0 || st.st_size <= 200000 || len >= (size_t)(st.st_size >> 4)) return 0;
    fprintf(stderr, "[engram_save] REFUSED sparse write: new %zu vs existing %lld (<1/16) protecting %s\n", len,
            (long long)st.st_size, path);
    return 1;
}

/* Makes a finished rename durable; a failure here loses nothing already
 * written, so it is not reported. */
static void _qo_egp_sync_dir(const char *path) {
    const char *slash = strrchr(path, '/');
    char *dir = slash ? strndup(path, slash == path ? 1 : (size_t)(slash - path)) : strdup(".");
    int fd = dir ? open(dir, O_RDONLY | O_DIRECTORY) : -1;
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    free(dir);
}

static int _qo_egp_replace_file(const char *path, const char *text, size_t len) {
    size_t n = strlen(path);
    char *tmp = _qo_xmalloc(n + 5);
    memcpy(tmp, path, n);
    memcpy(tmp + n, ".tmp", 5);
    FILE *f = fopen(tmp, "wb");
    if (!f) {
        free(tmp);
        return 0;
    }
    /* A failed flush, fsync or close means the data may not be on disk:
     * renaming then would replace a good file with a damaged one. */
    int ok = fwrite(text, 1, len, f) == len && fflush(f) == 0 && fsync(fileno(f)) == 0;
    ok = fclose(f) == 0 && ok;
    ok = ok && rename(tmp, path) == 0;
    if (ok) _qo_egp_sync_dir(path);
    else unlink(tmp);
    free(tmp);
    return ok;
}

qo_val_t engram_save(qo_val_t path) {
    const char *p = _qo_str_arg(path);
    if (!p || !*p) return 0;
    size_t len;
    char *text = _qo_engram_file_text(_qo_engram_graph(), &len);
    int ok = !_qo_egp_too_sparse(p, len) && _qo_egp_replace_file(p, text, len);
    free(text);
    return ok;
}

/* ---- reading ---- */

/* The whole file as a NUL-terminated heap block, or NULL when it cannot be
 * read, is empty, is no regular file (a device or pipe may never end) or
 * does not fit in memory. */
static char *_qo_egp_read_file(const char *path) {
    FILE *f = fopen(path, "rb");
    if (!f) return NULL;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        fclose(f);
        return NULL;
    }
    size_t cap = st.st_size > 0 ? (size_t)st.st_size + 1 : 4096, len = 0;
    char *buf = malloc(cap + 1);
    while (buf) {
        len += fread(buf + len, 1, cap - len, f);
        if (len < cap) break;
        char *grown = realloc(buf, cap * 2 + 1);
        if (!grown) free(buf);
        buf = grown;
        cap *= 2;
    }
    fclose(f);
    if (buf && len == 0) {
        free(buf);
        buf = NULL;
    }
    if (buf) buf[len] = '\0';
    return buf;
}

/* Every member name a node, edge or layer record is read for. */
enum {
    _QO_EGP_ID, _QO_EGP_CONTENT, _QO_EGP_NODE_TYPE, _QO_EGP_LABEL, _QO_EGP_TIER, _QO_EGP_TAGS,
    _QO_EGP_METADATA, _QO_EGP_SALIENCE, _QO_EGP_IMPORTANCE, _QO_EGP_CONFIDENCE, _QO_EGP_DECAY_RATE,
    _QO_EGP_ACTIVATION_COUNT, _QO_EGP_LAST_ACTIVATED, _QO_EGP_CREATED_AT, _QO_EGP_UPDATED_AT,
    _QO_EGP_BACKGROUND, _QO_EGP_WM_WEIGHT, _QO_EGP_SUPPRESSION, _QO_EGP_LAYER_ID, _QO_EGP_FROM_ID,
    _QO_EGP_TO_ID, _QO_EGP_RELATION, _QO_EGP_WEIGHT, _QO_EGP_LAST_FIRED, _QO_EGP_INHIBITORY, _QO_EGP_NAME,
    _QO_EGP_PRIORITY, _QO_EGP_SUPPRESSIBLE, _QO_EGP_TRANSPARENT, _QO_EGP_INJECTABLE, _QO_EGP_FIELDS
};

#define _QO_EGP_N(s) {s, sizeof s - 1}
static const struct {
    const char *text;
    size_t len;
} _qo_egp_names[_QO_EGP_FIELDS] = {
    _QO_EGP_N("id"), _QO_EGP_N("content"), _QO_EGP_N("node_type"), _QO_EGP_N("label"),
    _QO_EGP_N("tier"), _QO_EGP_N("tags"), _QO_EGP_N("metadata"), _QO_EGP_N("salience"),
    _QO_EGP_N("importance"), _QO_EGP_N("confidence"), _QO_EGP_N("temporal_decay_rate"),
    _QO_EGP_N("activation_count"), _QO_EGP_N("last_activated"), _QO_EGP_N("created_at"),
    _QO_EGP_N("updated_at"), _QO_EGP_N("background_activation"), _QO_EGP_N("working_memory_weight"),
    _QO_EGP_N("suppression_count"), _QO_EGP_N("layer_id"), _QO_EGP_N("from_id"), _QO_EGP_N("to_id"),
    _QO_EGP_N("relation"), _QO_EGP_N("weight"), _QO_EGP_N("last_fired"), _QO_EGP_N("inhibitory"),
    _QO_EGP_N("name"), _QO_EGP_N("activation_priority"), _QO_EGP_N("suppressible"),
    _QO_EGP_N("transparent"), _QO_EGP_N("injectable"),
};
#undef _QO_EGP_N

/* One record of the file, cut out of the text ([start, end), with a NUL at
 * end while it is read), and where each wanted member's value starts. */
typedef struct {
    const char *end;
    const char *at[_QO_EGP_FIELDS];
} _qo_egp_record;

/* The field a member name stands for, or -1. The search starts after the
 * field found last: members written in the file's own order hit at once. */
static int _qo_egp_field(const char *name, size_t len, int after) {
    for (int i = 1; i <= _QO_EGP_FIELDS; i++) {
        int f = (after + i) % _QO_EGP_FIELDS;
        if (_qo_egp_names[f].len == len && memcmp(_qo_egp_names[f].text, name, len) == 0) return f;
    }
    return -1;
}

/* One walk over the record's members finds every field: the first member
 * of a name wins, as with a key lookup per field, without rescanning the
 * record for each. */
static void _qo_egp_scan_record(_qo_egp_record *r, const char *start, const char *end) {
    memset(r, 0, sizeof *r);
    r->end = end;
    qo_json_members it = {start, 0, 0};
    const char *name, *value;
    size_t len;
    int last = -1;
    while ((value = _qo_json_member_next(&it, &name, &len))) {
        int f = _qo_egp_field(name, len, last);
        if (f < 0) continue;
        if (!r->at[f]) r->at[f] = value;
        last = f;
    }
}

static char *_qo_egp_read_str(const _qo_egp_record *r, int field) {
    const char *v = r->at[field];
    if (!v || *v != '"') return _qo_engram_strdup("");
    jp_cursor c = {v, r->end, 0};
    char *s = (char *)(intptr_t)jp_parse_string_raw(&c);
    if (!c.err) return s;
    free(s);
    return _qo_engram_strdup("");
}

/* "metadata" reads as "{}" when it gives "". */
static char *_qo_egp_read_metadata(const _qo_egp_record *r) {
    char *s = _qo_egp_read_str(r, _QO_EGP_METADATA);
    if (*s) return s;
    free(s);
    return _qo_engram_strdup("{}");
}

/* NULL when the member is missing or its value is no number. */
static const char *_qo_egp_number_at(const _qo_egp_record *r, int field) {
    const char *v = r->at[field];
    return !v || *v == '"' || *v == '[' || *v == '{' ? NULL : v;
}

static double _qo_egp_read_double(const _qo_egp_record *r, int field) {
    const char *v = _qo_egp_number_at(r, field);
    return v ? strtod(v, NULL) : 0.0;
}

static int64_t _qo_egp_read_int(const _qo_egp_record *r, int field) {
    const char *v = _qo_egp_number_at(r, field);
    return v ? (int64_t)strtoll(v, NULL, 10) : 0;
}

/* A record without "layer_id" belongs to layer 1. */
static uint32_t _qo_egp_read_layer_id(const _qo_egp_record *r) {
    return r->at[_QO_EGP_LAYER_ID] ? (uint32_t)_qo_egp_read_int(r, _QO_EGP_LAYER_ID) : 1;
}

static EngramNode _qo_egp_read_node(const _qo_egp_record *r) {
    EngramNode n;
    n.id = _qo_egp_read_str(r, _QO_EGP_ID);
    n.content = _qo_egp_read_str(r, _QO_EGP_CONTENT);
    n.node_type = _qo_egp_read_str(r, _QO_EGP_NODE_TYPE);
    n.label = _qo_egp_read_str(r, _QO_EGP_LABEL);
    n.tier = _qo_egp_read_str(r, _QO_EGP_TIER);
    n.tags = _qo_egp_read_str(r, _QO_EGP_TAGS);
    n.metadata = _qo_egp_read_metadata(r);
    n.salience = _qo_egp_read_double(r, _QO_EGP_SALIENCE);
    n.importance = _qo_egp_read_double(r, _QO_EGP_IMPORTANCE);
    n.confidence = _qo_egp_read_double(r, _QO_EGP_CONFIDENCE);
    n.temporal_decay_rate = _qo_egp_read_double(r, _QO_EGP_DECAY_RATE);
    n.activation_count = _qo_egp_read_int(r, _QO_EGP_ACTIVATION_COUNT);
    n.last_activated = _qo_egp_read_int(r, _QO_EGP_LAST_ACTIVATED);
    n.created_at = _qo_egp_read_int(r, _QO_EGP_CREATED_AT);
    n.updated_at = _qo_egp_read_int(r, _QO_EGP_UPDATED_AT);
    n.background_activation = _qo_egp_read_double(r, _QO_EGP_BACKGROUND);
    n.working_memory_weight = _qo_egp_read_double(r, _QO_EGP_WM_WEIGHT);
    n.suppression_count = (int32_t)_qo_egp_read_int(r, _QO_EGP_SUPPRESSION);
    n.layer_id = _qo_egp_read_layer_id(r);
    return n;
}

static EngramEdge _qo_egp_read_edge(const _qo_egp_record *r) {
    EngramEdge e;
    e.id = _qo_egp_read_str(r, _QO_EGP_ID);
    e.from_id = _qo_egp_read_str(r, _QO_EGP_FROM_ID);
    e.to_id = _qo_egp_read_str(r, _QO_EGP_TO_ID);
    e.relation = _qo_egp_read_str(r, _QO_EGP_RELATION);
    e.metadata = _qo_egp_read_metadata(r);
    e.weight = _qo_egp_read_double(r, _QO_EGP_WEIGHT);
    e.confidence = _qo_egp_read_double(r, _QO_EGP_CONFIDENCE);
    e.created_at = _qo_egp_read_int(r, _QO_EGP_CREATED_AT);
    e.updated_at = _qo_egp_read_int(r, _QO_EGP_UPDATED_AT);
    e.last_fired = _qo_egp_read_int(r, _QO_EGP_LAST_FIRED);
    e.inhibitory = (int32_t)_qo_egp_read_int(r, _QO_EGP_INHIBITORY);
    e.layer_id = _qo_egp_read_layer_id(r);
    return e;
}

static void _qo_egp_read_layer(EngramGraph *g, const _qo_egp_record *r) {
    char *name = _qo_egp_read_str(r, _QO_EGP_NAME);
    EngramLayer l = {(uint32_t)_qo_egp_read_int(r, _QO_EGP_LAYER_ID), name,
                     (uint32_t)_qo_egp_read_int(r, _QO_EGP_PRIORITY), _qo_egp_read_int(r, _QO_EGP_SUPPRESSIBLE) != 0,
                     _qo_egp_read_int(r, _QO_EGP_TRANSPARENT) != 0, _qo_egp_read_int(r, _QO_EGP_INJECTABLE) != 0};
    _qo_engram_add_layer_slot(g, &l);
    free(name);
}

typedef enum { _QO_EGP_LOAD, _QO_EGP_MERGE, _QO_EGP_LAYERS } _qo_egp_mode;

static int _qo_egp_edge_known(EngramGraph *g, const EngramEdge *e) {
    int64_t from = _qo_engram_key_of(g, e->from_id), to = _qo_engram_key_of(g, e->to_id);
    if (from < 0 || to < 0) return 0;
    const EngramIndex *ix = _qo_engram_index(g);
    for (int64_t i = ix->keys[from].head; i >= 0; i = _qo_engram_next_edge(ix, from, i))
        if (ix->links[i].from_key == from && ix->links[i].to_key == to &&
            strcmp(g->edges[i].relation, e->relation) == 0)
            return 1;
    return 0;
}

/* Adds one record of the array named by key; returns the nodes added. */
static int64_t _qo_egp_take(EngramGraph *g, const char *key, _qo_egp_mode mode, const _qo_egp_record *r) {
    if (mode == _QO_EGP_LAYERS) {
        _qo_egp_read_layer(g, r);
    } else if (strcmp(key, "nodes") == 0) {
        EngramNode n = _qo_egp_read_node(r);
        if (mode == _QO_EGP_LOAD || !*n.id || _qo_engram_find(g, n.id) < 0) {
            _qo_engram_append_node(g, &n);
            return 1;
        }
        _qo_engram_free_node(&n);
    } else {
        EngramEdge e = _qo_egp_read_edge(r);
        if (mode == _QO_EGP_LOAD || !_qo_egp_edge_known(g, &e)) _qo_engram_append_edge(g, &e);
        else _qo_engram_free_edge(&e);
    }
    return 0;
}

/* The value of key when it is an array, else NULL. */
static char *_qo_egp_array(char *text, const char *key) {
    const char *v = json_find_key(text, key);
    return v && *v == '[' ? (char *)v : NULL;
}

/* Walks the array: each element starting with "{" is one record; any
 * other byte is stepped over; "]" or the end of the text stops the walk. */
static int64_t _qo_egp_read_array(EngramGraph *g, char *text, const char *key, _qo_egp_mode mode) {
    char *p = _qo_egp_array(text, key);
    int64_t added = 0;
    if (!p) return 0;
    for (p++; *p && *p != ']';) {
        if (*p != '{') {
            p++;
            continue;
        }
        char *end = (char *)json_skip_value(p), saved = *end;
        *end = '\0';
        _qo_egp_record r;
        _qo_egp_scan_record(&r, p, end);
        added += _qo_egp_take(g, key, mode, &r);
        *end = saved;
        p = end;
    }
    return added;
}

qo_val_t engram_load(qo_val_t path) {
    const char *p = _qo_str_arg(path);
    char *text = p && *p ? _qo_egp_read_file(p) : NULL;
    if (!text) return 0;
    EngramGraph *g = _qo_engram_graph();
    _qo_engram_clear(g);
    _qo_egp_read_array(g, text, "nodes", _QO_EGP_LOAD);
    _qo_egp_read_array(g, text, "edges", _QO_EGP_LOAD);
    if (_qo_egp_array(text, "layers")) {
        _qo_engram_clear_layers(g);
        _qo_egp_read_array(g, text, "layers", _QO_EGP_LAYERS);
    }
    free(text);
    return 1;
}

qo_val_t engram_load_merge(qo_val_t path) {
    const char *p = _qo_str_arg(path);
    char *text = p && *p ? _qo_egp_read_file(p) : NULL;
    if (!text) return 0;
    EngramGraph *g = _qo_engram_graph();
    int64_t added = _qo_egp_read_array(g, text, "nodes", _QO_EGP_MERGE);
    _qo_egp_read_array(g, text, "edges", _QO_EGP_MERGE);
    free(text);
    return added;
}

/* ---- time ranges ---- */

static int _qo_egp_older(const void *ctx, int64_t a, int64_t b) {
    const EngramNode *nodes = ctx;
    return nodes[a].created_at < nodes[b].created_at;
}

qo_val_t engram_query_range(qo_val_t from_ms, qo_val_t to_ms) {
    EngramGraph *g = _qo_engram_graph();
    int64_t to = to_ms < 1 ? _qo_engram_now_ms() : to_ms;
    int64_t *picked = malloc((size_t)g->node_count * sizeof *picked + 1), n = 0;
    for (int64_t i = 0; picked && i < g->node_count; i++) {
        const EngramNode *node = &g->nodes[i];
        if ((node->created_at >= from_ms && node->created_at <= to) ||
            (node->last_activated >= from_ms && node->last_activated <= to))
            picked[n++] = i;
    }
    if (!picked || !_qo_engram_sort(picked, n, _qo_egp_older, g->nodes)) n = 0;
    qo_val_t text = _qo_engram_nodes_json(g, picked, n);
    free(picked);
    return text;
}
