// Prints one result line per case of runtime_cases.txt, computed with
// qo_runtime.js, in the form runtime_compare_test prints the C results.
// Usage: node runtime_cases.mjs <qo_runtime.js> <runtime_cases.txt>
import { readFileSync } from "node:fs";
import { pathToFileURL } from "node:url";

const [runtimePath, casesPath] = process.argv.slice(2);
await import(pathToFileURL(runtimePath).href);
const qo = globalThis.__qo;

// Arguments: JSON strings, integers, nil (null) and flat [lists] of those.
function readValue(text, at) {
  while (text[at.p] === " " || text[at.p] === ",") at.p++;
  const c = text[at.p];
  if (c === "[") {
    const list = [];
    at.p++;
    for (;;) {
      while (text[at.p] === " " || text[at.p] === ",") at.p++;
      if (text[at.p] === "]") { at.p++; return list; }
      list.push(readValue(text, at));
    }
  }
  if (c === '"') {
    let end = at.p + 1;
    while (text[end] !== '"') end += text[end] === "\\" ? 2 : 1;
    const s = JSON.parse(text.slice(at.p, end + 1));
    at.p = end + 1;
    return s;
  }
  const m = /^(nil|-?[0-9]+)/.exec(text.slice(at.p));
  at.p += m[0].length;
  return m[0] === "nil" ? null : Number(m[0]);
}
function parseArgs(text) {
  const at = { p: 0 }, args = [];
  while (at.p < text.length) args.push(readValue(text, at));
  return args;
}

function show(kind, v) {
  if (kind === "s" || kind === "L" || kind === "N") return JSON.stringify(v);
  if (kind === "n" && v === null) return "0";
  return String(v);
}

for (const line of readFileSync(casesPath, "utf8").split("\n")) {
  if (line === "" || line.startsWith("#")) continue;
  const [, kind, fn, rest] = /^(\S+) (\S+) ?(.*)$/.exec(line);
  if (typeof qo[fn] !== "function") { console.log(fn + ": missing"); continue; }
  console.log(show(kind, qo[fn](...parseArgs(rest))));
}
