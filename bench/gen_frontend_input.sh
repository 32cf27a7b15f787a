#!/usr/bin/env bash
# Prints a synthetic Qo program of about N lines (default 100000) for the
# front-end benchmark: functions with lets, arithmetic, calls, if/else
# chains, match, loops, maps and lists, interpolated strings, durations,
# lambdas and HTML templates, in the proportions of ordinary code.
set -euo pipefail
lines=${1:-100000}
awk -v lines="$lines" 'BEGIN {
  print "service Bench { sponsor: \"bench\", domain: \"bench.example\" }"
  print "type Row { id: Int, name: String, tags: [String] }"
  print "enum Kind { Small, Large }"
  n = 3
  for (i = 0; n < lines; i++) {
    print "// function " i " of the generated program"
    print "@manager fn work_" i "(rows: [Row], limit: Int, names: Map<String, Int>?) -> Int {"
    print "    let total: Int = 0"
    print "    let label = \"run ${limit} of " i ": ${len(rows)} rows\""
    print "    for r in rows {"
    print "        if r.id % 2 == 0 && r.id > limit {"
    print "            total = total + r.id * 3 - (limit / 2)"
    print "        } else if r.id == " i " {"
    print "            total = total - 1"
    print "        } else {"
    print "            log_info(\"skip ${r.name}\")"
    print "        }"
    print "    }"
    print "    for k in 0..=limit { total = total + k }"
    print "    let kind = match total { 0 => \"none\", 1 => \"one\", _ => \"many\" }"
    print "    let conf = {name: \"w" i "\", retries: 3, delay: 250.millis, tags: [\"a\", \"b\"]}"
    print "    let f = fn(x: Int) -> Int { return x * 2 + 1 }"
    print "    let page = <div class=\"row\" id={label}><h2>{kind}</h2>{each rows as r}<li>{r.name}</li>{/each}</div>"
    print "    try { save(conf, page, f(total)) } catch (e) { log_warn(\"${e}\") }"
    print "    return total"
    print "}"
    print ""
    n += 22
  }
  print "fn main() { println(work_0([], 10, {})) }"
}'
