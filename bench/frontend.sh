#!/usr/bin/env bash
# Front-end benchmark: generates a 100,000-line Qo program
# (gen_frontend_input.sh) and runs bench/frontend_bench on it, which reports
# lex and lex+parse throughput and the peak resident size. Each benchmark
# runs in its own process so that max_rss_MB is that benchmark's own peak.
#
#   bench/frontend.sh [LINES]    (QO_BUILD_DIR picks the build folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${QO_BUILD_DIR:-$top/.cmake-build}
exe="$build/bench/frontend_bench"
[ -x "$exe" ] || { echo "frontend.sh: $exe not built (make bench)" >&2; exit 1; }
input=$(mktemp /tmp/qo-frontend-bench-XXXXXX.qo)
trap 'rm -f "$input"' EXIT
"$top/bench/gen_frontend_input.sh" "${1:-100000}" > "$input"
echo "input: $(wc -l < "$input") lines, $(wc -c < "$input") bytes"
for bm in BM_Lex BM_LexParseWhole BM_LexParseStreaming; do
  QO_FRONTEND_INPUT="$input" "$exe" --benchmark_filter="^$bm\$" --benchmark_min_time=2 2>/dev/null | grep "^BM_"
done
