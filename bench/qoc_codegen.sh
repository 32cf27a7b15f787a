#!/usr/bin/env bash
# C generation benchmark: generates a Qo program of about N lines (default
# 100,000) whose C compiles, then measures in the same run the wall time
# and peak resident size of `qoc` on it and of `cc -O0 -c` on qoc's output.
# The program mixes what ordinary code has: typed lets and arithmetic,
# string interpolation, loops, else-if chains, match, maps and lists,
# durations and HTML templates.
#
#   bench/qoc_codegen.sh [LINES]    (QO_BUILD_DIR picks the build folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QO_BUILD_DIR:-$top/.cmake-build}
qoc="$build/bin/qoc"
[ -x "$qoc" ] || qoc="$top/bin/qoc"
[ -x "$qoc" ] || { echo "qoc_codegen.sh: qoc not built (make build)" >&2; exit 1; }
work=$(mktemp -d /tmp/qo-codegen-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

awk -v lines="${1:-100000}" 'BEGIN {
  n = 0
  for (i = 0; n < lines; i++) {
    print "fn work_" i "(rows: List, limit: Int, names: Map) -> Int {"
    print "    let total: Int = 0"
    print "    let label = \"run ${limit} of " i ": ${len(rows)} rows\""
    print "    for r in rows {"
    print "        let id: Int = r.id"
    print "        if id % 2 == 0 && id > limit {"
    print "            total = total + id * 3 - (limit / 2)"
    print "        } else if id == " i " {"
    print "            total = total - 1"
    print "        } else {"
    print "            log_info(\"skip ${r.name}\")"
    print "        }"
    print "    }"
    print "    for k in 0..=limit { let step: Int = k  total = total + step }"
    print "    let kind = match total { 0 => \"none\", 1 => \"one\", _ => \"many\" }"
    print "    let conf = {name: \"w" i "\", retries: 3, delay: 250.millis, tags: [\"a\", \"b\"]}"
    print "    let page = <div class=\"row\" id={label}><h2>{kind}</h2>{each rows as r}<li>{r.name}</li>{/each}</div>"
    print "    println(page + conf.name)"
    print "    return total"
    print "}"
    print ""
    n += 21
  }
  print "fn main() { println(int_to_str(work_0([], 10, {}))) }"
}' > "$work/input.qo"
echo "input: $(wc -l < "$work/input.qo") lines, $(wc -c < "$work/input.qo") bytes"

measure() {  # label, command...: wall seconds and max RSS in MB
  local label=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@"
  read -r secs kb < "$work/time"
  awk -v l="$label" -v s="$secs" -v kb="$kb" 'BEGIN { printf "%-12s wall %6.2f s   max RSS %7.1f MB\n", l, s, kb / 1024 }'
  echo "$secs" > "$work/$label.secs"
}

measure qoc "$qoc" "$work/input.qo" "$work/out.c"
echo "output: $(wc -l < "$work/out.c") lines, $(wc -c < "$work/out.c") bytes"
measure "cc-O0-c" cc -O0 -c -I"$top/qo-compiler/runtime" "$work/out.c" -o "$work/out.o"
awk -v q="$(cat "$work/qoc.secs")" -v c="$(cat "$work/cc-O0-c.secs")" 'BEGIN { printf "qoc / cc time: %.3f\n", q / c }'
