// temporal.h -- the temporal type rules of binary operators.
//
// Instants and durations are integer nanoseconds in the runtime, so `+`,
// `-`, `*`, `/` and the comparisons on them must become runtime calls
// (qo_instant_add_dur, qo_duration_lt, ...), and meaningless combinations
// (instant + instant, duration + bare integer) must fail the build. The
// rules are tried in a fixed order on the operator and the facts of its
// operands; the first that applies decides. A rejected combination records
// a violation and yields a placeholder text, so the generator still
// completes and the C compilation fails on the trailer's "#error" line.
#ifndef QO_CHECKS_TEMPORAL_H
#define QO_CHECKS_TEMPORAL_H

#include <string>
#include <string_view>
#include <vector>

#include "checks/check_state.h"
#include "checks/typed_names.h"
#include "lexer/token.h"

namespace qo {

struct TemporalRewrite {
    enum class Form {
        None,         // no temporal rule: ordinary operator generation goes on
        Call,         // text + "(" + left + ", " + right + ")"
        SwappedCall,  // text + "(" + right + ", " + left + ")"
        Placeholder,  // text replaces the whole expression
    };
    Form form = Form::None;
    const char *text = "";
};

// Applies the rules to `left op right`, recording a violation when the
// combination is rejected.
TemporalRewrite time_binop(CheckState &state, TokKind op, Facts left, Facts right);

// The nanoseconds of one duration unit as C text ("1000000000LL" for
// "seconds"); "1LL" for a word that is no unit.
const char *duration_unit_nanos(std::string_view unit);

// Appends kind + ":" + message unless already recorded.
void time_record_violation(CheckState &state, std::string_view kind, std::string_view message);
// One "#error \"temporal type error: ...\"" line per recorded violation.
void emit_time_violations(const CheckState &state, std::vector<std::string> &lines);

}  // namespace qo

#endif
