#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t literals(void);
qo_val_t durations(void);
qo_val_t unary(qo_val_t x, qo_val_t y);
qo_val_t access(qo_val_t m, qo_val_t xs, qo_val_t i);
qo_val_t collections(qo_val_t x);
qo_val_t calls(qo_val_t s, qo_val_t d);

qo_val_t literals(void) {
  qo_val_t i = 42;
  qo_val_t f = qo_from_float(1.5);
  qo_val_t s = QO_STR("quote \" backslash \\ newline \n tab \t cr \r");
  qo_val_t u = QO_STR("caf\xc3\xa9");
  qo_val_t t = 1;
  qo_val_t n = 0;
  qo_val_t hexnext = QO_STR("\xc3\xa9""1 \xc3\xa9""a \xc3\xa9G \xc3\xa9");
  qo_val_t nothing = QO_NULL;
  return 0;
}

qo_val_t durations(void) {
  qo_val_t a = qo_duration_from_nanos((qo_val_t)(1LL * 1LL));
  qo_val_t b = qo_duration_from_nanos((qo_val_t)(2LL * 1LL));
  qo_val_t c = qo_duration_from_nanos((qo_val_t)(3LL * 1000000LL));
  qo_val_t d = qo_duration_from_nanos((qo_val_t)(4LL * 1000000LL));
  qo_val_t e = qo_duration_from_nanos((qo_val_t)(5LL * 1000000LL));
  qo_val_t f = qo_duration_from_nanos((qo_val_t)(6LL * 1000000LL));
  qo_val_t g = qo_duration_from_nanos((qo_val_t)(7LL * 1000000000LL));
  qo_val_t h = qo_duration_from_nanos((qo_val_t)(8LL * 1000000000LL));
  qo_val_t i = qo_duration_from_nanos((qo_val_t)(9LL * 60000000000LL));
  qo_val_t j = qo_duration_from_nanos((qo_val_t)(10LL * 60000000000LL));
  qo_val_t k = qo_duration_from_nanos((qo_val_t)(11LL * 3600000000000LL));
  qo_val_t l = qo_duration_from_nanos((qo_val_t)(12LL * 3600000000000LL));
  qo_val_t m = qo_duration_from_nanos((qo_val_t)(13LL * 86400000000000LL));
  qo_val_t n = qo_duration_from_nanos((qo_val_t)(14LL * 86400000000000LL));
  return 0;
}

qo_val_t unary(qo_val_t x, qo_val_t y) {
  qo_val_t a = !x;
  qo_val_t b = (-x);
  qo_val_t c = qo_from_float(-2.5);
  qo_val_t d = (-(x + 1));
  return 0;
}

qo_val_t access(qo_val_t m, qo_val_t xs, qo_val_t i) {
  qo_val_t a = qo_get_field(m, QO_STR("name"));
  qo_val_t b = qo_get_field(m, QO_STR("key"));
  qo_val_t c = qo_list_get(xs, i);
  qo_val_t d = qo_get_field(qo_list_get(xs, 0), QO_STR("field"));
  qo_val_t e = qo_get_field(qo_get_field(m, QO_STR("inner")), QO_STR("deep"));
  qo_val_t f = load();
  return 0;
}

qo_val_t collections(qo_val_t x) {
  qo_val_t a = qo_list_empty();
  qo_val_t b = qo_list_new(3, 1, (-2), x);
  qo_val_t c = qo_map_new(0);
  qo_val_t d = qo_map_new(3, "name", QO_STR("n"), "quoted key", x, "3", qo_list_new(1, x));
  return 0;
}

qo_val_t calls(qo_val_t s, qo_val_t d) {
  println(s);
  trim(s);
  replace(s, QO_STR("a"), QO_STR("b"));
  make_adder(1)(2);
  qo_sleep_duration(d);
  qo_sleep_duration(qo_duration_from_nanos((qo_val_t)(2LL * 1000000000LL)));
  sleep(5);
  qo_from_float(1.25);
  qo_from_float(s);
  qo_val_t f = ;
  return 0;
}

