#!/bin/sh
# Draws the seven simulator textures into ../../skin/, each the arm part seen from the top at four
# pixels per millimetre of its sprite. Needs ImageMagick (convert).
#
#   base.PNG    230 x 210 mm  base plate: slate plate with a 10 mm work grid and four bolts
#   piller.PNG   80 x  44 mm  pillar: the shoulder servo housing, shoulder axis 57.5 mm from its left
#   linka.PNG   114 x  34 mm  link 1: shoulder hub 17 mm from the left, elbow hub 80 mm further
#   linkb.PNG   120 x  46 mm  link 2: elbow hub 17 mm from the left, tool end 80 mm further, with a
#                             window over the pen
#   pen.PNG      57.5 mm sq.  pen unit: round carriage with the pen in the middle
#   yaw.PNG      62.5 mm sq.  wrist: turning ring with an index mark on +x and the claw rail on y
#   grip.PNG     24 x   7 mm  claw: finger with a rubber pad
set -e
cd "$(dirname "$0")"
out=../../skin
mkdir -p "$out"

# Base plate, 920 x 840.
grid=""
i=40
while [ $i -lt 920 ]; do grid="$grid line $i,24 $i,815"; i=$((i + 40)); done
i=40
while [ $i -lt 840 ]; do grid="$grid line 24,$i 895,$i"; i=$((i + 40)); done
convert -size 920x840 xc:none \
  -fill '#3d4a56' -stroke '#1f272e' -strokewidth 8 -draw 'roundrectangle 4,4 915,835 48,48' \
  -fill '#4a5966' -stroke none -draw 'roundrectangle 22,22 897,817 34,34' \
  -stroke '#5d6e7c' -strokewidth 2 -draw "$grid" \
  -stroke '#7d90a0' -strokewidth 3 -draw 'line 460,22 460,817 line 22,420 897,420' \
  -stroke '#1f272e' -strokewidth 4 -fill '#8a98a4' \
  -draw 'circle 64,64 64,86 circle 856,64 856,86 circle 64,776 64,798 circle 856,776 856,798' \
  -fill '#2a3238' -stroke none \
  -draw 'circle 64,64 64,76 circle 856,64 856,76 circle 64,776 64,788 circle 856,776 856,788' \
  -fill none -stroke 'rgba(255,255,255,0.18)' -strokewidth 4 \
  -draw 'roundrectangle 12,12 907,827 42,42' \
  -depth 8 "PNG32:$out/base.PNG"

# Pillar, 320 x 176; shoulder axis at (230, 88).
convert -size 320x176 xc:none \
  -fill '#26292c' -stroke '#101214' -strokewidth 6 -draw 'roundrectangle 3,3 316,172 26,26' \
  -fill '#3a3f44' -stroke none -draw 'roundrectangle 16,16 303,159 18,18' \
  -fill '#2e3236' -draw 'rectangle 30,36 120,140' \
  -fill '#e0a030' -draw 'rectangle 36,80 114,96' \
  -fill '#8b9198' -stroke '#101214' -strokewidth 3 \
  -draw 'circle 30,30 30,42 circle 30,146 30,158 circle 290,30 290,42 circle 290,146 290,158' \
  -fill '#55595e' -stroke '#15181a' -strokewidth 4 -draw 'circle 230,88 230,158' \
  -fill '#7a8087' -stroke none -draw 'circle 230,88 230,120' \
  -depth 8 "PNG32:$out/piller.PNG"

# Link 1, 456 x 136; hubs at (68, 68) and (388, 68), radius 68.
convert -size 456x136 xc:none \
  -fill '#c9d0d6' -stroke '#5c666e' -strokewidth 5 \
  -draw 'roundrectangle 3,3 452,132 65,65' \
  -fill '#e6eaee' -stroke none -draw 'roundrectangle 20,18 436,58 20,20' \
  -fill '#9aa4ac' -stroke '#5c666e' -strokewidth 3 -draw 'roundrectangle 140,48 316,88 20,20' \
  -fill '#dfe4e8' -stroke '#5c666e' -strokewidth 4 \
  -draw 'circle 68,68 68,118 circle 388,68 388,118' \
  -fill '#7d878f' -stroke none -draw 'circle 68,68 68,96 circle 388,68 388,96' \
  -fill '#b9c1c8' -draw 'circle 68,68 68,80 circle 388,68 388,80' \
  -depth 8 "PNG32:$out/linka.PNG"

