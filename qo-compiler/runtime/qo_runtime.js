// qo_runtime.js -- the runtime of Qo programs compiled with --target=js.
//
// Two ways in. Imported as an ES module (module mode), it installs every
// function on globalThis.__qo, where generated code takes them from.
// Inlined by `qoc --bundle`, the text up to the export block at the end
// runs inside the program's own function, so the same functions are plain
// names in that scope. Either way html_escape, html_raw, str_eq and
// qo_assert_fail are also reachable by bare name: the few names generated
// code calls without declaring are installed on globalThis when nothing
// else already uses them. Nothing before the export block may be an
// import or export statement.
//
// Values. Int and Float are JavaScript numbers, String a string, Bool a
// boolean, nil null, List an Array, Map a plain object. Where the C
// runtime answers with the word 0 for "nothing" (a missing list element or
// map entry), this runtime answers null; truth results are booleans;
// counts, offsets and codes stay numbers. A word the C runtime cannot read
// as text (a number, nil) reads as "" wherever it expects text, so string
// functions give the C results for the same inputs. Lengths, offsets and
// slices count UTF-8 bytes, as in C; text is decoded back with U+FFFD for
// a cut character.
//
// Lists and maps change in place and are returned, as the C functions do
// for an unshared container; qo_retain and qo_release have nothing to
// count. Outgoing HTTP uses fetch and returns a Promise (generated code
// awaits it). Browser functions (dom_*, window_*, local_storage_*) throw
// an Error naming themselves when there is no browser. The cgi network
// primitives, the engram and the language-model calls are stand-ins.

"use strict";

// ---- values ----

const _utf8 = new TextEncoder();
const _unutf8 = new TextDecoder();
const _ascii = /^[\x00-\x7f]*$/;

function _isStr(v) { return typeof v === "string"; }
function _text(v) { return typeof v === "string" ? v : ""; }
function _isNil(v) { return v === null || v === undefined; }
function _isMap(v) { return v !== null && typeof v === "object" && !Array.isArray(v); }
function _zero(v) { return _isNil(v) || v === 0 || v === false; }
function _int(v) {
  if (typeof v === "number") return Number.isFinite(v) ? Math.trunc(v) : 0;
  return v === true ? 1 : 0;
}
// The text a value prints as.
function _show(v) {
  if (_isNil(v)) return "";
  if (typeof v === "string") return v;
  if (typeof v === "number" || typeof v === "boolean") return String(v);
  try { return JSON.stringify(v) ?? String(v); } catch (e) { return String(v); }
}
function _bytes(s) { return _utf8.encode(s); }
function _fromBytes(b) { return _unutf8.decode(b); }
function _own(m, k) { return Object.prototype.hasOwnProperty.call(m, k); }
function _put(m, k, v) {
  if (k === "__proto__") Object.defineProperty(m, k, { value: v, writable: true, enumerable: true, configurable: true });
  else m[k] = v;
}

// ---- the host ----

const _inNode = typeof process !== "undefined" && !!(process.versions && process.versions.node);
function _nodeModule(name) {
  if (!_inNode) return null;
  if (typeof process.getBuiltinModule === "function") return process.getBuiltinModule(name);
  return typeof require === "function" ? require(name) : null;
}
// A closed pipe ends the program quietly, as SIGPIPE ends a C one.
if (_inNode) process.stdout.on("error", (e) => { if (e.code === "EPIPE") process.exit(0); throw e; });
function _needNode(fn) {
  const fs = _nodeModule("fs");
  if (!fs) throw new Error(fn + ": needs Node.js (no file system here)");
  return fs;
}
function _needBrowser(fn) {
  if (typeof document === "undefined" || typeof window === "undefined")
    throw new Error(fn + ": needs a browser (no document here)");
  return document;
}

// ---- console ----

let _pending = "";  // browser: print() text waiting for the end of its line

