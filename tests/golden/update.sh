#!/usr/bin/env bash
# Rewrites the expected C of every golden case from the built compiler:
#   tests/golden/update.sh [path/to/qoc]      (default: bin/qoc)
# Review the result with `git diff tests/golden` before keeping it: the
# expected files define the output, they are not a snapshot to accept blindly.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
qoc=${1:-"$here/../../bin/qoc"}
for src in "$here"/*.qo; do
  stem=${src%.qo}
  if [ -e "$stem.c" ]; then "$qoc" "$src" > "$stem.c"; fi
  if [ -e "$stem.test.c" ]; then "$qoc" --test "$src" > "$stem.test.c"; fi
done
