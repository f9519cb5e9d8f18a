#!/usr/bin/env bash
# The Debian package as cpack makes it from a built tree, unpacked: the
# programs, the unit, the example station file and the README where a
# station looks for them, the libraries it depends on, and the unit as
# systemd reads it. Skipped (77) where there is no dpkg-deb.
# Usage: paquete.sh BUILD_FOLDER VERSION
set -euo pipefail
build=$1 version=$2
command -v dpkg-deb >/dev/null || { echo "paquete: no dpkg-deb, skipped"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fallos=0
falla() { echo "paquete: $*"; fallos=1; }

if ! cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"
  exit 1
fi
deb=$tmp/out/nivara_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { falla "no $(basename "$deb") in: $(ls "$tmp/out")"; exit 1; }
raiz=$tmp/raiz
dpkg-deb -x "$deb" "$raiz"

for f in nivara nivara-admin qtr10-sim; do
  [ -x "$raiz/usr/bin/$f" ] || falla "usr/bin/$f missing"
done
unidades=$raiz/usr/lib/systemd/system
unidad=$unidades/nivara.service
for f in "$unidad" "$unidades/nivara-metrics.service" "$unidades/nivara-metrics.timer" \
  "$raiz/usr/share/doc/nivara/examples/estacion.txt" "$raiz/usr/share/doc/nivara/README.md"; do
  [ -f "$f" ] || falla "${f#"$raiz"/} missing"
done
# The packaged program runs and is the packaged version.
[ "$("$raiz/usr/bin/nivara" --version)" = "nivara $version" ] || falla "nivara --version"
depende=$(dpkg-deb -f "$deb" Depends)
[[ $depende == *libsmbclient* ]] || falla "Depends lacks libsmbclient: $depende"
dpkg-deb -e "$deb" "$tmp/control"
for s in postinst prerm postrm; do
  [ -x "$tmp/control/$s" ] && sh -n "$tmp/control/$s" || falla "maintainer script $s"
done
grep -qx 'ExecStart=/usr/bin/nivara' "$unidad" || falla "the unit does not start /usr/bin/nivara"

# systemd reads the unit without a complaint; it starts the unpacked
# program here, as it is not installed.
if command -v systemd-analyze >/dev/null; then
  for u in nivara.service nivara-metrics.service nivara-metrics.timer; do
    sed "s#^ExecStart=/usr/bin/#ExecStart=$raiz/usr/bin/#" "$unidades/$u" >"$tmp/$u"
  done
  for u in nivara.service nivara-metrics.timer; do
    queja=$(systemd-analyze verify "$tmp/$u" 2>&1) || falla "systemd-analyze verify $u failed"
    [ -z "$queja" ] || falla "systemd-analyze verify $u: $queja"
  done
else
  echo "paquete: no systemd-analyze, the unit is not verified"
fi
exit $fallos
