#!/usr/bin/env bash
# Builds and runs every test; SANITIZE=1, CLANG=1 or RELEASE=1 pick another
# build, as in scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(bash scripts/build.sh | tail -n 1)
cd "$dir"
ctest --output-on-failure -j "$(nproc)" --timeout 300