function _write(text) {
  if (_inNode) process.stdout.write(text);
  else _pending += text;
}
function println(s) {
  if (_inNode) process.stdout.write(_show(s) + "\n");
  else { console.log(_pending + _show(s)); _pending = ""; }
  return 0;
}
function print(s) { if (!_isNil(s)) _write(_show(s)); return 0; }
function console_log(v) { console.log(v); return 0; }

let _assertFailures = 0;
function qo_assert_fail(msg) {
  _assertFailures++;
  console.error("FAIL  " + "(none)".padEnd(40) + " " + _show(msg));
  if (_inNode) process.exitCode = _assertFailures;
  return 0;
}

// ---- strings (byte offsets, as in C) ----

function str_eq(a, b) {
  if (_isNil(a) || _isNil(b)) return _isNil(a) && _isNil(b);
  return a === b;
}
function qo_str_concat(a, b) { return _text(a) + _text(b); }
function str_concat(a, b) { return qo_str_concat(a, b); }
function str_starts_with(s, p) { return _isStr(s) && _isStr(p) && s.startsWith(p); }
function str_ends_with(s, p) { return _isStr(s) && _isStr(p) && s.endsWith(p); }
function str_contains(s, n) { return _isStr(s) && _isStr(n) && s.includes(n); }
function str_len(s) {
  const t = _text(s);
  return _ascii.test(t) ? t.length : _bytes(t).length;
}
function str_index_of(s, n) {
  if (!_isStr(s) || !_isStr(n)) return -1;
  const at = s.indexOf(n);
  return at <= 0 || _ascii.test(s) ? at : _bytes(s.slice(0, at)).length;
}
function str_slice(s, start, end) {
  const t = _text(s);
  const ascii = _ascii.test(t), b = ascii ? null : _bytes(t);
  const len = ascii ? t.length : b.length;
  const from = Math.max(0, _int(start)), to = Math.min(len, _int(end));
  if (from >= to) return "";
  return ascii ? t.slice(from, to) : _fromBytes(b.subarray(from, to));
}
function _byteAt(s, i) {
  const t = _text(s);
  const n = _int(i);
  if (n < 0) return -1;
  if (_ascii.test(t)) return n < t.length ? t.charCodeAt(n) : -1;
  const b = _bytes(t);
  return n < b.length ? b[n] : -1;
}
function str_char_at(s, i) {
  const c = _byteAt(s, i);
  return c < 0 ? "" : _fromBytes(Uint8Array.of(c));
}
function str_char_code(s, i) { return Math.max(0, _byteAt(s, i)); }
function str_replace(s, old, repl) {
  if (!_isStr(s)) return "";
  if (!_isStr(old) || old === "" || !_isStr(repl)) return s;
  return s.split(old).join(repl);
}
function str_to_upper(s) { return _text(s).replace(/[a-z]+/g, (m) => m.toUpperCase()); }
function str_to_lower(s) { return _text(s).replace(/[A-Z]+/g, (m) => m.toLowerCase()); }
function str_upper(s) { return str_to_upper(s); }
function str_lower(s) { return str_to_lower(s); }
function str_trim(s) { return _text(s).replace(/^[ \t\n\v\f\r]+|[ \t\n\v\f\r]+$/g, ""); }
function str_split(s, sep) {
  if (!_isStr(s)) return [];
  if (!_isStr(sep) || sep === "") return [s];
  return s.split(sep);
}
function native_string_chars(s) {
  const t = _text(s);
  if (_ascii.test(t)) return t.split("");
  return Array.from(_bytes(t), (c) => _fromBytes(Uint8Array.of(c)));
}

// ---- conversions and numbers ----

const _INT_MAX = 9223372036854775807;
function int_to_str(n) { return String(_int(n)); }
function native_int_to_str(n) { return int_to_str(n); }
// C strtoll in base 10: white space, a sign, digits; saturates.
function str_to_int(s) {
  const m = /^[ \t\n\v\f\r]*([+-]?)(\d+)/.exec(_text(s));
  if (!m) return 0;
  const n = Number(m[2]);
  const v = n > _INT_MAX ? _INT_MAX : n;
  return m[1] === "-" ? -v : v;
}
function bool_to_str(v) { return _zero(v) ? "false" : "true"; }
function qo_abs(n) { return Math.abs(_int(n)); }
function qo_max(a, b) { return Math.max(_int(a), _int(b)); }
function qo_min(a, b) { return Math.min(_int(a), _int(b)); }

