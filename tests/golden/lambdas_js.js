// <runtime header: see empty_js.js>


function apply(f, x) {
  return f(x);
}

function main() {
  let total = 0;
function __lambda_1(x) {
  return (x * 2);
}

  let double = __lambda_1;
function __lambda_2(y) {
  return (y + 1);
}

  println(int_to_str(apply(__lambda_2, 3)));
function __lambda_3(a) {
function __lambda_4(b) {
  return qo_str_concat(a, b);
}

  let inner = __lambda_4;
  return inner(a);
}

  let outer = __lambda_3;
function __lambda_5(s) {
  println(s);
}

  let quiet = __lambda_5;
  let after = qo_str_concat(total, total);
}


main();
