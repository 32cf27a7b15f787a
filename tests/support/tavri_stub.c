/*
 * tavri_stub.c -- an in-process stand-in for the network library that
 * supplies the tavri_* primitives to cgi programs, so that such programs
 * link and run in tests.
 *
 * The "network" is this process: connecting records a peer, sending to a
 * connected peer succeeds, relationships are weights kept per peer, and
 * an emitted event's payload is what the field of that name reads back.
 * Peers and fields live in small fixed tables (private copies of the
 * strings) behind one mutex; a full table refuses new entries.
 */
#include <pthread.h>
#include <stdlib.h>
#include <string.h>

#include "qo_runtime.h"

#define TAVRI_STUB_MAX 64

typedef struct {
    char *name;
    qo_val_t weight;
} tavri_stub_entry;

static tavri_stub_entry tavri_stub_peers[TAVRI_STUB_MAX];
static int tavri_stub_peer_count;
static tavri_stub_entry tavri_stub_fields[TAVRI_STUB_MAX];
static char *tavri_stub_field_values[TAVRI_STUB_MAX];
static int tavri_stub_field_count;
static pthread_mutex_t tavri_stub_lock = PTHREAD_MUTEX_INITIALIZER;

/* The entry named name, or -1. */
static int tavri_stub_find(const tavri_stub_entry *table, int count, const char *name) {
    for (int i = 0; i < count; i++)
        if (strcmp(table[i].name, name) == 0) return i;
    return -1;
}

static const char *tavri_stub_text(qo_val_t v) { return looks_like_string(v) ? QO_STR_PTR(v) : ""; }

qo_val_t tavri_connect(qo_val_t peer) {
    const char *name = tavri_stub_text(peer);
    qo_val_t added = 0;
    pthread_mutex_lock(&tavri_stub_lock);
    if (*name && tavri_stub_find(tavri_stub_peers, tavri_stub_peer_count, name) < 0 &&
        tavri_stub_peer_count < TAVRI_STUB_MAX) {
        tavri_stub_peers[tavri_stub_peer_count++] = (tavri_stub_entry){strdup(name), 0};
        added = 1;
    }
    pthread_mutex_unlock(&tavri_stub_lock);
    return added;
}

qo_val_t tavri_send(qo_val_t peer, qo_val_t message) {
    (void)message;
    pthread_mutex_lock(&tavri_stub_lock);
    int found = tavri_stub_find(tavri_stub_peers, tavri_stub_peer_count, tavri_stub_text(peer));
    pthread_mutex_unlock(&tavri_stub_lock);
    return found >= 0;
}

/* Reaches every connected peer: the number reached. */
qo_val_t tavri_activate(qo_val_t signal) {
    (void)signal;
    pthread_mutex_lock(&tavri_stub_lock);
    qo_val_t reached = tavri_stub_peer_count;
    pthread_mutex_unlock(&tavri_stub_lock);
    return reached;
}

qo_val_t tavri_emit(qo_val_t event, qo_val_t payload) {
    const char *name = tavri_stub_text(event);
    qo_val_t stored = 0;
    pthread_mutex_lock(&tavri_stub_lock);
    int i = tavri_stub_find(tavri_stub_fields, tavri_stub_field_count, name);
    if (i < 0 && *name && tavri_stub_field_count < TAVRI_STUB_MAX) {
        i = tavri_stub_field_count++;
        tavri_stub_fields[i] = (tavri_stub_entry){strdup(name), 0};
    }
    if (i >= 0) {
        free(tavri_stub_field_values[i]);
        tavri_stub_field_values[i] = strdup(tavri_stub_text(payload));
        stored = 1;
    }
    pthread_mutex_unlock(&tavri_stub_lock);
    return stored;
}

/* The last payload emitted under name, as a new string; "" when none. */
qo_val_t tavri_field(qo_val_t name) {
    pthread_mutex_lock(&tavri_stub_lock);
    int i = tavri_stub_find(tavri_stub_fields, tavri_stub_field_count, tavri_stub_text(name));
    qo_val_t value = qo_strdup(QO_STR(i < 0 ? "" : tavri_stub_field_values[i]));
    pthread_mutex_unlock(&tavri_stub_lock);
    return value;
}

qo_val_t tavri_strengthen(qo_val_t peer, qo_val_t amount) {
    pthread_mutex_lock(&tavri_stub_lock);
    int i = tavri_stub_find(tavri_stub_peers, tavri_stub_peer_count, tavri_stub_text(peer));
    qo_val_t weight = 0;
    if (i >= 0) weight = tavri_stub_peers[i].weight += amount;
    pthread_mutex_unlock(&tavri_stub_lock);
    return weight;
}

qo_val_t tavri_relationship(qo_val_t peer) {
    pthread_mutex_lock(&tavri_stub_lock);
    int i = tavri_stub_find(tavri_stub_peers, tavri_stub_peer_count, tavri_stub_text(peer));
    qo_val_t weight = i < 0 ? 0 : tavri_stub_peers[i].weight;
    pthread_mutex_unlock(&tavri_stub_lock);
    return weight;
}

/* A new List of the connected peers' names, in connection order. */
qo_val_t tavri_peers(void) {
    pthread_mutex_lock(&tavri_stub_lock);
    qo_val_t list = qo_list_empty();
    for (int i = 0; i < tavri_stub_peer_count; i++)
        list = qo_list_append(list, qo_strdup(QO_STR(tavri_stub_peers[i].name)));
    pthread_mutex_unlock(&tavri_stub_lock);
    return list;
}
