#!/usr/bin/env bash
# The long station run: a station in virtual time with faults at random for
# ninety days (tests/resistencia_test.cpp), on the build of scripts/build.sh
# (RELEASE=1, SANITIZE=1 or CLANG=1 pick another). Prints its figures; on a
# failure, the seed that brings it back.
#   bash scripts/soak.sh [--days N] [--seed S]
set -euo pipefail
cd "$(dirname "$0")/.."
dias=90
semilla=$(( $(date +%s) % 100000 ))
while [ $# -gt 0 ]; do
  case "$1" in
    --days) dias=$2; shift 2 ;;
    --seed) semilla=$2; shift 2 ;;
    *) echo "usage: $0 [--days N] [--seed S]" >&2; exit 2 ;;
  esac
done
dir=$(bash scripts/build.sh | tail -n 1)
echo "soak: $dias days, seed $semilla, build $dir"
inicio=$(date +%s)
estado=0
NIVARA_DIAS=$dias NIVARA_SEMILLA=$semilla \
  "$dir/tests/nivara_tests" --gtest_filter='Resistencia.*' || estado=$?
echo "soak: $(( $(date +%s) - inicio )) s of wall time"
if [ "$estado" != 0 ]; then
  echo "soak: FAILED; again with: bash scripts/soak.sh --days $dias --seed $semilla" >&2
fi
exit "$estado"
