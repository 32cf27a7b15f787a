#!/usr/bin/env bash
# The runtime's HTTP server against Node's http module: wrk with 64
# connections for 10 s on loopback against each, one after the other.
# Both answer "Hello, world!" and close the connection after each response.
# The hello service is compiled the way qob links programs (the runtime
# source on the same cc line, no exported symbols).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
work=$(mktemp -d /tmp/qo-http-bench-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { node -e 'const s=require("net").createServer().listen(0,"127.0.0.1",()=>{console.log(s.address().port);s.close()})'; }
wait_up() { for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$1/" && return 0; sleep 0.05; done; return 1; }

cc -O2 -I"$top/qo-compiler/runtime" "$here/http_hello.c" "$top/qo-compiler/runtime/qo_runtime.c" \
  -o "$work/http_hello" -lcurl -lssl -lcrypto -lpthread -lm

qo_port=$(free_port)
"$work/http_hello" "$qo_port" 2>/dev/null &
pids+=($!)
node_port=$(free_port)
node "$here/http_node_server.js" "$node_port" &
pids+=($!)
wait_up "$qo_port"
wait_up "$node_port"

for side in qo node; do
  port=$qo_port
  [ "$side" = node ] && port=$node_port
  curl -s "http://127.0.0.1:$port/" > /dev/null # warm up
  echo "== $side"
  wrk -t2 -c64 -d10s --latency "http://127.0.0.1:$port/" | grep -E "Requests/sec|Latency|50%|99%|requests in|errors"
done
