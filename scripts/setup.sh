#!/usr/bin/env bash
# Installs what the build, the tests and the benchmarks need (Debian packages).
set -euo pipefail

paquetes=(cmake make g++ pkg-config libasio-dev googletest libgtest-dev libgmock-dev libbenchmark-dev)
# Files on a network share (libsmbclient), and the Samba server the share
# tests run against.
paquetes+=(libsmbclient-dev samba)
# The package test: cpack's dependency lookup (dpkg-shlibdeps) and the
# unit's check (systemd-analyze).
paquetes+=(dpkg-dev systemd)
# The clang build (CLANG=1, as CI runs it).
if [ "${CLANG:-0}" = 1 ]; then paquetes+=(clang); fi
# The fuzz targets (FUZZ=1, scripts/fuzz.sh): clang with its sanitizer and
# libFuzzer runtimes, which Debian packages apart.
if [ "${FUZZ:-0}" = 1 ]; then paquetes+=(clang libclang-rt-dev); fi
faltan=()
for p in "${paquetes[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || faltan+=("$p")
done
if [ ${#faltan[@]} -gt 0 ]; then
  echo "setup: installing ${faltan[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${faltan[@]}"
fi
