#!/usr/bin/env bash
# json_parse against Node's JSON.parse on the same 20 MB file: wall-clock
# MB/s of each, the median of several runs. Needs node and the built
# json_parse_bench.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
bench="${QO_BENCH_DIR:-$top/.cmake-build/bench}/json_parse_bench"
work=$(mktemp -d /tmp/qo-json-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

node "$here/json_doc.js" "$work/doc.json" 20
bytes=$(stat -c %s "$work/doc.json")
echo "document: $bytes bytes"

QO_JSON_BENCH_FILE="$work/doc.json" "$bench" --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep -E "BM_JsonParse/real_time_median"

node -e '
const fs = require("fs");
const text = fs.readFileSync(process.argv[1], "utf8");
const bytes = Buffer.byteLength(text);
const runs = [];
for (let i = 0; i < 7; i++) {
  const t0 = process.hrtime.bigint();
  const v = JSON.parse(text);
  runs.push(Number(process.hrtime.bigint() - t0) / 1e6);
  if (v.length === 0) throw new Error("empty");
}
const median = runs.sort((a, b) => a - b)[3];
console.log(`node JSON.parse median: ${median.toFixed(1)} ms, ${(bytes / 1e6 / (median / 1000)).toFixed(1)} MB/s`);
' "$work/doc.json"
