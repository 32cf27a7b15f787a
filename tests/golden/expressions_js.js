// <runtime header: see empty_js.js>


function literals(x, ok) {
  let lits = [42, 7, 2.50, "say \"hi\"\n\tpath\\x", true, false, null, x];
  let durations = [(3 * 1), (4 * 1000000), (5 * 1000000000), (6 * 60000000000), (7 * 3600000000000), (8 * 86400000000000), (1 * 1000000), (2 * 1000000000), (9 * 60000000000)];
  let unary = [!ok, (-x), (-(x + 1))];
  return null;
}

function access(conf, xs, key) {
  let got = [conf["port"], qo_list_get(xs, 0), qo_get_field(conf, "name"), qo_list_get(conf, key), conf["a"]["b"]["c"], (conf)?.["port"] ?? null, (xs)?.[2] ?? null, conf];
}

function containers(a, xs) {
  let values = [[], [1, a, "three"], {}, {"name": "x", "quoted key": a, "3": [a]}];
  let choice = ((a > 1) ? 1 : 0);
  let looped = null;
}

