#!/usr/bin/env bash
# Builds everything into build/ (or build-san/ with SANITIZE=1), with
# warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if [ "${SANITIZE:-0}" = 1 ]; then
  dir=build-san
  extra=(-DNIVARA_SANITIZE=ON -DNIVARA_BENCH=OFF)
else
  dir=build
  extra=()
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNIVARA_WERROR=ON "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
echo "$dir"
