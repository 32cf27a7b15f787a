// arity.h -- argument counts of the runtime's builtins.
//
// A call of a builtin by its plain name must pass exactly the number of
// arguments the builtin takes; the table lists 271 names. User functions
// and unknown names are never checked (arity -1).
#ifndef QO_CHECKS_ARITY_H
#define QO_CHECKS_ARITY_H

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checks/check_state.h"

namespace qo {

// The argument count of a builtin, or -1 for any other name.
int builtin_arity(std::string_view name);
// Every builtin name with its argument count, in no particular order.
std::vector<std::pair<std::string_view, int>> builtin_arities();
// Records name + "|" + expected + "|" + actual when the count differs.
void arity_check_call(CheckState &state, std::string_view callee, std::size_t arg_count);
// One "#error" line per recorded arity violation.
void emit_arity_violations(const CheckState &state, std::vector<std::string> &lines);

}  // namespace qo

#endif
