#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs them one at a time.
#   scripts/fuzz.sh [--runs N] [target ...]    N inputs each over its seeds (3000),
#                                              as CI runs them; what they add is dropped
#   scripts/fuzz.sh --seconds S [target ...]   S seconds each; the grown corpus and
#                                              any crash go to fuzz-out/<target>/
# With no target named, all of them. Fails when any target crashes.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=3000
seconds=
objetivos=()
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    -*) echo "fuzz: unknown option $1" >&2; exit 2 ;;
    *) objetivos+=("$1"); shift ;;
  esac
done
if [ ${#objetivos[@]} -eq 0 ]; then
  for d in fuzz/corpus/*/; do objetivos+=("$(basename "$d")"); done
fi

FUZZ=1 bash scripts/setup.sh
dir=build-fuzz
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DNIVARA_FUZZ=ON -DNIVARA_TESTS=OFF \
  -DNIVARA_BENCH=OFF -DNIVARA_WERROR=ON >/dev/null
cmake --build "$dir" -j "$(nproc)" --target fuzz >/dev/null

# The sales files are read in 4 KB chunks: their inputs may be longer than
# libFuzzer's default, which is 4 KB or the longest seed.
largo_maximo() {
  case $1 in
    ventas | axxus) echo -max_len=10000 ;;
  esac
}

fallos=()
for t in "${objetivos[@]}"; do
  if [ -n "$seconds" ]; then
    salida=fuzz-out/$t
    mkdir -p "$salida/corpus" "$salida/crashes"
    limite=(-max_total_time="$seconds" -artifact_prefix="$salida/crashes/")
    log=$salida/ultimo.log
  else
    salida=$(mktemp -d)
    limite=(-runs="$runs" -artifact_prefix="$salida/")
    mkdir -p "$salida/corpus"
    log=$salida/log
  fi
  inicio=$SECONDS
  if nice -n 10 "$dir/fuzz/fuzz_$t" "${limite[@]}" $(largo_maximo "$t") \
    -timeout=10 "$salida/corpus" "fuzz/corpus/$t" >"$log" 2>&1; then
    echo "fuzz: $t: $(grep -E '^#[0-9]+' "$log" | tail -n 1) ($((SECONDS - inicio)) s)"
  else
    cat "$log"
    echo "fuzz: $t: FAILED (log in $log)"
    fallos+=("$t")
  fi
  [ -n "$seconds" ] || { [ ${#fallos[@]} -gt 0 ] && [ "${fallos[-1]}" = "$t" ]; } || rm -rf "$salida"
done
if [ ${#fallos[@]} -gt 0 ]; then
  echo "fuzz: crashed: ${fallos[*]}"
  exit 1
fi
echo "fuzz: ${#objetivos[@]} targets ran, none crashed"
