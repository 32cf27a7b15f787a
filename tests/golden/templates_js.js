// <runtime header: see empty_js.js>


function card(title, items, ok) {
  return (() => { let _html_1 = ""; _html_1 += "<div"; _html_1 += " class=\""; _html_1 += "card"; _html_1 += "\""; _html_1 += " id=\""; _html_1 += html_escape(title); _html_1 += "\""; _html_1 += " hidden"; _html_1 += ">"; _html_1 += "<h2"; _html_1 += ">"; _html_1 += html_escape(title); _html_1 += "</h2>"; _html_1 += "<ul"; _html_1 += ">"; { const _html_list_2 = items; const _html_len_2 = qo_list_len(_html_list_2); for (let _html_i_2 = 0; _html_i_2 < _html_len_2; _html_i_2++) { const it = qo_list_get(_html_list_2, _html_i_2); _html_1 += "<li"; _html_1 += ">"; _html_1 += html_escape(it); _html_1 += "</li>"; } } _html_1 += "</ul>"; _html_1 += html_raw(footer()); _html_1 += "<br"; _html_1 += "/>"; _html_1 += "<span"; _html_1 += "/>"; _html_1 += "</div>"; return _html_1; })();
}

function page(rows) {
  let first = (() => { let _html_3 = ""; _html_3 += "<!doctype html>"; _html_3 += "<html"; _html_3 += ">"; _html_3 += "<body"; _html_3 += ">"; _html_3 += "<p"; _html_3 += ">"; _html_3 += "Hi \"you\""; _html_3 += "</p>"; _html_3 += "</body>"; _html_3 += "</html>"; return _html_3; })();
  let second = (() => { let _html_4 = ""; _html_4 += "<table"; _html_4 += ">"; { const _html_list_5 = rows; const _html_len_5 = qo_list_len(_html_list_5); for (let _html_i_5 = 0; _html_i_5 < _html_len_5; _html_i_5++) { const r = qo_list_get(_html_list_5, _html_i_5); _html_4 += "<tr"; _html_4 += ">"; { const _html_list_6 = cells(r); const _html_len_6 = qo_list_len(_html_list_6); for (let _html_i_6 = 0; _html_i_6 < _html_len_6; _html_i_6++) { const c = qo_list_get(_html_list_6, _html_i_6); _html_4 += "<td"; _html_4 += ">"; _html_4 += html_escape(c); _html_4 += "</td>"; } } _html_4 += "</tr>"; } } _html_4 += "</table>"; return _html_4; })();
  return qo_str_concat(first, second);
}

