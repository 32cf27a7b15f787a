#!/usr/bin/env bash
# The build tool on a generated project of 100 modules (a main module and
# 99 library modules, each importing the two before it): a full build, a
# no-op rebuild, and the same no-op rebuild by make with a generated
# Makefile holding the same dependency rules; then a one-module hello
# world, set beside compiling the runtime source alone.
#
# qob links on every run (its link line compiles the runtime source into
# the program), while make skips a link whose program is newer than its
# inputs; so the no-op rebuild is timed twice: whole, and with `cc` on
# PATH replaced by a stub that only writes the program, which leaves qob's
# own work (manifest, graph walk, 100 freshness probes, its shell commands).
#
#   QO_BIN=/path/to/bin bench/qob.sh     (default: the repository's bin/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${QO_BIN:-$top/bin}
runtime="$top/qo-compiler/runtime"
work=$(mktemp -d /tmp/qo-qob-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-7}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Median wall time in ms of running "$@" $runs times (output discarded).
median_ms() {
  local times=()
  for _ in $(seq "$runs"); do
    local t0; t0=$(now_ms)
    "$@" >/dev/null 2>&1
    times+=($(( $(now_ms) - t0 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

once_ms() {
  local t0; t0=$(now_ms)
  "$@" >/dev/null 2>&1
  echo $(( $(now_ms) - t0 ))
}

gen_project() {
  local dir=$1 n=$2
  mkdir -p "$dir/src"
  printf 'package "app"\nentry "src/main.qo"\n' > "$dir/manifest.qo"
  for i in $(seq 1 $((n - 1))); do
    {
      [ "$i" -gt 1 ] && echo "from m$((i - 1)) import { f$((i - 1)) }"
      [ "$i" -gt 2 ] && echo "from m$((i - 2)) import { f$((i - 2)) }"
      echo "fn f$i(x: Int) -> Int {"
      echo "    let s = \"module $i: \" + int_to_str(x)"
      echo "    return str_len(s) + x"
      echo "}"
      echo "fn g$i(xs: [String]) -> String { list_join(xs, \",\") }"
    } > "$dir/src/m$i.qo"
  done
  {
    echo "from m$((n - 1)) import { f$((n - 1)) }"
    echo "fn main() { println(int_to_str(f$((n - 1))(1))) }"
  } > "$dir/src/main.qo"
}

# The same rules for make: each C file from its own source, the program
# from every C file and the runtime.
gen_makefile() {
  local dir=$1 n=$2 objs="dist/main.c"
  for i in $(seq 1 $((n - 1))); do objs="$objs dist/m$i.c"; done
  {
    echo "dist/app: $objs $runtime/qo_runtime.c"
    printf '\tcc -O2 -I %s -I dist %s %s/qo_runtime.c -lcurl -lssl -lcrypto -lpthread -lm -o $@\n' "$runtime" "$objs" "$runtime"
    echo "dist/%.c: src/%.qo"
    printf '\tmkdir -p dist && %s/qoc --emit-header $< > $@\n' "$bin"
  } > "$dir/Makefile"
}

qob() { "$bin/qob" --qoc="$bin/qoc" --runtime="$runtime" "$@"; }

echo "== 100 modules"
big="$work/big"
gen_project "$big" 100
gen_makefile "$big" 100
cd "$big"
full=$(once_ms qob)
[ -x dist/app ] && [ "$(dist/app)" != "" ] || { echo "qob.sh: the 100-module build failed" >&2; exit 1; }
noop=$(median_ms qob)
mkdir -p "$work/stub"
printf '#!/bin/sh\n[ "$1" = --version ] && exit 0\nwhile [ $# -gt 1 ]; do [ "$1" = -o ] && : > "$2"; shift; done\n' > "$work/stub/cc"
chmod +x "$work/stub/cc"
saved_path=$PATH
PATH="$work/stub:$PATH"
noop_nolink=$(median_ms qob)
PATH=$saved_path
rm -rf dist
make_full=$(once_ms make -s)
make_noop=$(median_ms make -s)
echo "full build, qob:                    ${full} ms"
echo "full build, make:                   ${make_full} ms"
echo "no-op rebuild, qob (with its link): ${noop} ms"
echo "no-op rebuild, qob (link stubbed):  ${noop_nolink} ms"
echo "no-op rebuild, make:                ${make_noop} ms"

echo "== hello world (one module)"
hello="$work/hello"
mkdir -p "$hello"
printf 'entry "main.qo"\n' > "$hello/manifest.qo"
printf 'fn main() {\n    println("Hello, world!")\n}\n' > "$hello/main.qo"
cd "$hello"
runs=3
hello_build=$(median_ms sh -c "rm -rf dist && \"$bin/qob\" --qoc=\"$bin/qoc\" --runtime=\"$runtime\"")
runtime_cc=$(median_ms cc -O2 -c "$runtime/qo_runtime.c" -I "$runtime" -o "$work/rt.o")
[ "$(dist/out)" = "Hello, world!" ] || { echo "qob.sh: hello world failed" >&2; exit 1; }
echo "build, qob:                         ${hello_build} ms"
echo "of which compiling qo_runtime.c:    ${runtime_cc} ms"
