#!/usr/bin/env bash
# Builds and runs every test (with SANITIZE=1: under AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-san/).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(bash scripts/build.sh | tail -n 1)
cd "$dir"
ctest --output-on-failure -j "$(nproc)" --timeout 300
