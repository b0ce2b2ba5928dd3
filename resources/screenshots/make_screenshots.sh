#!/usr/bin/env bash
# Makes the README's screenshots: the main window with a pen trace drawn by dragging the arm with
# the pen down, the 5-axis hand type, and the timeline under a drawn motion (timeline_demo.KMO). Runs a copy of the program (with its own def.ini, so the
# build's settings stay as they are) under Xvfb and drives the mouse with xdotool.
#   resources/screenshots/make_screenshots.sh [path/to/velmora]   (default: build/velmora)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

if [ "${1:-}" = --inside-xvfb ]; then
  work=$2
  shot() { # shot NAME: the window alone (Xvfb's root is black around it), in few colours
    sleep 1
    import -window root "$work/root.png"
    convert "$work/root.png" -trim +repage -strip -colors 96 "PNG8:$here/$1.png"
  }
  start() { # start 3|5: a fresh run of the 3-axis or 5-axis type with a long pen trace
    printf 'AXIS_TYPE:[%s]\r\nVPEN_POINTS:[3000]\r\n' "$1" >"$work/def.ini"
    "$work/velmora" &
    pid=$!
    sleep 4
  }
  stop() {
    kill -TERM "$pid"
    wait "$pid" || true
  }
  # The arm tip (the marker) sits at the middle of the simulator view at start-up.
  tipX=689
  tipY=295

  start 3
  xdotool mousemove "$tipX" "$tipY" mousedown 1
  # pen PETALS RADIUS CX CY STEPS: with the pen down, a rose of PETALS petals (1: a circle),
  # the arm is first moved there with the pen up.
  pen() {
    local i x y
    for i in $(seq 0 "$5"); do
      read -r x y < <(awk -v i="$i" -v n="$5" -v k="$1" -v a="$2" -v cx="$3" -v cy="$4" 'BEGIN {
        t = i * 3.14159265 / n; if (k == 1) t *= 2; r = (k == 1) ? a : a * cos(k * t)
        printf "%d %d\n", cx + r * cos(t), cy - r * sin(t) }')
      xdotool mousemove "$x" "$y"
      sleep 0.03
      [ "$i" -eq 0 ] && { sleep 0.2; xdotool mousedown 3; }
    done
    xdotool mouseup 3
  }
  pen 3 55 $((tipX + 30)) $((tipY - 10)) 240
  xdotool mousemove $((tipX + 20)) $((tipY + 90))
  sleep 0.3
  xdotool mouseup 1
  shot main-window
  stop

  start 5
  xdotool mousemove "$tipX" "$tipY" mousedown 1
  for i in $(seq 0 20); do
    xdotool mousemove $((tipX + 3 * i)) $((tipY - 2 * i))
    sleep 0.02
  done
  xdotool mouseup 1
  shot five-axis
  stop

  # The timeline under a drawn star whose sixth stroke is too quick for the servos.
  printf 'AXIS_TYPE:[3]\r\n' >"$work/def.ini"
  printf 'PATH_PREVIEW:[1]\r\nTIMELINE:[1]\r\n' >"$work/velmora.ini"
  "$work/velmora" "$here/timeline_demo.KMO" &
  pid=$!
  sleep 4
  shot timeline
  stop
  rm -f "$work/velmora.ini"
  exit 0
fi

exe=${1:-$root/build/velmora}
[ -x "$exe" ] || {
  echo "no program at $exe: run ./velmora.sh run first, or name the executable" >&2
  exit 1
}
missing=()
for p in xvfb xauth xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A portable copy: its def.ini and skin beside it.
cp "$exe" "$work/velmora"
cp -r "$root/skin" "$work/skin"
xvfb-run -a -s "-screen 0 1400x1000x24" "$0" --inside-xvfb "$work"
ls -l "$here"/*.png
