// capabilities.h -- program kinds, the capability check and the role check.
//
// A program's kind comes from its identity blocks: "service" with a
// `service` block, else "cgi" with a `cgi` block, else "utility". The kind
// limits what the program may call: a utility may not call the network or
// model primitives, a service not the self-formation primitives, a cgi
// program anything. Independently, the two role-restricted primitives
// (tavri_emit, tavri_field) may only be called from `@manager` functions.
#ifndef QO_CHECKS_CAPABILITIES_H
#define QO_CHECKS_CAPABILITIES_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checks/check_state.h"
#include "parser/ast.h"

namespace qo {

// "service" if services >= 1, else "cgi" if cgis >= 1, else "utility".
const char *program_kind_for(int cgi_blocks, int service_blocks);
// The preamble's "#error" lines for conflicting identity blocks, in order.
std::vector<std::string> program_kind_diagnostics(int cgi_blocks, int service_blocks);

// Records kind + ":" + callee when the program's kind may not call callee.
void cap_check_call(CheckState &state, std::string_view callee);
// One "#error" line per recorded capability violation.
void emit_cap_violations(const CheckState &state, std::vector<std::string> &lines);

// True when the body calls tavri_emit or tavri_field (in the places the
// rule searches: see capabilities.cpp). Iterative: bodies may hold
// operator and call chains of any depth.
bool vbd_has_restricted_call(const Block &body);
// The role check of one function: true when it calls a restricted
// primitive without being decorated `@manager`.
bool violates_role(const Block &body, const std::optional<std::string> &decorator);
// The line printed before such a function.
std::string role_violation_line(std::string_view fn_name);

}  // namespace qo

#endif
