// <runtime header: see empty_js.js>


function main() {
  let awaited = [await http_get("u"), await http_post("u", "b"), await http_post_json("u", "{}"), await http_get_with_headers("u", "{}"), await http_post_with_headers("u", "b", "{}"), await load("x")];
  let methods = [append(xs, 1), len(xs), get(xs, 1), map_set(m, "k", 2), map_get(m, "k"), "abc".toUpperCase(), "a,b".split(","), obj.reset()];
  let others = [make_adder(1)(2), builder().add(1).add(2), plain(1, "two")];
}

async function load(path) {
  return await http_get(path);
}


main();
