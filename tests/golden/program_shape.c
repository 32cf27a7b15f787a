#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t c_hash(qo_val_t s);
qo_val_t last_value(qo_val_t a);
qo_val_t explicit(qo_val_t a);
qo_val_t nothing(void);
qo_val_t ends_with_if(qo_val_t x);
qo_val_t bare_return(void);

qo_val_t counter;
qo_val_t greeting;
qo_val_t total;

qo_val_t last_value(qo_val_t a) {
  qo_val_t b = (a * 2);
  return (b + 1);
  return 0;
}

qo_val_t explicit(qo_val_t a) {
  return a;
  return 0;
}

qo_val_t nothing(void) {
  println(QO_STR("side effect"));
  return 0;
}

qo_val_t ends_with_if(qo_val_t x) {
  if (x > 0) {
    println(QO_STR("pos"));
  }
  return 0;
}

qo_val_t bare_return(void) {
  return 0;
  return 0;
}

int main(int _argc, char** _argv) {
  qo_runtime_init_args(_argc, _argv);
  qo_cgi_init(QO_STR("Scout"), QO_STR("scout-7"), QO_NULL, QO_STR("mesh"), QO_NULL);
  counter = 0;
  greeting = QO_STR("hi");
  total = c_hash(QO_STR("abc"));
  counter = (counter + 1);
  println(greeting);
  qo_val_t local = counter;
  local = local;
  return 0;
}

