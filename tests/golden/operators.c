#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t concat(qo_val_t a, qo_val_t b, qo_val_t s);
qo_val_t integers(qo_val_t i, qo_val_t j, qo_val_t k);
qo_val_t equality(qo_val_t i, qo_val_t j, qo_val_t k, qo_val_t l);
qo_val_t others(qo_val_t a, qo_val_t b);
qo_val_t name(void);
qo_val_t f1(void);
qo_val_t f2(void);

qo_val_t concat(qo_val_t a, qo_val_t b, qo_val_t s) {
  qo_val_t x = qo_str_concat(a, QO_STR("lit"));
  qo_val_t y = qo_str_concat(QO_STR("lit"), a);
  qo_val_t z = qo_str_concat(a, b);
  qo_val_t w = qo_str_concat(name(), qo_from_float(1.5));
  qo_val_t v = qo_str_concat(qo_str_concat(a, b), qo_from_float(1.5));
  qo_val_t u = (qo_list_new(1, 1) + qo_list_new(1, 2));
  qo_val_t t = qo_str_concat(s, s);
  return 0;
}

qo_val_t integers(qo_val_t i, qo_val_t j, qo_val_t k) {
  qo_val_t a = (i + j);
  qo_val_t b = qo_str_concat(i, k);
  qo_val_t c = (k + 1);
  qo_val_t d = (2 + k);
  qo_val_t e = (i - k);
  qo_val_t f = (((i * j) / 2) % 3);
  qo_val_t g = (str_len(k) + len(k));
  qo_val_t h = ((i + j) + (i * j));
  qo_val_t m = ((-i) + j);
  qo_val_t n = (!k + i);
  qo_val_t o = 7;
  qo_val_t p = qo_str_concat(o, k);
  qo_val_t q = k;
  qo_val_t r = qo_str_concat(q, k);
  return 0;
}

qo_val_t equality(qo_val_t i, qo_val_t j, qo_val_t k, qo_val_t l) {
  qo_val_t a = str_eq(k, QO_STR("y"));
  qo_val_t b = !str_eq(QO_STR("y"), k);
  qo_val_t c = (k != 0);
  qo_val_t d = (k == 1);
  qo_val_t e = (i == j);
  qo_val_t f = str_eq(k, l);
  qo_val_t g = !str_eq(k, l);
  qo_val_t h = str_eq(f1(), f2());
  qo_val_t m = (k == qo_from_float(1.5));
  qo_val_t n = (k == qo_from_float(-2.5));
  qo_val_t o = (qo_list_new(1, 1) == qo_list_new(1, 2));
  qo_val_t p = str_eq(k, QO_NULL);
  qo_val_t q = ((i + j) == (i * j));
  qo_val_t r = ((k < l) == (k > l));
  return 0;
}

qo_val_t others(qo_val_t a, qo_val_t b) {
  qo_val_t c = (a < b);
  qo_val_t d = (((a >= b) && (a <= b)) || (a > b));
  while (a < 3) {
    a = (a + 1);
  }
  while (qo_str_concat(a, b)) {
    break;
  }
  while (-a) {
    continue;
  }
  if ((a == 1) && (b == 2)) {
    println(QO_STR("both"));
  }
  return 0;
}

qo_val_t name(void) {
  return QO_STR("n");
  return 0;
}

qo_val_t f1(void) {
  return 1;
  return 0;
}

qo_val_t f2(void) {
  return 2;
  return 0;
}

