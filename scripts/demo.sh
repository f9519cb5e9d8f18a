#!/usr/bin/env bash
# Runs a demo station in demo/: a simulated console (demo/consola.txt) on
# 127.0.0.1 whose forecourt sells from its tanks into demo/ventas.txt, the
# service with a tnq.ini made from demo/estacion.txt, and the service's log
# as readable lines, until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
top=$(pwd)

cd demo
"$top/build/nivara-admin" config write estacion.txt tnq.ini
pids=()
stop() {
  kill "${pids[@]}" 2>/dev/null || true
  wait 2>/dev/null || true
  exit 0
}
trap stop INT TERM

"$top/build/qtr10-sim" --config consola.txt > consola.log 2>&1 &
pids+=($!)
sleep 0.5
"$top/build/nivara" > /dev/null &
pids+=($!)
echo "demo: console and sales log in demo/consola.log, sales in demo/ventas.txt;" \
  "the station's log follows (Ctrl-C stops)"
"$top/build/nivara-admin" log --follow Nivara.log &
pids+=($!)
wait "${pids[1]}" || true
stop
