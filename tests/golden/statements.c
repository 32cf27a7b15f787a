#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t scopes(qo_val_t n);
qo_val_t loops(qo_val_t xs, qo_val_t n);
qo_val_t chains(qo_val_t n);
qo_val_t matches(qo_val_t s, qo_val_t n);
qo_val_t classify(qo_val_t n);
qo_val_t errors(void);
qo_val_t risky(void);

qo_val_t scopes(qo_val_t n) {
  qo_val_t x = 1;
  x = 2;
  if (n > 0) {
    qo_val_t y = x;
    x = 3;
  }
  qo_val_t y = 4;
  x = y;
  for (qo_val_t i = 0; i < n; i++) {
    i = (i + 1);
    qo_val_t z = i;
  }
  qo_val_t z = 5;
  return 0;
}

qo_val_t loops(qo_val_t xs, qo_val_t n) {
  while (n > 0) {
    n = (n - 1);
    if (n == 5) {
      break;
    }
    if (n == 7) {
      continue;
    }
  }
  {
    qo_val_t _qo_lst = xs;
    qo_val_t _qo_len = qo_list_len(_qo_lst);
    for (qo_val_t _qo_i = 0; _qo_i < _qo_len; _qo_i++) {
      qo_val_t x = qo_list_get(_qo_lst, _qo_i);
      {
        qo_val_t _qo_lst = x;
        qo_val_t _qo_len = qo_list_len(_qo_lst);
        for (qo_val_t _qo_i = 0; _qo_i < _qo_len; _qo_i++) {
          qo_val_t y = qo_list_get(_qo_lst, _qo_i);
          println(y);
        }
      }
    }
  }
  for (qo_val_t i = 1; i <= n; i++) {
    println(int_to_str(i));
  }
  {
    qo_val_t _qo_lst = xs;
    qo_val_t _qo_len = qo_list_len(_qo_lst);
    for (qo_val_t _qo_i = 0; _qo_i < _qo_len; _qo_i++) {
      qo_val_t x = qo_list_get(_qo_lst, _qo_i);
      x;
    }
  }
  return 0;
}

qo_val_t chains(qo_val_t n) {
  if (n == 1) {
    println(QO_STR("one"));
  } else {
    if (n == 2) {
      println(QO_STR("two"));
    } else {
      if (n == 3) {
        println(QO_STR("three"));
      } else {
        println(QO_STR("many"));
      }
    }
  }
  if (n > 0) {
    println(QO_STR("pos"));
  } else {
  }
  return 0;
}

qo_val_t matches(qo_val_t s, qo_val_t n) {
  {
    qo_val_t _match_subj_1 = s;
    if (str_eq(_match_subj_1, QO_STR("a"))) {
      println(QO_STR("A"));
    } else if (str_eq(_match_subj_1, QO_STR("b"))) {
      println(QO_STR("B"));
    } else {
      println(QO_STR("other"));
    }
  }
  {
    qo_val_t _match_subj_2 = n;
    if (_match_subj_2 == 1) {
      println(QO_STR("one"));
    } else {
      qo_val_t other = _match_subj_2;
      println(int_to_str(other));
    }
    if (_match_subj_2 == 2) {
      println(QO_STR("two"));
    } else if (_match_subj_2 == 1) {
      println(QO_STR("true"));
    } else {
      println(QO_STR("variant"));
    }
  }
  return 0;
}

qo_val_t classify(qo_val_t n) {
  return ({ qo_val_t _match_subj_3 = n; qo_val_t _match_result_3 = 0; if (_match_subj_3 == 1) { _match_result_3 = (QO_STR("one")); goto _match_done_3; } { _match_result_3 = (QO_STR("many")); goto _match_done_3; } _match_done_3:; _match_result_3; });
  return 0;
}

qo_val_t errors(void) {
  /* try (C target: exception handling not supported) */
  qo_val_t a = risky();
  println(a);
  return 0;
  return 0;
}

qo_val_t risky(void) {
  return 41;
  return 0;
}