// ---- lists ----

function qo_list_empty() { return []; }
function native_list_empty() { return []; }
function qo_list_new(count, ...items) { return items.slice(0, Math.max(0, _int(count))); }
function qo_list_len(l) { return Array.isArray(l) ? l.length : 0; }
function qo_list_get(l, i) {
  const n = _int(i);
  return Array.isArray(l) && n >= 0 && n < l.length ? l[n] : null;
}
function qo_list_append(l, v) {
  if (!Array.isArray(l)) return [v];
  l.push(v);
  return l;
}
function qo_list_clone(l) { return Array.isArray(l) ? l.slice() : []; }
function list_push(l, v) { return qo_list_append(l, v); }
function list_range(a, b) {
  const out = [];
  for (let i = _int(a); i < _int(b); i++) out.push(i);
  return out;
}
// nil, 0 and false add nothing (they are the C word 0); true is 1.
function _joinPiece(v) {
  if (_zero(v)) return "";
  if (v === true) return "1";
  return _show(v);
}
function list_join(l, sep) {
  if (!Array.isArray(l)) return "";
  return l.map(_joinPiece).join(_text(sep));
}
function append(l, v) { return qo_list_append(l, v); }
function len(l) { return qo_list_len(l); }
function get(l, i) { return qo_list_get(l, i); }
function native_list_get(l, i) { return qo_list_get(l, i); }
function native_list_len(l) { return qo_list_len(l); }
function native_list_append(l, v) { return qo_list_append(l, v); }
function native_list_clone(l) { return qo_list_clone(l); }

// ---- maps ----

// A repeated key keeps its first value, as lookups in C see the first entry.
function qo_map_new(count, ...pairs) {
  const m = {};
  const n = Math.max(0, _int(count));
  for (let i = 0; i < n && 2 * i < pairs.length; i++) {
    const k = pairs[2 * i];
    if (_isStr(k) && !_own(m, k)) _put(m, k, pairs[2 * i + 1] ?? null);
  }
  return m;
}
function qo_map_get(m, key) { return _isMap(m) && _isStr(key) && _own(m, key) ? m[key] : null; }
function qo_get_field(m, name) { return qo_map_get(m, name); }
function qo_map_set(m, key, v) {
  if (!_isMap(m)) return null;
  if (_isStr(key)) _put(m, key, v);
  return m;
}
function map_get(m, key) { return qo_map_get(m, key); }
function map_set(m, key, v) { return qo_map_set(m, key, v); }
function qo_retain(v) { return v; }
function qo_release(v) { return 0; }

// ---- JSON text access (no tree is built) ----

