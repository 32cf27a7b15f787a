// check_state.h -- the static checks' per-compilation state.
//
// The checks run inside C generation: the generator classifies operands
// with the typed-name sets and calls the checks for every operator and
// every call of a plain identifier; the checks record what they find in
// three comma-framed violation lists (each entry once, in order of first
// occurrence), which the generator prints as "#error" lines after `main`,
// so the C compilation of a faulty program fails with the message while
// the generator itself always completes. One CheckState lives in the
// compilation's Context (ctx.ext<CheckState>()).
#ifndef QO_CHECKS_CHECK_STATE_H
#define QO_CHECKS_CHECK_STATE_H

#include <string>
#include <vector>

#include "checks/comma_list.h"
#include "checks/typed_names.h"

namespace qo {

struct CheckState {
    // "cgi", "service" or "utility".
    std::string program_kind = "utility";
    // Entries kind + ":" + callee.
    CommaList cap_violations;
    // Entries callee + "|" + expected + "|" + actual.
    CommaList arity_violations;
    // Entries kind + ":" + message.
    CommaList time_violations;
    // Per function: the integer and temporal names.
    TypedNames typed;
};

// The "#error" lines of the diagnostics trailer, without line ends:
// capability violations, then arity, then temporal ones.
std::vector<std::string> diagnostics_trailer(const CheckState &state);

}  // namespace qo

#endif
