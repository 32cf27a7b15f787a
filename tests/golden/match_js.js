// <runtime header: see empty_js.js>


function label(status, n, ok) {
  let a = ((_match_subj_1) => { if (_match_subj_1 === 0) return ("zero"); if (_match_subj_1 === 1) return ("one"); return ("many"); return null; })(n);
  let b = ((_match_subj_2) => { if (str_eq(_match_subj_2, "Active")) return ("active"); if (str_eq(_match_subj_2, "x")) return ("ex"); { const other = _match_subj_2; return (qo_str_concat("got ", other)); } return null; })(status);
  let c = ((_match_subj_3) => { if (_match_subj_3 === true) return ("yes"); if (_match_subj_3 === false) return ("no"); return null; })(ok);
  ((_match_subj_4) => { if (_match_subj_4 === 0) return (println("none")); return (println("some")); return null; })(n);
  return ((_match_subj_5) => { if (str_eq(_match_subj_5, "a")) return (1); return null; })(label_of(n));
}