const _WS = " \t\n\r";
function _ws(t, p) { while (p < t.length && _WS.includes(t[p])) p++; return p; }
function _skipString(t, p) {  // p at the opening quote; returns after the closing one
  for (p++; p < t.length; p++) {
    if (t[p] === "\\") p++;
    else if (t[p] === '"') return p + 1;
  }
  return t.length;
}
function json_skip_value(t, p) {
  p = _ws(t, p);
  if (p >= t.length) return p;
  const c = t[p];
  if (c === '"') return _skipString(t, p);
  if (c === "[" || c === "{") {
    const close = c === "[" ? "]" : "}";
    let depth = 0;
    while (p < t.length) {
      if (t[p] === '"') { p = _skipString(t, p); continue; }
      if (t[p] === c) depth++;
      else if (t[p] === close && --depth === 0) return p + 1;
      p++;
    }
    return p;
  }
  while (p < t.length && !",]}".includes(t[p]) && !_WS.includes(t[p])) p++;
  return p;
}
// Position of the value of key among the members at depth 1 from `from`, or -1.
function json_find_key(t, key, from = 0) {
  if (!_isStr(t) || !_isStr(key) || t === "") return -1;
  let depth = 0;
  for (let p = from; p < t.length;) {
    const c = t[p];
    if (c === '"') {
      const end = _skipString(t, p);
      if (depth === 1 && t.slice(p + 1, end - 1) === key && t[end - 1] === '"') {
        const colon = _ws(t, end);
        if (t[colon] === ":") return _ws(t, colon + 1);
      }
      p = end;
      continue;
    }
    if (c === "[" || c === "{") depth++;
    else if (c === "]" || c === "}") depth--;
    p++;
  }
  return -1;
}
// The lenient decoder of json_read_value: \b gives "b", \u00e9 gives "u00e9".
function _readValue(t, p) {
  p = _ws(t, p);
  if (t[p] !== '"') return t.slice(p, json_skip_value(t, p)).replace(/[ \t\n\r]+$/, "");
  let out = "";
  for (p++; p < t.length && t[p] !== '"'; p++) {
    if (t[p] === "\\" && p + 1 < t.length) {
      const e = t[++p];
      out += e === "n" ? "\n" : e === "r" ? "\r" : e === "t" ? "\t" : e;
    } else out += t[p];
  }
  return out;
}
// jp_parse_string_raw: \uXXXX becomes "?"; null when p is not at a string
// or the string is unterminated.
function _parseString(t, at) {
  let p = at.p;
  if (t[p] !== '"') return null;
  let out = "";
  for (p++; p < t.length; p++) {
    const c = t[p];
    if (c === '"') { at.p = p + 1; return out; }
    if (c !== "\\") { out += c; continue; }
    if (++p >= t.length) break;
    const e = t[p];
    if (e === "u") { out += "?"; p += Math.min(4, t.length - p - 1); continue; }
    out += { b: "\b", f: "\f", n: "\n", r: "\r", t: "\t" }[e] ?? e;
  }
  at.p = t.length;
  return null;
}
function json_get(text, path) {
  if (!_isStr(text) || !_isStr(path)) return "";
  if (!path.includes(".")) {
    const at = text.indexOf('"' + path + '":');
    return at < 0 ? "" : _readValue(text, at + path.length + 3);
  }
  let p = _ws(text, 0);
  for (const seg of path.split(".")) {
    p = _ws(text, p);
    if (text[p] === "{") {
      p = json_find_key(text, seg, p);
      if (p < 0) return "";
    } else if (text[p] === "[") {
      if (!/^[0-9]+$/.test(seg)) return "";
      p = _ws(text, p + 1);
      for (let k = Number(seg); k > 0; k--) {
        if (p >= text.length || text[p] === "]") return "";
        p = _ws(text, json_skip_value(text, p));
        if (text[p] !== ",") return "";
        p = _ws(text, p + 1);
      }
    } else return "";
  }
  return _readValue(text, p);
}
function json_get_string(text, key) {
  const p = json_find_key(text, key);
  if (p < 0) return "";
  return _parseString(text, { p }) ?? "";
}
function json_get_int(text, key) {
  const p = json_find_key(text, key);
  if (p < 0 || '[{"'.includes(text[p])) return 0;
  return str_to_int(text.slice(p, p + 64));
}

// ---- JSON parsing and stringifying ----

