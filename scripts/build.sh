#!/usr/bin/env bash
# Builds everything into build/, with warnings as errors. One of these picks
# another build instead, in its own folder and without the benchmarks:
#   SANITIZE=1  under AddressSanitizer and UndefinedBehaviorSanitizer, build-san/
#   CLANG=1     with clang, build-clang/
#   RELEASE=1   a Release build, as a user's plain build makes it, build-release/
# Targets named as arguments are built alone (all of them by default). The
# build's progress goes to stderr; the last line on stdout is the folder.
#   bash scripts/build.sh [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

dir=build
tipo=RelWithDebInfo
extra=()
if [ "${SANITIZE:-0}" = 1 ]; then
  dir=build-san
  extra=(-DNIVARA_SANITIZE=ON -DNIVARA_BENCH=OFF)
elif [ "${CLANG:-0}" = 1 ]; then
  dir=build-clang
  extra=(-DCMAKE_CXX_COMPILER=clang++ -DNIVARA_BENCH=OFF)
elif [ "${RELEASE:-0}" = 1 ]; then
  dir=build-release
  tipo=Release
  extra=(-DNIVARA_BENCH=OFF)
fi
echo "build: configuring $dir/" >&2
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$tipo" -DNIVARA_WERROR=ON "${extra[@]}" >/dev/null
objetivos=()
for t in "$@"; do objetivos+=(--target "$t"); done
echo "build: building ${*:-everything} in $dir/ (the first build takes a few minutes)" >&2
cmake --build "$dir" -j "$(nproc)" "${objetivos[@]}" >&2
echo "$dir"
