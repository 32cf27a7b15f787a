// <runtime header: see empty_js.js>


function plus(a, b, s, t) {
  let arithmetic = [(a + 1), (2 + t), (a + b), (a + str_len(s)), (str_len(s) + b), (str_len(s) + qo_max(a, b)), ((a * b) + (a - b)), (1.5 + 2.5)];
  let concat = [qo_str_concat(s, "!"), qo_str_concat("x", a), qo_str_concat(s, t), qo_str_concat(s, a), qo_str_concat(f(a), g(b)), qo_str_concat(s, str_len(t))];
}

function equality(a, b, s, t) {
  let eq = [(a === 1), (s === true), (s === null), (a === b), str_eq(s, "x"), str_eq("x", s), (s === t)];
  let ne = [(a !== 0), !str_eq(s, "y"), (s !== t), (a !== b), (null !== s)];
}

function others(a, b) {
  let o = [(a - b), (a * b), (a / b), (a % b), (a < b), (a > b), (a <= b), (a >= b), ((a > 0) && (b > 0)), ((a > 0) || (b > 0)), ((a - b) - 1)];
}