function _parseValue(t, at) {
  at.p = _ws(t, at.p);
  const c = t[at.p];
  if (c === undefined) { at.err = true; return null; }
  if (c === '"') {
    const s = _parseString(t, at);
    if (s === null) at.err = true;
    return s ?? "";
  }
  if (c === "{" || c === "[") return _parseContainer(t, at, c === "{");
  if (c === "-" || (c >= "0" && c <= "9")) {
    const m = /^-?[0-9]*(\.[0-9]*)?([eE][+-]?[0-9]*)?/.exec(t.slice(at.p, at.p + 400));
    at.p += m[0].length;
    const lit = m[0].slice(0, 63);
    return m[1] !== undefined || m[2] !== undefined ? parseFloat(lit) || 0 : str_to_int(lit);
  }
  for (const [word, value] of [["true", true], ["false", false], ["null", null]]) {
    if (c === word[0]) {
      if (t.startsWith(word, at.p)) { at.p += word.length; return value; }
      break;
    }
  }
  at.err = true;
  return null;
}
function _parseContainer(t, at, isMap) {
  const close = isMap ? "}" : "]";
  const out = isMap ? {} : [];
  at.p = _ws(t, at.p + 1);
  if (at.p >= t.length) return out;
  if (t[at.p] === close) { at.p++; return out; }
  for (;;) {
    at.p = _ws(t, at.p);
    let key = null;
    if (isMap) {
      key = _parseString(t, at);
      at.p = _ws(t, at.p);
      if (key === null || t[at.p] !== ":") { at.err = true; return out; }
      at.p = _ws(t, at.p + 1);
    }
    const v = _parseValue(t, at);
    if (isMap) _put(out, key, v); else out.push(v);
    at.p = _ws(t, at.p);
    if (at.p >= t.length) { at.err = true; return out; }
    if (t[at.p] === close) { at.p++; return out; }
    if (t[at.p] !== ",") { at.err = true; return out; }
    at.p = _ws(t, at.p + 1);
    if (at.p >= t.length) return out;
  }
}
function json_parse(text) {
  if (!_isStr(text)) return null;
  const at = { p: 0, err: false };
  const v = _parseValue(text, at);
  return at.err ? null : v;
}
// JSON string literal with the full escape set of the C runtime.
function _jsonQuote(s) {
  let out = '"';
  for (const ch of s) {
    const c = ch.codePointAt(0);
    if (ch === '"' || ch === "\\") out += "\\" + ch;
    else if (c < 32) {
      const short = { 8: "b", 9: "t", 10: "n", 12: "f", 13: "r" }[c];
      out += short ? "\\" + short : "\\u" + c.toString(16).padStart(4, "0");
    } else out += ch;
  }
  return out + '"';
}
// 0, nil and false are the C word 0: "null"; true is 1. Lists and maps are
// written as JSON (the C runtime can only print their address).
function json_stringify(v) {
  if (_zero(v)) return "null";
  if (_isStr(v)) return _jsonQuote(v);
  if (v === true) return "1";
  if (typeof v === "number") return String(v);
  return JSON.stringify(v) ?? "null";
}
function json_deep_clone(v) { return _isNil(v) ? null : JSON.parse(JSON.stringify(v)); }

// ---- state store ----

const _state = new Map();
function state_set(key, value) {
  if (!_isStr(key)) return false;
  _state.set(key, _show(value));
  return true;
}
function state_get(key) { return (_isStr(key) && _state.get(key)) || ""; }
function state_del(key) {
  if (!_isStr(key)) return false;
  _state.delete(key);
  return true;
}
function state_keys() { return "[" + Array.from(_state.keys(), _jsonQuote).join(",") + "]"; }

// ---- time ----

function time_now() { return Date.now(); }
function time_now_utc() { return Date.now(); }
// Blocks like the C sleep: Atomics.wait where the host allows it, else a
// busy wait (a browser's main thread).
function sleep_ms(n) {
  const ms = Math.max(0, _int(n));
  try {
    Atomics.wait(new Int32Array(new SharedArrayBuffer(4)), 0, 0, ms);
  } catch (e) {
    const until = Date.now() + ms;
    while (Date.now() < until) { /* wait */ }
  }
  return 0;
}

// ---- files, process, environment (Node.js) ----

