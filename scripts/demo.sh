#!/usr/bin/env bash
# Runs a demo station in demo/: writes its tnq.ini from demo/estacion.txt,
# starts the service there and shows its log as readable lines until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
top=$(pwd)

cd demo
"$top/build/nivara-admin" config write estacion.txt tnq.ini
"$top/build/nivara" &
servicio=$!
trap 'kill $servicio 2>/dev/null; wait $servicio 2>/dev/null; exit 0' INT TERM
sleep 1
"$top/build/nivara-admin" log --follow Nivara.log &
visor=$!
trap 'kill $servicio $visor 2>/dev/null; wait 2>/dev/null; exit 0' INT TERM
wait $servicio || true
kill $visor 2>/dev/null || true
