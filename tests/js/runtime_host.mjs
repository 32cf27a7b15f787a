// qo_runtime.js behaviour that has no C counterpart to compare with: the
// value mapping of json_parse, maps, HTML escaping, bare names, the host
// checks of the browser functions, HTTP through fetch, and the stand-ins.
// Usage: node runtime_host.mjs <qo_runtime.js>; exits non-zero on failure.
import assert from "node:assert/strict";
import { createServer } from "node:http";
import { pathToFileURL } from "node:url";

await import(pathToFileURL(process.argv[2]).href);
const qo = globalThis.__qo;

// json_parse: containers, the lenient endings, and the errors.
assert.deepEqual(qo.json_parse('[1, 2.5, "a", true, null]'), [1, 2.5, "a", true, null]);
assert.deepEqual(qo.json_parse('{"a":1,"b":{"c":[]},"a":2}'), { a: 2, b: { c: [] } });
assert.deepEqual(Object.keys(qo.json_parse('{"b":1,"a":2,"b":3}')), ["b", "a"]);
assert.equal(qo.json_parse('{"a":1,}'), null);
assert.deepEqual(qo.json_parse('{"a":1,'), { a: 1 });
assert.deepEqual(qo.json_parse("[1,2] trailing"), [1, 2]);
assert.deepEqual(qo.json_parse("[ "), []);
assert.equal(qo.json_parse('"x\\u0041y"'), "x?y");
assert.equal(qo.json_parse("1e3"), 1000);
assert.equal(qo.json_parse("-"), 0);
for (const bad of ["+1", "", "   ", "tru", "[1 2]", '{"a" 1}', '"open']) assert.equal(qo.json_parse(bad), null, bad);
assert.equal(qo.json_parse(null), null);
assert.equal(Object.getPrototypeOf(qo.json_parse('{"__proto__":{"x":1}}')), Object.prototype);

// Lists change in place; maps keep the first of repeated keys and refuse
// to touch prototypes.
const xs = [1];
assert.equal(qo.append(xs, 2), xs);
assert.deepEqual(qo.list_push(null, 3), [3]);
assert.deepEqual(qo.qo_list_new(2, "a", "b", "c"), ["a", "b"]);
assert.equal(qo.qo_map_get(qo.qo_map_new(2, "a", 1, "a", 2), "a"), 1);
assert.equal(qo.qo_map_set(null, "k", 1), null);
const m = qo.qo_map_set({}, "__proto__", 5);
assert.equal(qo.qo_get_field(m, "__proto__"), 5);
assert.equal(qo.qo_get_field(m, "toString"), null);
assert.equal({}.polluted, undefined);

// Escaping for templates, and the bare names generated code relies on.
assert.equal(qo.html_escape(`<a href='x'>&"`), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;");
assert.equal(qo.html_escape(null), "");
assert.equal(qo.html_escape(12), "12");
assert.equal(qo.html_raw(null), "");
for (const name of ["html_escape", "html_raw", "str_eq", "qo_assert_fail"]) assert.equal(typeof globalThis[name], "function", name);
assert.equal(typeof globalThis.println, "undefined");  // list names stay off the global object

// Browser functions fail clearly outside a browser; the others work.
assert.throws(() => qo.dom_get_element("app"), /dom_get_element: needs a browser/);
assert.throws(() => qo.local_storage_get("k"), /local_storage_get: needs a browser/);
assert.throws(() => qo.window_location(), /window_location: needs a browser/);
assert.equal(qo.dom_is_null(null), true);
assert.deepEqual(qo.object_keys({ a: 1, b: 2 }), ["a", "b"]);
assert.equal(qo.type_of(null), "null");
assert.equal(qo.instanceof_check([], "Array"), true);
assert.equal(qo.native_js_call("parseInt", ["42"]), 42);
assert.equal(await qo.promise_then(qo.promise_resolve(2), (v) => v * 3), 6);
const started = Date.now();
assert.equal(qo.sleep_ms(-5), 0);
qo.sleep_ms(40);
assert.ok(Date.now() - started >= 35);

// Stand-ins.
assert.equal(qo.llm_call("m", "p"), '{"error":"not built with HAVE_CURL"}');
assert.equal(qo.tavri_connect("x"), 0);
const id = qo.engram_node("Qo compiles to JavaScript", "fact", 0.5);
assert.equal(qo.engram_search("javascript", 5)[0].id, id);
assert.deepEqual(qo.engram_search("", 5), []);
assert.equal(qo.engram_activate("qo", 2)[0].node.id, id);

// HTTP through fetch, against a server on this machine.
const server = createServer((req, res) => {
  let body = "";
  req.on("data", (d) => (body += d));
  req.on("end", () => res.end(`${req.method} ${req.headers["content-type"] ?? "-"} ${body}`));
});
await new Promise((ok) => server.listen(0, "127.0.0.1", ok));
const base = `http://127.0.0.1:${server.address().port}/`;
assert.equal(await qo.http_get(base), "GET - ");
assert.equal(await qo.http_post(base, "a=1"), "POST text/plain;charset=UTF-8 a=1");
assert.equal(await qo.http_post_json(base, '{"k":1}'), 'POST application/json {"k":1}');
server.close();
assert.match(await qo.http_get("http://127.0.0.1:1/"), /^\{"error":".+"\}$/);
console.log("runtime host checks passed");
