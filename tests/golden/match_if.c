#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t patterns(qo_val_t v);
qo_val_t numbering(qo_val_t a);
qo_val_t arms(qo_val_t a);

qo_val_t patterns(qo_val_t v) {
  return ({ qo_val_t _match_subj_1 = v; qo_val_t _match_result_1 = 0; { _match_result_1 = (0); goto _match_done_1; } { qo_val_t x = _match_subj_1; _match_result_1 = (x); goto _match_done_1; } if (_match_subj_1 == 3) { _match_result_1 = (QO_STR("three")); goto _match_done_1; } if (str_eq(_match_subj_1, QO_STR("s"))) { _match_result_1 = (QO_STR("ess")); goto _match_done_1; } if (_match_subj_1 == 1) { _match_result_1 = (1); goto _match_done_1; } if (_match_subj_1 == 0) { _match_result_1 = (0); goto _match_done_1; } if (str_eq(_match_subj_1, QO_STR("Red"))) { _match_result_1 = (QO_STR("red")); goto _match_done_1; } _match_done_1:; _match_result_1; });
  return 0;
}

qo_val_t numbering(qo_val_t a) {
  qo_val_t first = ({ qo_val_t _match_subj_3 = ({ qo_val_t _match_subj_2 = a; qo_val_t _match_result_2 = 0; if (_match_subj_2 == 1) { _match_result_2 = (2); goto _match_done_2; } { _match_result_2 = (3); goto _match_done_2; } _match_done_2:; _match_result_2; }); qo_val_t _match_result_3 = 0; if (_match_subj_3 == 2) { _match_result_3 = (QO_STR("two")); goto _match_done_3; } { _match_result_3 = (QO_STR("other")); goto _match_done_3; } _match_done_3:; _match_result_3; });
  qo_val_t second = ({ qo_val_t _if_result_1 = 0; if ((({ qo_val_t _match_subj_4 = a; qo_val_t _match_result_4 = 0; { _match_result_4 = (1); goto _match_done_4; } _match_done_4:; _match_result_4; }) == 1)) { _if_result_1 = (({ qo_val_t _if_result_2 = 0; if ((a == 2)) { _if_result_2 = (QO_STR("x")); } else { _if_result_2 = (QO_STR("y")); } _if_result_2; })); } else { _if_result_1 = (QO_STR("z")); } _if_result_1; });
  return qo_str_concat(first, second);
  return 0;
}

qo_val_t arms(qo_val_t a) {
  qo_val_t r = ({ qo_val_t _if_result_3 = 0; if ((a > 0)) { qo_val_t b = (a * 2); a = b; (void)(println(QO_STR("positive"))); _if_result_3 = ((b + 1)); } else { _if_result_3 = (7); } _if_result_3; });
  qo_val_t no_else = ({ qo_val_t _if_result_4 = 0; if ((a > 100)) { _if_result_4 = (1); } else { } _if_result_4; });
  qo_val_t chain = ({ qo_val_t _if_result_5 = 0; if ((a == 1)) { _if_result_5 = (QO_STR("one")); } else { _if_result_5 = (({ qo_val_t _if_result_6 = 0; if ((a == 2)) { _if_result_6 = (QO_STR("two")); } else { _if_result_6 = (QO_STR("more")); } _if_result_6; })); } _if_result_5; });
  return r;
  return 0;
}

