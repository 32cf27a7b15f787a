/*
 * rhythm.c -- recurring moments: when is the next one, is this one of them.
 *
 * A rhythm is a record of one of nine kinds; "and" and "or" combine two
 * rhythms into a tree (a DAG, since one rhythm may be shared by many). The
 * next occurrence of a combination is the later (and) or earlier (or) of
 * its children's, all asked about the same instant. The tree is walked with
 * an explicit stack, so nesting depth is limited by memory only, and each
 * shared node is evaluated once per query (a small table keyed by address),
 * so a DAG that doubles its paths at every level still answers in time
 * linear in its size.
 *
 * Instants here are exact: cycle starts before the epoch are found with
 * floor division, and an occurrence beyond the last representable instant
 * is INT64_MAX, which "and" keeps and "or" passes over, as "never" should.
 */
#include <math.h>
#include <stdlib.h>
#include <time.h>

static qo_rhythm *_qo_rhythm_new(uint32_t kind) {
    qo_rhythm *r = _qo_time_record_new(QO_RHYTHM_TAG);
    r->kind = kind;
    return r;
}

#define QO_RHYTHM_VAL(r) ((qo_val_t)(intptr_t)(r))

qo_val_t rhythm_cycle_start(void) { return QO_RHYTHM_VAL(_qo_rhythm_new(QO_RHYTHM_CYCLE_START)); }
qo_val_t rhythm_session_start(void) { return QO_RHYTHM_VAL(_qo_rhythm_new(QO_RHYTHM_SESSION_START)); }

qo_val_t rhythm_cycle_phase(qo_val_t phase) {
    qo_rhythm *r = _qo_rhythm_new(QO_RHYTHM_CYCLE_PHASE);
    r->phase = qo_to_float(phase);
    return QO_RHYTHM_VAL(r);
}

qo_val_t rhythm_duration(qo_val_t period) {
    qo_rhythm *r = _qo_rhythm_new(QO_RHYTHM_DURATION);
    r->period = period;
    return QO_RHYTHM_VAL(r);
}

qo_val_t rhythm_event(qo_val_t name) {
    qo_rhythm *r = _qo_rhythm_new(QO_RHYTHM_EVENT);
    const char *n = _qo_time_text(name);
    r->event = _qo_time_strdup(n ? n : "");
    return QO_RHYTHM_VAL(r);
}

static qo_val_t _qo_rhythm_combine(uint32_t kind, qo_val_t a, qo_val_t b) {
    qo_rhythm *r = _qo_rhythm_new(kind);
    r->left = _qo_time_record(a, QO_RHYTHM_TAG);
    r->right = _qo_time_record(b, QO_RHYTHM_TAG);
    return QO_RHYTHM_VAL(r);
}

qo_val_t rhythm_and(qo_val_t a, qo_val_t b) { return _qo_rhythm_combine(QO_RHYTHM_AND, a, b); }
qo_val_t rhythm_or(qo_val_t a, qo_val_t b) { return _qo_rhythm_combine(QO_RHYTHM_OR, a, b); }

static qo_val_t _qo_rhythm_weekly(uint32_t kind, qo_val_t weekday, qo_val_t hour, qo_val_t minute) {
    qo_rhythm *r = _qo_rhythm_new(kind);
    r->weekday = (int32_t)_qo_time_clamp_i32(weekday);
    r->hour = (int32_t)_qo_time_clamp_i32(hour);
    r->minute = (int32_t)_qo_time_clamp_i32(minute);
    return QO_RHYTHM_VAL(r);
}

qo_val_t rhythm_weekday(qo_val_t weekday) { return _qo_rhythm_weekly(QO_RHYTHM_WEEKDAY, weekday, 0, 0); }

qo_val_t rhythm_weekly_at(qo_val_t weekday, qo_val_t hour, qo_val_t minute) {
    return _qo_rhythm_weekly(QO_RHYTHM_WEEKLY_AT, weekday, hour, minute);
}

/* ---- next occurrence of a single rule ---- */

static int64_t _qo_rhythm_clamp(__int128 v) {
    return v > INT64_MAX ? INT64_MAX : v < INT64_MIN ? INT64_MIN : (int64_t)v;
}

static int64_t _qo_rhythm_cycle_len(const qo_calendar *c) {
    return c->cycle < 1 ? QO_NS_PER_DAY : c->cycle;
}

/* Phase taken into [0, 1): 1.25 is a quarter into the next cycle, so the
 * answer always lies after t; NaN and infinities mean the cycle start. */
static double _qo_rhythm_unit_phase(double phase) {
    double p = phase - floor(phase);
    return isfinite(p) ? p : 0.0;
}