# Link 2, 480 x 184: tapering from the elbow hub at (68, 92) to the tool end at (388, 92), with a
# window of radius 30 over the pen.
convert -size 480x184 xc:none \
  -fill '#56657a' -stroke none \
  -draw 'circle 68,92 68,26 circle 388,92 388,3 polygon 68,26 388,3 388,181 68,158' \
  -fill '#cfd9e6' \
  -draw 'circle 68,92 68,31 circle 388,92 388,8 polygon 68,31 388,8 388,176 68,153' \
  -fill '#e9eef5' -draw 'polygon 130,36 340,20 340,40 130,54' \
  -fill '#a6b3c4' -stroke '#56657a' -strokewidth 3 -draw 'roundrectangle 140,76 290,108 16,16' \
  -fill '#e2e8f0' -stroke '#56657a' -strokewidth 4 -draw 'circle 68,92 68,140' \
  -fill '#7f8c9c' -stroke none -draw 'circle 68,92 68,118' \
  -fill '#b4bfcd' -draw 'circle 68,92 68,104' \
  -fill '#56657a' -draw 'circle 388,92 388,130' \
  -fill black -draw 'circle 388,92 388,122' \
  \( +clone -alpha extract -fill black -stroke none -draw 'circle 388,92 388,122' \) \
  -alpha off -compose copy_opacity -composite \
  -depth 8 "PNG32:$out/linkb.PNG"

# Pen unit, 230 x 230; the pen at the centre.
convert -size 230x230 xc:none \
  -fill '#4b5157' -stroke '#1c1f22' -strokewidth 5 -draw 'circle 115,115 115,6' \
  -fill '#5f666d' -stroke none -draw 'circle 115,115 115,24' \
  -fill '#8d949b' -stroke '#1c1f22' -strokewidth 2 \
  -draw 'circle 115,30 115,38 circle 115,200 115,208 circle 30,115 38,115 circle 200,115 208,115' \
  -fill '#f2f2f2' -stroke '#1c1f22' -strokewidth 3 -draw 'circle 115,115 115,143' \
  -fill '#1d4fa8' -stroke none -draw 'circle 115,115 115,133' \
  -fill '#0c1830' -draw 'circle 115,115 115,122' \
  -depth 8 "PNG32:$out/pen.PNG"

# Wrist, 250 x 250: only the rim beyond the pen unit shows, so the marks sit on the rim.
convert -size 250x250 xc:none \
  -fill '#d98f22' -stroke '#6b420c' -strokewidth 4 -draw 'circle 125,125 125,3' \
  -fill '#efb04a' -stroke none -draw 'circle 125,125 125,16' \
  -fill '#6b420c' -draw 'polygon 248,125 214,108 214,142' \
  -fill '#3b3f44' -stroke '#15181a' -strokewidth 3 \
  -draw 'rectangle 100,2 150,30 rectangle 100,220 150,248' \
  -fill '#c97f16' -stroke none -draw 'circle 125,125 125,60' \
  -depth 8 "PNG32:$out/yaw.PNG"

# Claw, 96 x 28.
convert -size 96x28 xc:none \
  -fill '#e8eef2' -stroke '#2b3135' -strokewidth 3 -draw 'roundrectangle 2,2 93,25 8,8' \
  -fill '#39434a' -stroke none -draw 'roundrectangle 10,9 86,18 4,4' \
  -fill '#9aa6ae' -draw 'circle 16,13 16,16 circle 80,13 80,16' \
  -depth 8 "PNG32:$out/grip.PNG"
