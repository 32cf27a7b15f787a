// <runtime header: see empty_js.js>


function f(n, s) {
}

let count = 2;
let label = "n";
println(qo_str_concat(label, int_to_str((count + count))));
let sums = [(n + count), qo_str_concat(s, count), qo_str_concat(n, s)];
