#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t add(qo_val_t a, qo_val_t b);
qo_val_t twice(qo_val_t x);

qo_val_t limit;

#include <stdio.h>

static int __qo_pass = 0, __qo_fail = 0;
static const char *__qo_cur_test = "(none)";
static void __qo_test_fail(const char *test, const char *msg) {
  fprintf(stderr, "FAIL  %-40s %s\n", test, msg);
}

qo_val_t add(qo_val_t a, qo_val_t b) {
  return (a + b);
  return 0;
}

static void __qo_test_addition_works(void) {
  __qo_cur_test = "addition works";
  if (!((add(1, 2) == 3))) {
    __qo_test_fail(__qo_cur_test, ""); __qo_fail++;
  } else { __qo_pass++; }
  if (!((add((-1), 1) == 0))) {
    __qo_test_fail(__qo_cur_test, "inverse"); __qo_fail++;
  } else { __qo_pass++; }
  qo_val_t msg = qo_str_concat(QO_STR("computed "), QO_STR("message"));
  if (!((add(2, 2) == 5))) {
    __qo_test_fail(__qo_cur_test, QO_STR_PTR(msg)); __qo_fail++;
  } else { __qo_pass++; }
}

qo_val_t twice(qo_val_t x) {
  return (x * 2);
  return 0;
}

static void __qo_test_unnamed(void) {
  __qo_cur_test = "unnamed";
  qo_val_t x = twice(2);
  if (!((x == 4))) {
    __qo_test_fail(__qo_cur_test, ""); __qo_fail++;
  } else { __qo_pass++; }
  for (qo_val_t i = 0; i < limit; i++) {
    if (!((i < limit))) {
      __qo_test_fail(__qo_cur_test, "in range"); __qo_fail++;
    } else { __qo_pass++; }
  }
}

static void __qo_test___n__code_and_punct(void) {
  __qo_cur_test = "\xc3\xbcn\xc3\xaf""code/and-punct";
  if (!(1)) {
    __qo_test_fail(__qo_cur_test, ""); __qo_fail++;
  } else { __qo_pass++; }
}

int main(int _argc, char **_argv) {
  qo_runtime_init_args(_argc, _argv);
  __qo_test_addition_works();
  __qo_test_unnamed();
  __qo_test___n__code_and_punct();
  printf("%d passed, %d failed\n", __qo_pass, __qo_fail);
  return __qo_fail < 255 ? __qo_fail : 255;
}
