// temporal.cpp -- the rule order of temporal operators, and their violations.
//
// Local dates and times and calendar times come first (they have their own
// few operators), then instants and durations by operator. A rule that does
// not match lets the next one try; none matching leaves the operator to
// ordinary generation.
#include "checks/temporal.h"

namespace qo {

namespace {

using Form = TemporalRewrite::Form;

struct Violation {
    const char *kind;
    const char *message;
    const char *placeholder;
};

constexpr Violation kCalTimePlusCalTime = {
    "caltime_plus_caltime",
    "CalendarTime + CalendarTime is not allowed (use cal_to_instant + Duration)",
    "0 /* TIME_TYPE_ERROR: CalendarTime + CalendarTime */"};
constexpr Violation kInstantPlusInstant = {"instant_plus_instant", "Instant + Instant is not allowed",
                                           "0 /* TIME_TYPE_ERROR: Instant + Instant */"};
constexpr Violation kIntPlusDuration = {"duration_plus_int", "Int + Duration is not allowed",
                                        "0 /* TIME_TYPE_ERROR: Int + Duration */"};
constexpr Violation kDurationPlusInt = {
    "duration_plus_int", "Duration + Int is not allowed (use duration_seconds(n) or N.seconds)",
    "0 /* TIME_TYPE_ERROR: Duration + Int */"};
constexpr Violation kDurationMinusInt = {"duration_minus_int", "Duration - Int is not allowed",
                                         "0 /* TIME_TYPE_ERROR: Duration - Int */"};
constexpr Violation kInstantCmpDuration = {"instant_cmp_duration", "Instant < Duration is not allowed",
                                           "0 /* TIME_TYPE_ERROR: Instant < Duration */"};
constexpr Violation kDurationCmpInstant = {"duration_cmp_instant", "Duration < Instant is not allowed",
                                           "0 /* TIME_TYPE_ERROR: Duration < Instant */"};

// The operand tests of the rules, read once from the facts.
struct Operands {
    bool li, ri, ld, rd, lint, rint, lld, rld, llt, lct, rct;
    Operands(Facts l, Facts r)
        : li(l & fact(TypedKind::Instant)), ri(r & fact(TypedKind::Instant)),
          ld(l & fact(TypedKind::Duration)), rd(r & fact(TypedKind::Duration)),
          lint(l & fact(TypedKind::Int)), rint(r & fact(TypedKind::Int)),
          lld(l & fact(TypedKind::LocalDate)), rld(r & fact(TypedKind::LocalDate)),
          llt(l & fact(TypedKind::LocalTime)), lct(l & fact(TypedKind::CalTime)),
          rct(r & fact(TypedKind::CalTime)) {}
};

TemporalRewrite call(const char *fn) { return {Form::Call, fn}; }
TemporalRewrite swapped(const char *fn) { return {Form::SwappedCall, fn}; }
constexpr TemporalRewrite kNoRule{};

TemporalRewrite reject(CheckState &state, const Violation &v) {
    time_record_violation(state, v.kind, v.message);
    return {Form::Placeholder, v.placeholder};
}

TemporalRewrite local_rules(CheckState &state, TokKind op, const Operands &o) {
    if (o.lld && op == TokKind::Plus && o.rd) return call("qo_local_date_add_dur");
    if (o.lld && op == TokKind::Lt && o.rld) return call("qo_local_date_lt");
    if (o.lld && op == TokKind::EqEq && o.rld) return call("qo_local_date_eq");
    if (o.llt && op == TokKind::Plus && o.rd) return call("qo_local_time_add_dur");
    if (o.lct && op == TokKind::Plus && o.rct) return reject(state, kCalTimePlusCalTime);
    return kNoRule;
}

TemporalRewrite plus_rules(CheckState &state, const Operands &o) {
    if (o.li && o.rd) return call("qo_instant_add_dur");
    if (o.li && o.ri) return reject(state, kInstantPlusInstant);
    if (!o.li && !o.ld && o.rd && o.lint) return reject(state, kIntPlusDuration);
    if (o.ld && o.ri) return swapped("qo_instant_add_dur");
    if (o.ld && o.rd) return call("qo_duration_add");
    if (o.ld && o.rint) return reject(state, kDurationPlusInt);
    return kNoRule;
}

TemporalRewrite minus_rules(CheckState &state, const Operands &o) {
    if (o.li && o.rd) return call("qo_instant_sub_dur");
    if (o.li && o.ri) return call("qo_instant_diff");
    if (o.ld && o.rd) return call("qo_duration_sub");
    if (o.ld && o.rint) return reject(state, kDurationMinusInt);
    return kNoRule;
}

TemporalRewrite less_rules(CheckState &state, const Operands &o) {
    if (o.li && o.ri) return call("qo_instant_lt");
    if (o.li && o.rd) return reject(state, kInstantCmpDuration);
    if (o.ld && o.rd) return call("qo_duration_lt");
    if (o.ld && o.ri) return reject(state, kDurationCmpInstant);
    return kNoRule;
}

// <=, >, >=, ==, !=: both instants or both durations; mixed operands get no
// rule (only `<` reports them).
TemporalRewrite comparison_rules(TokKind op, const Operands &o) {
    struct Names {
        TokKind op;
        const char *instant, *duration;
    };
    static constexpr Names kNames[] = {
        {TokKind::LtEq, "qo_instant_le", "qo_duration_le"},
        {TokKind::Gt, "qo_instant_gt", "qo_duration_gt"},
        {TokKind::GtEq, "qo_instant_ge", "qo_duration_ge"},
        {TokKind::EqEq, "qo_instant_eq", "qo_duration_eq"},
        {TokKind::NotEq, "qo_instant_ne", "qo_duration_ne"},
    };
    for (const Names &n : kNames) {
        if (n.op != op) continue;
        if (o.li && o.ri) return call(n.instant);
        if (o.ld && o.rd) return call(n.duration);
    }
    return kNoRule;
}

}  // namespace

TemporalRewrite time_binop(CheckState &state, TokKind op, Facts left, Facts right) {
    Operands o(left, right);
    TemporalRewrite local = local_rules(state, op, o);
    if (local.form != Form::None) return local;
    if (!o.li && !o.ri && !o.ld && !o.rd) return kNoRule;
    switch (op) {
    case TokKind::Plus: return plus_rules(state, o);
    case TokKind::Minus: return minus_rules(state, o);
    case TokKind::Star:
        if (o.ld && o.rint) return call("qo_duration_scale");
        if (o.rd && o.lint) return swapped("qo_duration_scale");
        return kNoRule;
    case TokKind::Slash: return o.ld && o.rint ? call("qo_duration_div") : kNoRule;
    case TokKind::Lt: return less_rules(state, o);
    default: return comparison_rules(op, o);
    }
}

const char *duration_unit_nanos(std::string_view unit) {
    struct Unit {
        const char *word;
        const char *nanos;
    };
    static constexpr Unit kUnits[] = {
        {"nano", "1LL"}, {"nanos", "1LL"},
        {"milli", "1000000LL"}, {"millis", "1000000LL"},
        {"millisecond", "1000000LL"}, {"milliseconds", "1000000LL"},
        {"second", "1000000000LL"}, {"seconds", "1000000000LL"},
        {"minute", "60000000000LL"}, {"minutes", "60000000000LL"},
        {"hour", "3600000000000LL"}, {"hours", "3600000000000LL"},
        {"day", "86400000000000LL"}, {"days", "86400000000000LL"},
    };
    for (const Unit &u : kUnits)
        if (unit == u.word) return u.nanos;
    return "1LL";
}

void time_record_violation(CheckState &state, std::string_view kind, std::string_view message) {
    std::string entry(kind);
    entry += ':';
    entry += message;
    state.time_violations.add(entry);
}

void emit_time_violations(const CheckState &state, std::vector<std::string> &lines) {
    for (std::string_view entry : state.time_violations.entries()) {
        std::size_t colon = entry.find(':');
        std::string_view message = colon == std::string_view::npos ? entry : entry.substr(colon + 1);
        lines.push_back("#error \"temporal type error: " + std::string(message) + "\"");
    }
}

}  // namespace qo
