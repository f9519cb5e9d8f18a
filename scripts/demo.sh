#!/usr/bin/env bash
# Runs a demo station in demo/: a simulated console (demo/consola.txt) on
# 127.0.0.1 whose forecourt sells from its tanks into demo/ventas.txt, the
# service with a tnq.ini made from demo/estacion.txt, the stock of each tank
# as it changes and the service's log as readable lines, until Ctrl-C.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(bash scripts/build.sh nivara nivara-admin qtr10-sim | tail -n 1)
bin=$(pwd)/$dir

# Something already listening there: the first free port from 10001 on.
escucha() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
puerto=10001
while escucha "$puerto"; do
  puerto=$((puerto + 1))
  if [ "$puerto" -gt 10100 ]; then
    echo "demo: no free port from 10001 to 10100 on 127.0.0.1" >&2
    exit 1
  fi
done

cd demo
# The station's file, with the console's port.
sed "s/^console_port = .*/console_port = $puerto/" estacion.txt >estacion.demo.txt
"$bin/nivara-admin" config write estacion.demo.txt tnq.ini
rm -f estacion.demo.txt

pids=()
stop() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  exit "${1:-0}"
}
trap stop INT TERM

"$bin/qtr10-sim" --config consola.txt --port "$puerto" >consola.log 2>&1 &
pids+=($!)
for _ in $(seq 50); do
  escucha "$puerto" && break
  if ! kill -0 "${pids[0]}" 2>/dev/null; then break; fi
  sleep 0.1
done
if ! escucha "$puerto"; then
  echo "demo: the console simulator did not start; the end of demo/consola.log:" >&2
  tail -n 5 consola.log >&2
  stop 1
fi

"$bin/nivara" &
pids+=($!)
echo "demo: console on 127.0.0.1:$puerto (its log demo/consola.log), sales in demo/ventas.txt;"
echo "demo: the stock as it changes, and the station's log (Ctrl-C stops)"

# Each new stock report as one line: tank, level and litres.
muestra_stock() {
  local visto=
  while sleep 2; do
    [ -f stock.txt ] || continue
    local ahora
    ahora=$(stat -c %Y.%s stock.txt)
    [ "$ahora" = "$visto" ] && continue
    visto=$ahora
    echo "$(date +%T)  stock:$(awk -F, '
      $1 == "Tanque" { t = $2 }
      $1 == "Nivel" && $3 != "" { n[t] = $3 }
      $1 == "Litros" && $3 != "" { printf "  T%s %s mm %s L", t, n[t], $3 }
      $1 == "DESCARGA EN TANQUE" { exit }' stock.txt)"
  done
}
muestra_stock &
pids+=($!)
"$bin/nivara-admin" log --follow Nivara.log &
pids+=($!)
# The service ends by itself only on a fatal error; it says why on stderr.
estado=0
wait "${pids[1]}" || estado=$?
echo "demo: the service ended (status $estado)" >&2
stop "$estado"