static int64_t _qo_rhythm_phase_after(double phase, int64_t t, const qo_calendar *c) {
    int64_t len = _qo_rhythm_cycle_len(c);
    __int128 start = (__int128)t - _qo_time_floor_mod((__int128)t - c->epoch, len);
    double into = trunc((double)len * _qo_rhythm_unit_phase(phase));
    __int128 candidate = start + (into >= (double)len ? len - 1 : (int64_t)into);
    return _qo_rhythm_clamp(t < candidate ? candidate : candidate + len);
}

/* Weekday rules, on the wall clock of the calendar's zone. */
static int64_t _qo_rhythm_weekly_after(const qo_rhythm *r, int64_t t, const qo_calendar *c) {
    if (c->kind != QO_CAL_EARTH) return _qo_rhythm_clamp((__int128)t + _qo_rhythm_cycle_len(c));
    _qo_apply_zone((qo_val_t)(intptr_t)c->zone);
    struct tm day;
    if (!_qo_zone_localtime((int64_t)_qo_time_floor_div(t, QO_NS_PER_SEC), &day)) return INT64_MAX;
    int wanted = r->weekday >= 1 && r->weekday <= 6 ? r->weekday : r->weekday == 7 ? 0 : 1;
    day.tm_mday += (wanted - day.tm_wday + 7) % 7;
    day.tm_hour = r->hour;
    day.tm_min = r->minute;
    day.tm_sec = 0;
    /* Usually one week at most; hours far outside 0-23 may need more. */
    for (int64_t weeks = 0;;) {
        struct tm when = day;
        when.tm_mday += (int)(7 * weeks);
        when.tm_isdst = -1;
        int64_t secs, ns;
        if (!_qo_zone_mktime(&when, &secs) || !_qo_time_secs_to_ns(secs, 0, &ns)) return INT64_MAX;
        if (t < ns) return ns;
        int64_t behind = (int64_t)(((__int128)t - ns) / (7 * QO_NS_PER_DAY));
        weeks += behind > 0 ? behind : 1;
    }
}

static int64_t _qo_rhythm_leaf(const qo_rhythm *r, int64_t t, const qo_calendar *c) {
    if (!r) return t;
    switch (r->kind) {
    case QO_RHYTHM_CYCLE_START: {
        int64_t len = _qo_rhythm_cycle_len(c);
        return _qo_rhythm_clamp((_qo_time_floor_div((__int128)t - c->epoch, len) + 1) * len + c->epoch);
    }
    case QO_RHYTHM_CYCLE_PHASE: return _qo_rhythm_phase_after(r->phase, t, c);
    case QO_RHYTHM_DURATION: return _qo_rhythm_clamp((__int128)t + (r->period < 1 ? 1 : r->period));
    case QO_RHYTHM_WEEKDAY:
    case QO_RHYTHM_WEEKLY_AT: return _qo_rhythm_weekly_after(r, t, c);
    default: return t; /* sessions and events have no schedule */
    }
}

/* ---- combinations ---- */

static int _qo_rhythm_is_combination(const qo_rhythm *r) {
    return r && (r->kind == QO_RHYTHM_AND || r->kind == QO_RHYTHM_OR);
}

/* Answers already found in this query, by node address (open addressing).
 * Typical trees have a handful of nodes: the first tables live on the C
 * stack, and only large trees touch the heap. */
#define QO_RHYTHM_INLINE 16

typedef struct {
    const qo_rhythm *key;
    int64_t value;
} qo_rhythm_memo_entry;

typedef struct {
    qo_rhythm_memo_entry *e;
    size_t cap, count;
    qo_rhythm_memo_entry inline_e[QO_RHYTHM_INLINE];
} qo_rhythm_memo;

static size_t _qo_rhythm_memo_slot(const qo_rhythm_memo_entry *e, size_t cap, const qo_rhythm *r) {
    /* Records sit 64 bytes apart, so the low bits of an address say little:
     * fold the high half of the product in. */
    uint64_t h = (uint64_t)(uintptr_t)r * 0x9E3779B97F4A7C15ull;
    size_t i = (size_t)(h >> 32 ^ h) & (cap - 1);
    while (e[i].key && e[i].key != r) i = (i + 1) & (cap - 1);
    return i;
}

static int _qo_rhythm_memo_get(const qo_rhythm_memo *m, const qo_rhythm *r, int64_t *v) {
    const qo_rhythm_memo_entry *hit = &m->e[_qo_rhythm_memo_slot(m->e, m->cap, r)];
    if (!hit->key) return 0;
    *v = hit->value;
    return 1;
}

