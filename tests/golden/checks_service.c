#error "Qo: multiple cgi blocks in program (only one allowed)"
#error "Qo: multiple service blocks in program (only one allowed)"
#error "Qo: program declares both cgi and service blocks (mutually exclusive - pick one)"
#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"


int main(int _argc, char** _argv) {
  qo_runtime_init_args(_argc, _argv);
  qo_cgi_init(QO_STR("Scout"), QO_NULL, QO_NULL, QO_NULL, QO_STR("scout.engram"));
  qo_val_t a = llm_call(QO_STR("m"), QO_STR("p"));
  qo_val_t b = llm_call_agentic(QO_STR("m"), QO_STR("s"), QO_STR("p"), qo_list_empty());
  qo_val_t c = llm_register_tool(QO_STR("t"), QO_STR("f"));
  qo_val_t d = tavri_connect(QO_STR("peer"));
  return 0;
}

#error "capability violation: 'service' programs may not call 'llm_call_agentic' (self-formation primitive - only 'cgi' programs may use it)"
#error "capability violation: 'service' programs may not call 'llm_register_tool' (self-formation primitive - only 'cgi' programs may use it)"