function fs_read(path) {
  if (!_isStr(path)) return "";
  const fs = _needNode("fs_read");
  try { return fs.readFileSync(path, "utf8"); } catch (e) { return ""; }
}
function fs_write(path, text) {
  if (!_isStr(path) || _isNil(text)) return false;
  const fs = _needNode("fs_write");
  try { fs.writeFileSync(path, _text(text)); return true; } catch (e) { return false; }
}
function fs_list(path) {
  if (!_isStr(path)) return [];
  const fs = _needNode("fs_list");
  try { return fs.readdirSync(path); } catch (e) { return []; }
}
function args() { return _inNode ? process.argv.slice(2) : []; }
function env(name) { return (_isStr(name) && _inNode && process.env[name]) || ""; }
function exit_program(status) {
  if (_inNode) process.exit(_int(status));
  throw new Error("exit_program(" + _int(status) + ")");
}

// ---- outgoing HTTP (fetch; generated code awaits these) ----

function _httpError(e) { return '{"error":' + _jsonQuote(String(e && e.message ? e.message : e)) + "}"; }
async function _fetchText(url, init) {
  try {
    const response = await fetch(_text(url), init);
    return await response.text();
  } catch (e) {
    return _httpError(e);
  }
}
function http_get(url) { return _fetchText(url, { method: "GET" }); }
function http_post(url, body) { return _fetchText(url, { method: "POST", body: _text(body) }); }
function http_post_json(url, json) {
  return _fetchText(url, { method: "POST", body: _text(json), headers: { "Content-Type": "application/json" } });
}

// ---- stand-ins: language models, cgi network primitives, engram ----

const _NO_CLIENT = '{"error":"not built with HAVE_CURL"}';
function llm_call(model, prompt) { return _NO_CLIENT; }
function llm_call_system(model, system, prompt) { return _NO_CLIENT; }

// No network here: connections are refused, sends and emits go nowhere.
function tavri_connect(...a) { return 0; }
function tavri_send(...a) { return 0; }
function tavri_emit(...a) { return 0; }
function tavri_field(...a) { return ""; }
function tavri_activate(...a) { return "[]"; }

// A page-lifetime graph of nodes, searched by case-insensitive words.
const _engram = [];
function engram_node(content, node_type, salience) {
  const id = globalThis.crypto && crypto.randomUUID ? crypto.randomUUID() : "node-" + (_engram.length + 1);
  _engram.push({ id, label: _text(content).slice(0, 80), content: _text(content), node_type: _text(node_type),
    salience: typeof salience === "number" ? salience : 0.5 });
  return id;
}
function engram_search(query, limit) {
  const words = _text(query).toLowerCase().split(/[ \t\n\r]+/).filter((w) => w);
  const max = _int(limit) < 1 ? 100 : _int(limit);
  if (!words.length) return [];
  return _engram.filter((n) => words.some((w) => n.content.toLowerCase().includes(w)))
    .slice(0, max).map((n) => ({ ...n }));
}
function engram_activate(query, max_hops) {
  return engram_search(query, 0).map((node) => ({ node, activation_strength: 1.0, working_memory_weight: 1.0,
    epistemic_confidence: 1.0, hops: 0, promoted: 1 }));
}

// ---- HTML ----

