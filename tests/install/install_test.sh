#!/usr/bin/env bash
# `cmake --install` into a temporary prefix lays out the program, its skin, the desktop entry,
# the icon, the motion file type and the udev rule. The installed program answers --help and
# --version with no display, refuses to start without one, and, started offscreen with a fresh
# HOME, finds its skin and writes ~/.config/velmora/def.ini when SIGTERM ends it.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/velmora share/applications/velmora.desktop share/icons/hicolor/64x64/apps/velmora.png \
  share/mime/packages/velmora.xml lib/udev/rules.d/70-velmora-cp2110.rules; do
  [ -f "$prefix/$f" ] || fail "cmake --install did not put $f"
done
for t in base grip linka linkb pen piller yaw; do
  [ -f "$prefix/share/velmora/skin/$t.PNG" ] || fail "skin/$t.PNG is not installed"
done
[ -x "$prefix/bin/velmora" ] || fail "bin/velmora is not executable"
# The Python module, when the build made one, imports from where it was installed.
if [ -n "$(find "$build/python" -name 'velmora*.so' 2>/dev/null)" ]; then
  module=$(find "$prefix/lib/python3/dist-packages" -name 'velmora*.so' 2>/dev/null)
  [ -n "$module" ] || fail "cmake --install did not put the Python module"
  PYTHONPATH=$prefix/lib/python3/dist-packages /usr/bin/python3 -c 'import velmora; velmora.Arm' ||
    fail "the installed Python module does not import"
fi
grep -qx 'Exec=velmora %f' "$prefix/share/applications/velmora.desktop" ||
  fail "the desktop entry does not pass the file to velmora"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/velmora.desktop" || fail "invalid desktop entry"
fi

nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
[ "$("${nodisplay[@]}" "$prefix/bin/velmora" --version)" = "velmora 1.0.0.1" ] ||
  fail "--version"
"${nodisplay[@]}" "$prefix/bin/velmora" --help | grep -q '^Usage: velmora' || fail "--help"
set +e
out=$("${nodisplay[@]}" "$prefix/bin/velmora" 2>&1)
rc=$?
set -e
[ "$rc" -eq 1 ] || fail "without a display the exit status is $rc, not 1"
[ "$out" = "cannot open the display; set DISPLAY or run under a desktop" ] ||
  fail "without a display it said: $out"

home=$tmp/home
mkdir "$home"
HOME=$home XDG_CONFIG_HOME='' QT_QPA_PLATFORM=offscreen "$prefix/bin/velmora" >"$tmp/log" 2>&1 &
pid=$!
# The window is up once the simulator's render thread and the link thread run beside the UI
# thread; the textures are read by then or a moment later.
for _ in $(seq 300); do
  [ "$(find /proc/$pid/task -mindepth 1 -maxdepth 1 2>/dev/null | wc -l)" -ge 3 ] && break
  sleep 0.1
done
sleep 1
kill -TERM "$pid"
set +e
wait "$pid"
rc=$?
set -e
[ "$rc" -eq 0 ] || fail "SIGTERM ended the program with status $rc: $(cat "$tmp/log")"
if grep -q 'skin/' "$tmp/log"; then fail "the installed program did not find its skin: $(cat "$tmp/log")"; fi
ini=$home/.config/velmora/def.ini
[ -f "$ini" ] || fail "no def.ini in ~/.config/velmora at exit"
grep -q '^AXIS_TYPE:\[' "$ini" && grep -q '^MEMMAP:\[' "$ini" || fail "def.ini is not a settings file"
[ ! -e "$prefix/bin/def.ini" ] || fail "the installed copy wrote def.ini into bin/"
echo "install layout and installed run: passed"
