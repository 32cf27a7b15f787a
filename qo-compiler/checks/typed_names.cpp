// typed_names.cpp -- the typed-name sets and the per-node facts.
#include "checks/typed_names.h"

#include <string>
#include <unordered_map>

namespace qo {

namespace {

constexpr std::array<const char *, kTypedKinds> kTypeNames = {
    "Int", "Instant", "Duration", "Calendar", "CalendarTime",
    "Rhythm", "LocalDate", "LocalTime", "LocalDateTime", "Zone",
};

struct CallRow {
    TypedKind kind;
    std::initializer_list<const char *> callees;
};

// Builtins whose result is known to be an integer or a temporal kind.
const std::unordered_map<std::string_view, Facts> &call_table() {
    static const std::unordered_map<std::string_view, Facts> table = [] {
        const CallRow rows[] = {
            {TypedKind::Int,
             {"str_len", "str_index_of", "str_to_int", "str_char_code", "str_count",
              "str_count_chars", "str_count_bytes", "str_count_lines", "str_count_words",
              "str_count_letters", "str_count_digits", "str_last_index_of", "str_find_chars",
              "native_list_len", "qo_list_len", "len", "json_get_int", "json_array_len",
              "engram_node_count", "engram_edge_count", "time_now", "time_now_utc", "time_diff",
              "time_add", "time_from_parts", "qo_abs", "qo_max", "qo_min", "float_to_int",
              "unix_timestamp", "instant_to_unix_seconds", "instant_to_unix_millis",
              "duration_to_seconds", "duration_to_millis", "duration_to_nanos"}},
            {TypedKind::Instant,
             {"now", "qo_now_instant", "unix_seconds", "unix_millis", "instant_from_iso8601",
              "qo_instant_add_dur", "qo_instant_sub_dur"}},
            {TypedKind::Duration,
             {"qo_duration_from_nanos", "duration_seconds", "duration_millis", "duration_nanos",
              "qo_instant_diff", "qo_duration_add", "qo_duration_sub", "qo_duration_scale",
              "qo_duration_div", "ttl_cache_age"}},
            {TypedKind::Calendar,
             {"earth_calendar", "earth_calendar_default", "mars_calendar", "cycle_calendar",
              "no_cycle_calendar", "relative_calendar"}},
            {TypedKind::CalTime, {"now_in", "in_calendar", "cal_in", "zoned"}},
            {TypedKind::Rhythm,
             {"rhythm_cycle_start", "rhythm_cycle_phase", "rhythm_duration",
              "rhythm_session_start", "rhythm_event", "rhythm_and", "rhythm_or", "rhythm_weekday",
              "rhythm_weekly_at"}},
            {TypedKind::LocalDate, {"local_date", "qo_local_date_add_dur"}},
            {TypedKind::LocalTime, {"local_time", "qo_local_time_add_dur"}},
            {TypedKind::LocalDT, {"local_datetime"}},
            {TypedKind::Zone, {"zone", "zone_utc", "zone_local", "zone_offset"}},
        };
        std::unordered_map<std::string_view, Facts> t;
        for (const CallRow &row : rows)
            for (const char *callee : row.callees) t[callee] |= fact(row.kind);
        return t;
    }();
    return table;
}

bool is_comparison_or_logic(TokKind op) {
    switch (op) {
    case TokKind::EqEq: case TokKind::NotEq: case TokKind::Lt: case TokKind::Gt:
    case TokKind::LtEq: case TokKind::GtEq: case TokKind::And: case TokKind::Or:
        return true;
    default:
        return false;
    }
}

bool is_arithmetic(TokKind op) {
    switch (op) {
    case TokKind::Plus: case TokKind::Minus: case TokKind::Star: case TokKind::Slash:
    case TokKind::Percent:
        return true;
    default:
        return false;
    }
}

Facts instant_facts(TokKind op, bool li, bool ld, bool ri, bool rd) {
    bool instant = (op == TokKind::Plus && ((li && rd) || (ld && ri))) ||
                   (op == TokKind::Minus && li && rd);
    return instant ? fact(TypedKind::Instant) : 0;
}

Facts duration_facts(TokKind op, bool li, bool ld, bool lint, bool ri, bool rd, bool rint) {
    bool duration = (op == TokKind::Plus && ld && rd) ||
                    (op == TokKind::Minus && ((ld && rd) || (li && ri))) ||
                    (op == TokKind::Star && ((ld && rint) || (lint && rd))) ||
                    (op == TokKind::Slash && ld && rint);
    return duration ? fact(TypedKind::Duration) : 0;
}

}  // namespace

const char *type_name(TypedKind kind) { return kTypeNames[static_cast<std::size_t>(kind)]; }

bool kind_of_type(std::string_view name, TypedKind &kind) {
    for (std::size_t i = 0; i < kTypedKinds; ++i) {
        if (name == kTypeNames[i]) {
            kind = static_cast<TypedKind>(i);
            return true;
        }
    }
    return false;
}

void TypedNames::reset() {
    for (CommaList &set : sets_) set.clear();
}

void TypedNames::add_declared(std::string_view type, std::string_view name) {
    TypedKind kind;
    if (kind_of_type(type, kind)) add(kind, name);
}

Facts ident_facts(const TypedNames &names, std::string_view name) {
    Facts facts = 0;
    for (std::size_t i = 0; i < kTypedKinds; ++i) {
        TypedKind kind = static_cast<TypedKind>(i);
        if (names.has(kind, name)) facts |= fact(kind);
    }
    return facts;
}

Facts call_facts(std::string_view callee) {
    const auto &table = call_table();
    auto it = table.find(callee);
    return it == table.end() ? 0 : it->second;
}

Facts neg_facts(Facts inner, bool inner_is_float_literal) {
    Facts facts = inner & (fact(TypedKind::Int) | fact(TypedKind::Duration));
    if (inner_is_float_literal) facts |= kFloatFact;
    return facts;
}

Facts binop_facts(TokKind op, Facts left, Facts right) {
    bool lint = left & fact(TypedKind::Int), rint = right & fact(TypedKind::Int);
    bool li = left & fact(TypedKind::Instant), ri = right & fact(TypedKind::Instant);
    bool ld = left & fact(TypedKind::Duration), rd = right & fact(TypedKind::Duration);
    Facts facts = 0;
    if (is_comparison_or_logic(op) || (is_arithmetic(op) && lint && rint))
        facts |= fact(TypedKind::Int);
    return facts | instant_facts(op, li, ld, ri, rd) | duration_facts(op, li, ld, lint, ri, rd, rint);
}

}  // namespace qo