static void _qo_rhythm_memo_put(qo_rhythm_memo *m, const qo_rhythm *r, int64_t v) {
    if (2 * (m->count + 1) > m->cap) {
        size_t cap = m->cap * 2;
        qo_rhythm_memo_entry *grown = _qo_xcalloc(cap, sizeof *grown);
        for (size_t i = 0; i < m->cap; i++)
            if (m->e[i].key) grown[_qo_rhythm_memo_slot(grown, cap, m->e[i].key)] = m->e[i];
        if (m->e != m->inline_e) free(m->e);
        m->e = grown;
        m->cap = cap;
    }
    qo_rhythm_memo_entry *slot = &m->e[_qo_rhythm_memo_slot(m->e, m->cap, r)];
    m->count += !slot->key;
    *slot = (qo_rhythm_memo_entry){r, v};
}

typedef struct {
    const qo_rhythm *node;
    int stage; /* 0: new; 1: left child asked; 2: right child asked */
    int64_t left, right;
} qo_rhythm_frame;

int64_t _qo_next_after(const qo_rhythm *root, int64_t t, const qo_calendar *cal) {
    if (!_qo_rhythm_is_combination(root)) return _qo_rhythm_leaf(root, t, cal);
    qo_rhythm_memo memo = {.cap = QO_RHYTHM_INLINE};
    memo.e = memo.inline_e;
    qo_rhythm_frame inline_stack[QO_RHYTHM_INLINE], *stack = inline_stack;
    size_t cap = QO_RHYTHM_INLINE, n = 1;
    stack[0] = (qo_rhythm_frame){root, 0, 0, 0};
    int64_t result = t, value;
    while (n) {
        qo_rhythm_frame *f = &stack[n - 1];
        if (f->stage == 2) {
            value = f->node->kind == QO_RHYTHM_AND ? (f->left > f->right ? f->left : f->right)
                                                  : (f->left < f->right ? f->left : f->right);
            _qo_rhythm_memo_put(&memo, f->node, value);
        } else if (f->stage == 0 && _qo_rhythm_memo_get(&memo, f->node, &value)) {
            /* a shared node, answered already */
        } else {
            const qo_rhythm *child = ++f->stage == 1 ? f->node->left : f->node->right;
            if (_qo_rhythm_is_combination(child)) {
                if (n == cap) {
                    qo_rhythm_frame *grown = _qo_xmalloc(2 * cap * sizeof *grown);
                    memcpy(grown, stack, cap * sizeof *grown);
                    if (stack != inline_stack) free(stack);
                    stack = grown;
                    cap *= 2;
                }
                stack[n++] = (qo_rhythm_frame){child, 0, 0, 0};
            } else {
                *(f->stage == 1 ? &f->left : &f->right) = _qo_rhythm_leaf(child, t, cal);
            }
            continue;
        }
        /* A finished node hands its answer to the one that asked for it. */
        if (--n == 0) {
            result = value;
        } else {
            qo_rhythm_frame *parent = &stack[n - 1];
            *(parent->stage == 1 ? &parent->left : &parent->right) = value;
        }
    }
    if (stack != inline_stack) free(stack);
    if (memo.e != memo.inline_e) free(memo.e);
    return result;
}

/* ---- queries ---- */

qo_val_t rhythm_next_after(qo_val_t r, qo_val_t instant, qo_val_t cal) {
    const qo_rhythm *rh = _qo_time_record(r, QO_RHYTHM_TAG);
    return rh ? _qo_next_after(rh, instant, _qo_cal_or_default(cal)) : instant;
}

/* Within a thousandth of a cycle, measured around the circle: a moment just
 * before the cycle starts is as close to phase 0 as one just after. */
qo_val_t rhythm_matches(qo_val_t r, qo_val_t ct) {
    const qo_rhythm *rh = _qo_time_record(r, QO_RHYTHM_TAG);
    const qo_cal_time *t = _qo_time_record(ct, QO_CAL_TIME_TAG);
    if (!rh || !t) return 0;
    int64_t len = _qo_rhythm_cycle_len(t->cal);
    __int128 since = (__int128)t->instant - t->cal->epoch;
    if (rh->kind == QO_RHYTHM_CYCLE_START) return _qo_time_floor_mod(since, len) == 0;
    if (rh->kind != QO_RHYTHM_CYCLE_PHASE || !isfinite(rh->phase)) return 0;
    double d = fabs(_qo_time_phase(since, len) - _qo_rhythm_unit_phase(rh->phase));
    return (d < 1.0 - d ? d : 1.0 - d) < 0.001;
}
