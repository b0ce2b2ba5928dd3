#!/usr/bin/env bash
# CPack builds the .deb, which carries the installed layout under /usr and depends on the Qt and
# hidapi runtime packages.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
(cd "$build" && cpack -G DEB -B "$tmp" >"$tmp/cpack.log" 2>&1) || fail "cpack: $(cat "$tmp/cpack.log")"
debs=("$tmp"/velmora_*.deb)
[ -f "${debs[0]}" ] || fail "no velmora_*.deb"
dpkg-deb -c "${debs[0]}" | awk '{print $NF}' >"$tmp/files"
for f in usr/bin/velmora usr/share/velmora/skin/base.PNG usr/share/velmora/skin/yaw.PNG \
  usr/share/applications/velmora.desktop usr/share/icons/hicolor/64x64/apps/velmora.png \
  usr/share/mime/packages/velmora.xml usr/lib/udev/rules.d/70-velmora-cp2110.rules; do
  grep -qx "./$f" "$tmp/files" || fail "the package lacks /$f"
done
depends=$(dpkg-deb -f "${debs[0]}" Depends)
for p in libqt6widgets6 libhidapi-hidraw0 qt6-qpa-plugins; do
  [[ $depends == *"$p"* ]] || fail "the package does not depend on $p: $depends"
done
echo "deb package: passed"
