#include <stdint.h>
#include <stdlib.h>
#include "qo_runtime.h"

qo_val_t card(qo_val_t title, qo_val_t items, qo_val_t ok);
qo_val_t page(qo_val_t body);
qo_val_t pieces(qo_val_t a, qo_val_t b);
qo_val_t nested(qo_val_t groups);
qo_val_t footer(void);
qo_val_t odd_tag(void);

qo_val_t card(qo_val_t title, qo_val_t items, qo_val_t ok) {
  return ({ qo_val_t _html_1 = QO_STR(""); _html_1 = qo_str_concat(_html_1, QO_STR("<div")); _html_1 = qo_str_concat(_html_1, QO_STR(" class=\"")); _html_1 = qo_str_concat(_html_1, QO_STR("card")); _html_1 = qo_str_concat(_html_1, QO_STR("\"")); _html_1 = qo_str_concat(_html_1, QO_STR(" id=\"")); _html_1 = qo_str_concat(_html_1, html_escape(title)); _html_1 = qo_str_concat(_html_1, QO_STR("\"")); _html_1 = qo_str_concat(_html_1, QO_STR(" hidden")); _html_1 = qo_str_concat(_html_1, QO_STR(">")); _html_1 = qo_str_concat(_html_1, QO_STR("<h2")); _html_1 = qo_str_concat(_html_1, QO_STR(">")); _html_1 = qo_str_concat(_html_1, html_escape(title)); _html_1 = qo_str_concat(_html_1, QO_STR("</h2>")); if (ok) { _html_1 = qo_str_concat(_html_1, QO_STR("<p")); _html_1 = qo_str_concat(_html_1, QO_STR(">")); _html_1 = qo_str_concat(_html_1, QO_STR("All good.")); _html_1 = qo_str_concat(_html_1, QO_STR("</p>"));  } else { _html_1 = qo_str_concat(_html_1, QO_STR("<p")); _html_1 = qo_str_concat(_html_1, QO_STR(">")); _html_1 = qo_str_concat(_html_1, QO_STR("Check the list.")); _html_1 = qo_str_concat(_html_1, QO_STR("</p>"));  } _html_1 = qo_str_concat(_html_1, QO_STR("<ul")); _html_1 = qo_str_concat(_html_1, QO_STR(">")); { qo_val_t _html_list_2 = (items); qo_val_t _html_len_2 = qo_list_len(_html_list_2); for (qo_val_t _html_i_2 = 0; _html_i_2 < _html_len_2; _html_i_2++) { qo_val_t it = qo_list_get(_html_list_2, _html_i_2); _html_1 = qo_str_concat(_html_1, QO_STR("<li")); _html_1 = qo_str_concat(_html_1, QO_STR(">")); _html_1 = qo_str_concat(_html_1, html_escape(it)); _html_1 = qo_str_concat(_html_1, QO_STR("</li>")); } } _html_1 = qo_str_concat(_html_1, QO_STR("</ul>")); _html_1 = qo_str_concat(_html_1, html_raw(footer())); _html_1 = qo_str_concat(_html_1, QO_STR("<br")); _html_1 = qo_str_concat(_html_1, QO_STR("/>")); _html_1 = qo_str_concat(_html_1, QO_STR("<img")); _html_1 = qo_str_concat(_html_1, QO_STR(" src=\"")); _html_1 = qo_str_concat(_html_1, QO_STR("a.png")); _html_1 = qo_str_concat(_html_1, QO_STR("\"")); _html_1 = qo_str_concat(_html_1, QO_STR("/>")); _html_1 = qo_str_concat(_html_1, QO_STR("</div>")); _html_1; });
  return 0;
}

qo_val_t page(qo_val_t body) {
  return ({ qo_val_t _html_3 = QO_STR(""); _html_3 = qo_str_concat(_html_3, QO_STR("<!doctype html>")); _html_3 = qo_str_concat(_html_3, QO_STR("<html")); _html_3 = qo_str_concat(_html_3, QO_STR(">")); _html_3 = qo_str_concat(_html_3, QO_STR("<body")); _html_3 = qo_str_concat(_html_3, QO_STR(">")); if (str_eq(body, QO_STR(""))) { _html_3 = qo_str_concat(_html_3, QO_STR("<p")); _html_3 = qo_str_concat(_html_3, QO_STR(">")); _html_3 = qo_str_concat(_html_3, QO_STR("empty")); _html_3 = qo_str_concat(_html_3, QO_STR("</p>"));  } else {  } _html_3 = qo_str_concat(_html_3, html_escape(body)); _html_3 = qo_str_concat(_html_3, QO_STR("</body>")); _html_3 = qo_str_concat(_html_3, QO_STR("</html>")); _html_3; });
  return 0;
}

qo_val_t pieces(qo_val_t a, qo_val_t b) {
  return qo_str_concat(qo_str_concat(a, QO_STR(" and ")), b);
  return 0;
}

qo_val_t nested(qo_val_t groups) {
  return ({ qo_val_t _html_4 = QO_STR(""); _html_4 = qo_str_concat(_html_4, QO_STR("<section")); _html_4 = qo_str_concat(_html_4, QO_STR(">")); { qo_val_t _html_list_5 = (groups); qo_val_t _html_len_5 = qo_list_len(_html_list_5); for (qo_val_t _html_i_5 = 0; _html_i_5 < _html_len_5; _html_i_5++) { qo_val_t g = qo_list_get(_html_list_5, _html_i_5); _html_4 = qo_str_concat(_html_4, QO_STR("<ul")); _html_4 = qo_str_concat(_html_4, QO_STR(">")); { qo_val_t _html_list_6 = (g); qo_val_t _html_len_6 = qo_list_len(_html_list_6); for (qo_val_t _html_i_6 = 0; _html_i_6 < _html_len_6; _html_i_6++) { qo_val_t x = qo_list_get(_html_list_6, _html_i_6); _html_4 = qo_str_concat(_html_4, QO_STR("<li")); _html_4 = qo_str_concat(_html_4, QO_STR(">")); _html_4 = qo_str_concat(_html_4, html_escape(x)); _html_4 = qo_str_concat(_html_4, QO_STR("</li>")); } } _html_4 = qo_str_concat(_html_4, QO_STR("</ul>")); } } _html_4 = qo_str_concat(_html_4, QO_STR("</section>")); _html_4; });
  return 0;
}

qo_val_t footer(void) {
  return QO_STR("<small>ok</small>");
  return 0;
}

qo_val_t odd_tag(void) {
  return ({ qo_val_t _html_7 = QO_STR(""); _html_7 = qo_str_concat(_html_7, QO_STR("<p")); _html_7 = qo_str_concat(_html_7, QO_STR(">")); _html_7 = qo_str_concat(_html_7, QO_STR("<x\"y")); _html_7 = qo_str_concat(_html_7, QO_STR("/>")); _html_7 = qo_str_concat(_html_7, QO_STR("</p>")); _html_7; });
  return 0;
}

