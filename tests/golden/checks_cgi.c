#error "Qo: multiple cgi blocks in program (only one allowed)"
#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t pulse(void);

qo_val_t answer;

qo_val_t pulse(void) {
  return tavri_emit(QO_STR("pulse"), 1);
  return 0;
}

int main(int _argc, char** _argv) {
  qo_runtime_init_args(_argc, _argv);
  qo_cgi_init(QO_STR("First"), QO_STR("t-1"), QO_STR("ops"), QO_STR("mesh\"net"), QO_STR("first.engram"));
  answer = llm_call_agentic(QO_STR("m"), QO_STR("s"), QO_STR("p"), qo_list_empty());
  tavri_connect(QO_STR("peer"));
  return 0;
}

