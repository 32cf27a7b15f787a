// check_state.cpp -- the diagnostics trailer, in its fixed order.
#include "checks/check_state.h"

#include "checks/arity.h"
#include "checks/capabilities.h"
#include "checks/temporal.h"

namespace qo {

std::vector<std::string> diagnostics_trailer(const CheckState &state) {
    std::vector<std::string> lines;
    emit_cap_violations(state, lines);
    emit_arity_violations(state, lines);
    emit_time_violations(state, lines);
    return lines;
}

}  // namespace qo
