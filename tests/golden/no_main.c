#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t helper(qo_val_t s);

qo_val_t helper(qo_val_t s) {
  return llm_call(QO_STR("model"), str_slice(s, 0));
  return 0;
}

