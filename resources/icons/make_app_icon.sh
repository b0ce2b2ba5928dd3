#!/bin/sh
# Draws the application icon (velmora.png, 64 x 64): the arm seen from above, base, two links and
# the pen tip. Needs ImageMagick.
set -e
cd "$(dirname "$0")"
convert -size 64x64 xc:none \
  -fill '#2d5b8a' -stroke '#1b3550' -strokewidth 2 -draw 'roundrectangle 4,36 28,60 5,5' \
  -stroke '#e08a1e' -strokewidth 7 -draw 'line 16,48 34,22' -draw 'line 34,22 54,34' \
  -stroke none -fill '#1b3550' -draw 'circle 16,48 16,44' -draw 'circle 34,22 34,18' \
  -fill '#c0392b' -draw 'circle 54,34 54,29' \
  velmora.png