const _HTML = { "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&#39;" };
function html_escape(s) { return _show(s).replace(/[&<>"']/g, (c) => _HTML[c]); }
// Trusted markup, kept as it is; nil adds nothing to a template.
function html_raw(v) { return _show(v); }

// ---- the browser ----

function _el(x) { return _isStr(x) ? _needBrowser("dom").getElementById(x) : x; }
function _domFn(name, body) {
  return function (...a) { _needBrowser(name); return body(...a); };
}
const dom_get_element = _domFn("dom_get_element", (id) => document.getElementById(_text(id)));
const dom_get_value = _domFn("dom_get_value", (el) => _el(el)?.value ?? "");
const dom_set_value = _domFn("dom_set_value", (el, v) => { const e = _el(el); if (e) e.value = _show(v); return 0; });
const dom_get_text = _domFn("dom_get_text", (el) => _el(el)?.textContent ?? "");
const dom_set_text = _domFn("dom_set_text", (el, t) => { const e = _el(el); if (e) e.textContent = _show(t); return 0; });
const dom_set_prop = _domFn("dom_set_prop", (el, k, v) => { const e = _el(el); if (e) e[_text(k)] = v; return 0; });
const dom_get_prop = _domFn("dom_get_prop", (el, k) => _el(el)?.[_text(k)] ?? null);
const dom_set_style = _domFn("dom_set_style", (el, k, v) => {
  const e = _el(el); if (e) e.style.setProperty(_text(k), _show(v)); return 0;
});
const dom_add_class = _domFn("dom_add_class", (el, c) => { _el(el)?.classList.add(_text(c)); return 0; });
const dom_remove_class = _domFn("dom_remove_class", (el, c) => { _el(el)?.classList.remove(_text(c)); return 0; });
const dom_contains_class = _domFn("dom_contains_class", (el, c) => !!_el(el)?.classList.contains(_text(c)));
const dom_show = _domFn("dom_show", (el) => { const e = _el(el); if (e) e.style.display = ""; return 0; });
const dom_hide = _domFn("dom_hide", (el) => { const e = _el(el); if (e) e.style.display = "none"; return 0; });
const dom_listen = _domFn("dom_listen", (el, event, handler) => {
  const e = _el(el); if (e) e.addEventListener(_text(event), handler); return 0;
});
const dom_query = _domFn("dom_query", (sel) => document.querySelector(_text(sel)));
const dom_query_all = _domFn("dom_query_all", (sel) => Array.from(document.querySelectorAll(_text(sel))));
const dom_create = _domFn("dom_create", (tag) => document.createElement(_text(tag)));
const dom_append = _domFn("dom_append", (parent, child) => { _el(parent)?.appendChild(_el(child)); return 0; });
const dom_remove = _domFn("dom_remove", (el) => { _el(el)?.remove(); return 0; });
function dom_is_null(el) { return _isNil(el); }
const dom_set_attr = _domFn("dom_set_attr", (el, k, v) => { _el(el)?.setAttribute(_text(k), _show(v)); return 0; });
const dom_get_attr = _domFn("dom_get_attr", (el, k) => _el(el)?.getAttribute(_text(k)) ?? null);
const dom_remove_attr = _domFn("dom_remove_attr", (el, k) => { _el(el)?.removeAttribute(_text(k)); return 0; });
const dom_set_html = _domFn("dom_set_html", (el, h) => { const e = _el(el); if (e) e.innerHTML = _show(h); return 0; });
const dom_get_html = _domFn("dom_get_html", (el) => _el(el)?.innerHTML ?? "");
const dom_get_parent = _domFn("dom_get_parent", (el) => _el(el)?.parentElement ?? null);
const dom_get_checked = _domFn("dom_get_checked", (el) => !!_el(el)?.checked);
const dom_set_checked = _domFn("dom_set_checked", (el, v) => { const e = _el(el); if (e) e.checked = !_zero(v); return 0; });

const local_storage_get = _domFn("local_storage_get", (k) => localStorage.getItem(_text(k)) ?? "");
const local_storage_set = _domFn("local_storage_set", (k, v) => { localStorage.setItem(_text(k), _show(v)); return 0; });
const local_storage_remove = _domFn("local_storage_remove", (k) => { localStorage.removeItem(_text(k)); return 0; });
const window_location = _domFn("window_location", () => window.location.href);
const window_redirect = _domFn("window_redirect", (url) => { window.location.href = _text(url); return 0; });
const window_on_load = _domFn("window_on_load", (fn) => {
  if (document.readyState === "complete") setTimeout(fn, 0);
  else window.addEventListener("load", fn);
  return 0;
});
const window_set = _domFn("window_set", (k, v) => { window[_text(k)] = v; return 0; });
const window_get = _domFn("window_get", (k) => window[_text(k)] ?? null);

// ---- timers, promises, objects, reflection (any host) ----

function set_timeout(fn, ms) { return setTimeout(fn, _int(ms)); }
function set_interval(fn, ms) { return setInterval(fn, _int(ms)); }
function clear_interval(id) { clearInterval(id); return 0; }
function promise_then(p, fn) { return Promise.resolve(p).then(fn); }
function promise_catch(p, fn) { return Promise.resolve(p).catch(fn); }
function promise_resolve(v) { return Promise.resolve(v); }
function promise_reject(e) { return Promise.reject(e); }
function object_assign(target, source) { return Object.assign(_isMap(target) ? target : {}, source); }
function object_keys(o) { return _isNil(o) ? [] : Object.keys(o); }
function object_values(o) { return _isNil(o) ? [] : Object.values(o); }
function array_from(v) { return _isNil(v) ? [] : Array.from(v); }
function type_of(v) { return v === null ? "null" : typeof v; }
function instanceof_check(v, ctor) {
  const c = _isStr(ctor) ? globalThis[ctor] : ctor;
  return typeof c === "function" && v instanceof c;
}
// Global-scope evaluation of trusted code, and calls by global name.
function native_js(code) { return (0, eval)(_text(code)); }
function native_js_call(fn, list) {
  const f = _isStr(fn) ? globalThis[fn] : fn;
  if (typeof f !== "function") throw new Error("native_js_call: no function " + _show(fn));
  return f(...(Array.isArray(list) ? list : _isNil(list) ? [] : [list]));
}

// ---- installation ----

const __qo_api = {
  println, print, qo_str_concat, str_concat, str_eq, str_starts_with, str_ends_with,
  str_len, int_to_str, str_to_int, str_slice, str_contains, str_replace,
  str_to_upper, str_to_lower, str_trim, str_index_of, str_split, str_char_at,
  str_char_code, str_lower, str_upper, qo_abs, qo_max, qo_min,
  qo_list_new, qo_list_len, qo_list_get, qo_list_append, qo_list_empty, qo_list_clone,
  list_push, list_join, list_range,
  qo_map_new, qo_get_field, qo_map_get, qo_map_set,
  http_get, http_post, http_post_json,
  fs_read, fs_write, fs_list,
  json_parse, json_stringify, json_get, json_get_string, json_get_int,
  time_now, time_now_utc, sleep_ms, bool_to_str, exit_program,
  qo_retain, qo_release,
  append, len, get, map_get, map_set,
  native_list_get, native_list_len, native_list_append, native_list_empty,
  native_list_clone, native_string_chars, native_int_to_str,
  args, state_set, state_get, state_del, state_keys, env,
  tavri_connect, tavri_send, tavri_emit, tavri_field, tavri_activate,
  engram_node, engram_search, engram_activate,
  llm_call, llm_call_system,
  dom_get_element, dom_get_value, dom_set_value, dom_get_text, dom_set_text,
  dom_set_prop, dom_get_prop, dom_set_style, dom_add_class, dom_remove_class,
  dom_show, dom_hide, dom_listen, dom_query, dom_query_all, dom_create,
  dom_append, dom_remove, dom_is_null,
  dom_set_attr, dom_get_attr, dom_remove_attr, dom_set_html, dom_get_html,
  dom_get_parent, dom_contains_class, dom_get_checked, dom_set_checked,
  set_timeout, set_interval, clear_interval,
  local_storage_get, local_storage_set, local_storage_remove,
  window_location, window_redirect, window_on_load,
  console_log,
  window_set, window_get, native_js, native_js_call,
  promise_then, promise_catch, promise_resolve, promise_reject,
  object_assign, object_keys, object_values, json_deep_clone,
  array_from, type_of, instanceof_check,
  html_escape, html_raw, qo_assert_fail,
};
globalThis.__qo = Object.assign(globalThis.__qo || {}, __qo_api);
for (const [name, fn] of Object.entries({ html_escape, html_raw, str_eq, qo_assert_fail })) {
  if (!(name in globalThis)) globalThis[name] = fn;
}

export { __qo_api };
export default __qo_api;
