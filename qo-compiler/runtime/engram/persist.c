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
 * after it for the duration) so that key lookups cannot run into the next
 * record, and every missing or mistyped field gets its default. Values are
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

/* One record of the file, cut out of the text: [start, end) with a NUL
 * at end while it is read. */
typedef struct {
    const char *start;
    const char *end;
} _qo_egp_record;

static char *_qo_egp_read_str(const _qo_egp_record *r, const char *key) {
    const char *v = json_find_key(r->start, key);
    if (!v || *v != '"') return _qo_engram_strdup("");
    jp_cursor c = {v, r->end, 0};
    char *s = (char *)(intptr_t)jp_parse_string_raw(&c);
    if (!c.err) return s;
    free(s);
    return _qo_engram_strdup("");
}

/* NULL when the key is missing or its value is no number. */
static const char *_qo_egp_number_at(const _qo_egp_record *r, const char *key) {
    const char *v = json_find_key(r->start, key);
    return !v || *v == '"' || *v == '[' || *v == '{' ? NULL : v;
}

static double _qo_egp_read_double(const _qo_egp_record *r, const char *key) {
    const char *v = _qo_egp_number_at(r, key);
    return v ? strtod(v, NULL) : 0.0;
}

static int64_t _qo_egp_read_int(const _qo_egp_record *r, const char *key) {
    const char *v = _qo_egp_number_at(r, key);
    return v ? (int64_t)strtoll(v, NULL, 10) : 0;
}

/* A record without "layer_id" belongs to layer 1. */
static uint32_t _qo_egp_read_layer_id(const _qo_egp_record *r) {
    return json_find_key(r->start, "layer_id") ? (uint32_t)_qo_egp_read_int(r, "layer_id") : 1;
}

static EngramNode _qo_egp_read_node(const _qo_egp_record *r) {
    EngramNode n;
    n.id = _qo_egp_read_str(r, "id");
    n.content = _qo_egp_read_str(r, "content");
    n.node_type = _qo_egp_read_str(r, "node_type");
    n.label = _qo_egp_read_str(r, "label");
    n.tier = _qo_egp_read_str(r, "tier");
    n.tags = _qo_egp_read_str(r, "tags");
    n.metadata = _qo_egp_read_str(r, "metadata");
    if (!*n.metadata) {
        free(n.metadata);
        n.metadata = _qo_engram_strdup("{}");
    }
    n.salience = _qo_egp_read_double(r, "salience");
    n.importance = _qo_egp_read_double(r, "importance");
    n.confidence = _qo_egp_read_double(r, "confidence");
    n.temporal_decay_rate = _qo_egp_read_double(r, "temporal_decay_rate");
    n.activation_count = _qo_egp_read_int(r, "activation_count");
    n.last_activated = _qo_egp_read_int(r, "last_activated");
    n.created_at = _qo_egp_read_int(r, "created_at");
    n.updated_at = _qo_egp_read_int(r, "updated_at");
    n.background_activation = _qo_egp_read_double(r, "background_activation");
    n.working_memory_weight = _qo_egp_read_double(r, "working_memory_weight");
    n.suppression_count = (int32_t)_qo_egp_read_int(r, "suppression_count");
    n.layer_id = _qo_egp_read_layer_id(r);
    return n;
}

static EngramEdge _qo_egp_read_edge(const _qo_egp_record *r) {
    EngramEdge e;
    e.id = _qo_egp_read_str(r, "id");
    e.from_id = _qo_egp_read_str(r, "from_id");
    e.to_id = _qo_egp_read_str(r, "to_id");
    e.relation = _qo_egp_read_str(r, "relation");
    e.metadata = _qo_egp_read_str(r, "metadata");
    if (!*e.metadata) {
        free(e.metadata);
        e.metadata = _qo_engram_strdup("{}");
    }
    e.weight = _qo_egp_read_double(r, "weight");
    e.confidence = _qo_egp_read_double(r, "confidence");
    e.created_at = _qo_egp_read_int(r, "created_at");
    e.updated_at = _qo_egp_read_int(r, "updated_at");
    e.last_fired = _qo_egp_read_int(r, "last_fired");
    e.inhibitory = (int32_t)_qo_egp_read_int(r, "inhibitory");
    e.layer_id = _qo_egp_read_layer_id(r);
    return e;
}

static void _qo_egp_read_layer(EngramGraph *g, const _qo_egp_record *r) {
    char *name = _qo_egp_read_str(r, "name");
    EngramLayer l = {(uint32_t)_qo_egp_read_int(r, "layer_id"), name,
                     (uint32_t)_qo_egp_read_int(r, "activation_priority"),
                     _qo_egp_read_int(r, "suppressible") != 0, _qo_egp_read_int(r, "transparent") != 0,
                     _qo_egp_read_int(r, "injectable") != 0};
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
        _qo_egp_record r = {p, end};
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
