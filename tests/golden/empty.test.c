#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"


#include <stdio.h>

static int __qo_pass = 0, __qo_fail = 0;
static const char *__qo_cur_test = "(none)";
static void __qo_test_fail(const char *test, const char *msg) {
  fprintf(stderr, "FAIL  %-40s %s\n", test, msg);
}

int main(int _argc, char **_argv) {
  qo_runtime_init_args(_argc, _argv);
  printf("%d passed, %d failed\n", __qo_pass, __qo_fail);
  return __qo_fail < 255 ? __qo_fail : 255;
}
