#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t ask(qo_val_t q);
qo_val_t ask_again(qo_val_t q);
qo_val_t broadcast(qo_val_t n);
qo_val_t coordinate(void);
qo_val_t decorated(void);
qo_val_t not_searched(qo_val_t n);
qo_val_t counts(qo_val_t s);

qo_val_t ask(qo_val_t q) {
  return llm_call(QO_STR("model"), q);
  return 0;
}

qo_val_t ask_again(qo_val_t q) {
  qo_val_t a = llm_call(QO_STR("model"), q);
  qo_val_t b = llm_call(QO_STR("model"), q);
  return qo_str_concat(a, b);
  return 0;
}

#error "VBD violation: tavri_emit/tavri_field called from non-@manager fn 'broadcast'"
qo_val_t broadcast(qo_val_t n) {
  while (n > 0) {
    tavri_emit(QO_STR("tick"), n);
    n = (n - 1);
  }
  return 0;
}

qo_val_t coordinate(void) {
  return tavri_field(QO_STR("x"));
  return 0;
}

#error "VBD violation: tavri_emit/tavri_field called from non-@manager fn 'decorated'"
qo_val_t decorated(void) {
  return tavri_field(QO_STR("y"));
  return 0;
}

qo_val_t not_searched(qo_val_t n) {
  for (qo_val_t i = 0; i < n; i++) {
    tavri_emit(QO_STR("range"), i);
  }
  if (!(str_eq(tavri_field(QO_STR("z")), QO_STR("")))) {
    __qo_test_fail(__qo_cur_test, ""); __qo_fail++;
  } else { __qo_pass++; }
  return 0;
}

qo_val_t counts(qo_val_t s) {
  qo_val_t a = str_slice(s, 1);
  qo_val_t b = str_slice(s, 1, 2, 3);
  qo_val_t c = str_slice(s);
  qo_val_t d = my_helper(1, 2, 3);
  qo_val_t e = str_slice(s, 1);
  qo_val_t f = str_slice(s, 1);
  qo_val_t g = readline(s);
  return 0;
}

int main(int _argc, char** _argv) {
  qo_runtime_init_args(_argc, _argv);
  println(ask(QO_STR("hi")));
  qo_val_t peers = tavri_peers();
  return 0;
}

#error "capability violation: 'utility' programs may not call 'llm_call' (self-formation primitive - only 'cgi' programs may use it)"
#error "capability violation: 'utility' programs may not call 'tavri_emit' (self-formation primitive - only 'cgi' programs may use it)"
#error "capability violation: 'utility' programs may not call 'tavri_field' (self-formation primitive - only 'cgi' programs may use it)"
#error "capability violation: 'utility' programs may not call 'tavri_peers' (self-formation primitive - only 'cgi' programs may use it)"
#error "arity error: 'str_slice' takes 3 arguments, but called with 2"
#error "arity error: 'str_slice' takes 3 arguments, but called with 4"
#error "arity error: 'str_slice' takes 3 arguments, but called with 1"
#error "arity error: 'readline' takes 0 arguments, but called with 1"
